// A station is one station by its folder: in the network read from the report and from the
// database, in the alerts' log and in the pages. Two directory rows of one name, a row given to
// another station and two PCs whose directories number their stations alike never merge two
// stations; a database of an earlier schema is brought up to date with its rows kept.

#include "data/file_names.h"
#include "db/database.h"
#include "db/history.h"
#include "db/store.h"
#include "network/alerts.h"
#include "network/archive.h"
#include "network/data_root.h"
#include "network/network_status.h"
#include "network/outcome_fields.h"
#include "network/site_report.h"
#include "support/cli_run.h"
#include "support/postgres_test_db.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTimeZone>
#include <QUuid>

#include <gtest/gtest.h>
#include <map>

using namespace stazione;

namespace {

using Ran = stazione::testing::CliRun;

Ran cli(const QStringList& arguments)
{
    return stazione::testing::runCli(arguments);
}

bool execute(db::Database& database, const QString& sql)
{
    QSqlQuery q(database.sql());
    const bool done = q.exec(sql);
    EXPECT_TRUE(done) << qPrintable(q.lastError().text()) << ' ' << qPrintable(sql);
    return done;
}

// A report line as a collection writes it; the archive and the file only when the call got that
// far, the folder always (as collect names it from the directory).
struct Line {
    QString start;
    int row = 0;
    QString name;
    QString result = QStringLiteral("ok");
    double battery = 12.5;
    QString folder;
    bool archived = true;
};

void append(const QString& dir, const Line& l)
{
    QJsonObject j{
        {"start", l.start},
        {"end", l.start},
        {"station", l.row},
        {"name", l.name},
        {"number", QString::number(100 + l.row)},
        {"result", l.result},
        {"attempts", 1},
        {"new_lines", l.archived ? 2 : 0},
        {"total_lines", l.archived ? 2 : 0},
        {"complete", l.archived},
        {"battery", l.archived ? QJsonValue(l.battery) : QJsonValue()},
        {"clock_corrected", false},
        {"error", l.archived ? QString() : QStringLiteral("NO CARRIER")},
        {"file", QString()},
        {"archive", l.archived ? QDir(QDir(dir).filePath(l.folder)).filePath(data::archiveFileName(l.folder))
                               : QString()},
        {"folder", l.folder}};
    if (l.archived) {
        QDir().mkpath(QDir(dir).filePath(l.folder));
        QFile archive(QDir(QDir(dir).filePath(l.folder)).filePath(data::archiveFileName(l.folder)));
        ASSERT_TRUE(archive.open(QIODevice::WriteOnly | QIODevice::Truncate));
        archive.write("01/12/26 10:00:00, 001.00\r\n01/12/26 10:10:00, 002.00\r\n");
    }
    QFile report(QDir(dir).filePath(data::kReportFileName));
    ASSERT_TRUE(report.open(QIODevice::Append));
    report.write(QJsonDocument(j).toJson(QJsonDocument::Compact) + '\n');
}

// The stations of a network by their latest name: the calls each holds, and its battery readings.
QMap<QString, std::vector<double>> batteries(const data::Network& n)
{
    QMap<QString, std::vector<double>> out;
    for (const data::StationHistory& s : n.stations) {
        std::vector<double>& b = out[s.name];
        for (const data::Call& c : s.calls)
            b.push_back(c.battery.value_or(-1));
    }
    return out;
}

QStringList stationPages(const QString& site)
{
    return QDir(site).entryList({"stazione-*.html", "cavo-*.html"}, QDir::Files, QDir::Name);
}

class Identity : public ::testing::Test {
protected:
    virtual QString url() { return QStringLiteral("sqlite:") + work.filePath("rete.sqlite"); }

    // The network the database gives for the data root `dir`, after `db import` of each root.
    data::Network fromDatabase(const QStringList& roots, const QString& dir)
    {
        for (const QString& root : roots) {
            const Ran imported = cli({"db", "import", root, "--db", url()});
            EXPECT_EQ(imported.exitCode, 0) << qPrintable(imported.err);
        }
        auto database = db::Database::open(url());
        EXPECT_TRUE(database.ok()) << qPrintable(database ? QString() : database.error().message);
        if (!database)
            return {};
        auto network = db::readNetwork(**database, dir);
        EXPECT_TRUE(network.ok()) << qPrintable(network ? QString() : network.error().message);
        return network ? *network : data::Network();
    }

    // Rows 3 and 5 of one name: collect gives them the folders A_3 and A_5; row 5 never answers.
    void twoRowsOfOneName()
    {
        const QString dir = root.path();
        append(dir, {"2026-12-01T02:00:00", 3, "A", "ok", 12.5, "A_3"});
        append(dir, {"2026-12-01T02:01:00", 5, "A", "no-carrier", 0, "A_5", false});
        append(dir, {"2026-12-02T02:00:00", 3, "A", "ok", 12.4, "A_3"});
        append(dir, {"2026-12-02T02:01:00", 5, "A", "no-carrier", 0, "A_5", false});

        const auto file = data::readNetwork(QDir(dir).filePath(data::kReportFileName));
        ASSERT_TRUE(file.ok());
        const data::Network stored = fromDatabase({dir}, dir);
        for (const data::Network* n : {&*file, &stored}) {
            ASSERT_EQ(n->stations.size(), 2u);
            const data::StationHistory& a3 = n->stations[0];
            const data::StationHistory& a5 = n->stations[1];
            EXPECT_EQ(a3.row, 3);
            EXPECT_EQ(a5.row, 5);
            ASSERT_EQ(a3.calls.size(), 2u);
            ASSERT_EQ(a5.calls.size(), 2u);
            EXPECT_TRUE(a3.calls[0].ok() && a3.calls[1].ok());
            EXPECT_FALSE(a5.calls[0].ok() || a5.calls[1].ok());
            EXPECT_TRUE(a3.archive.endsWith("/A_3/A_3_archivio.txt")) << qPrintable(a3.archive);
            // Row 5 has no archive: its page charts nobody else's.
            EXPECT_FALSE(a5.archive.contains("A_3")) << qPrintable(a5.archive);
            EXPECT_NE(a3.key(), a5.key());
        }

        // The report from the database: a page for each, and the failures are row 5's alone.
        const QString site = work.filePath("site");
        const Ran report =
            cli({"report", dir, "--db", url(), "--out", site, "--alert-failures", "2", "--json"});
        ASSERT_EQ(report.exitCode, 0) << qPrintable(report.err);
        EXPECT_EQ(stationPages(site), (QStringList{"stazione-03.html", "stazione-05.html"}));
        const QJsonObject alert = QJsonDocument::fromJson(report.out.section('\n', 0, 0).toUtf8()).object();
        EXPECT_EQ(alert.value("station").toInt(), 5) << qPrintable(report.out);
        EXPECT_EQ(report.out.trimmed().count('\n'), 0) << qPrintable(report.out);
    }

    // PC 1: Alfa row 1, Beta row 2; PC 2: Zeta row 1, Eta row 2; one database.
    void twoPcsOneDatabase()
    {
        QTemporaryDir second;
        const QString pc1 = root.path();
        const QString pc2 = second.path();
        append(pc1, {"2026-12-01T02:00:00", 1, "Alfa", "ok", 12.1, "Alfa"});
        append(pc1, {"2026-12-01T02:01:00", 2, "Beta", "ok", 12.2, "Beta"});
        append(pc2, {"2026-12-01T03:00:00", 1, "Zeta", "ok", 11.1, "Zeta"});
        append(pc2, {"2026-12-01T03:01:00", 2, "Eta", "ok", 11.2, "Eta"});
        append(pc1, {"2026-12-02T02:00:00", 1, "Alfa", "ok", 12.0, "Alfa"});

        const data::Network n = fromDatabase({pc1, pc2}, pc1);
        const QMap<QString, std::vector<double>> expected{
            {"Alfa", {12.1, 12.0}}, {"Beta", {12.2}}, {"Zeta", {11.1}}, {"Eta", {11.2}}};
        EXPECT_EQ(batteries(n), expected);
        const QString site = work.filePath("shared-site");
        const Ran report = cli({"report", pc1, "--db", url(), "--out", site});
        ASSERT_EQ(report.exitCode, 0) << qPrintable(report.err);
        EXPECT_EQ(stationPages(site).size(), 4) << qPrintable(stationPages(site).join(' '));
    }

    QTemporaryDir root;
    QTemporaryDir work;
};

using PostgresIdentity = stazione::testing::OnPostgres<Identity>;

} // namespace

TEST_F(Identity, TwoRowsOfOneNameAreTwoStationsInTheReportAndInSQLite)
{
    twoRowsOfOneName();
}

TEST_F(PostgresIdentity, TwoRowsOfOneNameAreTwoStationsInPostgreSQL)
{
    twoRowsOfOneName();
}

TEST_F(Identity, TwoPcsNumberingTheirStationsAlikeAreFourStationsInSQLite)
{
    twoPcsOneDatabase();
}

TEST_F(PostgresIdentity, TwoPcsNumberingTheirStationsAlikeAreFourStationsInPostgreSQL)
{
    twoPcsOneDatabase();
}

// Row 1 was Alfa and is given to Gamma: Gamma gets neither Alfa's calls nor its open alert, and
// raises its own; a page each.
TEST_F(Identity, ARowGivenToAnotherStationHandsNothingOn)
{
    const QString dir = root.path();
    append(dir, {"2026-12-01T02:00:00", 1, "Alfa", "ok", 10.5, "Alfa"});
    const QString site = work.filePath("site");
    const QStringList rules{"--alert-battery", "11", "--out", site};
    ASSERT_EQ(cli(QStringList{"report", dir} + rules).exitCode, 0);
    append(dir, {"2026-12-02T02:00:00", 1, "Gamma", "ok", 10.8, "Gamma"});
    append(dir, {"2026-12-03T02:00:00", 1, "Gamma", "ok", 10.7, "Gamma"});
    const Ran second = cli(QStringList{"report", dir, "--json"} + rules);
    ASSERT_EQ(second.exitCode, 0) << qPrintable(second.err);

    auto n = data::readNetwork(QDir(dir).filePath(data::kReportFileName));
    ASSERT_TRUE(n.ok());
    const QMap<QString, std::vector<double>> expected{{"Alfa", {10.5}}, {"Gamma", {10.8, 10.7}}};
    EXPECT_EQ(batteries(*n), expected);
    // Alfa's alert stays Alfa's; Gamma's is raised for Gamma.
    QFile log(QDir(dir).filePath(data::kAlertsFileName));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    QStringList raised;
    for (const QByteArray& line : log.readAll().split('\n')) {
        const QJsonObject j = QJsonDocument::fromJson(line).object();
        if (j.value("state").toString() == "raised")
            raised << j.value("name").toString() + "=" + QString::number(j.value("value").toDouble());
    }
    EXPECT_EQ(raised, (QStringList{"Alfa=10.5", "Gamma=10.7"}));
    EXPECT_EQ(second.out.trimmed().count('\n'), 1) << qPrintable(second.out); // two open
    EXPECT_EQ(stationPages(site).size(), 2) << qPrintable(stationPages(site).join(' '));
    // The same from the database.
    const data::Network stored = fromDatabase({dir}, dir);
    EXPECT_EQ(batteries(stored), expected);
}

// An alert of an earlier version names only the row: it stays the alert of the station that had
// the row when it was raised, and a call of that station clears it.
TEST_F(Identity, AnAlertOfAnEarlierVersionStaysWithTheStationOfItsTime)
{
    const QString dir = root.path();
    append(dir, {"2026-12-01T02:00:00", 1, "Alfa", "ok", 10.5, "Alfa"});
    append(dir, {"2026-12-02T02:00:00", 1, "Gamma", "ok", 12.8, "Gamma"});
    QFile log(QDir(dir).filePath(data::kAlertsFileName));
    ASSERT_TRUE(log.open(QIODevice::WriteOnly));
    log.write(R"({"time":"2026-12-01T02:05:00","station":1,"name":"Alfa","kind":"battery","state":"raised",)"
              R"("value":10.5,"threshold":11})"
              "\n");
    log.close();
    auto n = data::readNetwork(QDir(dir).filePath(data::kReportFileName));
    ASSERT_TRUE(n.ok());
    data::AlertRules rules;
    rules.battery = 11;
    auto update = data::updateAlerts(log.fileName(), *n, rules, QDateTime(QDate(2026, 12, 3), QTime(2, 0)));
    ASSERT_TRUE(update.ok());
    // Gamma's good battery clears nothing of Alfa's, whose alert stays open.
    EXPECT_TRUE(update->changes.empty());
    ASSERT_EQ(update->open.size(), 1u);
    EXPECT_EQ(update->open[0].name, "Alfa");
    const auto alfa = std::find_if(n->stations.begin(), n->stations.end(),
                                   [](const data::StationHistory& s) { return s.name == "Alfa"; });
    ASSERT_NE(alfa, n->stations.end());
    EXPECT_EQ(update->open[0].key, alfa->key());
}

// Report lines of an earlier version name no folder: a failed call belongs to the folder its row
// had then (a station's failures in a row are counted as before).
TEST_F(Identity, FailedCallsOfAnEarlierReportStayWithTheirRowsStation)
{
    const QString dir = root.path();
    QFile report(QDir(dir).filePath(data::kReportFileName));
    ASSERT_TRUE(report.open(QIODevice::WriteOnly));
    const QString archive = QDir(dir).filePath("Pozzo/Pozzo_archivio.txt");
    report.write(
        QStringLiteral(R"({"start":"2026-12-01T02:00:00","station":4,"name":"Pozzo","result":"busy",)"
                       R"("archive":""})"
                       "\n"
                       R"({"start":"2026-12-02T02:00:00","station":4,"name":"Pozzo","result":"ok",)"
                       R"("new_lines":2,"archive":"%1"})"
                       "\n"
                       R"({"start":"2026-12-03T02:00:00","station":4,"name":"Pozzo","result":"busy",)"
                       R"("archive":""})"
                       "\n")
            .arg(archive)
            .toUtf8());
    report.close();
    auto n = data::readNetwork(report.fileName());
    ASSERT_TRUE(n.ok());
    ASSERT_EQ(n->stations.size(), 1u);
    EXPECT_EQ(n->stations[0].calls.size(), 3u);
    EXPECT_EQ(n->stations[0].archive, archive);
}

// The names the program writes in a data root are no station's folder; every other name keeps
// the folder it had.
TEST(ReservedNames, AreNoStationsFolder)
{
    for (const QString name :
         {"sito", "SITO", "raccolta.jsonl", "allarmi.jsonl", "stazione.sqlite", "stazione.sqlite-wal",
          "stazione.sqlite-journal", "raccolta.jsonl.lock", ".sito.nuovo-123-0", ".sito.nuovo-123-0.old",
          ".stazione-sito", "raccolta.jsonl.part"}) {
        const QString folder = data::safeFolderName(name, 7);
        EXPECT_EQ(folder, "stazione_7_" + name) << qPrintable(name);
        EXPECT_FALSE(data::reservedInDataRoot(folder)) << qPrintable(folder);
    }
    for (const QString name :
         {"Sito Nord", "sitoA", "raccolta", "allarmi", "stazione", "Pozzo 1", ".Alfa", "x.part"})
        EXPECT_EQ(data::safeFolderName(name, 7), name) << qPrintable(name);
    EXPECT_EQ(data::safeFolderName("sito", 0), "stazione_0_sito"); // the logger on the cable
}

// The columns of a table, in their order.
QStringList columnsOf(db::Database& d, const QString& table)
{
    QSqlQuery q(d.sql());
    const QString sql =
        d.postgres()
            ? QStringLiteral("SELECT column_name FROM information_schema.columns WHERE table_name = '%1' "
                             "AND table_schema = current_schema() ORDER BY ordinal_position")
            : QStringLiteral("SELECT name FROM pragma_table_info('%1') ORDER BY cid");
    EXPECT_TRUE(q.exec(sql.arg(table))) << qPrintable(q.lastError().text());
    QStringList names;
    while (q.next())
        names << q.value(0).toString();
    return names;
}

// A database made by the first version that kept one (the tables as it created them, written out
// here as it wrote them) is brought to the current version with its rows kept: the same columns,
// in the same order, as a database made new, and filled as any other.
void migratesFromVersion1(const QString& url)
{
    const QStringList tables{"stations",     "collections",   "lines",  "readings",
                             "measurements", "archive_marks", "alerts", "sensors"};
    std::map<QString, QStringList> fresh;
    {
        auto opened = db::Database::open(url);
        ASSERT_TRUE(opened.ok()) << qPrintable(opened ? QString() : opened.error().message);
        db::Database& d = **opened;
        for (const QString& table : tables)
            fresh[table] = columnsOf(d, table);
        const QString id = d.postgres() ? "BIGSERIAL PRIMARY KEY" : "INTEGER PRIMARY KEY";
        const QString keyed = d.postgres() ? "" : " WITHOUT ROWID";
        for (const char* statement : {"DROP TABLE sensors", "DROP TABLE alerts", "DROP VIEW measurements",
                                      "DROP TABLE channel_numbers", "DROP TABLE archive_marks",
                                      "DROP TABLE readings", "DROP TABLE lines", "DROP TABLE collections",
                                      "DROP TABLE stations", "DROP TABLE schema_version"})
            ASSERT_TRUE(execute(d, statement));
        for (const QString& statement : {
                 QStringLiteral("CREATE TABLE schema_version (version INTEGER NOT NULL)"),
                 QStringLiteral("INSERT INTO schema_version (version) VALUES (1)"),
                 QStringLiteral("CREATE TABLE stations (id %1, name TEXT NOT NULL, number TEXT NOT NULL "
                                "DEFAULT '', folder TEXT UNIQUE)")
                     .arg(id),
                 QStringLiteral(
                     "CREATE TABLE collections (id %1, station_id BIGINT REFERENCES stations(id), "
                     "started TEXT NOT NULL, ended TEXT NOT NULL, result TEXT NOT NULL, attempts "
                     "INTEGER NOT NULL, new_lines BIGINT NOT NULL, total_lines BIGINT NOT NULL, "
                     "complete SMALLINT NOT NULL, battery DOUBLE PRECISION, memory_possible BIGINT, "
                     "memory_available BIGINT, clock_drift_s BIGINT, clock_corrected SMALLINT NOT "
                     "NULL, error TEXT NOT NULL)")
                     .arg(id),
                 QStringLiteral("CREATE UNIQUE INDEX collections_once ON collections (COALESCE(station_id, "
                                "0), started, ended, result)"),
                 QStringLiteral("CREATE TABLE lines (station_id BIGINT NOT NULL REFERENCES stations(id), seq "
                                "BIGINT NOT NULL, text TEXT NOT NULL, PRIMARY KEY (station_id, seq))%1")
                     .arg(keyed),
                 QStringLiteral("CREATE TABLE measurements (station_id BIGINT NOT NULL REFERENCES "
                                "stations(id), time TEXT NOT NULL, channel INTEGER NOT NULL, value DOUBLE "
                                "PRECISION NOT NULL, PRIMARY KEY (station_id, time, channel))%1")
                     .arg(keyed),
                 QStringLiteral(
                     "INSERT INTO stations (name, number, folder) VALUES ('Vecchia', '123', 'Vecchia')"),
                 QStringLiteral(
                     "INSERT INTO lines (station_id, seq, text) SELECT id, 1, 'riga' FROM stations"),
                 QStringLiteral("INSERT INTO measurements (station_id, time, channel, value) SELECT id, "
                                "'2026-01-05T10:00:00', 1, 2.5 FROM stations"),
                 QStringLiteral(
                     "INSERT INTO collections (station_id, started, ended, result, attempts, "
                     "new_lines, total_lines, complete, battery, memory_possible, memory_available, "
                     "clock_drift_s, clock_corrected, error) SELECT id, '2026-01-05T10:00:00+01:00', "
                     "'2026-01-05T10:02:00+01:00', 'ok', 1, 1, 1, 1, 12.5, 100, 90, 3, 0, '' FROM "
                     "stations"),
             })
            ASSERT_TRUE(execute(d, statement)) << qPrintable(statement);
    }
    {
        auto opened = db::Database::open(url);
        ASSERT_TRUE(opened.ok()) << qPrintable(opened ? QString() : opened.error().message);
        db::Database& d = **opened;
        for (const QString& table : tables)
            EXPECT_EQ(columnsOf(d, table), fresh[table]) << qPrintable(table);
        QSqlQuery q(d.sql());
        ASSERT_TRUE(q.exec("SELECT version FROM schema_version"));
        ASSERT_TRUE(q.next());
        EXPECT_EQ(q.value(0).toInt(), db::kSchemaVersion);
        EXPECT_FALSE(q.next());
        ASSERT_TRUE(q.exec(
            "SELECT s.name, s.folder, s.directory_row, l.text, c.battery, c.memory_available FROM "
            "stations s JOIN lines l ON l.station_id = s.id JOIN collections c ON c.station_id = s.id"));
        ASSERT_TRUE(q.next());
        EXPECT_EQ(q.value(0).toString(), "Vecchia");
        EXPECT_EQ(q.value(1).toString(), "Vecchia");
        EXPECT_TRUE(q.isNull(2)); // not known until an import tells it
        EXPECT_EQ(q.value(3).toString(), "riga");
        EXPECT_EQ(q.value(4).toDouble(), 12.5);
        EXPECT_EQ(q.value(5).toLongLong(), 90);
        EXPECT_FALSE(q.next());
        // The value is the reading's, channel 0 a gap.
        ASSERT_TRUE(q.exec("SELECT channel, value FROM measurements"));
        ASSERT_TRUE(q.next());
        EXPECT_EQ(q.value(0).toInt(), 1);
        EXPECT_EQ(q.value(1).toDouble(), 2.5);
        EXPECT_FALSE(q.next());
    }
    // A second opening finds nothing to do.
    auto again = db::Database::open(url);
    ASSERT_TRUE(again.ok()) << qPrintable(again ? QString() : again.error().message);
    EXPECT_EQ(columnsOf(**again, "stations"), fresh["stations"]);
}

TEST_F(Identity, ADatabaseOfSchemaVersion1IsMigratedWithItsRows)
{
    migratesFromVersion1(url());
}

TEST_F(PostgresIdentity, ADatabaseOfSchemaVersion1IsMigratedWithItsRowsOnPostgreSQL)
{
    migratesFromVersion1(url());
}

namespace {

// An outcome with every field away from its default.
data::StationOutcome everyField()
{
    data::StationOutcome o;
    o.start = QDateTime(QDate(2026, 3, 29), QTime(1, 59, 58), QTimeZone(3600));
    o.end = QDateTime(QDate(2026, 3, 29), QTime(3, 1, 2), QTimeZone(7200));
    o.row = 17;
    o.name = "Frana \"Ovest\" è";
    o.number = "+39 0461 123456";
    o.result = data::CollectResult::ClockRefused;
    o.attempts = 3;
    o.newLines = 123456789012;
    o.totalLines = 223456789012;
    o.complete = true;
    o.battery = "12.47";
    o.memoryPossible = "9007199254740993"; // past a double's exact integers
    o.memoryAvailable = "0";
    o.clockDrift = -3601;
    o.clockCorrected = true;
    o.error = "Il logger ha rifiutato l'orologio";
    o.folder = "Frana_Ovest";
    o.file = "Frana_Ovest/20260329.txt";
    o.archive = "Frana_Ovest/Frana_Ovest.txt";
    o.repairedTail = "kept";
    o.memoryChange = "overwritten";
    o.unendedLine = true;
    o.reportError = "disk full";
    o.sensorsError = "The channels' names could not be read: no answer";
    o.sensors = data::StationSensors{.read = QDateTime::fromString("2026-12-05T03:10:00+01:00", Qt::ISODate),
                                     .channels = {{.channel = 0,
                                                   .name = " P1 ",
                                                   .zeroVolts = "0",
                                                   .fullVolts = "2.5",
                                                   .zeroValue = "0",
                                                   .fullValue = "35"},
                                                  {.channel = 1,
                                                   .name = "Livello, \"cisterna\"",
                                                   .zeroVolts = "0.2",
                                                   .fullVolts = "1",
                                                   .zeroValue = "-1",
                                                   .fullValue = "1"}}};
    return o;
}

// The field as the report and the database see it: equal outcomes write it alike.
QString shown(const data::OutcomeField& f, const data::StationOutcome& o)
{
    QJsonObject line;
    data::writeField(f, o, line);
    return QString::fromUtf8(QJsonDocument(line).toJson(QJsonDocument::Compact)) + ' ' +
           data::sqlValue(f, o).toString();
}

// Every stored field goes into the database and comes back as it went in.
void everyFieldComesBackFromTheDatabase(const QString& url)
{
    const data::StationOutcome o = everyField();
    auto opened = db::Database::open(url);
    ASSERT_TRUE(opened.ok()) << qPrintable(opened ? QString() : opened.error().message);
    db::Store store(**opened);
    auto stored = store.storeOutcome(o);
    ASSERT_TRUE(stored.ok()) << qPrintable(stored ? QString() : stored.error().message);
    EXPECT_TRUE(*stored);
    auto network = db::readNetwork(**opened, "/dati");
    ASSERT_TRUE(network.ok()) << qPrintable(network ? QString() : network.error().message);
    ASSERT_EQ(network->stations.size(), 1u);
    ASSERT_EQ(network->stations[0].calls.size(), 1u);
    const data::Call& call = network->stations[0].calls[0];
    EXPECT_EQ(call.result, "clock-refused");
    EXPECT_EQ(call.battery, 12.47);
    int compared = 0;
    for (const data::OutcomeField& f : data::kOutcomeFields) {
        if (f.stored == data::StoredIn::ReportOnly)
            continue;
        ++compared;
        EXPECT_EQ(shown(f, call.outcome), shown(f, o)) << f.key;
    }
    EXPECT_GE(compared, 16);
    // The archive is the station folder's, under the data root the history is read for.
    EXPECT_EQ(call.outcome.archive, "/dati/Frana_Ovest/" + data::archiveFileName("Frana_Ovest"));

    // The channels' names, and only a newer read replaces them: an older report line imported
    // later, or one with fewer channels, leaves them as they are.
    const auto storedSensors = [&] {
        auto all = db::readSensorsByFolder(**opened);
        EXPECT_TRUE(all.ok());
        return all && all->count("Frana_Ovest") ? all->at("Frana_Ovest") : data::StationSensors{};
    };
    EXPECT_EQ(storedSensors(), *o.sensors);
    data::StationOutcome older = o;
    older.start = older.start.addDays(-10);
    older.sensors->read = older.sensors->read.addDays(-10);
    older.sensors->channels.resize(1);
    older.sensors->channels[0].name = "Vecchio";
    ASSERT_TRUE(store.storeOutcome(older).ok());
    EXPECT_EQ(storedSensors(), *o.sensors);
    data::StationOutcome newer = o;
    newer.start = newer.start.addDays(1);
    newer.sensors->read = newer.sensors->read.addDays(1);
    newer.sensors->channels.resize(1);
    newer.sensors->channels[0].name = "Nuovo";
    ASSERT_TRUE(store.storeOutcome(newer).ok());
    EXPECT_EQ(storedSensors(), *newer.sensors);
}

} // namespace

TEST(OutcomeFields, EveryFieldComesBackFromAReportLine)
{
    const data::StationOutcome o = everyField();
    const QJsonObject line = data::toJson(o);
    const data::StationOutcome back = data::outcomeFromJson(line);
    QStringList keys;
    for (const data::OutcomeField& f : data::kOutcomeFields) {
        EXPECT_EQ(shown(f, back), shown(f, o)) << f.key;
        EXPECT_TRUE(line.contains(QLatin1String(f.key))) << f.key;
        keys << QLatin1String(f.key);
    }
    // One key a field, and no key without a field but the channels' names read.
    EXPECT_EQ(QSet<QString>(keys.begin(), keys.end()).size(), keys.size());
    EXPECT_EQ(line.size(), keys.size() + 1);
    ASSERT_TRUE(back.sensors.has_value());
    EXPECT_EQ(*back.sensors, *o.sensors);
    EXPECT_FALSE(data::toJson(data::StationOutcome{}).contains("sensors"));
    // A field that was not set is left out or null, and reads back as not set.
    const QJsonObject bare = data::toJson(data::StationOutcome{});
    for (const char* optional :
         {"repaired_tail", "memory_change", "unended_line", "report_error", "sensors_error"})
        EXPECT_FALSE(bare.contains(QLatin1String(optional))) << optional;
    for (const char* none : {"battery", "memory_possible", "memory_available", "clock_drift_s"})
        EXPECT_TRUE(bare.value(QLatin1String(none)).isNull()) << none;
}

TEST_F(Identity, EveryFieldComesBackFromSQLite)
{
    everyFieldComesBackFromTheDatabase(url());
}

TEST_F(PostgresIdentity, EveryFieldComesBackFromPostgreSQL)
{
    everyFieldComesBackFromTheDatabase(url());
}
