// The database's figures: importing a million archive lines of 70 stations into SQLite and into
// PostgreSQL (a private server started for the run), and "db query" of one station's year.
//
//   stazione-db-bench [--lines N] [--channels C]

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

using namespace stazione;

namespace {

// A station's archive as the logger writes it: "dd/MM/yyyy hh:mm:ss;v;v;...", every 15 minutes.
void writeArchive(const QString& dir, const QString& station, int lines, int channels, int seed)
{
    QDir().mkpath(QDir(dir).filePath(station));
    QFile f(QDir(dir).filePath(station + "/" + station + "_archivio.txt"));
    if (!f.open(QIODevice::WriteOnly))
        std::exit(1);
    QByteArray out;
    QDateTime t(QDate(2025, 1, 1), QTime(0, 0));
    for (int i = 0; i < lines; ++i) {
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
    QElapsedTimer t;
    t.start();
    const double cpu = cpuSeconds();
    auto imported = db::importFolder(*database, dir);
    const double s = seconds(t);
    const double used = cpuSeconds() - cpu;
    if (!imported || imported->lines != lines) {
        std::fprintf(stderr, "%s: import failed: %s\n", qPrintable(what),
                     imported ? "not every line stored" : qPrintable(imported.error().message));
        std::exit(1);
    }
    QSqlQuery q(database->sql());
    q.exec(QStringLiteral("SELECT COUNT(*) FROM measurements"));
    q.next();
    std::printf("import into %-10s %8lld lines, %9lld values: %6.2f s (%7.0f lines/s), %.2f of the %.0f s "
                "allowed; CPU of this process %.2f s\n",
                qPrintable(what), (long long)lines, q.value(0).toLongLong(), s, double(lines) / s, s / target,
                target, used);
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
        "query from %-10s %8lld rows x %d channels of %d lines: %6.0f ms, %.2f of the 200 ms allowed; CPU of "
        "this process %.0f ms\n",
        qPrintable(what), (long long)rows, channels, lines, best * 1000, best / 0.2, bestCpu * 1000);
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

    const QString lite = QStringLiteral("sqlite:") + work.filePath("rete.sqlite");
    importInto(QStringLiteral("SQLite"), lite, network, total, 5);

    const QString pgDir = QStringLiteral("/tmp/stazione-pg-bench-%1").arg(QCoreApplication::applicationPid());
    pgServer(QStringLiteral("start"), pgDir);
    {
        auto admin = open(QStringLiteral("postgresql://stazione@/postgres?host=") + pgDir);
        QSqlQuery(admin->sql()).exec(QStringLiteral("CREATE DATABASE rete"));
        QSqlQuery(admin->sql()).exec(QStringLiteral("CREATE DATABASE anno"));
    }
    const QString pg = QStringLiteral("postgresql://stazione@/rete?host=") + pgDir;
    importInto(QStringLiteral("PostgreSQL"), pg, network, total, 10);

    const QString liteYear = QStringLiteral("sqlite:") + work.filePath("anno.sqlite");
    const QString pgYear = QStringLiteral("postgresql://stazione@/anno?host=") + pgDir;
    for (const QString& url : {liteYear, pgYear}) {
        auto database = open(url);
        if (!db::importFolder(*database, year))
            return 1;
    }
    queryFrom(QStringLiteral("SQLite"), liteYear, QStringLiteral("Anno"), kYear, 16);
    queryFrom(QStringLiteral("PostgreSQL"), pgYear, QStringLiteral("Anno"), kYear, 16);
    pgServer(QStringLiteral("stop"), pgDir);
    return 0;
}
