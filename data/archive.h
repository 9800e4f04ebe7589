#pragma once

#include "link/result.h"

#include <QByteArray>
#include <QList>
#include <QString>

// The archive of a station: every line the logger ever sent, each once, oldest first.
//
// What is "already there" is decided by overlap, not by looking every line up. The logger sends
// its memory oldest first, so a download is the lines the archive already ends with (those still
// in the memory), followed by the new ones. The merge finds the longest beginning of the download
// that the archive ends with and appends the rest in the order received. That also completes an
// archive whose last merge was cut short: what was appended is again an end of the archive that
// begins the download. Only as many lines as the download has are read back from the archive's
// end, so the cost follows the download, not the archive.
//
// Limits of the rule: a download that does not begin where the archive's memory of it ends (the
// memory was erased, or a different logger answered) is appended whole, except that a beginning
// which happens to equal the archive's last lines is taken as known. Records carry their time
// stamp, so two distinct records do not read alike in practice. A line sent twice by the logger
// inside one download is kept twice: the archive holds what the logger sent.
namespace stazione::data {

// <station>_archivio.txt, the station name made safe for a file name.
QString archiveFileName(const QString& station);

struct ArchiveMerge {
    qint64 added = 0;      // lines appended now
    qint64 total = 0;      // lines in the archive afterwards
    bool repaired = false; // a last line without its line end (a write cut short) was dropped first
};

// Appends the lines of `lines` (without line ends) that the archive does not end with yet, each
// ended by CR LF, in one write followed by a sync. An archive whose last line lacks its line end
// had a write cut short: that piece is cut off before anything is appended (the whole line comes
// again with the download). The archive is created when missing.
link::Result<ArchiveMerge> mergeIntoArchive(const QString& archivePath, const QList<QByteArray>& lines);

// The complete lines of a download file (CR LF or LF ends, line ends dropped). Text after the
// last line end is a line cut short and is left out.
link::Result<QList<QByteArray>> readCompleteLines(const QString& path);

// The number of lines of `lines` the archive already holds at its end, as the merge finds it:
// the longest beginning of `lines` that is also the end of `tail`.
qsizetype overlap(const QList<QByteArray>& tail, const QList<QByteArray>& lines);

} // namespace stazione::data
