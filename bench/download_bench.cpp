// The two downloads at full speed through a pseudo-terminal.
//
//  (a) 100,000 lines (10 MB) of "A": the program's download next to a plain copy of the same
//      stream from the pseudo-terminal into a file, in the same run.
//  (b) the counted download at its limits, 5000 records of 128 channels: the time from the last
//      byte sent to the closed temperature file, and the memory it takes.
//
//   stazione-download-bench [--lines N]

#include "bench/bench_support.h"
#include "data/downloads.h"

#include <QCoreApplication>
#include <QDateTime>

#include <cstring>
#include <optional>

using namespace stazione;
using namespace std::chrono_literals;

namespace {

QByteArray lineStream(int lines)
{
    QByteArray data;
    data.reserve(qsizetype(lines) * 100 + 1);
    for (int i = 0; i < lines; ++i) {
        // A hundred characters a line, as a logger with a dozen channels writes them.
        QByteArray line = "05/12/2026 14:" + QByteArray::number(10 + i % 50) + ":00";
        for (int c = 0; line.size() < 98; ++c)
            line += ";" + QByteArray::number(10 + (i * 7 + c * 13) % 90) + "." + QByteArray::number(i % 1000);
        data += line.left(98) + "\r\n";
    }
    data += '\x03';
    return data;
}

double downloadSeconds(const QByteArray& data, const QString& path)
{
    bench::Pty pty;
    bench::Connection c(pty.slavePath);
    c.link->setReplyTimeout(10s);
    std::atomic<bool> go{false};
    // The logger starts streaming once it has the command and its mode: "A" then "0,".
    std::thread logger([&] {
        char command[8];
        int got = 0;
        while (got < 3) {
            const ssize_t n = ::read(pty.master, command + got, size_t(3 - got));
            if (n <= 0)
                return;
            got += int(n);
        }
        go = true;
    });
    std::thread w = bench::pour(pty.master, data, go);
    QElapsedTimer t;
    t.start();
    auto result = data::downloadRecords(*c.link, path, false);
    const double seconds = t.nsecsElapsed() / 1e9;
    logger.join();
    w.join();
    if (!result || result->stopped) {
        std::fprintf(stderr, "download failed\n");
        std::exit(1);
    }
    return seconds;
}

double plainCopySeconds(const QByteArray& data, const QString& path)
{
    bench::Pty pty;
    std::atomic<bool> go{false};
    std::thread w = bench::pour(pty.master, data, go);
    QFile out(path);
    out.open(QIODevice::WriteOnly);
    char buffer[65536];
    qsizetype got = 0;
    QElapsedTimer t;
    t.start();
    go = true;
    while (got < data.size()) {
        const ssize_t n = ::read(pty.slave, buffer, sizeof buffer);
        if (n <= 0)
            break;
        out.write(buffer, n);
        got += n;
    }
    out.close();
    const double seconds = t.nsecsElapsed() / 1e9;
    w.join();
    return seconds;
}

void benchCountedDownload(const QString& folder)
{
    constexpr int kRecords = data::kMaxRecords;
    constexpr int kChannels = data::kMaxChannels;
    QByteArray stream = QByteArray::number(kRecords) + "," + QByteArray::number(kChannels) + ",";
    for (int r = 0; r < kRecords; ++r) {
        stream += "5,12,2026," + QByteArray::number(r / 60 % 24) + "," + QByteArray::number(r % 60) + ",0,";
        for (int c = 0; c < kChannels; ++c)
            stream += QByteArray::number(15 + (r + c) % 10) + "." + QByteArray::number((r * c) % 100) + ",";
    }

    const double before = bench::residentMegabytes();
    std::optional<link::Result<data::TemperatureDownload>> result;
    const bench::Poured run = bench::pourInto(stream, [&](link::Link& link) {
        result.emplace(data::downloadTemperatures(link, folder + QStringLiteral("/temp.txt"),
                                                  QDateTime::currentDateTime()));
    });
    if (!result || !*result || (*result)->stopped || (*result)->received != kRecords) {
        std::fprintf(stderr, "counted download failed\n");
        std::exit(1);
    }
    const double tail = run.afterLastByteSeconds;
    const double peak = bench::peakResidentMegabytes();
    std::printf("counted download %d x %d (%.1f MB of fields) in %.2f s: last byte to closed file %.3f s "
                "(target <= 1 s) %s; peak memory %.0f MB, %.0f MB above the start (target <= 100 MB) %s\n",
                kRecords, kChannels, stream.size() / 1048576.0, run.seconds, tail,
                tail <= 1.0 ? "OK" : "OVER TARGET", peak, peak - before, peak <= 100 ? "OK" : "OVER TARGET");
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    int lines = 100000;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--lines") == 0)
            lines = std::atoi(argv[i + 1]);
    }
    QTemporaryDir folder;

    // First, while the process is small, so that its peak memory is this download's.
    benchCountedDownload(folder.path());

    const QByteArray stream = lineStream(lines);
    double ours = 0, plain = 0;
    const int rounds = 3;
    for (int r = 0; r < rounds; ++r) {
        plain += plainCopySeconds(stream, folder.filePath(QStringLiteral("plain.txt")));
        ours += downloadSeconds(stream, folder.filePath(QStringLiteral("sens.txt")));
    }
    ours /= rounds;
    plain /= rounds;
    std::printf(
        "line download of %d lines (%.1f MB): %.3f s, plain copy %.3f s: ratio %.2f (target <= 2.00) %s\n",
        lines, stream.size() / 1048576.0, ours, plain, ours / plain,
        ours / plain <= 2.0 ? "OK" : "OVER TARGET");
    return 0;
}
