// The database's figures: importing a million archive lines of 70 stations into SQLite and into
// PostgreSQL (a private server started for the run), "db query" of one station's year, and what
// "collect --db" adds to a station's collection: the store of its new lines after the merge.
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
#include <QSqlQuery>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <sys/resource.h>
#include <unistd.h>

using namespace stazione;

namespace {

// A station's archive as the logger writes it: "dd/MM/yyyy hh:mm:ss;v;v;...", every 15 minutes.
// Lines from the `first`-th on are appended, as a collection appends them.
QString writeArchive(const QString& dir, const QString& station, int lines, int channels, int seed,
                     int first = 0)
{
    QDir().mkpath(QDir(dir).filePath(station));
    QString path = QDir(dir).filePath(station + "/" + station + "_archivio.txt");
    QFile f(path);
    if (!f.open(first > 0 ? QIODevice::Append : QIODevice::WriteOnly))
        std::exit(1);
    QByteArray out;
    QDateTime t = QDateTime(QDate(2025, 1, 1), QTime(0, 0)).addSecs(qint64(first) * 900);
    for (int i = first; i < first + lines; ++i) {
        out += t.toString(QStringLiteral("dd/MM/yyyy hh:mm:ss")).toLatin1();
        for (int c = 0; c < channels; ++c) {
            out += ';';
            out += QByteArray::number(double((i * 7 + c * 13 + seed) % 10000) / 8.0, 'f', 3);
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
    if (!opened) {
        std::fprintf(stderr, "%s\n", qPrintable(opened.error().message));
        std::exit(1);
    }
    return std::move(*opened);
}

void importInto(const QString& what, const QString& url, const QString& dir, qint64 lines, double target)
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
    if (!imported || imported->lines != lines) {
        std::fprintf(stderr, "%s: import failed: %s\n", qPrintable(what),
                     imported ? "not every line stored" : qPrintable(imported.error().message));
        std::exit(1);
    }
    QSqlQuery q(database->sql());
    q.exec(QStringLiteral("SELECT COUNT(*) FROM measurements"));
    q.next();
    std::printf(
        "import into %-10s %8lld lines, %9lld values: %6.2f s (%7.0f lines/s), %.2f of the %.0f s "
        "allowed; CPU of this process %.2f s%s (load %s)\n",
        qPrintable(what), (long long)lines, q.value(0).toLongLong(), s, double(lines) / s, s / target, target,
        used,
        database->postgres() ? qPrintable(QStringLiteral(", of the server %1 s").arg(served, 0, 'f', 2)) : "",
        loadAverage().constData());
}

void queryFrom(const QString& what, const QString& url, const QString& station, int lines, int channels)
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
        if (!written) {
            std::fprintf(stderr, "%s\n", qPrintable(written.error().message));
            std::exit(1);
        }
        rows = *written;
    }
    std::printf(
        "query from %-10s %8lld rows x %d channels of %d lines: %6.0f ms, %.2f of the 200 ms allowed; "
        "CPU of this process %.0f ms (best of 3, load %s)\n",
        qPrintable(what), (long long)rows, channels, lines, best * 1000, best / 0.2, bestCpu * 1000,
        loadAverage().constData());
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
    if (!added || *added != records || !store.storeOutcome(outcome)) {
        std::fprintf(stderr, "%s: the store after a collection failed\n", qPrintable(what));
        std::exit(1);
    }
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
    if (!p.waitForFinished(120000) || p.exitCode() != 0) {
        std::fprintf(stderr, "the private PostgreSQL server does not %s\n", qPrintable(command));
        std::exit(1);
    }
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
    const QString network = work.filePath("rete");
    for (int s = 0; s < kStations; ++s)
        writeArchive(network, QStringLiteral("S%1").arg(s, 2, 10, QLatin1Char('0')),
                     total / kStations + (s < total % kStations ? 1 : 0), channels, s);
    const QString year = work.filePath("anno");
    writeArchive(year, QStringLiteral("Anno"), kYear, 16, 1);
    std::printf("%d stations, %d lines of %d channels; a year of one station: %d lines of 16 channels\n",
                kStations, total, channels, kYear);

    std::printf("load average at the start: %s\n", loadAverage().constData());

    const QString liteYear = QStringLiteral("sqlite:") + work.filePath("anno.sqlite");
    if (lite) {
        importInto(QStringLiteral("SQLite"), QStringLiteral("sqlite:") + work.filePath("rete.sqlite"),
                   network, total, 5);
        if (!db::importFolder(*open(liteYear), year))
            return 1;
        queryFrom(QStringLiteral("SQLite"), liteYear, QStringLiteral("Anno"), kYear, 16);
    }
    const QString pgDir = QStringLiteral("/tmp/stazione-pg-bench-%1").arg(QCoreApplication::applicationPid());
    const QString pgYear = QStringLiteral("postgresql://stazione@/anno?host=") + pgDir;
    if (postgres) {
        pgServer(QStringLiteral("start"), pgDir);
        {
            auto admin = open(QStringLiteral("postgresql://stazione@/postgres?host=") + pgDir);
            QSqlQuery(admin->sql()).exec(QStringLiteral("CREATE DATABASE rete"));
            QSqlQuery(admin->sql()).exec(QStringLiteral("CREATE DATABASE anno"));
        }
        importInto(QStringLiteral("PostgreSQL"), QStringLiteral("postgresql://stazione@/rete?host=") + pgDir,
                   network, total, 10);
        if (!db::importFolder(*open(pgYear), year))
            return 1;
        queryFrom(QStringLiteral("PostgreSQL"), pgYear, QStringLiteral("Anno"), kYear, 16);
    }
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
    if (postgres)
        pgServer(QStringLiteral("stop"), pgDir);
    std::printf("load average at the end: %s\n", loadAverage().constData());
    return 0;
}
