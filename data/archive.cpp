#include "data/archive.h"

#include "data/file_names.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <cstring>
#include <unistd.h>
#include <vector>

namespace stazione::data {

namespace {

constexpr qint64 kBlock = 1 << 20;

link::Error fileError(const QString& what, const QFile& file)
{
    return link::Error::file(QStringLiteral("%1 %2: %3").arg(what, file.fileName(), file.errorString()));
}

// Splits text made of whole lines (each ended by LF, a CR before it dropped).
void appendLines(QByteArrayView text, QList<QByteArray>& lines)
{
    const char* p = text.data();
    const char* const end = p + text.size();
    while (p < end) {
        const auto* lf = static_cast<const char*>(std::memchr(p, '\n', size_t(end - p)));
        if (!lf)
            break;
        const char* stop = (lf > p && lf[-1] == '\r') ? lf - 1 : lf;
        lines.append(QByteArray(p, stop - p));
        p = lf + 1;
    }
}

// The archive's last `wanted` lines (fewer when it has fewer), and how many lines it has in all.
// The archive is empty or ends with a line end.
link::Status readTail(QFile& file, qint64 size, qsizetype wanted, QList<QByteArray>& tail, qint64& total)
{
    total = 0;
    QByteArray tailBytes;
    // Line ends still to pass, from the end backwards, before the first wanted line begins: the
    // archive's own last one, then one per wanted line.
    qsizetype remaining = wanted + 1;
    for (qint64 from = size; from > 0;) {
        const qint64 length = std::min(kBlock, from);
        from -= length;
        if (!file.seek(from))
            return fileError(QStringLiteral("Lettura dell'archivio"), file);
        const QByteArray block = file.read(length);
        if (block.size() != length)
            return fileError(QStringLiteral("Lettura dell'archivio"), file);
        total += block.count('\n');
        if (remaining == 0)
            continue; // the rest is only counted
        qsizetype cut = 0;
        for (qsizetype i = block.size() - 1; i >= 0; --i) {
            if (block.at(i) == '\n' && --remaining == 0) {
                cut = i + 1;
                break;
            }
        }
        tailBytes.prepend(block.constData() + cut, block.size() - cut);
    }
    appendLines(tailBytes, tail);
    return {};
}

} // namespace

QString archiveFileName(const QString& station)
{
    return safeStationName(station) + QStringLiteral("_archivio.txt");
}

qsizetype overlap(const QList<QByteArray>& tail, const QList<QByteArray>& lines)
{
    const qsizetype n = lines.size();
    if (n == 0 || tail.isEmpty())
        return 0;
    // Knuth-Morris-Pratt over lines, with each line's hash compared first.
    std::vector<size_t> hashes(static_cast<size_t>(n));
    for (qsizetype i = 0; i < n; ++i)
        hashes[size_t(i)] = qHash(lines[i]);
    auto same = [&](qsizetype i, const QByteArray& line, size_t hash) {
        return hashes[size_t(i)] == hash && lines[i] == line;
    };
    std::vector<qsizetype> border(static_cast<size_t>(n), 0);
    for (qsizetype i = 1, k = 0; i < n; ++i) {
        while (k > 0 && !same(k, lines[i], hashes[size_t(i)]))
            k = border[size_t(k - 1)];
        if (same(k, lines[i], hashes[size_t(i)]))
            ++k;
        border[size_t(i)] = k;
    }
    // Only the last n lines of the tail can take part in the overlap.
    qsizetype k = 0;
    for (qsizetype j = std::max<qsizetype>(0, tail.size() - n); j < tail.size(); ++j) {
        const size_t h = qHash(tail[j]);
        if (k == n)
            k = border[size_t(k - 1)];
        while (k > 0 && !same(k, tail[j], h))
            k = border[size_t(k - 1)];
        if (same(k, tail[j], h))
            ++k;
    }
    return k;
}

link::Result<QList<QByteArray>> readCompleteLines(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fileError(QStringLiteral("Lettura del file"), file);
    const QByteArray bytes = file.readAll();
    if (file.error() != QFile::NoError)
        return fileError(QStringLiteral("Lettura del file"), file);
    QList<QByteArray> lines;
    lines.reserve(bytes.count('\n'));
    appendLines(bytes, lines);
    return lines;
}

link::Result<ArchiveMerge> mergeIntoArchive(const QString& archivePath, const QList<QByteArray>& lines)
{
    QFile file(archivePath);
    if (!file.open(QIODevice::ReadWrite))
        return fileError(QStringLiteral("Apertura dell'archivio"), file);
    ArchiveMerge merge;
    qint64 size = file.size();

    // A last line without its line end is what a write cut short leaves: it goes, to come again.
    if (size > 0) {
        qint64 keep = size;
        char last = 0;
        if (!file.seek(size - 1) || file.read(&last, 1) != 1)
            return fileError(QStringLiteral("Lettura dell'archivio"), file);
        if (last != '\n') {
            keep = 0;
            for (qint64 from = size; from > 0 && keep == 0;) {
                const qint64 length = std::min(kBlock, from);
                from -= length;
                if (!file.seek(from))
                    return fileError(QStringLiteral("Lettura dell'archivio"), file);
                const QByteArray block = file.read(length);
                const qsizetype lf = block.lastIndexOf('\n');
                if (lf >= 0)
                    keep = from + lf + 1;
            }
            if (!file.resize(keep))
                return fileError(QStringLiteral("Riparazione dell'archivio"), file);
            merge.repaired = true;
            size = keep;
        }
    }

    QList<QByteArray> tail;
    qint64 before = 0;
    if (auto s = readTail(file, size, lines.size(), tail, before); !s)
        return s.error();
    const qsizetype known = overlap(tail, lines);

    QByteArray out;
    qsizetype bytes = 0;
    for (qsizetype i = known; i < lines.size(); ++i)
        bytes += lines[i].size() + 2;
    out.reserve(bytes);
    for (qsizetype i = known; i < lines.size(); ++i) {
        out += lines[i];
        out += "\r\n";
    }
    if (!out.isEmpty()) {
        if (!file.seek(size) || file.write(out) != out.size() || !file.flush())
            return fileError(QStringLiteral("Scrittura dell'archivio"), file);
        // The night's work survives a power cut once the merge has said it is done.
        ::fsync(file.handle());
    }
    merge.added = lines.size() - known;
    merge.total = before + merge.added;
    return merge;
}

} // namespace stazione::data
