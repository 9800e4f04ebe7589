#include "cli/cli.h"

#include "config/readings.h"
#include "link/comm_port.h"
#include "link/exchange.h"
#include "link/link.h"
#include "session/port_scan.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>

#include <cstdio>

namespace stazione::cli {

namespace {

QString plain(const QJsonValue& value)
{
    switch (value.type()) {
    case QJsonValue::Array: {
        QStringList parts;
        for (const QJsonValue& v : value.toArray())
            parts << plain(v);
        return parts.join(QLatin1Char(' '));
    }
    case QJsonValue::Double:
        return QString::number(value.toDouble());
    case QJsonValue::Bool:
        return value.toBool() ? QStringLiteral("yes") : QStringLiteral("no");
    default:
        return value.toString();
    }
}

void out(const QString& text)
{
    std::fputs(text.toLocal8Bit().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void applyTimeout(const Options& options, link::Link& link)
{
    if (options.timeoutSeconds)
        link.setReplyTimeout(
            std::chrono::milliseconds(static_cast<long long>(*options.timeoutSeconds * 1000)));
}

} // namespace

void Report::add(const QString& key, const QJsonValue& value)
{
    if (!m_object.contains(key))
        m_keys << key;
    m_object.insert(key, value);
}

void Report::print() const
{
    if (m_json) {
        QJsonObject ordered = m_object;
        out(QString::fromUtf8(QJsonDocument(ordered).toJson(QJsonDocument::Compact)));
        return;
    }
    for (const QString& key : m_keys)
        out(key + QStringLiteral(": ") + plain(m_object.value(key)));
}

void message(const QString& text)
{
    std::fputs(text.toLocal8Bit().constData(), stderr);
    std::fputc('\n', stderr);
    std::fflush(stderr);
}

int runPorts(const Options& options)
{
    const link::PortResolver resolver;
    QJsonArray ports;
    for (const link::PortMapping& m : resolver.mapping()) {
        QJsonObject port;
        port.insert(QStringLiteral("port"), m.number);
        port.insert(QStringLiteral("path"), m.path);
        const QFileInfo info(m.path);
        if (info.isSymLink())
            port.insert(QStringLiteral("target"), info.symLinkTarget());
        port.insert(QStringLiteral("source"),
                    m.fromLinksFolder ? QStringLiteral("link") : QStringLiteral("system"));
        ports.append(port);
    }
    if (options.json) {
        QJsonObject all;
        all.insert(QStringLiteral("folder"), resolver.linksFolder());
        all.insert(QStringLiteral("ports"), ports);
        out(QString::fromUtf8(QJsonDocument(all).toJson(QJsonDocument::Compact)));
        return kExitOk;
    }
    out(QStringLiteral("links folder: %1").arg(resolver.linksFolder()));
    if (ports.isEmpty())
        message(QStringLiteral(
            "No serial port found: no COMn link in the folder and no serial device in the system."));
    for (const QJsonValue& v : ports) {
        const QJsonObject p = v.toObject();
        QString line =
            QStringLiteral("COM%1  %2").arg(p.value("port").toInt()).arg(p.value("path").toString());
        if (p.contains("target"))
            line += QStringLiteral(" -> ") + p.value("target").toString();
        if (p.value("source").toString() == QLatin1String("system"))
            line += QStringLiteral("  (system)");
        out(line);
    }
    return kExitOk;
}

namespace {

// The port and the link of one command, with the logger found on them.
struct Connected {
    std::unique_ptr<link::CommPort> port;
    std::unique_ptr<link::Link> link;
    session::Identification id;
};

// Finds the logger: on --port N that port only, else the connection window's scan. Prints why
// when there is none.
std::optional<Connected> connectLogger(const Options& options)
{
    Connected c;
    c.port = link::makeSystemCommPort();
    c.link = std::make_unique<link::Link>(*c.port);
    applyTimeout(options, *c.link);
    if (options.port) {
        QString why;
        auto attempt = session::tryPort(*c.link, static_cast<qint16>(*options.port), &why);
        if (!attempt) {
            message(attempt.error().message);
            return std::nullopt;
        }
        if (!*attempt) {
            message(QStringLiteral("No logger found on COM%1. %2").arg(*options.port).arg(why));
            return std::nullopt;
        }
        c.id = **attempt;
        return c;
    }
    auto scan =
        session::scanPorts(*c.link, session::savedPortFile(), [](const QString& status) { message(status); });
    if (!scan) {
        message(scan.error().message);
        return std::nullopt;
    }
    if (!*scan)
        return std::nullopt;
    c.id = **scan;
    return c;
}

void addIdentification(Report& report, const session::Identification& id)
{
    report.add(QStringLiteral("model"), id.Modello);
    report.add(QStringLiteral("version"), id.Versione);
    report.add(QStringLiteral("port"), id.Porta);
}

} // namespace

int runIdentify(const Options& options)
{
    auto logger = connectLogger(options);
    if (!logger)
        return kExitFailure;
    logger->link->Porta_Off();

    Report report(options.json);
    addIdentification(report, logger->id);
    report.print();
    return kExitOk;
}

int runDestructive(const Options& options, Destructive what)
{
    if (!options.yes) {
        message(
            what == Destructive::Reset
                ? QStringLiteral("stazione-cli: reset deletes all data and all settings of the logger; "
                                 "add --yes to confirm.")
                : QStringLiteral(
                      "stazione-cli: erase deletes all recorded data of the logger; add --yes to confirm."));
        return kExitUsage;
    }
    auto logger = connectLogger(options);
    if (!logger)
        return kExitFailure;
    link::Link& link = *logger->link;

    Report report(options.json);
    addIdentification(report, logger->id);
    const auto command = what == Destructive::Reset ? link::cmd::resetLogger() : link::cmd::eraseMemory();
    if (auto sent = link::send(link, command); !sent) {
        message(sent.error().message);
        return kExitFailure;
    }
    if (what == Destructive::Reset) {
        // The logger takes a moment to come back; what it then holds is read by the next command.
        link.Ritardo(50);
        report.add(QStringLiteral("reset"), true);
    } else {
        link.Ritardo(20);
        auto memory = config::readMemoryState(link);
        if (!memory) {
            message(memory.error().message);
            return kExitFailure;
        }
        report.add(QStringLiteral("erased"), true);
        if (*memory) {
            report.add(QStringLiteral("Acq_possibili"), (*memory)->possible);
            report.add(QStringLiteral("acq_disponibili"), (*memory)->available);
        }
    }
    link.Porta_Off();
    report.print();
    return kExitOk;
}

} // namespace stazione::cli
