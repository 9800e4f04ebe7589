#include "network/data_root.h"

#include "data/file_names.h"
#include "network/alerts.h"
#include "network/collection_report.h"
#include "network/network_status.h"
#include "network/site_report.h"

#include <algorithm>

namespace stazione::data {

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

} // namespace stazione::data
