// The collection of one station against the simulated network paced at 9600 baud, next to its
// floor measured in the same run: the pauses the program has to make (the call's, the 21 s
// start-up, the hundredth after each parameter character, the retrieval's, the hang-up's guard
// times), the modem's time to bring the call up, and every byte on the line at 960 characters a
// second. The target is a ratio of at most 1.05. A call that reads the channels' names (the
// station's first, or one they are due at) is measured beside one that does not: the read may
// add its own wire time and pauses, which the floor counts, and nothing else.
//
//   stazione-collect-bench [--benchmark_...]     (STAZIONE_TIME_SCALE shortens every pause)

#include "link/comm_port.h"
#include "link/link.h"
#include "link/timing.h"
#include "modem/collection.h"
#include "modem/modem.h"
#include "network/sensors.h"
#include "sim/pty_server.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace stazione;

namespace {

void collectOneStation(benchmark::State& state)
{
    const int records = int(state.range(0));
    const bool readNames = state.range(1) != 0;
    QTemporaryDir ports;
    QTemporaryDir config;
    QTemporaryDir data;
    qputenv("STAZIONE_PORTS", ports.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    qputenv("STAZIONE_SYSTEM_PORTS", "0");
    qputenv("STAZIONE_LOCK_DIR", config.path().toUtf8());

    sim::Options options = sim::Options::fromEnvironment();
    options.modem = true;
    options.pace = true;
    options.records = records;
    options.network = {
        sim::NetworkStation{QStringLiteral("111"), QStringLiteral("610"), QStringLiteral("ALFA"), 0}};
    sim::PtyServer server(options);
    if (!server.start(ports.path(), 2)) {
        state.SkipWithError("the simulator did not start");
        return;
    }
    auto port = link::makeSystemCommPort();
    link::Link link(*port);
    if (!modem::probeModem(link, 2)) {
        state.SkipWithError("no modem on COM2");
        return;
    }
    link.Porta = 2;
    link.Porta_Aperta = true;
    modem::CollectSettings settings;
    settings.dir = data.path();
    settings.modemPort = 2;
    settings.readSensors = readNames;
    if (!readNames) {
        // Kept by an earlier call an hour ago: not due.
        data::StationSensors kept;
        kept.read = QDateTime::currentDateTime().addSecs(-3600);
        kept.channels.push_back({.channel = 0, .name = QStringLiteral("P1")});
        QDir().mkpath(data.filePath(QStringLiteral("Alfa")));
        (void)data::writeSensors(data.filePath(QStringLiteral("Alfa")), kept);
    }
    const modem::CollectTarget target{.row = 1,
                                      .name = QStringLiteral("Alfa"),
                                      .number = QStringLiteral("111"),
                                      .modello = {},
                                      .folder = {}};

    double seconds = 0, floor = 0, pauses = 0, wire = 0, call = 0;
    qint64 bytes = 0, lines = 0;
    for (auto _ : state) {
        const auto pausesBefore = link::pausesRequested();
        const qint64 inBefore = server.lineReceived().size();
        const qint64 outBefore = server.bytesSent();
        QElapsedTimer t;
        t.start();
        const modem::Attempt attempt = modem::collectOnce(link, target, settings, {});
        seconds = double(t.nsecsElapsed()) / 1e9;
        if (attempt.outcome.result != data::CollectResult::Ok) {
            state.SkipWithError(qPrintable(attempt.outcome.error));
            return;
        }
        pauses = double((link::pausesRequested() - pausesBefore).count()) / 1000.0;
        bytes = (server.lineReceived().size() - inBefore) + (server.bytesSent() - outBefore);
        wire = double(bytes) / 960.0;
        call = std::chrono::duration<double>(sim::ModemModel::dialDelayFor(options)).count();
        floor = pauses + wire + call;
        lines = attempt.outcome.newLines;
        if (attempt.outcome.sensors.has_value() != readNames) {
            state.SkipWithError("the channels' names were not read as asked");
            return;
        }
        state.SetIterationTime(seconds);
    }
    state.counters["seconds"] = seconds;
    state.counters["floor_s"] = floor;
    state.counters["pauses_s"] = pauses;
    state.counters["wire_s"] = wire;
    state.counters["call_up_s"] = call;
    state.counters["bytes"] = double(bytes);
    state.counters["lines"] = double(lines);
    state.counters["ratio"] = seconds / floor;
    std::printf("one station, %d records, %s: %.2f s against a floor of %.2f s (pauses %.2f s, %lld bytes "
                "on the wire %.2f s, call set-up %.2f s): ratio %.3f (target <= 1.05)\n",
                records, readNames ? "channels' names read" : "names kept, not read", seconds, floor, pauses,
                static_cast<long long>(bytes), wire, call, seconds / floor);
}

} // namespace

BENCHMARK(collectOneStation)
    ->Args({120, 0})
    ->Args({120, 1})
    ->Args({1000, 0})
    ->Args({1000, 1})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
