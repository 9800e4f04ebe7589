// The web report of a network of seventy stations after a year of nightly collections: 25,550
// report lines and archives of 35,000 lines each. Prints the time and memory of the whole build
// beside the time of reading the report alone, and of the same site built from a SQLite database
// and from a private PostgreSQL server that hold the same network (stations, collections, readings,
// alerts), with no archive beside it.
//
//   stazione-site-bench [DAYS]     (the days of measurements on each page, default 7)

#include "bench_support.h"
#include "db/alerts.h"
#include "db/database.h"
#include "db/history.h"
#include "db/store.h"
#include "network/alerts.h"
#include "network/network_status.h"
#include "network/site_report.h"
#include "support/synthetic_network.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

using namespace stazione;

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    // The days of measurements on each station page: the report's --days (default 7).
    const int days = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    QTemporaryDir dir;
    synthetic::SyntheticNetwork network;
    network.stations = 70;
    network.nights = 365;
    network.archiveLines = 35000;
    std::printf("writing %d report lines and %d archives of %d lines...\n", network.stations * network.nights,
                network.stations, network.archiveLines);
    if (!synthetic::writeSyntheticNetwork(dir.path(), network)) {
        std::fprintf(stderr, "cannot write the network\n");
        return 1;
    }
    const QString report = dir.filePath(data::kReportFileName);
    const double before = bench::peakResidentMegabytes();

    // Reading the report alone, then the whole site, three times each: the best of each.
    double readBest = 1e9;
    double siteBest = 1e9;
    data::AlertRules rules;
    rules.battery = 11.5;
    rules.memory = 90;
    rules.failures = 3;
    rules.staleDays = 5;
    rules.drift = 300;
    for (int round = 0; round < 3; ++round) {
        QElapsedTimer t;
        t.start();
        auto n = data::readNetwork(report);
        readBest = std::min(readBest, double(t.nsecsElapsed()) / 1e6);
        if (!n || n->stations.size() != 70)
            return 1;

        t.start();
        auto whole = data::readNetwork(report);
        auto update = data::updateAlerts(dir.filePath(data::kAlertsFileName), *whole, rules,
                                         network.lastNight.addSecs(3600));
        data::SiteOptions options;
        options.dir = dir.path();
        options.language = QStringLiteral("it");
        options.now = network.lastNight.addSecs(3600);
        options.days = days;
        options.rules = rules;
        auto built = data::buildSite(*whole, update->open, options);
        siteBest = std::min(siteBest, double(t.nsecsElapsed()) / 1e6);
        if (!built) {
            std::fprintf(stderr, "%s\n", qPrintable(built.error().message));
            return 1;
        }
    }
    const double peakFiles = bench::peakResidentMegabytes();

    // The same network from a database, the site built in an empty folder: the best of three.
    QTemporaryDir empty;
    const auto fromDatabase = [&](const QString& url) -> double {
        {
            auto database = db::Database::open(url);
            if (!database || !db::importFolder(**database, dir.path())) {
                std::fprintf(stderr, "cannot import the network into %s\n", qPrintable(url));
                return -1;
            }
        }
        double best = 1e9;
        for (int round = 0; round < 3; ++round) {
            QElapsedTimer t;
            t.start();
            auto database = db::Database::open(url, db::Access::Update);
            if (!database)
                return -1;
            auto whole = db::readNetwork(**database, empty.path());
            auto update = whole ? db::updateAlerts(**database, *whole, rules, network.lastNight.addSecs(3600))
                                : link::Result<data::AlertUpdate>(whole.error());
            auto history = db::alertChanges(**database);
            auto sensors = db::readSensorsByFolder(**database);
            if (!update || !history || !sensors || whole->stations.size() != 70)
                return -1;
            data::SiteOptions options;
            options.dir = empty.path();
            options.out = empty.filePath("sito");
            options.language = QStringLiteral("it");
            options.now = network.lastNight.addSecs(3600);
            options.alertHistory = *history;
            options.days = days;
            options.rules = rules;
            options.recent = [&database](const data::StationHistory& station, int days) {
                return db::readRecentReadings(**database, station, days);
            };
            options.sensors =
                [&sensors](const data::StationHistory& s) -> std::optional<data::StationSensors> {
                const auto found = sensors->find(s.folder);
                return found == sensors->end() ? std::nullopt : std::optional(found->second);
            };
            auto built = data::buildSite(*whole, update->open, options);
            best = std::min(best, double(t.nsecsElapsed()) / 1e6);
            if (!built) {
                std::fprintf(stderr, "%s\n", qPrintable(built.error().message));
                return -1;
            }
        }
        return best;
    };
    const double liteBest = fromDatabase(QStringLiteral("sqlite:") + dir.filePath("rete.sqlite"));
    if (liteBest < 0)
        return 1;
    const double litePeak = bench::peakResidentMegabytes();
    // PostgreSQL: a private server of the tests' own in a temporary folder, on a Unix socket.
    const QString pgDir = QStringLiteral("/tmp/stazione-pg-site-%1").arg(QCoreApplication::applicationPid());
    const auto pgServer = [&pgDir](const char* command) {
        QProcess p;
        p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p.start(QStringLiteral(STAZIONE_PG_SERVER), {QLatin1String(command), pgDir});
        return p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    };
    double pgBest = -1;
    if (pgServer("start")) {
        {
            auto admin = db::Database::open(QStringLiteral("postgresql://stazione@/postgres?host=") + pgDir);
            if (admin)
                QSqlQuery((*admin)->sql()).exec(QStringLiteral("CREATE DATABASE rete"));
        }
        pgBest = fromDatabase(QStringLiteral("postgresql://stazione@/rete?host=") + pgDir);
        (void)pgServer("stop");
    } else {
        std::fprintf(stderr, "the private PostgreSQL server did not start: no PostgreSQL figure\n");
    }
    const double peak = bench::peakResidentMegabytes();
    std::printf("reading raccolta.jsonl alone: %8.1f ms\n", readBest);
    std::printf("measurements of the last %d days on each page\n", days);
    std::printf("whole site (report, alerts, 70 archives' ends, pages): %8.1f ms (limit 1000 ms)\n",
                siteBest);
    std::printf("ratio site / report alone: %.2f\n", siteBest / readBest);
    std::printf("peak memory: %.1f MB (%.1f MB before the first build; limit 150 MB)\n", peakFiles, before);
    std::printf("whole site from SQLite (history, alerts, 70 stations' last readings, pages): %8.1f ms "
                "(limit 1000 ms), %.2f of the site from the files\n",
                liteBest, liteBest / siteBest);
    std::printf("peak memory after the SQLite builds: %.1f MB (limit 150 MB; the import of the whole network "
                "ran in this process first)\n",
                litePeak);
    if (pgBest >= 0)
        std::printf(
            "whole site from PostgreSQL (the same): %8.1f ms (limit 1000 ms), %.2f of the site from the "
            "files\n",
            pgBest, pgBest / siteBest);
    std::printf("peak memory after every build: %.1f MB (limit 150 MB)\n", peak);
    return siteBest <= 1000 && liteBest <= 1000 && pgBest >= 0 && pgBest <= 1000 && peak <= 150 ? 0 : 1;
}
