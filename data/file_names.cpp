#include "data/file_names.h"

#include "data/collection_report.h"
#include "data/network_status.h"
#include "data/site_report.h"

#include <algorithm>

namespace stazione::data {

DateParts dateParts(const QDate& date)
{
    const QString text = date.toString(QStringLiteral("dd/MM/yyyy"));
    return {text.left(2), text.mid(3, 2), text.right(2)};
}

QString safeStationName(const QString& station)
{
    static const QString refused = QStringLiteral("/\\:*?\"<>|");
    // 255 bytes a name on the usual file systems, less "_DD_MM_YY_SENS.txt.part" and the like.
    constexpr qsizetype kMostBytes = 200;
    QString out = station;
    for (QChar& c : out) {
        if (c.unicode() < 32 || c.unicode() == 127 || refused.contains(c))
            c = QLatin1Char('_');
    }
    qsizetype bytes = 0;
    for (qsizetype i = 0; i < out.size(); ++i) {
        const char32_t code = out.at(i).unicode();
        const bool pair = out.at(i).isHighSurrogate() && i + 1 < out.size() && out.at(i + 1).isLowSurrogate();
        const qsizetype size = pair ? 4 : code < 0x80 ? 1 : code < 0x800 ? 2 : 3;
        if (bytes + size > kMostBytes) {
            out.truncate(i);
            break;
        }
        bytes += size;
        if (pair)
            ++i;
    }
    return out;
}

bool reservedInDataRoot(const QString& name)
{
    // The site folder, its mark, the report, the alerts' log, the database of "--db" alone, and
    // what is written beside them: a lock, a journal ("-wal"), the site's temporaries
    // (".sito.nuovo-PID-N", its ".old"). Compared without case: a data root on a memory stick or
    // a share takes "SITO" for "sito". (A day file's ".part" is written inside its station's
    // folder, never in the data root.)
    static const QString kFiles[] = {kReportFileName, kAlertsFileName, kUndeliveredFileName,
                                     kDatabaseFileName};
    const auto starts = [&name](const QString& prefix) {
        return name.startsWith(prefix, Qt::CaseInsensitive);
    };
    if (name.compare(kSiteFolderName, Qt::CaseInsensitive) == 0 ||
        starts(QLatin1Char('.') + kSiteFolderName) || starts(QStringLiteral(".stazione-")))
        return true;
    return std::any_of(std::begin(kFiles), std::end(kFiles), [&](const QString& file) {
        return name.compare(file, Qt::CaseInsensitive) == 0 || starts(file + QLatin1Char('.')) ||
               starts(file + QLatin1Char('-'));
    });
}

QString safeFolderName(const QString& station, int row)
{
    const QString safe = safeStationName(station.trimmed());
    const bool nothing =
        std::all_of(safe.begin(), safe.end(), [](QChar c) { return c == QLatin1Char('.') || c.isSpace(); });
    if (nothing)
        return QStringLiteral("stazione_%1").arg(row);
    // A name the program uses itself: "stazione_<row>_" in front, so it stands for no file of ours.
    return reservedInDataRoot(safe) ? QStringLiteral("stazione_%1_").arg(row) + safe : safe;
}

QString dataFileName(const QString& station, const QDate& date)
{
    const DateParts d = dateParts(date);
    return safeStationName(station) + QLatin1Char('_') + d.dd + QLatin1Char('_') + d.mm + QLatin1Char('_') +
           d.yy + QStringLiteral(".txt");
}

} // namespace stazione::data
