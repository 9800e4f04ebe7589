// The archive merge at the size of a long-kept station: a 100,000-line download into a
// 1,000,000-line archive, with half of the download already archived (the usual night) and with
// all of it new (the memory was erased). Next to it, in the same run, a plain append of the same
// new lines without any check, as the floor. The target is at most 1 s and 200 MB.
//
//   stazione-archive-bench [--benchmark_...]

#include "bench/bench_support.h"
#include "network/archive.h"

#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace stazione;

namespace {

constexpr int kArchiveLines = 1'000'000;
constexpr int kDownloadLines = 100'000;

QByteArray record(qint64 i)
{
    // A record as the logger writes it: its time stamp and four channels.
    static const QDateTime first(QDate(2020, 1, 1), QTime(0, 0), Qt::UTC);
    QByteArray line = first.addSecs(i * 600).toString(QStringLiteral("dd/MM/yyyy hh:mm:ss")).toLatin1();
    for (int ch = 0; ch < 4; ++ch)
        line += ';' + QByteArray::number(15.0 + double((i * 7 + ch * 13) % 1000) / 100.0, 'f', 3);
    return line;
}

struct Files {
    QTemporaryDir folder;
    QString archive = folder.filePath(QStringLiteral("STAZ1_archivio.txt"));
    QString download = folder.filePath(QStringLiteral("STAZ1_05_12_26_SENS.txt"));
    qint64 archiveSize = 0;

    Files(qint64 firstOfDownload)
    {
        QFile a(archive);
        (void)a.open(QIODevice::WriteOnly);
        QByteArray chunk;
        for (qint64 i = 0; i < kArchiveLines; ++i) {
            chunk += record(i) + "\r\n";
            if (chunk.size() > (1 << 20)) {
                a.write(chunk);
                chunk.clear();
            }
        }
        a.write(chunk);
        archiveSize = a.size();
        a.close();
        QFile d(download);
        (void)d.open(QIODevice::WriteOnly);
        chunk.clear();
        for (qint64 i = firstOfDownload; i < firstOfDownload + kDownloadLines; ++i)
            chunk += record(i) + "\r\n";
        d.write(chunk);
    }

    void resetArchive() const { QFile(archive).resize(archiveSize); }
};

void merge(benchmark::State& state, qint64 alreadyArchived)
{
    const Files files(kArchiveLines - alreadyArchived);
    const double rssBefore = bench::residentMegabytes();
    qint64 added = 0;
    for (auto _ : state) {
        state.PauseTiming();
        files.resetArchive();
        state.ResumeTiming();
        auto lines = data::readCompleteLines(files.download);
        auto merged = data::mergeIntoArchive(files.archive, *lines);
        if (!merged) {
            state.SkipWithError(qPrintable(merged.error().message));
            return;
        }
        added = merged->added;
        benchmark::DoNotOptimize(added);
    }
    state.counters["added_lines"] = double(added);
    state.counters["peak_rss_MB"] = bench::peakResidentMegabytes();
    state.counters["rss_before_MB"] = rssBefore;
}

// The floor: the new lines read and appended as they are, nothing looked at.
void plainAppend(benchmark::State& state, qint64 alreadyArchived)
{
    const Files files(kArchiveLines - alreadyArchived);
    for (auto _ : state) {
        state.PauseTiming();
        files.resetArchive();
        state.ResumeTiming();
        QFile d(files.download);
        (void)d.open(QIODevice::ReadOnly);
        QByteArray bytes = d.readAll();
        qsizetype skip = 0;
        for (qint64 i = 0; i < alreadyArchived; ++i)
            skip = bytes.indexOf('\n', skip) + 1;
        QFile a(files.archive);
        (void)a.open(QIODevice::Append);
        a.write(bytes.constData() + skip, bytes.size() - skip);
        a.flush();
        ::fsync(a.handle());
    }
}

} // namespace

BENCHMARK_CAPTURE(merge, half_new, kDownloadLines / 2)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK_CAPTURE(plainAppend, half_new, kDownloadLines / 2)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK_CAPTURE(merge, all_new, 0)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK_CAPTURE(plainAppend, all_new, 0)->Unit(benchmark::kMillisecond)->Iterations(5);

BENCHMARK_MAIN();
