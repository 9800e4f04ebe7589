// The web report of the station network and its alerts: what the pages hold, what the alerts'
// log records, and the command that tells a person.

#include "data/network_status.h"
#include "data/site_report.h"
#include "support/synthetic_network.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace stazione;

namespace {

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QList<QJsonObject> jsonLines(const QString& path)
{
    QList<QJsonObject> out;
    for (const QByteArray& line : readAll(path).split('\n')) {
        if (!line.isEmpty())
            out << QJsonDocument::fromJson(line).object();
    }
    return out;
}

data::AlertRules plantedRules()
{
    data::AlertRules rules;
    rules.battery = 11.5;
    rules.memory = 90;
    rules.drift = 300;
    rules.failures = 3;
    rules.staleDays = 5;
    return rules;
}

QSet<QString> alertsOf(const std::vector<data::Alert>& open)
{
    QSet<QString> out;
    for (const data::Alert& a : open)
        out << QStringLiteral("%1:%2").arg(a.station).arg(data::alertKindText(a.kind));
    return out;
}

const QSet<QString> kPlanted{"2:battery", "3:memory", "4:failures", "5:stale", "6:drift"};

class Site : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(synthetic::writeSyntheticNetwork(dir.path(), network)); }

    data::Network read()
    {
        auto n = data::readNetwork(dir.filePath("raccolta.jsonl"));
        EXPECT_TRUE(bool(n));
        return n ? *n : data::Network{};
    }
    data::SiteOptions options(const QString& language = "it")
    {
        data::SiteOptions o;
        o.dir = dir.path();
        o.language = language;
        o.now = network.lastNight.addSecs(3600);
        return o;
    }

    synthetic::SyntheticNetwork network;
    QTemporaryDir dir;
};

} // namespace

TEST_F(Site, ReportReadWithBatteryAsNumberOrTextAndALineCutShortSkipped)
{
    data::Network numbers = read();
    ASSERT_EQ(numbers.stations.size(), 8u);
    EXPECT_EQ(numbers.lines, 8 * 40);
    EXPECT_EQ(numbers.skipped, 0);
    const data::StationHistory& low = numbers.stations[1];
    EXPECT_EQ(low.row, 2);
    ASSERT_TRUE(low.calls.back().battery.has_value());
    EXPECT_NEAR(*low.calls.back().battery, 10.9, 0.01);
    EXPECT_NEAR(*numbers.stations[2].calls.back().memoryUsed, 97.0, 0.01);

    network.batteryAsText = true;
    ASSERT_TRUE(synthetic::writeSyntheticNetwork(dir.path(), network));
    QFile report(dir.filePath("raccolta.jsonl"));
    ASSERT_TRUE(report.open(QIODevice::Append));
    report.write("{\"station\":1,\"name\":\"Stazione 1\",\"resu"); // a crash in the middle of a line
    report.close();
    data::Network texts = read();
    ASSERT_EQ(texts.stations.size(), 8u);
    EXPECT_EQ(texts.skipped, 1);
    EXPECT_NEAR(*texts.stations[1].calls.back().battery, 10.9, 0.01);
    EXPECT_EQ(texts.stations[0].calls.size(), 40u);
}

TEST_F(Site, AlertsRaisedOnceAndClearedOnce)
{
    const QString log = dir.filePath("allarmi.jsonl");
    const QDateTime now = network.lastNight.addSecs(3600);
    auto first = data::updateAlerts(log, read(), plantedRules(), now);
    ASSERT_TRUE(bool(first));
    EXPECT_EQ(alertsOf(first->open), kPlanted);
    EXPECT_EQ(first->changes.size(), 5u);
    QList<QJsonObject> logged = jsonLines(log);
    ASSERT_EQ(logged.size(), 5);
    for (const QJsonObject& o : logged) {
        EXPECT_EQ(o.value("state").toString(), "raised");
        EXPECT_TRUE(o.contains("time") && o.contains("station") && o.contains("value"));
    }

    // The same data again: nothing changes, nothing is written.
    auto second = data::updateAlerts(log, read(), plantedRules(), now.addSecs(60));
    ASSERT_TRUE(bool(second));
    EXPECT_TRUE(second->changes.empty());
    EXPECT_EQ(jsonLines(log).size(), 5);
    EXPECT_EQ(alertsOf(data::openAlerts(log)), kPlanted);

    // Station 4 answers again with a good battery: its failures clear; a cancelled call in between
    // counts as neither.
    QFile report(dir.filePath("raccolta.jsonl"));
    ASSERT_TRUE(report.open(QIODevice::Append));
    report.write("{\"station\":2,\"name\":\"Stazione "
                 "2\",\"result\":\"cancelled\",\"start\":\"2030-01-01T02:00:00\"}\n");
    report.write("{\"station\":4,\"name\":\"Stazione 4\",\"result\":\"ok\",\"new_lines\":5,\"battery\":12.5,"
                 "\"start\":\"2030-01-01T02:00:00\",\"end\":\"2030-01-01T02:01:00\"}\n");
    report.close();
    auto third = data::updateAlerts(log, read(), plantedRules(), now.addSecs(120));
    ASSERT_TRUE(bool(third));
    ASSERT_EQ(third->changes.size(), 1u);
    EXPECT_FALSE(third->changes[0].raised);
    EXPECT_EQ(third->changes[0].station, 4);
    EXPECT_EQ(third->changes[0].kind, data::AlertKind::Failures);
    EXPECT_EQ(alertsOf(third->open), (QSet<QString>{"2:battery", "3:memory", "5:stale", "6:drift"}));
    EXPECT_EQ(jsonLines(log).last().value("state").toString(), "cleared");

    // Without a rule for a kind its alerts stay as they are.
    data::AlertRules batteryOnly;
    batteryOnly.battery = 11.5;
    auto fourth = data::updateAlerts(log, read(), batteryOnly, now.addSecs(180));
    ASSERT_TRUE(bool(fourth));
    EXPECT_TRUE(fourth->changes.empty());
    EXPECT_EQ(fourth->open.size(), 4u);
}

TEST_F(Site, DriftCorrectedIsNoAlertAndFailuresNeedTheirCount)
{
    data::Network n = read();
    data::StationHistory& drifting = n.stations[5];
    EXPECT_TRUE(data::judge(drifting, data::AlertKind::Drift, 300, {})->holds);
    drifting.calls.back().outcome.clockCorrected = true;
    EXPECT_FALSE(data::judge(drifting, data::AlertKind::Drift, 300, {})->holds);
    EXPECT_FALSE(data::judge(n.stations[3], data::AlertKind::Failures, 4, {})->holds);
    EXPECT_TRUE(data::judge(n.stations[3], data::AlertKind::Failures, 3, {})->holds);
    data::StationHistory empty;
    EXPECT_FALSE(data::judge(empty, data::AlertKind::Battery, 11, {}).has_value());
}

TEST_F(Site, PagesHoldEveryStationTheAlertsAndNothingRemote)
{
    auto update = data::updateAlerts(dir.filePath("allarmi.jsonl"), read(), plantedRules(),
                                     network.lastNight.addSecs(3600));
    ASSERT_TRUE(bool(update));
    auto built = data::buildSite(read(), update->open, options("en"));
    ASSERT_TRUE(bool(built)) << qPrintable(built.error().message);
    EXPECT_EQ(built->stations, 8);
    EXPECT_EQ(built->ok, 7);
    EXPECT_EQ(built->failed, 1);
    const QString site = dir.filePath("sito");
    const QString index = QString::fromUtf8(readAll(site + "/index.html"));
    EXPECT_TRUE(index.startsWith("<!DOCTYPE html>"));
    EXPECT_TRUE(index.contains("<html lang=\"en\">"));
    EXPECT_TRUE(index.contains("http-equiv=\"Content-Security-Policy\" content=\"default-src 'none';"));
    EXPECT_EQ(index.count("<tr class=\"station"), 8);
    const qsizetype alerts = index.indexOf("id=\"alerts\"");
    const qsizetype table = index.indexOf("id=\"stations\"");
    ASSERT_GT(alerts, 0);
    EXPECT_LT(alerts, table);
    const QString alertSection = index.mid(alerts, table - alerts);
    EXPECT_EQ(alertSection.count("<li class=\"alert\""), 5);
    for (const char* name : {"Stazione 2", "Stazione 3", "Stazione 4", "Stazione 5", "Stazione 6"})
        EXPECT_TRUE(alertSection.contains(QString::fromUtf8(name))) << name;
    // Problems first: the five with alerts come before the quiet ones.
    const qsizetype quiet = index.indexOf("data-station=\"1\"><td");
    for (int row : {2, 3, 4, 5, 6})
        EXPECT_LT(index.indexOf(QStringLiteral("data-station=\"%1\"><td").arg(row)), quiet) << row;
    // Nothing fetched from anywhere.
    const QRegularExpression remote("(src|href)\\s*=\\s*\"(https?:|//)|url\\(|@import");
    for (const QString& file : QDir(site).entryList({"*.html"}, QDir::Files)) {
        const QString page = QString::fromUtf8(readAll(site + "/" + file));
        EXPECT_FALSE(remote.match(page).hasMatch()) << qPrintable(file);
        EXPECT_FALSE(page.contains("<script")) << qPrintable(file);
    }
    EXPECT_EQ(QDir(site).entryList({"stazione-*.html"}, QDir::Files).size(), 8);

    // A station page: history newest first, charts with their text, the last seven days as CSV.
    const QString page = QString::fromUtf8(readAll(site + "/stazione-02.html"));
    EXPECT_GE(page.count("<svg"), 3);
    EXPECT_GE(page.count("<title>"), 4);
    EXPECT_TRUE(page.contains("href=\"../Stazione 2/Stazione 2_archivio.txt\""));
    const qsizetype newest = page.indexOf(network.lastNight.addSecs(120).toString("yyyy-MM-dd HH:mm"));
    const qsizetype older =
        page.indexOf(network.lastNight.addDays(-1).addSecs(120).toString("yyyy-MM-dd HH:mm"));
    EXPECT_GT(newest, 0);
    EXPECT_LT(newest, older);
    const QList<QByteArray> csv = readAll(site + "/stazione-02.csv").split('\n');
    EXPECT_EQ(csv.first(), "time,CH 0,CH 1,CH 2\r");
    EXPECT_EQ(csv.size() - 2, 7 * 96 + 1); // header, and the empty piece after the last line end
    EXPECT_TRUE(csv[1].startsWith(network.lastNight.addDays(-7).toString("yyyy-MM-ddTHH:mm:ss").toUtf8()));
}

TEST_F(Site, RebuildSwapsTheWholeFolderAndNeverReplacesAForeignOne)
{
    ASSERT_TRUE(bool(data::buildSite(read(), {}, options())));
    const QString site = dir.filePath("sito");
    EXPECT_TRUE(QFile::exists(site + "/stazione-08.html"));
    // Station 8 leaves the report: its page goes with it; nothing half-built is left beside.
    network.stations = 7;
    ASSERT_TRUE(synthetic::writeSyntheticNetwork(dir.path(), network));
    ASSERT_TRUE(bool(data::buildSite(read(), {}, options())));
    EXPECT_FALSE(QFile::exists(site + "/stazione-08.html"));
    EXPECT_TRUE(QFile::exists(site + "/stazione-07.html"));
    EXPECT_EQ(QDir(dir.path()).entryList({".sito*"}, QDir::Dirs | QDir::Hidden).size(), 0);

    // --out naming the data root itself, or any folder of other files, is refused and left alone.
    data::SiteOptions wrong = options();
    wrong.out = dir.path();
    auto refused = data::buildSite(read(), {}, wrong);
    EXPECT_FALSE(bool(refused));
    EXPECT_TRUE(QFile::exists(dir.filePath("raccolta.jsonl")));
    EXPECT_TRUE(QFile::exists(dir.filePath("Stazione 1/Stazione 1_archivio.txt")));
}

TEST(Recent, OnlyTheLastDaysAreReadAndOtherLinesShownAsText)
{
    QTemporaryDir dir;
    // Measurement lines every 15 minutes for 100 days, then the last seven days are asked.
    synthetic::SyntheticNetwork n;
    n.stations = 1;
    n.nights = 1;
    n.archiveLines = 96 * 100;
    ASSERT_TRUE(synthetic::writeSyntheticNetwork(dir.path(), n));
    const QString archive = dir.filePath("Stazione 1/Stazione 1_archivio.txt");
    // A write cut short at the end is not a measurement.
    QFile f(archive);
    ASSERT_TRUE(f.open(QIODevice::Append));
    f.write("05/12/26 1");
    f.close();
    data::RecentData recent = data::readRecent(archive, 7);
    EXPECT_TRUE(recent.timed);
    EXPECT_EQ(recent.channels.size(), 3);
    EXPECT_EQ(recent.times.size(), size_t(7 * 96 + 1));
    EXPECT_NEAR(recent.values[1].back(), 1001.0, 1e-9);

    QFile text(dir.filePath("testo.txt"));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    for (int i = 0; i < 100; ++i)
        text.write(QByteArray("riga ") + QByteArray::number(i) + "\r\n");
    text.close();
    data::RecentData lines = data::readRecent(dir.filePath("testo.txt"), 7, 5);
    EXPECT_FALSE(lines.timed);
    EXPECT_EQ(lines.lastLines, (QList<QByteArray>{"riga 95", "riga 96", "riga 97", "riga 98", "riga 99"}));

    // A link where the archive should be is not followed.
    ASSERT_TRUE(QFile::link(archive, dir.filePath("link.txt")));
    data::RecentData linked = data::readRecent(dir.filePath("link.txt"), 7);
    EXPECT_FALSE(linked.timed);
    EXPECT_FALSE(linked.problem.isEmpty());
}

TEST(AlertCommand, GetsTheChangeAndIsKilledWhenItHangs)
{
    QTemporaryDir dir;
    data::AlertChange change{QDateTime::currentDateTime(), 7,    "7",  "Pozzo",
                             data::AlertKind::Memory,      true, 96.5, 90};
    const QString got = dir.filePath("got.json");
    ASSERT_TRUE(bool(data::runAlertCommand("cat > '" + got + "'", change)));
    const QJsonObject o = QJsonDocument::fromJson(readAll(got)).object();
    EXPECT_EQ(o.value("station").toInt(), 7);
    EXPECT_EQ(o.value("kind").toString(), "memory");
    EXPECT_EQ(o.value("state").toString(), "raised");
    EXPECT_DOUBLE_EQ(o.value("value").toDouble(), 96.5);

    auto failed = data::runAlertCommand("exit 3", change);
    ASSERT_FALSE(bool(failed));
    EXPECT_TRUE(failed.error().message.contains("status 3"));

    QElapsedTimer timer;
    timer.start();
    auto hung = data::runAlertCommand("sleep 60; touch '" + dir.filePath("late") + "'", change,
                                      std::chrono::milliseconds(500));
    ASSERT_FALSE(bool(hung));
    EXPECT_EQ(hung.error().kind, link::ErrorKind::TimedOut);
    EXPECT_LT(timer.elapsed(), 10000);
}
