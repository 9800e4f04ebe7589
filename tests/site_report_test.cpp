// The web report of the station network and its alerts: what the pages hold, what the alerts'
// log records, and the command that tells a person.

#include "network/alerts.h"
#include "network/network_status.h"
#include "network/site_report.h"
#include "support/italian_locale.h"
#include "support/synthetic_network.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPointF>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

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
    data::AlertChange change{.time = QDateTime::currentDateTime(),
                             .station = 7,
                             .key = "7",
                             .name = "Pozzo",
                             .kind = data::AlertKind::Memory,
                             .raised = true,
                             .value = 96.5,
                             .threshold = 90,
                             .folder = "Pozzo"};
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

namespace {

void append(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::Append));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

QString pageText(const QString& html)
{
    QString text = html;
    text.remove(QRegularExpression("<[^>]*>"));
    return text.replace("&lt;", "<")
        .replace("&gt;", ">")
        .replace("&quot;", "\"")
        .replace("&amp;", "&")
        .trimmed();
}

// A table read back by its headers: a map header -> cell text per row, and whether every row had
// as many cells as there are headers.
struct ReadTable {
    QStringList headers;
    QList<QMap<QString, QString>> rows;
    bool square = true;
};

ReadTable readTable(const QString& html, const QString& id)
{
    ReadTable table;
    const qsizetype from = html.indexOf("<table id=\"" + id + "\"");
    const QString part = html.mid(from, html.indexOf("</table>", from) - from);
    const QRegularExpression head("<th scope=\"col\">(.*?)</th>");
    for (auto it = head.globalMatch(part); it.hasNext();)
        table.headers << pageText(it.next().captured(1));
    const QRegularExpression row("<tr>(.*?)</tr>");
    const QRegularExpression cell("<t[dh][^>]*>(.*?)</t[dh]>");
    const QString body = part.mid(part.indexOf("<tbody>"));
    for (auto it = row.globalMatch(body); it.hasNext();) {
        QStringList cells;
        for (auto c = cell.globalMatch(it.next().captured(1)); c.hasNext();)
            cells << pageText(c.next().captured(1));
        table.square = table.square && cells.size() == table.headers.size();
        QMap<QString, QString> byHeader;
        for (qsizetype i = 0; i < std::min(cells.size(), table.headers.size()); ++i)
            byHeader[table.headers[i]] = cells[i];
        table.rows << byHeader;
    }
    return table;
}

// Every points="..." of a page as numbers; false when one is not a list of "x,y" pairs of numbers.
bool readPoints(const QString& html, QList<QList<QPointF>>* lines)
{
    const QRegularExpression attribute("points=\"([^\"]*)\"");
    for (auto it = attribute.globalMatch(html); it.hasNext();) {
        QList<QPointF> line;
        for (const QString& pair : it.next().captured(1).split(' ', Qt::SkipEmptyParts)) {
            const QStringList xy = pair.split(',');
            bool okX = false;
            bool okY = false;
            if (xy.size() != 2)
                return false;
            line << QPointF(xy[0].toDouble(&okX), xy[1].toDouble(&okY));
            if (!okX || !okY)
                return false;
        }
        *lines << line;
    }
    return true;
}

// The chart of `channel` on a station page: its points, and its lowest and highest value as the
// axis writes them.
struct ReadChart {
    QList<QPointF> points;
    double lo = 0;
    double hi = 0;
    bool found = false;
};

ReadChart readChart(const QString& html, const QString& channel)
{
    ReadChart chart;
    const qsizetype from = html.indexOf("aria-label=\"" + channel + ", ");
    if (from < 0)
        return chart;
    const QString svg = html.mid(from, html.indexOf("</svg>", from) - from);
    const auto hi = QRegularExpression("<text x=\"2\" y=\"12\">([^<]*)</text>").match(svg);
    const auto lo = QRegularExpression("<text x=\"2\" y=\"140\">([^<]*)</text>").match(svg);
    QList<QList<QPointF>> lines;
    chart.found = hi.hasMatch() && lo.hasMatch() && readPoints(svg, &lines);
    chart.hi = hi.captured(1).toDouble();
    chart.lo = lo.captured(1).toDouble();
    for (const auto& line : lines)
        chart.points += line;
    return chart;
}

// A small network written under `dir` (its stations' archives 20 lines each) and read back, and
// the options of its site in `language`, an hour after its last night.
struct SmallNetwork {
    data::Network network;
    data::SiteOptions options;
    int nights = 0;
};
std::optional<SmallNetwork> smallNetwork(const QString& dir, int stations, const QString& language)
{
    synthetic::SyntheticNetwork n;
    n.stations = stations;
    n.archiveLines = 20;
    if (!synthetic::writeSyntheticNetwork(dir, n))
        return std::nullopt;
    auto network = data::readNetwork(QDir(dir).filePath("raccolta.jsonl"));
    if (!network)
        return std::nullopt;
    SmallNetwork small{.network = std::move(*network), .options = {}, .nights = n.nights};
    small.options.dir = dir;
    small.options.language = language;
    small.options.now = n.lastNight.addSecs(3600);
    return small;
}

pid_t deadProcess()
{
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    ::waitpid(child, nullptr, 0);
    return child;
}

} // namespace

// Where a site may go and what it may replace: only a folder that holds nothing but what a report
// wrote, never the data root, a folder holding it, or a station's folder.
TEST_F(Site, TheDataRootIsNeverTheSiteAndNothingButTheSitesOwnFilesIsReplaced)
{
    // An empty data root named as the site is refused before anything is written into it.
    QTemporaryDir empty;
    data::SiteOptions root = options();
    root.dir = empty.path();
    root.out = empty.path();
    EXPECT_FALSE(bool(data::buildSite({}, {}, root)));
    EXPECT_TRUE(
        QDir(empty.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty());

    // A site of ours into which something else was put since is kept whole.
    ASSERT_TRUE(bool(data::buildSite(read(), {}, options())));
    const QString site = dir.filePath("sito");
    QDir().mkpath(site + "/Stazione 9");
    append(site + "/Stazione 9/Stazione 9_archivio.txt", "05/12/26 10:00:00, 1.0\r\n");
    append(site + "/raccolta.jsonl", "{}\n");
    auto refused = data::buildSite(read(), {}, options());
    ASSERT_FALSE(bool(refused));
    EXPECT_TRUE(refused.error().message.contains("which no report wrote"))
        << qPrintable(refused.error().message);
    EXPECT_TRUE(QFile::exists(site + "/Stazione 9/Stazione 9_archivio.txt"));
    EXPECT_TRUE(QFile::exists(site + "/raccolta.jsonl"));
    EXPECT_TRUE(QFile::exists(site + "/index.html"));

    // A folder of hidden entries only is not empty.
    const QString hidden = dir.filePath("www");
    QDir().mkpath(hidden + "/.git");
    append(hidden + "/.git/HEAD", "ref: refs/heads/main\n");
    append(hidden + "/.env", "SECRET=1\n");
    append(hidden + "/.htaccess", "Options -Indexes\n");
    data::SiteOptions intoHidden = options();
    intoHidden.out = hidden;
    EXPECT_FALSE(bool(data::buildSite(read(), {}, intoHidden)));
    for (const char* name : {"/.git/HEAD", "/.env", "/.htaccess"})
        EXPECT_TRUE(QFile::exists(hidden + name)) << name;

    // A site that holds the data root, even one that was a site before, and a site in a
    // station's folder.
    QTemporaryDir www;
    data::SiteOptions first = options();
    first.out = www.path();
    ASSERT_TRUE(bool(data::buildSite(read(), {}, first)));
    const QString inner = www.filePath("dati");
    ASSERT_TRUE(QDir().mkpath(inner));
    ASSERT_TRUE(synthetic::writeSyntheticNetwork(inner, network));
    data::SiteOptions around = options();
    around.dir = inner;
    around.out = www.path();
    auto holding = data::buildSite(read(), {}, around);
    ASSERT_FALSE(bool(holding));
    EXPECT_TRUE(holding.error().message.contains("holds the data root"))
        << qPrintable(holding.error().message);
    EXPECT_TRUE(QFile::exists(inner + "/Stazione 1/Stazione 1_archivio.txt"));
    EXPECT_TRUE(QFile::exists(inner + "/raccolta.jsonl"));
    data::SiteOptions inStation = options();
    inStation.out = dir.filePath("Stazione 3/sito");
    auto lies = data::buildSite(read(), {}, inStation);
    ASSERT_FALSE(bool(lies));
    EXPECT_TRUE(lies.error().message.contains("lies in the station folder"))
        << qPrintable(lies.error().message);
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("Stazione 3/sito")));

    // A site of an older build, whose mark lists nothing, is replaced when it holds only the
    // names a report writes.
    QTemporaryDir older;
    append(older.filePath(".stazione-sito"), "stazione-cli report\n");
    append(older.filePath("index.html"), "<p>old</p>");
    append(older.filePath("stazione-09.html"), "<p>old</p>");
    data::SiteOptions replacing = options();
    replacing.out = older.path();
    ASSERT_TRUE(bool(data::buildSite(read(), {}, replacing)));
    EXPECT_FALSE(QFile::exists(older.filePath("stazione-09.html")));
    EXPECT_TRUE(QFile::exists(older.filePath("stazione-08.html")));
}

TEST_F(Site, TheFoldersOfKilledRunsAreRemovedWithTheirOwnFilesOnly)
{
    const pid_t dead = deadProcess();
    const pid_t alsoDead = deadProcess();
    const QString leftover = dir.filePath(QStringLiteral(".sito.nuovo-%1-0").arg(dead));
    const QString withOther = dir.filePath(QStringLiteral(".sito.nuovo-%1-3.old").arg(alsoDead));
    const QString alive = dir.filePath(QStringLiteral(".sito.nuovo-%1-0").arg(::getppid()));
    for (const QString& folder : {leftover, withOther, alive}) {
        QDir().mkpath(folder);
        append(folder + "/index.html", "<p>half</p>");
        append(folder + "/stazione-01.html", "<p>half</p>");
        append(folder + "/stazione-01.csv", "time\r\n");
    }
    append(withOther + "/appunti.txt", "mine\n");
    ASSERT_TRUE(bool(data::buildSite(read(), {}, options())));
    EXPECT_FALSE(QFileInfo::exists(leftover));
    EXPECT_TRUE(QFile::exists(withOther + "/appunti.txt"));
    EXPECT_FALSE(QFile::exists(withOther + "/index.html"));
    EXPECT_TRUE(QFile::exists(alive + "/index.html")); // another report may be building it now
    EXPECT_EQ(QDir(dir.path()).entryList({".sito.nuovo-*"}, QDir::Dirs | QDir::Hidden).size(), 2);
}

// Only the station's own archive in the data root is read and linked: never a file the report
// line names elsewhere, never through a link.
TEST_F(Site, OnlyTheStationsOwnArchiveIsReadAndLinked)
{
    QTemporaryDir elsewhere;
    const QString secret = elsewhere.filePath("segreto.txt");
    append(secret, "05/12/26 10:00:00, 4242.5\r\n05/12/26 10:15:00, 4242.5\r\n");
    QFile::setPermissions(secret, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    QJsonObject line;
    line.insert("station", 9);
    line.insert("name", "Fuori");
    line.insert("result", "ok");
    line.insert("start", network.lastNight.toString(Qt::ISODate));
    line.insert("archive", secret);
    QJsonObject linked = line;
    linked.insert("station", 10);
    linked.insert("name", "Legata");
    linked.insert("archive", dir.filePath("Legata/Legata_archivio.txt"));
    ASSERT_TRUE(QFile::link(elsewhere.path(), dir.filePath("Legata")));
    QFile::copy(secret, elsewhere.filePath("Legata_archivio.txt"));
    append(dir.filePath("raccolta.jsonl"), QJsonDocument(line).toJson(QJsonDocument::Compact) + "\n" +
                                               QJsonDocument(linked).toJson(QJsonDocument::Compact) + "\n");
    ASSERT_TRUE(bool(data::buildSite(read(), {}, options("en"))));
    for (const char* page : {"stazione-09", "stazione-10"}) {
        const QString html =
            QString::fromUtf8(readAll(dir.filePath(QStringLiteral("sito/%1.html").arg(page))));
        ASSERT_FALSE(html.isEmpty()) << page;
        EXPECT_FALSE(html.contains("4242")) << page;
        EXPECT_FALSE(html.contains("segreto")) << page;
        EXPECT_FALSE(html.contains("Legata_archivio")) << page;
        EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("sito/%1.csv").arg(page)))) << page;
    }
    EXPECT_TRUE(readAll(dir.filePath("sito/stazione-10.html")).contains("is a link"));
    // The others still have theirs.
    EXPECT_TRUE(QFile::exists(dir.filePath("sito/stazione-01.csv")));
}

// A chart names five times under its axis, has gridlines, and draws an alert's threshold where its
// value lies, taking it into its range; without a rule there is no threshold line.
TEST(SiteCharts, TimesGridlinesAndTheAlertsThresholds)
{
    QTemporaryDir dir;
    auto small = smallNetwork(dir.path(), 1, "en");
    ASSERT_TRUE(small);
    const data::Network& network = small->network;
    data::SiteOptions& o = small->options;
    ASSERT_TRUE(bool(data::buildSite(network, {}, o)));
    const auto svgOf = [&](const char* title) {
        const QString html = QString::fromUtf8(readAll(dir.filePath("sito/stazione-01.html")));
        const qsizetype from = html.indexOf(QStringLiteral("aria-label=\"%1, ").arg(title));
        return from < 0 ? QString() : html.mid(from, html.indexOf("</svg>", from) - from);
    };
    QString svg = svgOf("CH 0");
    ASSERT_FALSE(svg.isEmpty());
    // CH 0 runs from 10.0 to 11.9 over 19 quarters of an hour: the times between say the hour.
    static const QRegularExpression middle(
        "<text x=\"[0-9.]+\" y=\"156\" text-anchor=\"middle\">(\\d\\d:\\d\\d)</text>");
    QStringList between;
    for (auto it = middle.globalMatch(svg); it.hasNext();)
        between << it.next().captured(1);
    EXPECT_EQ(between.size(), 3) << qPrintable(svg);
    EXPECT_TRUE(svg.contains("<path class=\"grid\" d=\"M52 140.0H476M52 74.0H476M52 8.0H476M158.0 4V140"))
        << qPrintable(svg);
    EXPECT_TRUE(svg.contains(">10.95</text>")) << qPrintable(svg); // the middle value
    EXPECT_FALSE(svgOf("Battery").contains("limit"));
    // A value that never changes is drawn in the middle of an axis a unit wider each way; the
    // description keeps the values' own range.
    const QString flat = svgOf("CH 1");
    EXPECT_TRUE(flat.contains("<text x=\"2\" y=\"12\">1002.00</text>")) << qPrintable(flat);
    EXPECT_TRUE(flat.contains("<text x=\"2\" y=\"140\">1000.00</text>")) << qPrintable(flat);
    EXPECT_TRUE(flat.contains("Minimum 1001.00  Maximum 1001.00")) << qPrintable(flat);

    // With rules: the battery's threshold above every reading becomes the chart's top.
    o.rules.battery = 12.7;
    o.rules.memory = 80;
    ASSERT_TRUE(bool(data::buildSite(network, {}, o)));
    svg = svgOf("Battery");
    EXPECT_TRUE(svg.contains("<path class=\"limit\" d=\"M52 8.0H476\"/>")) << qPrintable(svg);
    EXPECT_TRUE(svg.contains("<text x=\"2\" y=\"12\">12.70</text>")) << qPrintable(svg);
    EXPECT_TRUE(svg.contains(">threshold 12.70 V</text>")) << qPrintable(svg);
    EXPECT_TRUE(svg.contains("Maximum 12.60 V; threshold 12.70 V")) << qPrintable(svg);
    EXPECT_TRUE(svgOf("Memory used").contains(">threshold 80.00 %</text>"))
        << qPrintable(svgOf("Memory used"));
    EXPECT_FALSE(svgOf("CH 0").contains("limit"));
}

// The charts under a locale whose decimal mark is a comma, read back and compared with the data.
TEST(SiteLocale, ChartsReadBackUnderAnItalianLocaleMatchTheData)
{
    QTemporaryDir dir;
    auto small = smallNetwork(dir.path(), 2, "it");
    ASSERT_TRUE(small);
    {
        stazione::testing::InItalian italian;
        ASSERT_TRUE(italian.active) << "localedef could not make it_IT.UTF-8";
        auto built = data::buildSite(small->network, {}, small->options);
        ASSERT_TRUE(bool(built)) << qPrintable(built.error().message);
    }
    for (const QString& name : {QStringLiteral("index.html"), QStringLiteral("stazione-01.html")}) {
        QList<QList<QPointF>> lines;
        EXPECT_TRUE(readPoints(QString::fromUtf8(readAll(dir.filePath("sito/" + name))), &lines))
            << qPrintable(name);
        EXPECT_FALSE(lines.isEmpty()) << qPrintable(name);
    }
    // CH 0 is 10.0, 10.1, ... 11.9 every 15 minutes: 20 points from the left axis to the right.
    const ReadChart chart =
        readChart(QString::fromUtf8(readAll(dir.filePath("sito/stazione-01.html"))), "CH 0");
    ASSERT_TRUE(chart.found);
    EXPECT_DOUBLE_EQ(chart.lo, 10.0);
    EXPECT_DOUBLE_EQ(chart.hi, 11.9);
    ASSERT_EQ(chart.points.size(), 20);
    for (int i = 0; i < 20; ++i) {
        const QPointF p = chart.points[i];
        EXPECT_NEAR(p.x(), 52 + 424.0 * i / 19, 0.051) << i;
        const double value = chart.lo + (140 - p.y()) / 132 * (chart.hi - chart.lo);
        EXPECT_NEAR(value, 10.0 + 0.1 * i, 0.05 * 1.9 / 132 + 1e-9) << i;
    }
    // The battery chart: one point per call, its values those of the report.
    const ReadChart battery =
        readChart(QString::fromUtf8(readAll(dir.filePath("sito/stazione-01.html"))), "Batteria");
    ASSERT_TRUE(battery.found);
    EXPECT_EQ(battery.points.size(), small->nights);
    EXPECT_NEAR(battery.hi, 12.6, 1e-9);
}

// The history table: a cell under each header, whatever the result and error texts hold.
TEST_F(Site, TheHistoryTableHasACellUnderEachHeader)
{
    QJsonObject odd;
    odd.insert("station", 2);
    odd.insert("name", "Stazione 2");
    odd.insert("result", "%1%2%3");
    odd.insert("attempts", 2);
    odd.insert("error", "E%1 %2 <b>");
    odd.insert("start", network.lastNight.addSecs(7200).toString(Qt::ISODate));
    append(dir.filePath("raccolta.jsonl"), QJsonDocument(odd).toJson(QJsonDocument::Compact) + "\n");
    ASSERT_TRUE(bool(data::buildSite(read(), {}, options("en"))));
    const ReadTable table =
        readTable(QString::fromUtf8(readAll(dir.filePath("sito/stazione-02.html"))), "history");
    EXPECT_EQ(table.headers, (QStringList{"Start", "Result", "Attempts", "New lines", "Total lines",
                                          "Battery (V)", "Memory used (%)", "Clock (s)", "Error"}));
    EXPECT_TRUE(table.square);
    ASSERT_EQ(table.rows.size(), network.nights + 1);
    const auto& newest = table.rows[0];
    EXPECT_EQ(newest["Result"], "%1%2%3");
    EXPECT_EQ(newest["Error"], "E%1 %2 <b>");
    EXPECT_EQ(newest["Attempts"], "2");
    EXPECT_EQ(newest["Start"], network.lastNight.addSecs(7200).toString("yyyy-MM-dd HH:mm"));
    const auto& lastOk = table.rows[1];
    EXPECT_EQ(lastOk["Result"], "ok");
    EXPECT_EQ(lastOk["Attempts"], "1");
    EXPECT_EQ(lastOk["New lines"], "96");
    EXPECT_EQ(lastOk["Total lines"], "2000");
    EXPECT_EQ(lastOk["Battery (V)"], "10.90");
    const double possible = 20000;
    const double available = possible - (4000 + (39 * 50) % 6000);
    EXPECT_EQ(lastOk["Memory used (%)"], QString::number((possible - available) / possible * 100, 'f', 1));
    EXPECT_EQ(lastOk["Clock (s)"], "+2"); // (39 % 5) - 2
    EXPECT_EQ(lastOk["Error"], "");
}

// The counts beside the alerts: a station that was never reached is one of the failed.
TEST_F(Site, TheCountsAgreeWithTheAlertsAndSayWhatTheyCount)
{
    network.neverReached = 7;
    ASSERT_TRUE(synthetic::writeSyntheticNetwork(dir.path(), network));
    data::AlertRules failures;
    failures.failures = 2;
    auto update = data::updateAlerts(dir.filePath("allarmi.jsonl"), read(), failures, options().now);
    ASSERT_TRUE(bool(update));
    auto built = data::buildSite(read(), update->open, options());
    ASSERT_TRUE(bool(built));
    EXPECT_EQ(built->ok, 6);
    EXPECT_EQ(built->failed, 2);
    EXPECT_EQ(built->neverReached, 1);
    const QString index = QString::fromUtf8(readAll(dir.filePath("sito/index.html")));
    const auto count = [&index](const QString& id) {
        const auto m = QRegularExpression("<span id=\"" + id + "\">[^<]*: (\\d+)</span>").match(index);
        return m.hasMatch() ? m.captured(1).toInt() : -1;
    };
    // Every station with the alert of failed collections is among the failed, and every failed
    // station's last call reads as failed in its row.
    const int alerted = int(index.count("data-kind=\"failures\""));
    EXPECT_EQ(alerted, 2);
    EXPECT_GE(count("count-failed"), alerted);
    EXPECT_EQ(count("count-failed"), int(index.count("<span class=\"r-bad\">")));
    EXPECT_EQ(count("count-ok"), int(index.count("<span class=\"r-ok\">")));
    EXPECT_EQ(count("count-never"), 1);
    EXPECT_TRUE(index.contains("<p id=\"counts-note\">Ogni stazione è contata una volta"));
}

// Texts with "%1" in them go in as they are: names, folders, results.
TEST_F(Site, PercentSignsInNamesAndFoldersStayAsTheyAre)
{
    QByteArray report = readAll(dir.filePath("raccolta.jsonl"));
    report.replace("\"Stazione 2\"", "\"Fonte 100%2 nord %1 %L1\"");
    QFile f(dir.filePath("raccolta.jsonl"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(report);
    f.close();
    data::AlertRules rules;
    rules.battery = 11.5;
    auto update = data::updateAlerts(dir.filePath("allarmi.jsonl"), read(), rules, options().now);
    ASSERT_TRUE(bool(update));
    data::SiteOptions o = options();
    o.out = dir.filePath("E%3 %1");
    auto built = data::buildSite(read(), update->open, o);
    ASSERT_TRUE(bool(built)) << qPrintable(built.error().message);
    EXPECT_EQ(built->folder, dir.filePath("E%3 %1"));
    const QString page = QString::fromUtf8(readAll(dir.filePath("E%3 %1/stazione-02.html")));
    EXPECT_TRUE(page.contains("<h1>Fonte 100%2 nord %1 %L1 (2)</h1>")) << qPrintable(page.left(2000));
    const QString index = QString::fromUtf8(readAll(dir.filePath("E%3 %1/index.html")));
    EXPECT_TRUE(index.contains(">Fonte 100%2 nord %1 %L1 (2)</a>: Batteria")) << qPrintable(index);
}

// The measurements of an archive that ends weeks ago say their dates; a torn line kept inside it
// leaves the charts of the lines around it.
TEST_F(Site, MeasurementsSayTheirDatesAndATornLineKeepsTheCharts)
{
    const QString archive = dir.filePath("Stazione 1/Stazione 1_archivio.txt");
    QByteArray text = readAll(archive);
    const qsizetype middle = text.indexOf("\r\n", text.size() - 40 * 100) + 2;
    text.insert(middle, "05/12/26 1\r\n");
    QFile f(archive);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(text);
    f.close();
    const data::RecentData recent = data::readRecent(archive, 7);
    EXPECT_TRUE(recent.timed);
    EXPECT_EQ(recent.times.size(), size_t(7 * 96 + 1));
    EXPECT_EQ(recent.unreadLines, 1);

    ASSERT_TRUE(bool(data::buildSite(read(), {}, options("en"))));
    const QString page = QString::fromUtf8(readAll(dir.filePath("sito/stazione-01.html")));
    for (const char* channel : {"CH 0", "CH 1", "CH 2"})
        EXPECT_TRUE(readChart(page, channel).found) << channel;
    EXPECT_TRUE(page.contains("lines of the archive not read (writes cut short): 1"));

    // Station 5's archive ends ten days before the last night.
    const QString stale = QString::fromUtf8(readAll(dir.filePath("sito/stazione-05.html")));
    const QDateTime end = network.lastNight.addDays(-10);
    const QString heading =
        QStringLiteral("<h2>Measurements from %1 to %2 (the archive's last 7 days)</h2>")
            .arg(end.addDays(-7).toString("yyyy-MM-dd HH:mm"), end.toString("yyyy-MM-dd HH:mm"));
    EXPECT_TRUE(stale.contains(heading)) << qPrintable(heading);
}
