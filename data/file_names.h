#pragma once

#include <QDate>
#include <QString>

// Names of the files the program writes for a station.
namespace stazione::data {

// Today's date as the names carry it: two-digit day, month and year.
struct DateParts {
    QString dd;
    QString mm;
    QString yy;
};
DateParts dateParts(const QDate& date);

// The station name as it can stand in a file name. The name comes from the logger: a path
// separator or a character that file systems refuse (also those of the memory sticks the files
// travel on) is replaced by "_", so that a file never lands outside the chosen folder, and a name
// too long for a file name (with the longest ending the program adds) is cut at a character. The
// rest of the name is kept as it is; an empty name stays empty.
QString safeStationName(const QString& station);

// The database file of "--db" alone, in the data root.
inline const QString kDatabaseFileName = QStringLiteral("stazione.sqlite");

// Whether a name in a data root is one the program writes itself: the site folder ("sito") and
// its temporaries, raccolta.jsonl, allarmi.jsonl, stazione.sqlite, and what goes beside them.
bool reservedInDataRoot(const QString& name);

// The name of a station's folder: its safe name, or "stazione_<row>" when the name is empty or
// made only of dots and blanks ("." and ".." would be the data root and the folder above it), or
// "stazione_<row>_<safe name>" when the safe name is reserved in the data root ("sito" would be
// the site, which the next report replaces; "allarmi.jsonl" the alerts' log).
QString safeFolderName(const QString& station, int row);

// The data file name proposed after a connection: name_DD_MM_YY.txt.
QString dataFileName(const QString& station, const QDate& date);

} // namespace stazione::data
