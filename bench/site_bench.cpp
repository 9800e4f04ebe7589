// The web report of a network of seventy stations after a year of nightly collections: 25,550
// report lines and archives of 35,000 lines each. Prints the time and memory of the whole build
// beside the time of reading the report alone.

#include "bench_support.h"
#include "network/alerts.h"
#include "network/network_status.h"
#include "network/site_report.h"
#include "support/synthetic_network.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>

using namespace stazione;

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
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
        auto built = data::buildSite(*whole, update->open, options);
        siteBest = std::min(siteBest, double(t.nsecsElapsed()) / 1e6);
        if (!built) {
            std::fprintf(stderr, "%s\n", qPrintable(built.error().message));
            return 1;
        }
    }
    const double peak = bench::peakResidentMegabytes();
    std::printf("reading raccolta.jsonl alone: %8.1f ms\n", readBest);
    std::printf("whole site (report, alerts, 70 archives' ends, pages): %8.1f ms (limit 1000 ms)\n",
                siteBest);
    std::printf("ratio site / report alone: %.2f\n", siteBest / readBest);
    std::printf("peak memory: %.1f MB (%.1f MB before the first build; limit 150 MB)\n", peak, before);
    return siteBest <= 1000 && peak <= 150 ? 0 : 1;
}
