#include "session/port_scan.h"

#include "link/commands.h"
#include "link/exchange.h"
#include "link/models.h"
#include "link/numbers.h"
#include "link/port_resolver.h"
#include "link/settings_file.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace stazione::session {

QString savedPortFile()
{
    return link::settingsFolder() + QStringLiteral("/qx255.ini");
}

int readSavedPort(const QString& path)
{
    QFile file(path);
    if (!file.exists()) {
        QDir().mkpath(QFileInfo(path).absolutePath());
        file.open(QIODevice::Append);
        file.close();
        return 0;
    }
    const auto bytes = link::readSettingsFile(path);
    if (!bytes)
        return 0;
    // Values are separated by blanks, commas or line ends; every one is read, the last stays.
    static const QRegularExpression separators(QStringLiteral("[\\s,]+"));
    int porta = 0;
    const QString text = QString::fromLatin1(*bytes);
    for (const QString& value : text.split(separators, Qt::SkipEmptyParts))
        porta = static_cast<int>(link::integerValue(value));
    return porta;
}

bool writeSavedPort(const QString& path, int porta)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    return link::writeSettingsFile(path, QByteArray(" ") + QByteArray::number(porta) + " \r\n");
}

QString scanningStatus(qint16 porta)
{
    return QCoreApplication::translate("stazione::session::PortScan", "Scansione in corso sulla porta #%1")
        .arg(porta);
}

QString foundStatus(const Identification& id)
{
    return QCoreApplication::translate("stazione::session::PortScan",
                                       "Dispositivo  %1 %2 rilevato sulla porta #%3")
        .arg(link::shortModelName(id.Modello), id.Versione, QString::number(id.Porta));
}

link::Result<Identification> askIdentification(link::Link& link)
{
    auto fields = link::request(link, link::cmd::identify(), 2);
    if (!fields)
        return fields.error();
    return Identification{fields->at(0), fields->at(1), link.Porta};
}

link::Result<Identification> identifyOpenLogger(link::Link& link)
{
    if (auto s = link.Svuota_Buffer(); !s)
        return s.error();
    link.Ritardo(700);
    return askIdentification(link);
}

link::Result<std::optional<Identification>> tryPort(link::Link& link, qint16 porta, QString* why,
                                                    bool* denied)
{
    auto explain = [why](const QString& text) {
        if (why)
            *why = text;
    };
    link.Porta = porta;
    auto spoke = link.Apri_Porta(porta);
    if (!spoke) {
        if (spoke.error().kind == link::ErrorKind::Cancelled)
            return spoke.error();
        explain(spoke.error().message);
        if (denied)
            *denied = spoke.error().kind == link::ErrorKind::Port &&
                      spoke.error().number == link::port_error::kNoPermission;
        link.Porta_Off();
        return std::optional<Identification>();
    }
    if (!*spoke) {
        explain(QStringLiteral("Nothing was received on COM%1 after opening it.").arg(porta));
        link.Porta_Off();
        return std::optional<Identification>();
    }
    auto id = identifyOpenLogger(link);
    if (!id) {
        link.Porta_Off();
        if (id.error().kind == link::ErrorKind::Cancelled)
            return id.error();
        // A device that talks when the port opens but never answers the identification is not
        // a logger we know: the scan moves on instead of waiting for ever.
        explain(id.error().message);
        return std::optional<Identification>();
    }
    if (!link::isKnownModel(id->Modello)) {
        explain(QStringLiteral("The device on COM%1 answered \"%2\", which is not a known logger.")
                    .arg(porta)
                    .arg(id->Modello.left(40)));
        link.Porta_Off();
        return std::optional<Identification>();
    }
    return std::optional<Identification>(*id);
}

link::Result<std::optional<Identification>> scanPorts(link::Link& link, const QString& settingsFile,
                                                      const std::function<void(const QString&)>& status)
{
    const int saved = readSavedPort(settingsFile);
    // A user outside the serial ports' group is refused every port: the scan then says how to
    // get them instead of only that no logger answered.
    QString refused;
    for (int i = 0; i <= link::PortResolver::kHighestPort; ++i) {
        const auto porta = static_cast<qint16>(i == 0 ? saved : i);
        status(scanningStatus(porta));
        QString why;
        bool denied = false;
        auto found = tryPort(link, porta, &why, &denied);
        if (!found)
            return found.error();
        if (denied && refused.isEmpty())
            refused = why;
        if (*found) {
            writeSavedPort(settingsFile, porta);
            link.Ritardo(10);
            status(foundStatus(**found));
            link.Ritardo(10);
            return found;
        }
    }
    status(refused.isEmpty() ? kNotFoundStatus : kNotFoundStatus + QLatin1Char('\n') + refused);
    link.Porta_Off();
    return std::optional<Identification>();
}

} // namespace stazione::session
