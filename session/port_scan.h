#pragma once

#include "link/link.h"
#include "link/result.h"

#include <QCoreApplication>
#include <QString>

#include <functional>
#include <optional>

namespace stazione::session {

// The file that remembers the port of the last successful connection.
QString savedPortFile(); // <settings folder>/qx255.ini

// Reads the saved port: the last number in the file wins; 0 when there is none. The file is
// created (empty) when missing, so that it exists from the first scan on.
int readSavedPort(const QString& path);
// Writes the port as the file's only line: a blank, the digits, a blank, CR LF (" 3 \r\n").
bool writeSavedPort(const QString& path, int porta);

struct Identification {
    QString Modello;  // identification reply, one of the three models
    QString Versione; // second field of the reply
    qint16 Porta = 0;
};

// Status texts as the connection window shows them.
QString scanningStatus(qint16 porta);
QString foundStatus(const Identification& id);
inline const QString kNotFoundStatus = QStringLiteral(
    QT_TRANSLATE_NOOP("stazione::ui::Messages", "Datalogger non trovato, controllare la connessione"));

// "V": the model and the version of the logger on the connection.
link::Result<Identification> askIdentification(link::Link& link);

// Asks the logger on the open connection who it is: the logger needs 7 s after waking before it
// takes commands, then "V" answers with the model and the version.
link::Result<Identification> identifyOpenLogger(link::Link& link);

// One attempt on one port: the opening probe, then the identification. Returns nothing when
// the port is silent or missing, or the device on it is not a known logger (the reason goes to
// `why`, and `denied` tells a port this user may not open); the port is then closed. An error is
// returned only for a cancel.
link::Result<std::optional<Identification>> tryPort(link::Link& link, qint16 porta, QString* why = nullptr,
                                                    bool* denied = nullptr);

// The connection window's scan: the saved port first, then COM1 to COM30. The first port with a
// known logger wins and is saved. Reports each step through `status`.
link::Result<std::optional<Identification>> scanPorts(link::Link& link, const QString& settingsFile,
                                                      const std::function<void(const QString&)>& status);

} // namespace stazione::session
