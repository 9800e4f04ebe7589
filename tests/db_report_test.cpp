// The web report read from the database (report --db): the same site and alerts as from
// DIR/raccolta.jsonl when both hold the same collections, on SQLite and on the private PostgreSQL
// server of the test run; a database that cannot be read whole builds nothing.

#include "db/database.h"
#include "db/history.h"
#include "db/store.h"
#include "network/alerts.h"
#include "network/network_status.h"
#include "network/site_report.h"
#include "support/cli_run.h"
#include "support/postgres_test_db.h"
#include "support/synthetic_network.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QUuid>

#include <gtest/gtest.h>
#include <memory>

using namespace stazione;

namespace {

using Ran = stazione::testing::CliRun;

Ran cli(const QStringList& arguments)
{
    return stazione::testing::runCli(arguments);
}

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Every file of a folder, by its name under it.
QMap<QString, QByteArray> filesOf(const QString& folder)
{
    QMap<QString, QByteArray> out;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        out.insert(QDir(folder).relativeFilePath(path), readAll(path));
    }
    return out;
}

bool execute(db::Database& database, const QString& sql)
{
    QSqlQuery q(database.sql());
    const bool done = q.exec(sql);
    EXPECT_TRUE(done) << qPrintable(q.lastError().text()) << ' ' << qPrintable(sql);
    return done;
}

QStringList rules()
{
    return {"--alert-battery", "11.5", "--alert-memory", "90", "--alert-failures", "3",
            "--alert-stale",   "5",    "--alert-drift",  "300"};
}

data::AlertRules plantedRules()
{
    data::AlertRules r;
    r.battery = 11.5;
    r.memory = 90;
    r.failures = 3;
    r.staleDays = 5;
    r.drift = 300;
    return r;
}

// The synthetic network with a station never reached, and a logger on the cable with a call
// stopped by a signal and a report line that holds the battery as the logger's text.
class Network : public ::testing::Test {
protected:
    void SetUp() override
    {
        network.nights = 30;
        network.archiveLines = 800;
        network.neverReached = 7;
        ASSERT_TRUE(synthetic::writeSyntheticNetwork(dir.path(), network));
        const QString cable = dir.filePath("Cavo/Cavo_archivio.txt");
        QDir().mkpath(dir.filePath("Cavo"));
        QFile archive(cable);
        ASSERT_TRUE(archive.open(QIODevice::WriteOnly));
        archive.write("01/12/26 10:00:00, 001.00\r\n01/12/26 10:10:00, 002.00\r\n");
        QFile report(dir.filePath("raccolta.jsonl"));
        ASSERT_TRUE(report.open(QIODevice::Append));
        const auto call = [&](int minute, const char* result, int lines, const char* battery, bool corrected,
                              const QByteArray& sensors = {}) {
            const QString start = network.lastNight.addSecs(3000 + 60 * minute).toString(Qt::ISODate);
            report.write(
                QStringLiteral(R"({"start":"%1","end":"%1","station":0,"name":"Cavo","number":"",)"
                               R"("result":"%2","attempts":1,"new_lines":%3,"total_lines":2,)"
                               R"("complete":true,"battery":%4,"memory_possible":"8000",)"
                               R"("memory_available":"7998","clock_drift_s":-350,)"
                               R"("clock_corrected":%5,"error":"","file":"","archive":"%6"%7})")
                    .arg(start, result)
                    .arg(lines)
                    .arg(battery, corrected ? "true" : "false", cable,
                         sensors.isEmpty() ? QString() : ",\"sensors\":" + QString::fromUtf8(sensors))
                    .toUtf8() +
                '\n');
        };
        // The logger on the cable named its channels at its first call, then again at its last:
        // the newer read is the one shown.
        const QByteArray older =
            R"({"read":"2026-11-20T09:00:00+01:00","channels":[{"channel":0,"name":"Vecchio",)"
            R"("zero_volts":"0","full_volts":"1","zero_value":"0","full_value":"1"}]})";
        const QByteArray newer =
            R"({"read":"2026-12-01T09:00:00+01:00","channels":[{"channel":0,"name":"Piezometro P1",)"
            R"("zero_volts":"0.000","full_volts":"2.500","zero_value":"0.0","full_value":"35.0"}]})";
        call(0, "ok", 2, "12.05", false, older);
        call(1, "cancelled", 0, "12.05", false);
        call(2, "ok", 0, "\"11.20\"", true, newer);
        QFile sensors(dir.filePath("Cavo/sensori.json"));
        ASSERT_TRUE(sensors.open(QIODevice::WriteOnly));
        sensors.write(newer);
    }

    virtual QString url() { return QStringLiteral("sqlite:") + work.filePath("rete.sqlite"); }

    data::SiteOptions siteOptions(const QString& out) const
    {
        data::SiteOptions o;
        o.dir = dir.path();
        o.out = out;
        o.language = QStringLiteral("en");
        o.now = network.lastNight.addSecs(7200);
        return o;
    }

    // The report from the file and from the database: the same alerts and the same pages, byte for
    // byte, built at one time.
    void expectTheSameSite()
    {
        const Ran imported = cli({"db", "import", dir.path(), "--db", url()});
        ASSERT_EQ(imported.exitCode, 0) << qPrintable(imported.err);
        auto fromFile = data::readNetwork(dir.filePath("raccolta.jsonl"));
        ASSERT_TRUE(fromFile.ok());
        auto database = db::Database::open(url());
        ASSERT_TRUE(database.ok()) << qPrintable(database ? QString() : database.error().message);
        auto fromDb = db::readNetwork(**database, dir.path());
        ASSERT_TRUE(fromDb.ok()) << qPrintable(fromDb ? QString() : fromDb.error().message);
        ASSERT_EQ(fromDb->stations.size(), 9u);
        EXPECT_EQ(fromDb->lines, fromFile->lines);
        EXPECT_EQ(fromDb->skipped, 0);

        const QDateTime now = siteOptions({}).now;
        auto fileAlerts = data::updateAlerts(work.filePath("file.jsonl"), *fromFile, plantedRules(), now);
        auto dbAlerts = data::updateAlerts(work.filePath("db.jsonl"), *fromDb, plantedRules(), now);
        ASSERT_TRUE(fileAlerts.ok() && dbAlerts.ok());
        // The five planted, the cable's battery, and the station never reached: failures and stale.
        EXPECT_EQ(fileAlerts->changes.size(), 8u);
        EXPECT_EQ(readAll(work.filePath("db.jsonl")), readAll(work.filePath("file.jsonl")));

        const QString fileSite = work.filePath("file-site");
        const QString dbSite = work.filePath("db-site");
        auto builtFromFile = data::buildSite(*fromFile, fileAlerts->open, siteOptions(fileSite));
        // The measurements from the readings, not from the archives beside them.
        data::SiteOptions fromReadings = siteOptions(dbSite);
        int asked = 0;
        fromReadings.recent = [&](const data::StationHistory& s, int days) {
            ++asked;
            return db::readRecentReadings(**database, s, days);
        };
        auto storedSensors = db::readSensorsByFolder(**database);
        ASSERT_TRUE(storedSensors.ok());
        ASSERT_EQ(storedSensors->size(), 1u);
        fromReadings.sensors = [&](const data::StationHistory& s) -> std::optional<data::StationSensors> {
            const auto found = storedSensors->find(s.folder);
            return found == storedSensors->end() ? std::nullopt : std::optional(found->second);
        };
        auto builtFromDb = data::buildSite(*fromDb, dbAlerts->open, fromReadings);
        ASSERT_TRUE(builtFromFile.ok() && builtFromDb.ok());
        EXPECT_EQ(asked, 9);
        EXPECT_EQ(builtFromDb->neverReached, 1);
        const QMap<QString, QByteArray> expected = filesOf(fileSite);
        const QMap<QString, QByteArray> got = filesOf(dbSite);
        EXPECT_EQ(got.keys(), expected.keys());
        EXPECT_GE(got.size(), 18); // index, a page per station, CSVs of the measurements
        for (auto it = expected.cbegin(); it != expected.cend(); ++it)
            EXPECT_TRUE(got.value(it.key()) == it.value()) << qPrintable(it.key());
        // The cable's channel by the name of its newest read, on its page and in its CSV, with
        // the scaling.
        const auto cablePage = std::find_if(got.cbegin(), got.cend(),
                                            [](const QByteArray& page) { return page.contains("<h1>Cavo"); });
        ASSERT_NE(cablePage, got.cend());
        EXPECT_TRUE(cablePage->contains("<th scope=\"row\">CH 0 Piezometro P1</th>"))
            << cablePage->constData();
        EXPECT_TRUE(
            cablePage->contains("<td>Piezometro P1</td><td class=\"n\">0.000</td><td class=\"n\">2.500</td>"
                                "<td class=\"n\">0.0</td><td class=\"n\">35.0</td>"))
            << cablePage->constData();
        EXPECT_FALSE(cablePage->contains("Vecchio"));
        const QString cableCsv = cablePage.key().chopped(5) + ".csv";
        EXPECT_TRUE(got.value(cableCsv).startsWith("time,CH 0 Piezometro P1\r\n")) << qPrintable(cableCsv);

        // The query names the columns when asked, and only then.
        const Ran named = cli({"db", "query", "--db", url(), "--station", "Cavo", "--names"});
        ASSERT_EQ(named.exitCode, 0) << qPrintable(named.err);
        EXPECT_TRUE(named.out.startsWith("time,CH 0 Piezometro P1\r\n")) << qPrintable(named.out);
        const Ran plain = cli({"db", "query", "--db", url(), "--station", "Cavo"});
        EXPECT_TRUE(plain.out.startsWith("time,CH 0\r\n")) << qPrintable(plain.out);

        // The command line, without rules: the same pages from the files and from the database.
        const Ran files = cli(QStringList{"report", dir.path(), "--out", work.filePath("cli-file")});
        ASSERT_EQ(files.exitCode, 0) << qPrintable(files.err);
        const Ran stored =
            cli(QStringList{"report", dir.path(), "--out", work.filePath("cli-db"), "--db", url()});
        ASSERT_EQ(stored.exitCode, 0) << qPrintable(stored.err);
        QMap<QString, QByteArray> cliFile = filesOf(work.filePath("cli-file"));
        QMap<QString, QByteArray> cliDb = filesOf(work.filePath("cli-db"));
        cliFile.remove("index.html"); // it names the time it was built
        cliDb.remove("index.html");
        EXPECT_TRUE(cliDb == cliFile);

        // A folder with no archive at all is enough: every station's measurements, the same CSVs.
        QTemporaryDir empty;
        const Ran alone = cli({"report", empty.path(), "--db", url(), "--out", work.filePath("alone")});
        ASSERT_EQ(alone.exitCode, 0) << qPrintable(alone.err);
        QMap<QString, QByteArray> csvs;
        for (auto it = cliFile.cbegin(); it != cliFile.cend(); ++it) {
            if (it.key().endsWith(".csv"))
                csvs.insert(it.key(), it.value());
        }
        EXPECT_EQ(csvs.size(), 8); // the station never reached has none
        const QMap<QString, QByteArray> aloneFiles = filesOf(work.filePath("alone"));
        for (auto it = csvs.cbegin(); it != csvs.cend(); ++it)
            EXPECT_TRUE(aloneFiles.value(it.key()) == it.value()) << qPrintable(it.key());
        const QByteArray page = aloneFiles.value("stazione-01.html");
        EXPECT_TRUE(page.contains("<th scope=\"col\">Minimum</th>")) << page.left(2000).constData();
        EXPECT_FALSE(page.contains("_archivio.txt")); // no archive here to link
        EXPECT_TRUE(QDir(empty.path()).isEmpty());

        // With rules the database keeps the alerts: the same ones open as the file's, each
        // raised once, and a second report raises nothing again.
        const Ran judged = cli(
            QStringList{"report", empty.path(), "--db", url(), "--out", work.filePath("alone")} + rules());
        ASSERT_EQ(judged.exitCode, 0) << qPrintable(judged.err);
        EXPECT_EQ(judged.err.count("Alert raised"), 8) << qPrintable(judged.err);
        const Ran fileAlertsRun =
            cli(QStringList{"report", dir.path(), "--out", work.filePath("cli-file")} + rules());
        const auto withoutSince = [](const QString& text) {
            QStringList lines = text.split('\n', Qt::SkipEmptyParts);
            for (QString& l : lines)
                l = l.section(QStringLiteral(" since "), 0, 0);
            return lines;
        };
        EXPECT_EQ(withoutSince(judged.out), withoutSince(fileAlertsRun.out));
        EXPECT_EQ(withoutSince(judged.out).size(), 8);
        const Ran again = cli(
            QStringList{"report", empty.path(), "--db", url(), "--out", work.filePath("alone")} + rules());
        ASSERT_EQ(again.exitCode, 0) << qPrintable(again.err);
        EXPECT_FALSE(again.err.contains("Alert")) << qPrintable(again.err);
        EXPECT_EQ(again.out, judged.out);
        EXPECT_TRUE(QDir(empty.path()).isEmpty()); // no allarmi.jsonl beside a database
        // The history of a station's alerts on its page.
        const QByteArray low = filesOf(work.filePath("alone")).value("stazione-02.html");
        EXPECT_TRUE(low.contains("<table id=\"alert-history\">")) << low.left(3000).constData();
    }

    // Two reports judging the same changes at the same moment: each change recorded once and the
    // command run once for it, whichever of the two took it.
    void expectEachChangeOnceBetweenTwoProcesses()
    {
        ASSERT_EQ(cli({"db", "import", dir.path(), "--db", url()}).exitCode, 0);
        QTemporaryDir empty;
        const QString told = work.filePath("told.jsonl");
        const auto race = [&](const QStringList& ruleSet) {
            std::vector<std::unique_ptr<QProcess>> runs;
            for (int i = 0; i < 2; ++i) {
                auto p = std::make_unique<QProcess>();
                p->setProcessEnvironment(QProcessEnvironment::systemEnvironment());
                runs.push_back(std::move(p));
            }
            for (int i = 0; i < 2; ++i)
                runs[size_t(i)]->start(STAZIONE_CLI_PROGRAM,
                                       QStringList{"report", empty.path(), "--db", url(), "--out",
                                                   work.filePath(QStringLiteral("site-%1").arg(i)),
                                                   "--on-alert", "cat >> " + told} +
                                           ruleSet);
            QString err;
            for (auto& p : runs) {
                EXPECT_TRUE(p->waitForFinished(120000));
                EXPECT_EQ(p->exitCode(), 0);
                err += QString::fromUtf8(p->readAllStandardError());
            }
            return err;
        };
        const QString raised = race(rules());
        EXPECT_EQ(raised.count("Alert raised"), 8) << qPrintable(raised);
        QList<QByteArray> lines = readAll(told).trimmed().split('\n');
        EXPECT_EQ(lines.size(), 8) << readAll(told).constData();
        QSet<QString> seen;
        for (const QByteArray& l : lines) {
            const QJsonObject c = QJsonDocument::fromJson(l).object();
            seen.insert(c.value("folder").toString() + c.value("name").toString() +
                        c.value("kind").toString());
        }
        EXPECT_EQ(seen.size(), 8);
        // Every battery is above 5 V: the two battery alerts clear, once each.
        QStringList lower = rules();
        lower[1] = "5";
        const QString cleared = race(lower);
        EXPECT_EQ(cleared.count("Alert cleared"), 2) << qPrintable(cleared);
        EXPECT_FALSE(cleared.contains("Alert raised")) << qPrintable(cleared);
        lines = readAll(told).trimmed().split('\n');
        ASSERT_EQ(lines.size(), 10);
        for (qsizetype i = 8; i < 10; ++i) {
            const QJsonObject c = QJsonDocument::fromJson(lines[i]).object();
            EXPECT_EQ(c.value("state").toString(), "cleared");
            EXPECT_EQ(c.value("kind").toString(), "battery");
        }
        auto database = db::Database::open(url(), db::Access::Read);
        ASSERT_TRUE(database.ok());
        QSqlQuery q((*database)->sql());
        ASSERT_TRUE(q.exec("SELECT COUNT(*), COUNT(cleared) FROM alerts"));
        ASSERT_TRUE(q.next());
        EXPECT_EQ(q.value(0).toInt(), 8);
        EXPECT_EQ(q.value(1).toInt(), 2);
    }

    synthetic::SyntheticNetwork network;
    QTemporaryDir dir;
    QTemporaryDir work;
};

using PostgresNetwork = stazione::testing::OnPostgres<Network>;

} // namespace

TEST_F(Network, TheSameReportFromTheFileAndFromSQLite)
{
    expectTheSameSite();
}

TEST_F(PostgresNetwork, TheSameReportFromTheFileAndFromPostgreSQL)
{
    expectTheSameSite();
}

TEST_F(Network, TwoReportsAtOnceRecordAndTellEachChangeOnceOnSQLite)
{
    expectEachChangeOnceBetweenTwoProcesses();
}

TEST_F(PostgresNetwork, TwoReportsAtOnceRecordAndTellEachChangeOnceOnPostgreSQL)
{
    expectEachChangeOnceBetweenTwoProcesses();
}

// Whatever keeps the database from giving the whole history, the site and the alerts' log stay
// as they were and nothing is printed as an open alert.
TEST_F(Network, ADatabaseThatCannotBeReadWholeBuildsNothing)
{
    const QString site = work.filePath("site");
    ASSERT_EQ(cli(QStringList{"report", dir.path(), "--out", site} + rules()).exitCode, 0);
    const QMap<QString, QByteArray> before = filesOf(site);
    const QByteArray alerts = readAll(dir.filePath("allarmi.jsonl"));
    ASSERT_FALSE(alerts.isEmpty());
    const auto expectNothingBuilt = [&](const QStringList& db, const QString& why) {
        const Ran ran = cli(QStringList{"report", dir.path(), "--out", site} + rules() + db);
        EXPECT_EQ(ran.exitCode, 1) << qPrintable(db.join(' '));
        EXPECT_TRUE(ran.err.contains(why)) << qPrintable(ran.err);
        EXPECT_TRUE(ran.err.contains("no report was built: ")) << qPrintable(ran.err);
        EXPECT_TRUE(ran.out.isEmpty()) << qPrintable(ran.out);
        EXPECT_TRUE(filesOf(site) == before) << qPrintable(db.join(' '));
        EXPECT_EQ(readAll(dir.filePath("allarmi.jsonl")), alerts);
    };

    // No server behind the socket.
    expectNothingBuilt({"--db", "postgresql://stazione@/rete?host=" + work.filePath("no-server")},
                       "cannot be opened");
    // --db alone names DIR/stazione.sqlite, which is not there: it is not made empty.
    expectNothingBuilt({"--db"}, "There is no database");
    EXPECT_FALSE(QFile::exists(dir.filePath("stazione.sqlite")));

    ASSERT_EQ(cli({"db", "import", dir.path(), "--db", url()}).exitCode, 0);
    {
        // A database filled before the stations' directory rows were kept.
        auto database = db::Database::open(url());
        ASSERT_TRUE(database.ok());
        execute(**database, "UPDATE stations SET directory_row = NULL WHERE name = 'Stazione 3'");
    }
    expectNothingBuilt({"--db", url()}, "does not know the directory row of Stazione 3");
    // An import of the data root fills them in.
    ASSERT_EQ(cli({"db", "import", dir.path(), "--db", url()}).exitCode, 0);
    const Ran imported = cli(QStringList{"report", dir.path(), "--out", site, "--db", url()} + rules());
    EXPECT_EQ(imported.exitCode, 0) << qPrintable(imported.err);
    EXPECT_EQ(imported.out.count('\n'), 8) << qPrintable(imported.out);

    {
        auto database = db::Database::open(url());
        ASSERT_TRUE(database.ok());
        execute(**database, "DROP TABLE collections");
    }
    const QMap<QString, QByteArray> rebuilt = filesOf(site);
    const Ran dropped = cli(QStringList{"report", dir.path(), "--out", site, "--db", url()});
    EXPECT_EQ(dropped.exitCode, 1);
    EXPECT_TRUE(dropped.err.contains("The collections cannot be read")) << qPrintable(dropped.err);
    EXPECT_TRUE(filesOf(site) == rebuilt);

    // --db belongs to db, collect and report only.
    EXPECT_EQ(cli({"stations", "--db", url()}).exitCode, 2);
}
