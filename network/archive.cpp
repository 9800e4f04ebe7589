#include "network/archive.h"

#include "data/file_names.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace stazione::data {

namespace {

constexpr qint64 kBlock = 1 << 20;

// `what` is a text of the "stazione::data::Archive" context: the command line says it in English.
link::Error fileError(const char* what, const QFile& file)
{
    return link::Error::file(QStringLiteral("%1 %2: %3")
                                 .arg(QCoreApplication::translate("stazione::data::Archive", what),
                                      file.fileName(), file.errorString()));
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
            return fileError(QT_TRANSLATE_NOOP("stazione::data::Archive", "Lettura dell'archivio"), file);
        const QByteArray block = file.read(length);
        if (block.size() != length)
            return fileError(QT_TRANSLATE_NOOP("stazione::data::Archive", "Lettura dell'archivio"), file);
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

// The time stamp a record line begins with ("dd/MM/yyyy hh:mm:ss"); invalid when it has none.
QDateTime stampOf(const QByteArray& line)
{
    return QDateTime::fromString(QString::fromLatin1(line.left(19)), QStringLiteral("dd/MM/yyyy hh:mm:ss"));
}

// How many of the archive's last lines can hold a line of the download: the memory holds at most
// `possible` records, and at the archive's end only pieces kept from writes cut short follow them.
qsizetype windowFor(const QList<QByteArray>& lines, const DownloadFacts& facts)
{
    constexpr qint64 kUnknownMemory = 65536; // more than any memory the loggers have
    constexpr qint64 kMostMemory = 1 << 20;  // a counter beyond this is not believed
    qint64 memory = kUnknownMemory;
    if (facts.possible && *facts.possible > 0)
        memory = std::min(*facts.possible, kMostMemory);
    return qsizetype(std::max<qint64>(lines.size(), memory) + 64);
}

} // namespace

link::Error archiveRefusal(const QString& path, const link::FileRefusal& refusal)
{
    if (refusal.kind != link::FileRefusal::Kind::System)
        return link::Error::file(QStringLiteral("%1: not a regular file: refused").arg(path));
    const QString why =
        refusal.error == ELOOP ? QStringLiteral("a symbolic link, not a file: refused") : refusal.reason;
    return link::Error::file(QStringLiteral("%1: %2").arg(path, why));
}

QString tailRepairText(TailRepair repair)
{
    switch (repair) {
    case TailRepair::None:
        break;
    case TailRepair::Replaced:
        return QStringLiteral("replaced");
    case TailRepair::Kept:
        return QStringLiteral("kept");
    }
    return {};
}

QString memoryChangeText(MemoryChange change)
{
    switch (change) {
    case MemoryChange::None:
        break;
    case MemoryChange::Erased:
        return QStringLiteral("erased");
    case MemoryChange::Overwritten:
        return QStringLiteral("overwritten");
    case MemoryChange::Refused:
        return QStringLiteral("refused");
    }
    return {};
}

qsizetype knownLines(const QList<QByteArray>& tail, const QList<QByteArray>& lines)
{
    if (lines.isEmpty() || tail.isEmpty())
        return -1;
    const QSet<QByteArray> held(lines.begin(), lines.end());
    qsizetype last = tail.size() - 1;
    while (last >= 0 && !held.contains(tail[last]))
        --last;
    if (last < 0)
        return -1;
    // Lines after it are pieces kept from writes cut short, or lines a cut download stopped before.
    const qsizetype known = overlap(tail.mid(0, last + 1), lines);
    if (known > 0)
        return known;
    // The download does not begin where the archive has its line: whatever precedes that line in
    // the download lies before the lines looked at, and is archived already.
    return lines.indexOf(tail[last]) + 1;
}

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
    QFile file;
    if (const auto opened = link::openRegularFile(file, path, QIODevice::ReadOnly, link::AtLink::Refuse);
        !opened)
        return archiveRefusal(path, *opened.refusal);
    const QByteArray bytes = file.readAll();
    if (file.error() != QFile::NoError)
        return fileError(QT_TRANSLATE_NOOP("stazione::data::Archive", "Lettura del file"), file);
    QList<QByteArray> lines;
    lines.reserve(bytes.count('\n'));
    appendLines(bytes, lines);
    return lines;
}

link::Result<ArchiveMerge> mergeIntoArchive(const QString& archivePath, const QList<QByteArray>& lines,
                                            const DownloadFacts& facts)
{
    QFile file;
    if (const auto opened =
            link::openRegularFile(file, archivePath, QIODevice::ReadWrite, link::AtLink::Refuse);
        !opened)
        return archiveRefusal(archivePath, *opened.refusal);
    ArchiveMerge merge;
    const qint64 size = file.size();

    // A last line without its line end is what a write cut short leaves.
    qint64 whole = size; // where the complete lines end
    QByteArray torn;
    bool tornWhole = false;
    if (size > 0) {
        char last = 0;
        if (!file.seek(size - 1) || file.read(&last, 1) != 1)
            return fileError(QT_TRANSLATE_NOOP("stazione::data::Archive", "Lettura dell'archivio"), file);
        if (last != '\n') {
            whole = 0;
            for (qint64 from = size; from > 0 && whole == 0;) {
                const qint64 length = std::min(kBlock, from);
                from -= length;
                if (!file.seek(from))
                    return fileError(QT_TRANSLATE_NOOP("stazione::data::Archive", "Lettura dell'archivio"),
                                     file);
                const QByteArray block = file.read(length);
                if (block.size() != length)
                    return fileError(QT_TRANSLATE_NOOP("stazione::data::Archive", "Lettura dell'archivio"),
                                     file);
                const qsizetype lf = block.lastIndexOf('\n');
                if (lf >= 0)
                    whole = from + lf + 1;
            }
            if (!file.seek(whole))
                return fileError(QT_TRANSLATE_NOOP("stazione::data::Archive", "Lettura dell'archivio"), file);
            torn = file.read(size - whole);
            // With its CR the piece is a whole line that lacks only its LF.
            tornWhole = torn.endsWith('\r');
            if (tornWhole)
                torn.chop(1);
        }
    }

    QList<QByteArray> tail;
    qint64 before = 0;
    if (auto s = readTail(file, whole, windowFor(lines, facts), tail, before); !s)
        return s.error();

    qsizetype from = lines.size(); // the first line to append
    if (!lines.isEmpty()) {
        const qsizetype known = knownLines(tail, lines);
        if (known >= 0) {
            from = known;
        } else if (!facts.complete && facts.newestFirst) {
            // The newest lines only: what lies between the archive's end and them is not known.
            from = lines.size();
        } else if (tail.isEmpty()) {
            from = 0;
        } else {
            const QDateTime first = stampOf(lines.first());
            const QDateTime archived = stampOf(tail.last());
            if (first.isValid() && archived.isValid() && first < archived) {
                merge.change = MemoryChange::Refused;
            } else {
                from = 0;
                merge.change = facts.available && *facts.available == 0 ? MemoryChange::Overwritten
                                                                        : MemoryChange::Erased;
            }
        }
    }

    QByteArray out;
    qint64 at = size;
    if (whole < size) {
        if (torn.isEmpty()) {
            at = whole; // a lone CR: no text of a line
        } else if (from < lines.size() && (tornWhole ? lines[from] == torn : lines[from].startsWith(torn))) {
            merge.repaired = TailRepair::Replaced;
            at = whole;
        } else if (facts.complete || from < lines.size()) {
            // The logger no longer holds the line (or the lines that follow it come now): the
            // piece stays, a line of its own.
            merge.repaired = TailRepair::Kept;
            at = whole + torn.size();
            out += "\r\n";
            ++before;
        }
        // A cut download that adds nothing leaves the piece for a download that holds more.
    }
    qsizetype bytes = out.size();
    for (qsizetype i = from; i < lines.size(); ++i)
        bytes += lines[i].size() + 2;
    out.reserve(bytes);
    for (qsizetype i = from; i < lines.size(); ++i) {
        out += lines[i];
        out += "\r\n";
    }
    if (!out.isEmpty()) {
        // A replaced piece goes in the same write that brings its whole line: a kill between the
        // two cannot leave the archive without both.
        if (!file.seek(at) || file.write(out) != out.size() || !file.flush())
            return fileError(QT_TRANSLATE_NOOP("stazione::data::Archive", "Scrittura dell'archivio"), file);
        if (at + out.size() < size && !file.resize(at + out.size()))
            return fileError(QT_TRANSLATE_NOOP("stazione::data::Archive", "Riparazione dell'archivio"), file);
        // The night's work survives a power cut once the merge has said it is done.
        ::fsync(file.handle());
    }
    merge.added = lines.size() - from;
    merge.total = before + merge.added;
    return merge;
}

} // namespace stazione::data
