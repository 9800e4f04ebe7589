#pragma once

#include "link/link.h"
#include "link/result.h"
#include "session/port_scan.h"

#include <QCoreApplication>
#include <QString>

#include <functional>
#include <optional>

// A Hayes modem on a serial port: finding it, dialling a station, telling when the call is up,
// and hanging up. Over the call the logger is reached with the usual link routines.
namespace stazione::modem {

inline const QString kNoModem =
    QStringLiteral(QT_TRANSLATE_NOOP("stazione::ui::Messages", "Modem non presente su questa porta"));
inline const QString kSearching =
    QStringLiteral(QT_TRANSLATE_NOOP("stazione::ui::Messages", "Ricerca Modem in corso..."));

// Opens port n (DTR and RTS up, all waiting characters per read) and asks for the modem's
// identification: the text it answered when that is a modem's (see isModemReply), nothing
// otherwise. The port stays open.
std::optional<QString> probeModem(link::Link& link, int port);
// A modem's answer to the probe: longer than 8 characters and with the final result "OK" on a
// line of its own.
bool isModemReply(const QByteArray& reply);
// "Modem Trovato su Com 3" + the modem's answer + CR.
QString foundText(int port, const QString& reply);

// "atx0" (CONNECT without the speed), then "ATD" and the number. With `pauseAfterFirstDigit` the
// number is dialled as its first character, the dial pause ",", and the rest. A Data error when
// that form is asked of an empty number (nothing is dialled). A number with a control character
// is refused before anything is sent.
link::Status dial(link::Link& link, const QString& number, bool pauseAfterFirstDigit);
QString dialString(const QString& number, bool pauseAfterFirstDigit);

// The call is up when the modem's reply, after its CR LF, reads CONNECT.
bool isConnect(const QString& received);
// A reply as the status shows it: without the CR LF in front.
QString shownReply(const QString& received);

// A second of silence, the escape "+++", the modem's guard time, then "ATH".
link::Status hangUp(link::Link& link);

inline const QString kStartupText =
    QStringLiteral(QT_TRANSLATE_NOOP("stazione::ui::Messages", "Recupero dei parametri interni"));

// After CONNECT: reads a character at a time again, lets the remote logger settle for 21 s
// (flushing what it sends meanwhile) and identifies it, twice, as it may not take the first "V".
// `paused` hears each of the three pauses end (1, 2, 3).
link::Result<session::Identification> remoteStartup(link::Link& link,
                                                    const std::function<void(int)>& paused = {});

// What the window adapts to after a remote identification: both models of the family get the
// family's full window, a model whose name ends in "HX" the vibrating-wire one.
enum class RemoteModel { Family, VibratingWire, Other };
RemoteModel remoteModel(const QString& modello);
QString remoteFoundText(const QString& versione); // "Dispositivo  M410-M610 <version> rilevato"

// The retry read of a call: fixed-length replies cut at their places.
struct RetryValues {
    std::array<QString, 5> data;        // day, month, year (2000 + ...), hour, minute
    std::array<QString, 3> conversione; // hours, minutes, seconds of the interval
    QString preaccensione;
    int channels = 0;
    QString Nome_Centralina;
    std::array<QString, 5> Prox;
    std::optional<QString> Acq_possibili; // read only when a channel is active
    std::optional<QString> acq_disponibili;
};
link::Result<RetryValues> Recupera_Dati(link::Link& link);

} // namespace stazione::modem
