// The database's figures: importing a million archive lines of 70 stations into SQLite and into
// PostgreSQL (a private server started for the run), each beside its floor measured in the same
// run (the same rows into the same tables: SQLite's bare prepared-insert loop in one transaction,
// PostgreSQL's COPY into tables without foreign keys); "db query" of one station's year; one
// channel of 12 stations over a winter through the view "measurements" in plain SQL; the size of
// the stored million lines; and what "collect --db" adds to a station's collection: the store of
// its new lines after the merge.
//
// The collection's own time is measured by stazione-collect-bench against its floor; with --db
// the program stores each station after its call, so its time per station grows by the store
// step measured here. Every floor holds the 21 s the remote logger is given to settle after
// CONNECT, so the step's share of the floor is at most step / 21 s.
//
// The machine is shared: the load average is printed with the figures, and so is the CPU time
// of this process and of the PostgreSQL server's process serving it.
//
//   stazione-db-bench [--lines N] [--channels C] [--only sqlite|postgresql]

#include "db/database.h"
#include "db/store.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <libpq-fe.h>
#include <sqlite3.h>
#include <stdexcept>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

using namespace stazione;

namespace {

// A figure that cannot be measured ends the run (the private server is stopped first).
struct Failed : std::runtime_error {
    using std::runtime_error::runtime_error;
};

[[noreturn]] void failed(const QString& what)
{
    throw Failed(what.toStdString());
}

// The rows the store makes of an archive line, made here straight from the values written: what
// the floors store.
struct Row {
    int station = 0; // from 0, in the order of the stations' folders
    QByteArray text;
    QByteArray time;    // ISO 8601
    QByteArray json;    // SQLite's form of the values
    QByteArray pgArray; // PostgreSQL's
};

void appendShortest(QByteArray& out, double value)
{
    char text[32];
    const auto [end, ec] = std::to_chars(text, text + sizeof text, value);
    out.append(text, ec == std::errc() ? end - text : 0);
}

// A station's archive as the logger writes it: "dd/MM/yyyy hh:mm:ss;v;v;...", every 15 minutes.
// Lines from the `first`-th on are appended, as a collection appends them. With `rows`, the rows
// of each line are kept there.
QString writeArchive(const QString& dir, const QString& station, int lines, int channels, int seed,
                     int first = 0, std::vector<Row>* rows = nullptr, int stationIndex = 0)
{
    QDir().mkpath(QDir(dir).filePath(station));
    QString path = QDir(dir).filePath(station + "/" + station + "_archivio.txt");
    QFile f(path);
    if (!f.open(first > 0 ? QIODevice::Append : QIODevice::WriteOnly))
        failed(path + QStringLiteral(" cannot be written"));
    QByteArray out;
    QDateTime t = QDateTime(QDate(2025, 1, 1), QTime(0, 0)).addSecs(qint64(first) * 900);
    for (int i = first; i < first + lines; ++i) {
        const qsizetype begin = out.size();
        out += t.toString(QStringLiteral("dd/MM/yyyy hh:mm:ss")).toLatin1();
        Row row;
        row.station = stationIndex;
        row.json = "[";
        row.pgArray = "{";
        for (int c = 0; c < channels; ++c) {
            out += ';';
            const double value = double((i * 7 + c * 13 + seed) % 10000) / 8.0;
            out += QByteArray::number(value, 'f', 3);
            if (rows) {
                row.json += c > 0 ? "," : "";
                row.pgArray += c > 0 ? "," : "";
                appendShortest(row.json, value);
                appendShortest(row.pgArray, value);
            }
        }
        if (rows) {
            row.text = out.mid(begin);
            row.time = t.toString(Qt::ISODate).toLatin1();
            row.json += ']';
            row.pgArray += '}';
            rows->push_back(std::move(row));
        }
        out += "\r\n";
        t = t.addSecs(900);
        if (out.size() > (1 << 20)) {
            f.write(out);
            out.clear();
        }
    }
    f.write(out);
    return path;
}

double seconds(const QElapsedTimer& t)
{
    return double(t.nsecsElapsed()) / 1e9;
}

// This process's CPU time: on a machine shared with other work the wall clock says little.
double cpuSeconds()
{
    rusage r{};
    getrusage(RUSAGE_SELF, &r);
    return double(r.ru_utime.tv_sec + r.ru_stime.tv_sec) +
           double(r.ru_utime.tv_usec + r.ru_stime.tv_usec) / 1e6;
}

QByteArray loadAverage()
{
    QFile f(QStringLiteral("/proc/loadavg"));
    if (!f.open(QIODevice::ReadOnly))
        return "unknown";
    return f.readAll().split(' ').mid(0, 3).join(' ');
}

// The CPU time of the server process serving a PostgreSQL connection (it runs on this machine,
// reached through its private socket); 0 for SQLite.
double serverCpuSeconds(db::Database& database)
{
    if (!database.postgres())
        return 0;
    QSqlQuery q(database.sql());
    if (!q.exec(QStringLiteral("SELECT pg_backend_pid()")) || !q.next())
        return 0;
    QFile f(QStringLiteral("/proc/%1/stat").arg(q.value(0).toLongLong()));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray stat = f.readAll();
    // The fields after the command's name, which is in parentheses: utime and stime are the
    // 12th and 13th of them.
    const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return 0;
    return double(fields.at(11).toLongLong() + fields.at(12).toLongLong()) / double(sysconf(_SC_CLK_TCK));
}

std::unique_ptr<db::Database> open(const QString& url)
{
    auto opened = db::Database::open(url);
    if (!opened)
        failed(opened.error().message);
    return std::move(*opened);
}

template<typename Handle> Handle* handleOf(db::Database& database)
{
    return *static_cast<Handle* const*>(database.sql().driver()->handle().constData());
}

void exec(db::Database& database, const QString& sql)
{
    QSqlQuery q(database.sql());
    if (!q.exec(sql))
        failed(sql + ": " + q.lastError().text());
}

// The stations of the network in a database of the floor, ids 1 to `count` in the folders' order.
void addStations(db::Database& database, int count)
{
    for (int s = 0; s < count; ++s)
        exec(database,
             QStringLiteral("INSERT INTO stations (id, name, number, folder) VALUES (%1, 'S%2', '', "
                            "'S%2')")
                 .arg(s + 1)
                 .arg(s, 2, 10, QLatin1Char('0')));
}

// SQLite's floor: the rows bound and stepped through two prepared statements in one transaction.
double sqliteFloor(const QString& url, const std::vector<Row>& rows, int stations)
{
    auto database = open(url);
    addStations(*database, stations);
    sqlite3* handle = handleOf<sqlite3>(*database);
    sqlite3_stmt* lines = nullptr;
    sqlite3_stmt* readings = nullptr;
    sqlite3_prepare_v2(handle, "INSERT INTO lines (station_id, text) VALUES (?1, ?2)", -1, &lines, nullptr);
    sqlite3_prepare_v2(handle, "INSERT INTO readings (station_id, time, vals) VALUES (?1, ?2, ?3)", -1,
                       &readings, nullptr);
    QElapsedTimer t;
    t.start();
    exec(*database, QStringLiteral("BEGIN IMMEDIATE"));
    for (const Row& row : rows) {
        sqlite3_bind_int64(lines, 1, row.station + 1);
        sqlite3_bind_text(lines, 2, row.text.constData(), int(row.text.size()), SQLITE_STATIC);
        const int a = sqlite3_step(lines);
        sqlite3_reset(lines);
        sqlite3_bind_int64(readings, 1, row.station + 1);
        sqlite3_bind_text(readings, 2, row.time.constData(), int(row.time.size()), SQLITE_STATIC);
        sqlite3_bind_text(readings, 3, row.json.constData(), int(row.json.size()), SQLITE_STATIC);
        const int b = sqlite3_step(readings);
        sqlite3_reset(readings);
        if (a != SQLITE_DONE || b != SQLITE_DONE)
            failed(QStringLiteral("the floor's insert failed: ") + sqlite3_errmsg(handle));
    }
    exec(*database, QStringLiteral("COMMIT"));
    const double s = seconds(t);
    sqlite3_finalize(lines);
    sqlite3_finalize(readings);
    return s;
}

void copy(PGconn* connection, const char* sql, const QByteArray& data)
{
    PGresult* result = PQexec(connection, sql);
    const bool open = PQresultStatus(result) == PGRES_COPY_IN;
    PQclear(result);
    bool done = open && PQputCopyData(connection, data.constData(), int(data.size())) == 1 &&
                PQputCopyEnd(connection, nullptr) == 1;
    while ((result = PQgetResult(connection)) != nullptr) {
        done = done && PQresultStatus(result) == PGRES_COMMAND_OK;
        PQclear(result);
    }
    if (!done)
        failed(QStringLiteral("the floor's COPY failed: ") + PQerrorMessage(connection));
}

// PostgreSQL's floor: the rows, in COPY's text form made before the clock starts, sent in chunks
// of the store's size into the same tables without their foreign keys.
double postgresFloor(const QString& url, const std::vector<Row>& rows, int stations)
{
    auto database = open(url);
    addStations(*database, stations);
    exec(*database, QStringLiteral("ALTER TABLE lines DROP CONSTRAINT lines_station"));
    exec(*database, QStringLiteral("ALTER TABLE readings DROP CONSTRAINT readings_station"));
    std::vector<std::pair<QByteArray, QByteArray>> chunks(1);
    for (const Row& row : rows) {
        auto& [lines, readings] = chunks.back();
        const QByteArray id = QByteArray::number(row.station + 1) + '\t';
        lines += id + row.text + '\n';
        readings += id + row.time + '\t' + row.pgArray + '\n';
        if (lines.size() + readings.size() >= (4 << 20))
            chunks.emplace_back();
    }
    PGconn* connection = handleOf<PGconn>(*database);
    QElapsedTimer t;
    t.start();
    exec(*database, QStringLiteral("BEGIN"));
    for (const auto& [lines, readings] : chunks) {
        copy(connection, "COPY lines (station_id, text) FROM STDIN", lines);
        copy(connection, "COPY readings (station_id, time, vals) FROM STDIN", readings);
    }
    exec(*database, QStringLiteral("COMMIT"));
    return seconds(t);
}

// The size of the stored lines: the SQLite database's pages, or PostgreSQL's relations with
// their indexes.
QString sizeOf(db::Database& database)
{
    if (!database.postgres()) {
        // The pages the database has, those still in the journal too.
        QSqlQuery q(database.sql());
        if (!q.exec(QStringLiteral(
                "SELECT page_count * page_size FROM pragma_page_count(), pragma_page_size()")) ||
            !q.next())
            failed(q.lastError().text());
        return QStringLiteral("database %1 MB").arg(q.value(0).toDouble() / 1e6, 0, 'f', 1);
    }
    QStringList parts;
    for (const char* relation : {"lines", "readings", "archive_marks"}) {
        QSqlQuery q(database.sql());
        if (!q.exec(QStringLiteral("SELECT pg_total_relation_size('%1')").arg(QLatin1String(relation))) ||
            !q.next())
            failed(q.lastError().text());
        parts << QStringLiteral("%1 %2 MB")
                     .arg(QLatin1String(relation))
                     .arg(q.value(0).toDouble() / 1e6, 0, 'f', 1);
    }
    return parts.join(QStringLiteral(", "));
}

// The import beside its floor, measured just before it on the same rows.
void importInto(const QString& what, const QString& url, const QString& dir, qint64 lines, double floor)
{
    auto database = open(url);
    const double server = serverCpuSeconds(*database);
    QElapsedTimer t;
    t.start();
    const double cpu = cpuSeconds();
    auto imported = db::importFolder(*database, dir);
    const double s = seconds(t);
    const double used = cpuSeconds() - cpu;
    const double served = serverCpuSeconds(*database) - server;
    if (!imported)
        failed(what + QStringLiteral(": import failed: ") + imported.error().message);
    if (imported->lines != lines)
        failed(what + QStringLiteral(": import failed: not every line stored"));
    QSqlQuery q(database->sql());
    q.exec(QStringLiteral("SELECT COUNT(*) FROM measurements"));
    q.next();
    std::printf(
        "import into %-10s %8lld lines, %9lld values: %6.2f s (%7.0f lines/s); floor %.2f s, ratio "
        "%.2f (target <= 1.30); CPU of this process %.2f s%s; stored: %s (load %s)\n",
        qPrintable(what), (long long)lines, q.value(0).toLongLong(), s, double(lines) / s, floor, s / floor,
        used,
        database->postgres() ? qPrintable(QStringLiteral(", of the server %1 s").arg(served, 0, 'f', 2)) : "",
        qPrintable(sizeOf(*database)), loadAverage().constData());
}

// One channel of 12 stations over a winter, through the view in plain SQL, every row read through
// the database's own client library (as a dashboard reads it).
void winterThroughTheView(const QString& what, const QString& url, double allowed)
{
    auto database = open(url);
    const QByteArray sql = "SELECT station_id, time, value FROM measurements WHERE channel = 3 AND "
                           "station_id IN (SELECT id FROM "
                           "stations ORDER BY id LIMIT 12) AND time >= '2025-01-01' AND time < '2025-03-21' "
                           "ORDER BY station_id, "
                           "time";
    double best = 1e9;
    qint64 rows = 0;
    for (int round = 0; round < 3; ++round) {
        QElapsedTimer t;
        t.start();
        rows = 0;
        qint64 bytes = 0;
        if (database->postgres()) {
            PGresult* result = PQexec(handleOf<PGconn>(*database), sql.constData());
            if (PQresultStatus(result) != PGRES_TUPLES_OK)
                failed(QString::fromUtf8(PQresultErrorMessage(result)));
            rows = PQntuples(result);
            for (int r = 0; r < rows; ++r)
                bytes += PQgetlength(result, r, 2);
            PQclear(result);
        } else {
            sqlite3* handle = handleOf<sqlite3>(*database);
            sqlite3_stmt* statement = nullptr;
            if (sqlite3_prepare_v2(handle, sql.constData(), int(sql.size()), &statement, nullptr) !=
                SQLITE_OK)
                failed(QString::fromUtf8(sqlite3_errmsg(handle)));
            while (sqlite3_step(statement) == SQLITE_ROW) {
                bytes +=
                    sqlite3_column_bytes(statement, 1) + qint64(sqlite3_column_double(statement, 2) >= 0);
                ++rows;
            }
            sqlite3_finalize(statement);
        }
        best = std::min(best, seconds(t));
        if (bytes == 0)
            failed(QStringLiteral("the view gave no values"));
    }
    std::printf("winter of channel 3 of 12 stations through measurements, %-10s %lld rows: %6.0f ms, %.2f of "
                "the %.0f ms allowed (best of 3, load %s)\n",
                qPrintable(what), (long long)rows, best * 1000, best / allowed, allowed * 1000,
                loadAverage().constData());
}

void queryFrom(const QString& what, const QString& url, const QString& station, int lines, int channels,
               double allowed)
{
    auto database = open(url);
    db::QueryOptions options;
    options.station = station;
    double best = 1e9;
    double bestCpu = 1e9;
    qint64 rows = 0;
    for (int round = 0; round < 3; ++round) {
        QBuffer sink;
        sink.open(QIODevice::WriteOnly);
        QElapsedTimer t;
        t.start();
        const double cpu = cpuSeconds();
        auto written = db::queryCsv(*database, options, sink);
        best = std::min(best, seconds(t));
        bestCpu = std::min(bestCpu, cpuSeconds() - cpu);
        if (!written)
            failed(written.error().message);
        rows = *written;
    }
    std::printf(
        "query from %-10s %8lld rows x %d channels of %d lines: %6.0f ms, %.2f of the %.0f ms allowed; "
        "CPU of this process %.0f ms (best of 3, load %s)\n",
        qPrintable(what), (long long)rows, channels, lines, best * 1000, best / allowed, allowed * 1000,
        bestCpu * 1000, loadAverage().constData());
}

// What "collect --db" does after a station's call: find the station, store the archive's new
// lines and the report line, on a database that holds the station's year already.
void storeAfterCollection(const QString& what, const QString& url, const QString& dir, int stored,
                          int records)
{
    const QString archive = writeArchive(dir, QStringLiteral("Anno"), records, 16, 1, stored);
    auto database = open(url);
    const double server = serverCpuSeconds(*database);
    QElapsedTimer t;
    t.start();
    const double cpu = cpuSeconds();
    db::Store store(*database);
    data::StationOutcome outcome;
    outcome.start = QDateTime::currentDateTime();
    outcome.end = outcome.start;
    outcome.name = QStringLiteral("Anno");
    outcome.archive = archive;
    outcome.newLines = records;
    outcome.totalLines = stored + records;
    auto id = store.station(db::stationKey(outcome));
    auto added = id ? store.storeArchive(*id, archive) : link::Result<qint64>(id.error());
    if (!added || *added != records || !store.storeOutcome(outcome))
        failed(what + QStringLiteral(": the store after a collection failed"));
    const double s = seconds(t);
    const double used = cpuSeconds() - cpu;
    const double served = serverCpuSeconds(*database) - server;
    std::printf("collect --db, %-10s a station's %4d new lines stored after its call (%d stored before): "
                "%5.0f ms (CPU %.0f ms%s); at most +%.4f on the ratio to its floor, which holds 21 s of "
                "settling (load %s)\n",
                qPrintable(what), records, stored, s * 1000, used * 1000,
                database->postgres()
                    ? qPrintable(QStringLiteral(", server %1 ms").arg(served * 1000, 0, 'f', 0))
                    : "",
                s / 21.0, loadAverage().constData());
}

QString pgServer(const QString& command, const QString& dir)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start(QStringLiteral(STAZIONE_PG_SERVER), {command, dir});
    if (!p.waitForFinished(120000) || p.exitCode() != 0)
        failed(QStringLiteral("the private PostgreSQL server does not ") + command);
    return dir;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0); // each figure as soon as it is measured
    const QStringList args = app.arguments();
    const auto option = [&](const char* name, int fallback) {
        const qsizetype at = args.indexOf(QLatin1String(name));
        return at > 0 && at + 1 < args.size() ? args.at(at + 1).toInt() : fallback;
    };
    const int total = option("--lines", 1000000);
    const qsizetype onlyAt = args.indexOf(QLatin1String("--only"));
    const QString only = onlyAt > 0 && onlyAt + 1 < args.size() ? args.at(onlyAt + 1) : QString();
    const bool lite = only.isEmpty() || only == QLatin1String("sqlite");
    const bool postgres = only.isEmpty() || only == QLatin1String("postgresql");
    const int channels = option("--channels", 16);
    constexpr int kStations = 70;
    constexpr int kYear = 35000;

    QTemporaryDir work;
    const QString pgDir = QStringLiteral("/tmp/stazione-pg-bench-%1").arg(QCoreApplication::applicationPid());
    bool pgStarted = false;
    try {
        const QString network = work.filePath("rete");
        std::vector<Row> rows;
        rows.reserve(size_t(total));
        for (int s = 0; s < kStations; ++s)
            writeArchive(network, QStringLiteral("S%1").arg(s, 2, 10, QLatin1Char('0')),
                         total / kStations + (s < total % kStations ? 1 : 0), channels, s, 0, &rows, s);
        const QString year = work.filePath("anno");
        writeArchive(year, QStringLiteral("Anno"), kYear, 16, 1);
        std::printf("%d stations, %d lines of %d channels; a year of one station: %d lines of 16 channels\n",
                    kStations, total, channels, kYear);
        std::printf("load average at the start: %s\n", loadAverage().constData());

        const QString liteYear = QStringLiteral("sqlite:") + work.filePath("anno.sqlite");
        if (lite) {
            const double floor =
                sqliteFloor(QStringLiteral("sqlite:") + work.filePath("floor.sqlite"), rows, kStations);
            QFile::remove(work.filePath("floor.sqlite"));
            importInto(QStringLiteral("SQLite"), QStringLiteral("sqlite:") + work.filePath("rete.sqlite"),
                       network, total, floor);
            winterThroughTheView(QStringLiteral("SQLite"),
                                 QStringLiteral("sqlite:") + work.filePath("rete.sqlite"), 0.2);
            if (!db::importFolder(*open(liteYear), year))
                failed(QStringLiteral("the year cannot be imported"));
            queryFrom(QStringLiteral("SQLite"), liteYear, QStringLiteral("Anno"), kYear, 16, 0.05);
        }
        const QString pgYear = QStringLiteral("postgresql://stazione@/anno?host=") + pgDir;
        if (postgres) {
            pgServer(QStringLiteral("start"), pgDir);
            pgStarted = true;
            {
                auto admin = open(QStringLiteral("postgresql://stazione@/postgres?host=") + pgDir);
                for (const char* name : {"rete", "anno", "floor"})
                    exec(*admin, QStringLiteral("CREATE DATABASE ") + QLatin1String(name));
            }
            const double floor =
                postgresFloor(QStringLiteral("postgresql://stazione@/floor?host=") + pgDir, rows, kStations);
            importInto(QStringLiteral("PostgreSQL"),
                       QStringLiteral("postgresql://stazione@/rete?host=") + pgDir, network, total, floor);
            winterThroughTheView(QStringLiteral("PostgreSQL"),
                                 QStringLiteral("postgresql://stazione@/rete?host=") + pgDir, 0.2);
            if (!db::importFolder(*open(pgYear), year))
                failed(QStringLiteral("the year cannot be imported"));
            queryFrom(QStringLiteral("PostgreSQL"), pgYear, QStringLiteral("Anno"), kYear, 16, 0.1);
        }
        rows = {};
        // The two archive sizes of stazione-collect-bench's stations, 120 and 1000 records, after
        // the year each database holds; the second store finds the first one's lines.
        const QString liteAfter = work.filePath("anno-sqlite");
        const QString pgAfter = work.filePath("anno-postgresql");
        for (const QString& copy : {liteAfter, pgAfter}) {
            QDir().mkpath(copy + "/Anno");
            QFile::copy(year + "/Anno/Anno_archivio.txt", copy + "/Anno/Anno_archivio.txt");
        }
        int stored = kYear;
        for (const int records : {120, 1000}) {
            if (lite)
                storeAfterCollection(QStringLiteral("SQLite"), liteYear, liteAfter, stored, records);
            if (postgres)
                storeAfterCollection(QStringLiteral("PostgreSQL"), pgYear, pgAfter, stored, records);
            stored += records;
        }
    } catch (const Failed& failure) {
        std::fprintf(stderr, "stazione-db-bench: %s\n", failure.what());
        try {
            if (pgStarted)
                pgServer(QStringLiteral("stop"), pgDir);
        } catch (const Failed& stop) {
            std::fprintf(stderr, "stazione-db-bench: %s\n", stop.what());
        }
        return 1;
    }
    if (pgStarted)
        pgServer(QStringLiteral("stop"), pgDir);
    std::printf("load average at the end: %s\n", loadAverage().constData());
    return 0;
}
