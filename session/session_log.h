#pragma once

#include "link/result.h"

#include <QByteArray>
#include <QDate>
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

// The data file name the log is named after: the text of the main window's file name box while
// it holds a data file name (or nothing); while it shows a status of the work ("Attendi..") or a
// file still being written, the name of today's data file of the station the logger holds.
QString sessionLogDataFileName(const QString& shown, const QString& station, const QDate& date);

// Writes the log, replacing a file of the same name.
link::Status writeSessionLog(const QString& path, const SessionLogValues& values);

} // namespace stazione::session
