#pragma once

#include "link/result.h"

#include <QDate>
#include <QString>

#include <array>
#include <optional>

// The directory of remote stations the modem window dials, and the modem's port.
namespace stazione::modem {

struct Station {
    QString Nome;     // station name
    QString Telefono; // number to dial, as typed
    QString Scadenza; // a date kept for the operator (expiry, end of service); never interpreted
    QString Uldata;   // date of the last successful call
};

inline constexpr int kStations = 70;
using StationDirectory = std::array<Station, kStations>;

// In the settings folder: modem.ini (three lines a station: name, number, date), last.ini (a line a
// station: the last call), pmodem.ini (the modem's port).
QString stationsFile();
QString lastCallsFile();
QString modemPortFile();

// Each value is one line of its file. They are read back a line at a time, so a value with a
// comma, a quote or blanks in front comes back as it was saved; each line is UTF-8 when it is
// valid UTF-8, else Latin-1. Missing files are created empty; a file with fewer lines leaves the
// remaining values empty. A file that is there but cannot be read whole (over 1 MiB, not a
// regular file, unreadable) is an error: whoever changes the directory must not write over it.
link::Result<StationDirectory> readStations(const QString& stations, const QString& lastCalls);
// The same for showing: empty rows where the files cannot be read.
StationDirectory loadStations(const QString& stations, const QString& lastCalls);
// The rows of the file past the directory's 70 that hold anything. They are neither shown nor
// called, and every save keeps them as they are.
int rowsPastDirectory(const QString& stations);
// Written in Latin-1 when every character fits, in UTF-8 otherwise (see notLatin1). Whatever the
// files hold past the directory's rows (a longer directory of another program) is written back
// byte for byte; a file that is there but cannot be read whole is not written at all (false).
bool saveStations(const StationDirectory& directory, const QString& stations, const QString& lastCalls);
// The first value that does not fit Latin-1 ("\"Zürich ☀\" of station 3"): the files are then
// written in UTF-8, which a program reading them as Latin-1 shows wrongly.
std::optional<QString> notLatin1(const StationDirectory& directory);

// The date of a successful call as "Ultimo Controllo" shows it: dd/MM/yyyy.
QString callDateText(const QDate& date);

} // namespace stazione::modem
