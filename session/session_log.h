#pragma once

#include "link/result.h"

#include <QByteArray>
#include <QString>

namespace stazione::session {

// What the log records of the station at the end of the work, as the main window shows it.
struct SessionLogValues {
    QString Nome_Centralina; // station name
    QString Acq_possibili;   // acquisitions the memory can hold
    QString acq_disponibili; // acquisitions still available
    QString conversione[3];  // acquisition interval: hours, minutes, seconds
    QString preaccensione;   // pre-heating time
};

// The seven lines, each a 16-character label and the field's text, ended by CR LF.
QByteArray sessionLogText(const SessionLogValues& values);

// "LOGOUT_" followed by the data file name, in the data folder.
QString sessionLogPath(const QString& dataFolder, const QString& dataFileName);

// Writes the log, replacing a file of the same name.
link::Status writeSessionLog(const QString& path, const SessionLogValues& values);

} // namespace stazione::session
