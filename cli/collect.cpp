#include "cli/cli.h"
#include "cli/interrupt.h"
#include "link/timing.h"
#include "modem/collection.h"
#include "modem/modem.h"
#include "modem/stations.h"
#include "network/collection_report.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QJsonDocument>
#include <QProcess>
#include <QScopeGuard>
#include <QTimer>

#include <csignal>
#include <memory>
#include <vector>

namespace stazione::cli {

namespace {

// A child collecting on one modem that has not ended this long after the signal was passed on
// is killed: its own stop takes a hang-up, a few seconds.
constexpr int kChildStopMs = 20000;

QString stopText(const Interrupt& interrupt)
{
    return interrupt.requested() ? QStringLiteral("stopped by %1").arg(interrupt.signalName()) : QString();
}

modem::CollectSettings settingsOf(const Options& options, const Interrupt& interrupt)
{
    modem::CollectSettings s;
    s.stopped = [&interrupt] { return stopText(interrupt); };
    s.dir = options.dir;
    s.retries = options.retries;
    s.retryWait = std::chrono::milliseconds(qint64(options.retryWaitSeconds * 1000));
    s.syncClockSeconds = options.syncClockSeconds;
    s.fromEnd = options.fromEnd;
    s.readSensors = options.readSensors;
    s.sensorsEveryDays = options.sensorsEveryDays;
    s.callTimeout = std::chrono::milliseconds(qint64(options.callTimeoutSeconds * 1000));
    return s;
}

// The run's database step with --db: every outcome passes here, in this process or from a child.
CollectionDatabase* g_database = nullptr;
// The run's signals, heard between two stores as well.
Interrupt* g_interrupt = nullptr;

void print(const data::StationOutcome& o, bool json)
{
    if (g_database) {
        g_database->store(o);
        // A signal that cut a store came while no event loop ran: it is taken now, so that the
        // collection stops at once rather than at its next wait.
        if (g_interrupt)
            g_interrupt->check();
    }
    if (json)
        out(QString::fromUtf8(QJsonDocument(data::toJson(o)).toJson(QJsonDocument::Compact)));
}

// An outcome that could not be reported is a failure of the run, whatever the station did.
void reportOutcome(const Options& options, data::StationOutcome& o)
{
    if (auto s = data::appendReport(QDir(options.dir).filePath(data::kReportFileName), o); !s) {
        o.reportError = s.error().message;
        message(s.error().message);
    }
}

int exitStatus(const QList<data::StationOutcome>& outcomes)
{
    const bool allOk = std::all_of(outcomes.begin(), outcomes.end(), [](const data::StationOutcome& o) {
        return o.result == data::CollectResult::Ok && o.reportError.isEmpty();
    });
    return allOk ? kExitOk : kExitFailure;
}

// Every station of one modem, in this process.
QList<data::StationOutcome> collectOnModem(const Options& options, int modemPort,
                                           const QList<modem::CollectTarget>& targets, Interrupt& interrupt,
                                           link::Trace* trace)
{
    QList<data::StationOutcome> outcomes;
    modem::CollectSettings settings = settingsOf(options, interrupt);
    settings.modemPort = modemPort;
    auto port = link::makeSystemCommPort();
    port->setTrace(trace);
    link::Link link(*port);
    // A signal ends the wait under way; the collection then hangs up and reports.
    QObject::connect(&interrupt, &Interrupt::triggered, &link, [&link] { link.abort(); });
    if (interrupt.requested())
        link.abort();
    if (options.timeoutSeconds)
        link.setReplyTimeout(std::chrono::milliseconds(qint64(*options.timeoutSeconds * 1000)));
    // Another Stazione program on the modem (the modem window, another collection) is waited for
    // as long as a retry would wait.
    port->setLockWait(int(std::min<qint64>(link::scaled(settings.retryWait).count(), 24 * 3600 * 1000)));
    const auto tag = [modemPort](const QString& text) {
        message(QStringLiteral("[COM%1] ").arg(modemPort) + text);
    };

    // The port is tried first on its own, so that a port held by another program is told as such.
    // A modem that does not answer (being reset, its USB plug just back) is tried again as a call
    // is; a port held by another program was already waited for as long as a retry waits.
    QString why;
    std::optional<QString> found;
    for (int attempt = 0;; ++attempt) {
        (void)port->setCommPort(modemPort);
        bool held = false;
        if (auto opened = port->setPortOpen(true); !opened) {
            why = opened.error().message;
            held = opened.error().kind == link::ErrorKind::Port &&
                   opened.error().number == link::port_error::kInUse;
        } else {
            (void)port->setPortOpen(false);
            found = modem::probeModem(link, modemPort);
            if (!found)
                why = coreText(modem::kNoModem) + QStringLiteral(" (COM%1)").arg(modemPort);
        }
        if (found || held || attempt >= settings.retries || interrupt.requested())
            break;
        (void)port->setPortOpen(false);
        tag(why + QStringLiteral("; trying again in %1 s")
                      .arg(double(link::scaled(settings.retryWait).count()) / 1000.0));
        if (!link::sleepKeepingPaint(link::scaled(settings.retryWait)))
            break;
    }
    if (!found) {
        // Without a modem no station can be called: each is reported with the reason.
        (void)port->setPortOpen(false);
        if (interrupt.requested())
            why = stopText(interrupt);
        for (const modem::CollectTarget& t : targets) {
            data::StationOutcome o = modem::cancelledOutcome(t, why);
            if (!interrupt.requested())
                o.result = data::CollectResult::LineLost;
            reportOutcome(options, o);
            print(o, options.json);
            outcomes << o;
        }
        tag(why);
        return outcomes;
    }
    tag(modem::foundText(modemPort, *found).simplified());
    link.Porta = static_cast<qint16>(modemPort);
    link.Porta_Aperta = true;
    modem::collectAll(
        link, targets, settings, tag,
        [&](const data::StationOutcome& o) {
            print(o, options.json);
            outcomes << o;
        },
        [](const modem::CollectTarget& t) {
            if (!modem::keepCallDate(t.row, QDate::currentDate()))
                message(QStringLiteral("Cannot keep the call date of station %1 in %2.")
                            .arg(t.row)
                            .arg(modem::lastCallsFile()));
        });
    link.Porta_Off();
    return outcomes;
}

// One child process per modem, each with its share of the stations; their outcomes come back as
// JSON lines on their standard output.
QList<data::StationOutcome>
collectInParallel(const Options& options, const QList<modem::CollectTarget>& targets, Interrupt& interrupt)
{
    const QList<int>& modems = options.modemPorts;
    std::vector<QStringList> shares(size_t(modems.size()));
    for (qsizetype i = 0; i < targets.size(); ++i)
        shares[size_t(i % modems.size())] << QString::number(targets[i].row);
    std::vector<std::unique_ptr<QProcess>> children;
    QList<data::StationOutcome> outcomes;
    for (qsizetype m = 0; m < modems.size(); ++m) {
        if (shares[size_t(m)].isEmpty())
            continue;
        QStringList args{QStringLiteral("collect"),
                         QStringLiteral("--modem-port"),
                         QString::number(modems[m]),
                         QStringLiteral("--stations"),
                         shares[size_t(m)].join(QLatin1Char(',')),
                         QStringLiteral("--dir"),
                         options.dir,
                         QStringLiteral("--retries"),
                         QString::number(options.retries),
                         QStringLiteral("--retry-wait"),
                         QString::number(options.retryWaitSeconds),
                         QStringLiteral("--call-timeout"),
                         QString::number(options.callTimeoutSeconds),
                         QStringLiteral("--json")};
        if (options.syncClockSeconds)
            args << QStringLiteral("--sync-clock") << QString::number(*options.syncClockSeconds);
        if (options.fromEnd)
            args << QStringLiteral("--from-end");
        if (options.readSensors)
            args << QStringLiteral("--read-sensors");
        args << QStringLiteral("--sensors-every") << QString::number(options.sensorsEveryDays);
        if (options.timeoutSeconds)
            args << QStringLiteral("--timeout") << QString::number(*options.timeoutSeconds);
        // Each modem its own trace: two processes appending to one file would mix their lines.
        if (!options.trace.isEmpty())
            args << QStringLiteral("--trace") << options.trace + QStringLiteral(".COM%1").arg(modems[m]);
        auto child = std::make_unique<QProcess>();
        child->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QProcess* raw = child.get();
        const auto readOutcomes = [raw, &outcomes, &options] {
            while (raw->canReadLine()) {
                const QByteArray line = raw->readLine();
                const QJsonDocument doc = QJsonDocument::fromJson(line);
                if (!doc.isObject())
                    continue;
                const data::StationOutcome o = data::outcomeFromJson(doc.object());
                print(o, options.json);
                outcomes << o;
            }
        };
        QObject::connect(raw, &QProcess::readyReadStandardOutput, raw, readOutcomes);
        QObject::connect(raw, &QProcess::finished, raw, readOutcomes);
        child->start(QCoreApplication::applicationFilePath(), args);
        children.push_back(std::move(child));
    }

    // The children are waited for in an event loop, so that a signal is heard meanwhile: it is
    // passed on to each child, which hangs up and reports its stations; one that does not end in
    // time is killed, and its stations are reported here.
    QEventLoop loop;
    const auto allEnded = [&children] {
        return std::all_of(children.begin(), children.end(),
                           [](const auto& c) { return c->state() == QProcess::NotRunning; });
    };
    for (auto& child : children)
        QObject::connect(child.get(), &QProcess::finished, &loop, [&] {
            if (allEnded())
                loop.quit();
        });
    QTimer killer;
    killer.setSingleShot(true);
    QObject::connect(&killer, &QTimer::timeout, &loop, [&children] {
        for (auto& child : children) {
            if (child->state() != QProcess::NotRunning)
                child->kill();
        }
    });
    const auto passOn = [&] {
        for (auto& child : children) {
            if (child->state() != QProcess::NotRunning && child->processId() > 0)
                ::kill(pid_t(child->processId()), interrupt.signalNumber());
        }
        killer.start(kChildStopMs);
    };
    QObject::connect(&interrupt, &Interrupt::triggered, &loop, passOn);
    if (interrupt.requested())
        passOn();
    if (!allEnded())
        loop.exec();

    for (std::size_t m = 0; m < children.size(); ++m) {
        QProcess& child = *children[m];
        child.waitForFinished(1000); // already ended: only its last output is collected
        if (child.exitStatus() != QProcess::NormalExit || child.exitCode() == kExitUsage)
            message(QStringLiteral("stazione-cli: the collection on one modem ended abnormally (%1).")
                        .arg(child.exitStatus() != QProcess::NormalExit ? QStringLiteral("killed")
                                                                        : QString::number(child.exitCode())));
    }
    // A station no child reported (a child killed, or one that failed before its first call) is
    // reported here, so that the report names every station of the run.
    for (const modem::CollectTarget& t : targets) {
        const bool reported = std::any_of(outcomes.begin(), outcomes.end(),
                                          [&t](const data::StationOutcome& o) { return o.row == t.row; });
        if (reported)
            continue;
        data::StationOutcome o = modem::cancelledOutcome(t, stopText(interrupt));
        if (!interrupt.requested()) {
            o.result = data::CollectResult::LineLost;
            o.error = QStringLiteral("The collection process for this station ended without reporting it.");
        }
        reportOutcome(options, o);
        print(o, options.json);
        outcomes << o;
    }
    return outcomes;
}

} // namespace

int runCollect(const Options& options)
{
    // SIGINT and SIGTERM (systemd stops the unit so) end the collection cleanly: the call under
    // way is hung up, every station not done is reported as cancelled, the locks are released.
    Interrupt interrupt(nullptr, Interrupt::Repeat::Ignored);
    if (const QString wrong = folderProblem(options.dir); !wrong.isEmpty()) {
        message(QStringLiteral("stazione-cli: ") + wrong);
        return kExitUsage;
    }
    std::optional<CollectionDatabase> database;
    g_interrupt = &interrupt;
    const auto forget = qScopeGuard([] {
        g_database = nullptr;
        g_interrupt = nullptr;
    });
    if (options.db) {
        database.emplace(options);
        g_database = &*database;
    }
    QList<data::StationOutcome> outcomes;
    if (options.port) {
        // The one logger on the cable.
        auto logger = connectLogger(options);
        if (logger) {
            QObject::connect(&interrupt, &Interrupt::triggered, logger->link.get(),
                             [&logger] { logger->link->abort(); });
            if (interrupt.requested())
                logger->link->abort();
        }
        if (!logger) {
            data::StationOutcome o;
            o.start = o.end = QDateTime::currentDateTime();
            o.result = data::CollectResult::LineLost;
            o.attempts = 1;
            o.error = QStringLiteral("No logger found on COM%1.").arg(*options.port);
            reportOutcome(options, o);
            outcomes << o;
            print(o, options.json);
        } else {
            modem::CollectTarget cable;
            cable.modello = logger->id.Modello;
            modem::collectAll(
                *logger->link, {cable}, settingsOf(options, interrupt), [](const QString& t) { message(t); },
                [&](const data::StationOutcome& o) {
                    print(o, options.json);
                    outcomes << o;
                });
        }
    } else {
        const auto read = modem::readStations(modem::stationsFile(), modem::lastCallsFile());
        if (!read) {
            message(QStringLiteral("stazione-cli: ") + read.error().message);
            return kExitFailure;
        }
        const modem::StationDirectory& directory = *read;
        if (const int more = modem::rowsPastDirectory(modem::stationsFile()); more > 0)
            message(
                QStringLiteral("%1 holds %2 more stations past row %3: they are not called, and are kept "
                               "as they are.")
                    .arg(modem::stationsFile(), QString::number(more), QString::number(modem::kStations)));
        const auto folders = modem::stationFolders(directory);
        QList<modem::CollectTarget> targets;
        for (int row : options.stations) {
            const modem::Station& s = directory[size_t(row - 1)];
            if (s.Telefono.trimmed().isEmpty()) {
                message(QStringLiteral("stazione-cli: station %1 has no number in %2.")
                            .arg(row)
                            .arg(modem::stationsFile()));
                return kExitUsage;
            }
            targets << modem::CollectTarget{
                .row = row, .name = s.Nome, .number = s.Telefono, .folder = folders[size_t(row - 1)]};
        }
        if (options.stations.isEmpty()) {
            for (int i = 0; i < modem::kStations; ++i) {
                if (!directory[size_t(i)].Telefono.trimmed().isEmpty())
                    targets << modem::CollectTarget{.row = i + 1,
                                                    .name = directory[size_t(i)].Nome,
                                                    .number = directory[size_t(i)].Telefono,
                                                    .folder = folders[size_t(i)]};
            }
        }
        if (targets.isEmpty()) {
            message(
                QStringLiteral("stazione-cli: no station with a number in %1.").arg(modem::stationsFile()));
            return kExitUsage;
        }
        std::unique_ptr<link::Trace> trace;
        if (options.modemPorts.size() == 1 && !options.trace.isEmpty()) {
            trace = std::make_unique<link::Trace>(options.trace);
            if (!trace->isOpen()) {
                message(
                    QStringLiteral("Cannot write the trace %1: %2").arg(options.trace, trace->errorString()));
                return kExitFailure;
            }
            trace->setOnFailure([](const QString& why) { message(why); });
        }
        outcomes = options.modemPorts.size() == 1
                       ? collectOnModem(options, options.modemPorts.first(), targets, interrupt, trace.get())
                       : collectInParallel(options, targets, interrupt);
    }
    if (!options.json)
        out(data::outcomeTable(outcomes).trimmed());
    interrupt.check();
    if (interrupt.requested()) {
        message(QStringLiteral("stazione-cli: collection %1.").arg(stopText(interrupt)));
        return interrupt.exitStatus();
    }
    // The alerts and the site tell what the night brought; the exit status stays the collection's.
    if (options.alerts.any() || options.report)
        (void)reportNetwork(options, options.dir, options.report, false);
    if (database && database->failed())
        return kExitFailure;
    return exitStatus(outcomes);
}

} // namespace stazione::cli
