#include "cli/cli.h"

#include "link/comm_port.h"
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

} // namespace

void out(const QString& text)
{
    std::fputs(text.toLocal8Bit().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

namespace {

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

int finish(const Report& report, bool accepted)
{
    report.print();
    if (accepted)
        return kExitOk;
    message(QStringLiteral("Parametro non registrato"));
    return kExitFailure;
}

void addIdentification(Report& report, const session::Identification& id)
{
    report.add(QStringLiteral("model"), id.Modello);
    report.add(QStringLiteral("version"), id.Versione);
    report.add(QStringLiteral("port"), id.Porta);
}

} // namespace stazione::cli
