#pragma once

#include "link/result.h"
#include "link/settings_file.h"

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>

#include <optional>

// The archive of a station: every line the logger ever sent, each once, oldest first.
//
// The logger sends its memory oldest first; its memory only grows at its end, loses its oldest
// records when it is full, or is erased. So a download (or the beginning of one, when the call
// dropped) is a run of lines the archive may already hold, followed by new ones. The merge finds
// the last archived line the download holds; the lines of the download up to it must be the
// archive's lines up to it: the longest beginning of the download that ends there is known, the
// rest is appended in the order received. A piece of a download that lies wholly inside the
// archive thus appends nothing, and one that reaches past the archive's end appends only what is
// past it, so no sequence of cut and complete downloads can archive a line twice.
//
// A download that holds no archived line at all starts a new memory: the logger's memory was
// erased, or it was full and overwrote records the archive never got. It is appended whole,
// unless its first record is older than the archive's last one (another logger answered, or its
// clock was set back): then nothing is appended and the merge says so.
//
// Only the archive's last lines are looked at: as many as the memory can hold (from its counters)
// and never fewer than the download has, so the cost follows the memory, not the archive.
// A line sent twice by the logger inside one download is kept twice: the archive holds what the
// logger sent.
namespace stazione::data {

// <station>_archivio.txt, the station name made safe for a file name.
QString archiveFileName(const QString& station);

// What is known of the download besides its lines.
struct DownloadFacts {
    bool complete = true;     // it ended with its end mark: it is the whole memory
    bool newestFirst = false; // it ran from the end of the memory (its lines are given oldest first)
    // The memory counters read with the parameters: acquisitions the memory can hold, and those
    // still free. Unknown when not read.
    std::optional<qint64> possible;
    std::optional<qint64> available;
};

// What happened to a last archive line that lacked its line end (a write cut short).
enum class TailRepair {
    None,
    Replaced, // the download holds the whole line: the piece was replaced by it
    Kept,     // the logger no longer holds it: the piece was kept, its line end added
};

// How the download relates to the archive.
enum class MemoryChange {
    None,        // it continues the archive (or the archive was empty)
    Erased,      // it shares no line with the archive and the memory is not full
    Overwritten, // it shares no line and the memory is full: records the archive never got are lost
    Refused,     // it shares no line and begins before the archive ends: not appended
};

struct ArchiveMerge {
    qint64 added = 0; // lines appended now
    qint64 total = 0; // lines in the archive afterwards
    TailRepair repaired = TailRepair::None;
    MemoryChange change = MemoryChange::None;
};

// "replaced", "kept" (empty for None); "erased", "overwritten", "refused" (empty for None).
QString tailRepairText(TailRepair repair);
QString memoryChangeText(MemoryChange change);

// Appends the lines of `lines` (without line ends) that the archive does not hold yet, each ended
// by CR LF, in one write followed by a sync. The archive is created when missing; a link or
// anything but a regular file under its name is refused. A piece of a download that ran from the
// end of the memory, cut short and sharing no line with the archive, appends nothing (what lies
// between the archive's end and it is not known).
link::Result<ArchiveMerge> mergeIntoArchive(const QString& archivePath, const QList<QByteArray>& lines,
                                            const DownloadFacts& facts = {});

// How a refused archive or collection report is told: "PATH: not a regular file: refused", "PATH:
// a symbolic link, not a file: refused" or the system's words after the path.
link::Error archiveRefusal(const QString& path, const link::FileRefusal& refusal);

// The complete lines of a download file (CR LF or LF ends, line ends dropped). Text after the
// last line end is a line cut short and is left out.
link::Result<QList<QByteArray>> readCompleteLines(const QString& path);

// The longest beginning of `lines` that is also the end of `tail`.
qsizetype overlap(const QList<QByteArray>& tail, const QList<QByteArray>& lines);

// The number of lines at the beginning of `lines` that `tail` (the archive's last lines) already
// holds: the longest beginning of `lines` that ends at the last line of `tail` that `lines` holds.
// -1 when `tail` holds no line of `lines`.
qsizetype knownLines(const QList<QByteArray>& tail, const QList<QByteArray>& lines);

} // namespace stazione::data
