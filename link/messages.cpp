#include "link/messages.h"

#include <QCoreApplication>

namespace stazione::link {

namespace {

struct Messages {
    Q_DECLARE_TR_FUNCTIONS(stazione::link::Messages)
};

QString seconds(qint64 ms)
{
    return QString::number(double(ms) / 1000.0, 'g', 3);
}

QString portMessage(const Error& error, const QString& port)
{
    switch (error.number) {
    case port_error::kInvalidPort:
        return Messages::tr("%1: porta inesistente").arg(port);
    case port_error::kNotAvailable:
        return Messages::tr("%1: dispositivo non presente").arg(port);
    case port_error::kAlreadyOpen:
        return Messages::tr("%1: porta già aperta").arg(port);
    case port_error::kInUse:
        return Messages::tr("%1: porta occupata da un altro programma").arg(port);
    case port_error::kNoPermission:
        return Messages::tr("%1: permesso negato — aggiungi l'utente al gruppo dialout "
                            "(sudo adduser $USER dialout), poi esci e rientra nella sessione")
            .arg(port);
    case port_error::kNotOpen:
        return Messages::tr("%1: porta non aperta").arg(port);
    case port_error::kInvalidSettings:
        return Messages::tr("%1: impostazioni della linea non accettate").arg(port);
    default:
        return Messages::tr("%1: errore della porta (%2)").arg(port).arg(error.number);
    }
}

QString kindMessage(const Error& error);

} // namespace

QString portName(int comPort, const QString& device)
{
    const QString com = QStringLiteral("COM") + QString::number(comPort);
    return device.isEmpty() ? com : com + QStringLiteral(" (") + device + QLatin1Char(')');
}

QString operatorMessage(const Error& error)
{
    const QString text = kindMessage(error);
    return error.notes.isEmpty() ? text : text + QLatin1Char('\n') + error.notes;
}

namespace {

QString kindMessage(const Error& error)
{
    if (!error.shown.isEmpty())
        return error.shown;
    // A wait names the port alone, the way the operator chose it; a port that would not open
    // names the device as well, which is where the fault is to be looked for.
    const QString com = portName(error.comPort, QString());
    switch (error.kind) {
    case ErrorKind::TimedOut:
        if (error.number == timeout_reason::kStillSending)
            return Messages::tr("%1 trasmetteva ancora dopo %2 s").arg(com, seconds(error.waitedMs));
        if (!error.partial.isEmpty())
            return Messages::tr("risposta incompleta da %1 in %2 s (ricevuto \"%3\")")
                .arg(com, seconds(error.waitedMs), QString::fromLatin1(error.partial.left(40)));
        return Messages::tr("nessuna risposta da %1 in %2 s").arg(com, seconds(error.waitedMs));
    case ErrorKind::Cancelled:
        return Messages::tr("annullato");
    case ErrorKind::LineLost:
        return Messages::tr("connessione persa su %1").arg(portName(error.comPort, error.device));
    case ErrorKind::Port:
        return portMessage(error, portName(error.comPort, error.device));
    case ErrorKind::File:
    case ErrorKind::Data:
    case ErrorKind::Refused:
        break;
    }
    return error.message;
}

} // namespace

QString operatorSentence(const Error& error)
{
    QString text = operatorMessage(error);
    if (!text.isEmpty())
        text[0] = text[0].toUpper();
    return text;
}

} // namespace stazione::link
