// Long sessions and big downloads against what the wire costs, each pair measured in this one run:
//
//  - the counted download of 5000 records of 128 channels through a pseudo-terminal: the time from
//    the last byte sent to the closed temperature file, and the CPU per field next to a loop that
//    takes the same bytes through the same link and only counts their commas;
//  - `stazione-cli monitor` against `stazione-sim --set-period 0` (sets of 16 channels back to
//    back): the program's peak memory after a small and after a large number of sets;
//  - `stazione-cli monitor` against a paced simulator (960 characters a second, sets back to back):
//    the share of a core the program takes while the stream trickles in.
//
//   stazione-stream-bench [--sets-small N] [--sets-large N] [--paced-seconds S] [benchmark flags]

#include "bench/bench_support.h"
#include "data/downloads.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <benchmark/benchmark.h>
#include <csignal>
#include <cstring>
#include <map>
#include <string>

using namespace stazione;
using namespace std::chrono_literals;

namespace {

constexpr int kRecords = data::kMaxRecords;
constexpr int kChannels = data::kMaxChannels;
constexpr qint64 kFields = 2 + qint64(kRecords) * (6 + kChannels);

std::map<std::string, double> g_figures;

QByteArray countedStream()
{
    QByteArray stream = QByteArray::number(kRecords) + "," + QByteArray::number(kChannels) + ",";
    for (int r = 0; r < kRecords; ++r) {
        stream += "5,12,2026," + QByteArray::number(r / 60 % 24) + "," + QByteArray::number(r % 60) + ",0,";
        for (int c = 0; c < kChannels; ++c)
            stream += QByteArray::number(15 + (r + c) % 10) + "." + QByteArray::number((r * c) % 100) + ",";
    }
    return stream;
}

long threadWakeups()
{
    rusage u{};
    getrusage(RUSAGE_THREAD, &u);
    return u.ru_nvcsw + u.ru_nivcsw;
}

using bench::threadCpuSeconds;

// This thread's share of a core and its wake-ups a second, over a run of `window` seconds that
// counts from its second second on: the start of a stream is not the stream.
class SteadyMeter {
public:
    explicit SteadyMeter(double window)
        : m_end(qint64((window + 1) * 1e9))
    {
        m_clock.start();
    }
    // Whether the run goes on; takes the starting figures once the first second is over.
    bool running()
    {
        const qint64 now = m_clock.nsecsElapsed();
        if (m_cpu0 < 0 && now >= qint64(1e9)) {
            m_cpu0 = threadCpuSeconds();
            m_wakeups0 = threadWakeups();
            m_t0 = double(now) / 1e9;
        }
        return now < m_end;
    }
    double share() const { return (threadCpuSeconds() - m_cpu0) / seconds(); }
    double wakeupsPerSecond() const { return double(threadWakeups() - m_wakeups0) / seconds(); }

private:
    double seconds() const { return double(m_clock.nsecsElapsed()) / 1e9 - m_t0; }

    QElapsedTimer m_clock;
    qint64 m_end;
    double m_cpu0 = -1;
    double m_t0 = 0;
    long m_wakeups0 = 0;
};

using bench::Poured;
using bench::pourInto;

void BM_CountedDownload(benchmark::State& state)
{
    const QByteArray stream = countedStream();
    QTemporaryDir folder;
    double cpu = 0, tail = 0;
    for (auto _ : state) {
        const Poured p = pourInto(stream, [&](link::Link& link) {
            auto result = data::downloadTemperatures(link, folder.filePath(QStringLiteral("temp.txt")),
                                                     QDateTime::currentDateTime());
            if (!result || result->stopped || result->received != kRecords) {
                state.SkipWithError("counted download failed");
            }
        });
        cpu += p.cpuSeconds;
        tail += p.afterLastByteSeconds;
    }
    const double n = double(state.iterations());
    state.counters["cpu_ns_per_field"] = cpu / n / double(kFields) * 1e9;
    state.counters["last_byte_to_closed_file_ms"] = tail / n * 1e3;
    g_figures["download_cpu_ns"] = cpu / n / double(kFields) * 1e9;
    g_figures["download_tail_ms"] = tail / n * 1e3;
}

// The same bytes through the same link and port, the commas counted and nothing else done.
void BM_CountedCommasOnly(benchmark::State& state)
{
    const QByteArray stream = countedStream();
    const qint64 commas = stream.count(',');
    double cpu = 0;
    for (auto _ : state) {
        const Poured p = pourInto(stream, [&](link::Link& link) {
            if (!link.Invia_Comando(QStringLiteral("a"), QString()).ok())
                state.SkipWithError("send failed");
            link::CommPort& port = link.port();
            qint64 seen = 0;
            while (seen < commas) {
                auto chunk = port.inputAll();
                if (!chunk)
                    break;
                if (chunk->isEmpty()) {
                    if (port.waitForMoreInput(QDeadlineTimer(10s)) != link::CommPort::Wait::Ready)
                        break;
                    continue;
                }
                for (char ch : *chunk)
                    seen += ch == ',';
            }
            benchmark::DoNotOptimize(seen);
            if (seen != commas)
                state.SkipWithError("comma count short");
        });
        cpu += p.cpuSeconds;
    }
    const double n = double(state.iterations());
    state.counters["cpu_ns_per_field"] = cpu / n / double(kFields) * 1e9;
    g_figures["commas_cpu_ns"] = cpu / n / double(kFields) * 1e9;
}

// A paced stream of measurement-like fields (960 characters a second) cut by Leggi_Risposta on
// this thread, against the same stream taken by a plain blocking read() that wakes for every
// character: the share of a core each takes.
QByteArray pacedFields(double seconds)
{
    QByteArray data;
    while (data.size() < qsizetype(seconds * 960) + 960)
        data += QByteArray::number(10 + data.size() % 90) + "." + QByteArray::number(data.size() % 10) + ",";
    return data;
}

void BM_PacedLinkCpu(benchmark::State& state)
{
    const double window = double(state.range(0));
    const QByteArray data = pacedFields(window);
    double share = 0, wakeups = 0;
    for (auto _ : state) {
        bench::Pty pty;
        bench::Connection c(pty.slavePath);
        c.link->setReplyTimeout(10s);
        std::atomic<bool> go{false}, stop{false};
        std::thread w = bench::paceAt9600(pty.master, data, go, stop);
        go = true;
        SteadyMeter meter(window);
        while (meter.running()) {
            if (!c.link->Leggi_Risposta().ok()) {
                state.SkipWithError("paced read failed");
                break;
            }
        }
        share = meter.share();
        wakeups = meter.wakeupsPerSecond();
        stop = true;
        w.join();
    }
    state.counters["core_percent"] = share * 100;
    state.counters["wakeups_per_s"] = wakeups;
    g_figures["paced_link_core_percent"] = share * 100;
}

void BM_PacedPlainReadCpu(benchmark::State& state)
{
    const double window = double(state.range(0));
    const QByteArray data = pacedFields(window);
    double share = 0, wakeups = 0;
    for (auto _ : state) {
        bench::Pty pty;
        std::atomic<bool> go{false}, stop{false};
        std::thread w = bench::paceAt9600(pty.master, data, go, stop);
        go = true;
        qint64 commas = 0;
        char buffer[4096];
        SteadyMeter meter(window);
        while (meter.running()) {
            const ssize_t n = ::read(pty.slave, buffer, sizeof buffer);
            if (n <= 0)
                break;
            for (ssize_t i = 0; i < n; ++i)
                commas += buffer[i] == ',';
        }
        benchmark::DoNotOptimize(commas);
        share = meter.share();
        wakeups = meter.wakeupsPerSecond();
        stop = true;
        w.join();
    }
    state.counters["core_percent"] = share * 100;
    state.counters["wakeups_per_s"] = wakeups;
    g_figures["paced_plain_core_percent"] = share * 100;
}

// A simulated logger on COM1 of a private ports folder, and the command line's monitor on it.
struct MonitorRun {
    QTemporaryDir folder;
    QProcess sim;
    QProcess cli;

    MonitorRun(const QStringList& simOptions, qint64 sets)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("STAZIONE_PORTS"), folder.path());
        env.insert(QStringLiteral("STAZIONE_SYSTEM_PORTS"), QStringLiteral("0"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), folder.filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("STAZIONE_TIME_SCALE"), QStringLiteral("0.05"));
        sim.setProcessEnvironment(env);
        sim.setStandardOutputFile(QProcess::nullDevice());
        sim.setStandardErrorFile(QProcess::nullDevice());
        sim.start(QStringLiteral(STAZIONE_SIM_PROGRAM),
                  QStringList{"--port", "1", "--ports-dir", folder.path(), "--channels", "16"} + simOptions);
        sim.waitForStarted();
        for (int i = 0; i < 200 && !QFile::exists(folder.filePath(QStringLiteral("COM1"))); ++i)
            QThread::msleep(10);
        cli.setProcessEnvironment(env);
        cli.setStandardErrorFile(QProcess::nullDevice());
        cli.start(QStringLiteral(STAZIONE_CLI_PROGRAM),
                  {"monitor", "--port", "1", "--sets", QString::number(sets + 1000), "--file",
                   folder.filePath(QStringLiteral("mc.txt"))});
        cli.waitForStarted();
    }
    ~MonitorRun()
    {
        cli.kill();
        cli.waitForFinished();
        sim.terminate();
        if (!sim.waitForFinished(3000))
            sim.kill();
    }

    // Reads the monitor's printed lines until `sets` sets have been printed; false if it ended.
    bool waitForSets(qint64 sets)
    {
        while (m_sets < sets) {
            if (!cli.canReadLine() && !cli.waitForReadyRead(30000))
                return false;
            while (cli.canReadLine()) {
                const QByteArray line = cli.readLine();
                // Set lines start with the time stamp, before the marks and the header.
                if (line.size() > 2 && line.at(2) == '/')
                    ++m_sets;
            }
        }
        return true;
    }

    QByteArray status(const char* field) const
    {
        QFile file(QStringLiteral("/proc/%1/status").arg(cli.processId()));
        if (!file.open(QIODevice::ReadOnly))
            return {};
        for (const QByteArray& line : file.readAll().split('\n')) {
            if (line.startsWith(field))
                return line.mid(qsizetype(std::strlen(field))).trimmed();
        }
        return {};
    }
    double peakMegabytes() const { return status("VmHWM:").split(' ').value(0).toDouble() / 1024.0; }

    double cpuSeconds() const
    {
        QFile file(QStringLiteral("/proc/%1/stat").arg(cli.processId()));
        if (!file.open(QIODevice::ReadOnly))
            return 0;
        const QByteArray text = file.readAll();
        const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
        // utime and stime are fields 14 and 15 of the line, 12 and 13 after the name.
        return (fields.value(11).toDouble() + fields.value(12).toDouble()) / double(sysconf(_SC_CLK_TCK));
    }

private:
    qint64 m_sets = 0;
};

void BM_MonitorPeakMemory(benchmark::State& state)
{
    const qint64 sets = state.range(0);
    double peak = 0, seconds = 0;
    for (auto _ : state) {
        MonitorRun run({"--set-period", "0"}, sets);
        QElapsedTimer t;
        t.start();
        if (!run.waitForSets(sets)) {
            state.SkipWithError("the monitor stopped early");
            break;
        }
        seconds = t.nsecsElapsed() / 1e9;
        peak = run.peakMegabytes();
    }
    state.counters["peak_MB"] = peak;
    state.counters["sets_per_s"] = double(sets) / seconds;
    g_figures["monitor_peak_" + std::to_string(sets)] = peak;
}

void BM_PacedMonitorCpu(benchmark::State& state)
{
    const double window = double(state.range(0));
    double share = 0;
    for (auto _ : state) {
        MonitorRun run({"--pace", "--set-period", "0"}, 1000000);
        // From the second set on: the start-up is not the stream.
        if (!run.waitForSets(2)) {
            state.SkipWithError("no sets");
            break;
        }
        const double cpu0 = run.cpuSeconds();
        QElapsedTimer t;
        t.start();
        QThread::msleep(static_cast<unsigned long>(window * 1000));
        run.waitForSets(3);
        share = (run.cpuSeconds() - cpu0) / (t.nsecsElapsed() / 1e9);
    }
    state.counters["core_percent"] = share * 100;
    g_figures["paced_core_percent"] = share * 100;
}

qint64 optionValue(int& argc, char** argv, const char* name, qint64 fallback)
{
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], name) == 0) {
            const qint64 value = std::atoll(argv[i + 1]);
            for (int j = i; j + 2 <= argc; ++j)
                argv[j] = argv[j + 2];
            argc -= 2;
            return value;
        }
    }
    return fallback;
}

const char* verdict(bool ok)
{
    return ok ? "OK" : "OVER TARGET";
}

} // namespace

int main(int argc, char** argv)
{
    const qint64 small = optionValue(argc, argv, "--sets-small", 10000);
    const qint64 large = optionValue(argc, argv, "--sets-large", 1000000);
    const qint64 paced = optionValue(argc, argv, "--paced-seconds", 20);
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);

    benchmark::RegisterBenchmark("counted_download_5000x128", BM_CountedDownload)
        ->Iterations(3)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("counted_commas_only_5000x128", BM_CountedCommasOnly)
        ->Iterations(3)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("monitor_peak_memory", BM_MonitorPeakMemory)
        ->Arg(small)
        ->Arg(large)
        ->Iterations(1)
        ->Unit(benchmark::kSecond);
    benchmark::RegisterBenchmark("paced_monitor_cpu", BM_PacedMonitorCpu)
        ->Arg(paced)
        ->Iterations(1)
        ->Unit(benchmark::kSecond);
    benchmark::RegisterBenchmark("paced_link_cpu", BM_PacedLinkCpu)
        ->Arg(paced)
        ->Iterations(1)
        ->Unit(benchmark::kSecond);
    benchmark::RegisterBenchmark("paced_plain_read_cpu", BM_PacedPlainReadCpu)
        ->Arg(paced)
        ->Iterations(1)
        ->Unit(benchmark::kSecond);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    auto figure = [](const std::string& name) {
        const auto it = g_figures.find(name);
        return it == g_figures.end() ? -1.0 : it->second;
    };
    const double tail = figure("download_tail_ms");
    const double ours = figure("download_cpu_ns");
    const double commas = figure("commas_cpu_ns");
    std::printf("\ncounted download 5000 x 128: last byte to closed file %.1f ms (target <= 30 ms) %s\n",
                tail, verdict(tail >= 0 && tail <= 30));
    std::printf(
        "counted download CPU per field %.1f ns, commas only %.1f ns: ratio %.2f (target <= 2.00) %s\n", ours,
        commas, ours / commas, verdict(ours > 0 && commas > 0 && ours / commas <= 2.0));
    const double atSmall = figure("monitor_peak_" + std::to_string(small));
    const double atLarge = figure("monitor_peak_" + std::to_string(large));
    std::printf(
        "monitor peak memory: %.1f MB at %lld sets, %.1f MB at %lld sets: ratio %.2f (targets <= 40 MB, "
        "<= 1.10) %s\n",
        atSmall, static_cast<long long>(small), atLarge, static_cast<long long>(large), atLarge / atSmall,
        verdict(atLarge > 0 && atLarge <= 40 && atLarge / atSmall <= 1.1));
    const double core = figure("paced_core_percent");
    const double linkCore = figure("paced_link_core_percent");
    const double plainCore = figure("paced_plain_core_percent");
    std::printf("paced session at 960 characters/s: monitor %.2f %% of a core (target <= 0.3 %%) %s; "
                "Leggi_Risposta alone %.2f %%, a plain read() of each character %.2f %%\n",
                core, verdict(core >= 0 && core <= 0.3), linkCore, plainCore);
    return 0;
}
