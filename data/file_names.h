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

// The data file name proposed after a connection: name_DD_MM_YY.txt.
QString dataFileName(const QString& station, const QDate& date);

} // namespace stazione::data
