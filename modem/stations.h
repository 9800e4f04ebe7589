#pragma once

#include <QDate>
#include <QString>

#include <array>

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
// comma, a quote or blanks in front comes back as it was saved. Missing files are created empty;
// a file with fewer lines leaves the remaining values empty.
StationDirectory loadStations(const QString& stations, const QString& lastCalls);
bool saveStations(const StationDirectory& directory, const QString& stations, const QString& lastCalls);

// The date of a successful call as "Ultimo Controllo" shows it: dd/MM/yyyy.
QString callDateText(const QDate& date);

} // namespace stazione::modem
