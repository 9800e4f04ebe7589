#include "cli/cli.h"

#include "link/comm_port.h"
#include "link/link.h"
#include "link/timing.h"
#include "modem/modem.h"
#include "modem/stations.h"
#include "session/port_scan.h"

#include <QCoreApplication>
#include <QDate>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QScopeGuard>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace stazione::cli {

namespace {

QString plain(const QJsonValue& value)
{
    switch (value.type()) {
    case QJsonValue::Array: {
        QStringList parts;
        for (const QJsonValue v : value.toArray())
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

QString printable(const QString& text, bool keepLineBreaks)
{
    // What the logger sends reaches the terminal here: an escape sequence would retitle or clear
    // it, a NUL would cut the line. Control characters are shown as \xNN instead.
    QString shown;
    shown.reserve(text.size());
    for (QChar c : text) {
        const char16_t u = c.unicode();
        const bool control = u < 0x20 || (u >= 0x7f && u < 0xa0);
        if (!control || u == '\t' || (keepLineBreaks && u == '\n'))
            shown += c;
        else
            shown += QStringLiteral("\\x%1").arg(uint(u), 2, 16, QLatin1Char('0'));
    }
    return shown;
}

namespace {

// Why the first write to the standard output failed (a full disk, a closed pipe).
QString& outputProblem()
{
    static QString why;
    return why;
}

void noteOutputErrno()
{
    if (outputProblem().isEmpty())
        outputProblem() = QString::fromLocal8Bit(std::strerror(errno != 0 ? errno : EIO));
}

} // namespace

void out(const QString& text)
{
    const QByteArray line = printable(text, true).toLocal8Bit() + '\n';
    errno = 0;
    if (std::fwrite(line.constData(), 1, size_t(line.size()), stdout) != size_t(line.size()) ||
        std::fflush(stdout) != 0)
        noteOutputErrno();
}

void outputFailed(const QString& why)
{
    if (outputProblem().isEmpty())
        outputProblem() = why;
}

QString standardOutputProblem()
{
    errno = 0;
    if (std::fflush(stdout) != 0)
        noteOutputErrno();
    if (outputProblem().isEmpty() && std::ferror(stdout))
        outputProblem() = QStringLiteral("a write failed");
    return outputProblem();
}

std::optional<Connected> openConnection(const Options& options)
{
    Connected c;
    if (!options.trace.isEmpty()) {
        c.trace = std::make_unique<link::Trace>(options.trace);
        if (!c.trace->isOpen()) {
            message(
                QStringLiteral("Cannot write the trace %1: %2").arg(options.trace, c.trace->errorString()));
            return std::nullopt;
        }
    }
    c.port = link::makeSystemCommPort();
    c.port->setTrace(c.trace.get());
    c.link = std::make_unique<link::Link>(*c.port);
    if (options.timeoutSeconds)
        c.link->setReplyTimeout(
            std::chrono::milliseconds(static_cast<long long>(*options.timeoutSeconds * 1000)));
    c.guard = std::make_unique<session::ExchangeGuard>([l = c.link.get()] { return l->inWait(); });
    c.exchange = c.guard->hold();
    return c;
}

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
        out(key + QStringLiteral(": ") + printable(plain(m_object.value(key)), false));
}

void message(const QString& text)
{
    std::fputs(printable(text, true).toLocal8Bit().constData(), stderr);
    std::fputc('\n', stderr);
    std::fflush(stderr);
}

void Connected::close()
{
    if (!link)
        return;
    // Released last, whatever way out the command takes.
    const auto done = qScopeGuard([this] { exchange.reset(); });
    if (call && port->portOpen()) {
        message(QStringLiteral("Hanging up..."));
        if (auto s = modem::hangUp(*link); !s)
            message(s.error().message);
        call = false;
    }
    link->Porta_Off();
}

namespace {

// The logger at the other end of a modem call: the modem is found on its port, the station
// dialled, its replies watched every 2 s until CONNECT, then the logger is woken and identified.
std::optional<Connected> connectByModem(const Options& options)
{
    auto opened = openConnection(options);
    if (!opened)
        return std::nullopt;
    Connected c = std::move(*opened);
    link::Link& link = *c.link;
    const int port = *options.modemPort;
    const auto modemFound = modem::probeModem(link, port);
    if (!modemFound) {
        message(coreText(modem::kNoModem) + QStringLiteral(" (COM%1)").arg(port));
        return std::nullopt;
    }
    message(modem::foundText(port, *modemFound).trimmed());
    link.Porta = static_cast<qint16>(port);
    link.Porta_Aperta = true;
    modem::StationDirectory directory;
    QString number = options.dial;
    if (options.station) {
        const auto read = modem::readStations(modem::stationsFile(), modem::lastCallsFile());
        if (!read) {
            message(read.error().message);
            return std::nullopt;
        }
        directory = *read;
        number = directory[*options.station].Telefono;
    }
    if (auto s = modem::dial(link, number, options.dialPause); !s) {
        message(s.error().message);
        return std::nullopt;
    }
    c.call = true;
    static const QStringList kFailures{QStringLiteral("BUSY"), QStringLiteral("NO CARRIER"),
                                       QStringLiteral("NO ANSWER"), QStringLiteral("NO DIALTONE"),
                                       QStringLiteral("ERROR")};
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        link.Ritardo(200); // the window looks every 2 s
        auto received = link.port().inputAll();
        if (!received) {
            message(received.error().message);
            return std::nullopt;
        }
        const QString text = QString::fromLatin1(*received);
        if (!text.isEmpty())
            message(modem::shownReply(text).trimmed());
        if (modem::isConnect(text))
            break;
        for (const QString& failure : kFailures) {
            if (text.contains(failure)) {
                message(QStringLiteral("The call to %1 did not connect: %2").arg(number, failure));
                return std::nullopt;
            }
        }
        if (waited.elapsed() > options.callTimeoutSeconds * 1000 * link::timeScale()) {
            message(QStringLiteral("The call to %1 did not connect within %2 s.")
                        .arg(number, QString::number(options.callTimeoutSeconds)));
            return std::nullopt;
        }
    }
    message(QStringLiteral("Call connected."));
    if (options.station) {
        // The date of the call is kept at once, whatever happens next on the line.
        directory[*options.station].Uldata = modem::callDateText(QDate::currentDate());
        if (!modem::saveStations(directory, modem::stationsFile(), modem::lastCallsFile()))
            message(QStringLiteral("Cannot save %1.").arg(modem::stationsFile()));
    }
    if (!options.remoteStartup) {
        c.id.Porta = static_cast<qint16>(port);
        return std::optional<Connected>(std::move(c));
    }
    message(coreText(modem::kStartupText));
    auto id = modem::remoteStartup(link);
    if (!id) {
        message(id.error().message);
        return std::nullopt;
    }
    c.id = *id;
    return std::optional<Connected>(std::move(c));
}

} // namespace

std::optional<Connected> connectLogger(const Options& options)
{
    if (options.modemPort)
        return connectByModem(options);
    auto opened = openConnection(options);
    if (!opened)
        return std::nullopt;
    Connected c = std::move(*opened);
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

Verdict fail(const link::Error& error)
{
    message(error.message);
    return error.kind == link::ErrorKind::Refused ? Verdict::Refusal : Verdict::Failed;
}

QString coreText(const QString& text)
{
    return QCoreApplication::translate("stazione::ui::Messages", text.toUtf8().constData());
}

QString folderProblem(const QString& dir)
{
    if (dir.isEmpty())
        return QStringLiteral("--dir names no folder.");
    const QFileInfo info(dir);
    if (!info.exists())
        return QStringLiteral("the folder %1 does not exist.").arg(dir);
    if (!info.isDir())
        return QStringLiteral("%1 is not a folder.").arg(dir);
    return {};
}

bool dateRefused(const QString& verb, const std::array<QString, 6>& boxes)
{
    struct Field {
        const char* name;
        const char* what;
        long long low;
        long long high;
    };
    // Hour and minute are held to the window's own check afterwards, with its message; a number
    // beyond these would reach the logger wrapped or held at a limit (a year of 10^20 went out as
    // 9223372036854773907).
    static constexpr std::array<Field, 6> kFields{{{"D", "a day", 1, 31},
                                                   {"M", "a month", 1, 12},
                                                   {"Y", "a year", 0, 9999},
                                                   {"h", "an hour", 0, 99},
                                                   {"m", "a minute", 0, 99},
                                                   {"s", "a second", 0, 59}}};
    static const QRegularExpression kWhole(QStringLiteral("^[+-]?[0-9]+$"));
    for (size_t i = 0; i < kFields.size(); ++i) {
        const Field& f = kFields[i];
        const QString text = boxes[i].trimmed();
        bool ok = kWhole.match(text).hasMatch();
        const long long value = ok ? text.toLongLong(&ok) : 0;
        if (!ok || value < f.low || value > f.high) {
            message(QStringLiteral("stazione-cli: ") + verb + QStringLiteral(": ") + QLatin1String(f.name) +
                    QStringLiteral(" takes ") + QLatin1String(f.what) +
                    QStringLiteral(" from %1 to %2. Nothing was sent.").arg(f.low).arg(f.high));
            return true;
        }
    }
    return false;
}

bool refused(const QList<link::TypedValue>& values, link::TypedFor target)
{
    const link::Status checked = link::checkTyped(values, target);
    if (!checked)
        message(checked.error().message);
    return !checked;
}

int onLogger(const Options& options, const std::function<Verdict(Run&)>& verb)
{
    auto logger = connectLogger(options);
    if (!logger)
        return kExitFailure;
    Run run{options, *logger, *logger->link, Report(options.json)};
    addIdentification(run.report, logger->id);
    const Verdict verdict = verb(run);
    logger->close();
    if (logger->trace && logger->trace->failed())
        message(QStringLiteral("The trace %1 is incomplete.").arg(logger->trace->path()));
    switch (verdict) {
    case Verdict::Done:
        run.report.print();
        return kExitOk;
    case Verdict::Printed:
        return kExitOk;
    case Verdict::Refused:
        run.report.print();
        message(QStringLiteral("The logger did not keep the value it was sent."));
        return kExitFailure;
    case Verdict::Incomplete:
        run.report.print();
        return kExitFailure;
    case Verdict::Refusal:
        return kExitUsage;
    case Verdict::Failed:
        break;
    }
    return kExitFailure;
}

void addIdentification(Report& report, const session::Identification& id)
{
    report.add(QStringLiteral("model"), id.Modello);
    report.add(QStringLiteral("version"), id.Versione);
    report.add(QStringLiteral("port"), id.Porta);
}

} // namespace stazione::cli
