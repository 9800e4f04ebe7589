#include "cli/cli.h"
#include "data/collection_report.h"
#include "link/timing.h"
#include "modem/collection.h"
#include "modem/modem.h"
#include "modem/stations.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QProcess>
#include <QScopeGuard>

#include <memory>
#include <vector>

namespace stazione::cli {

namespace {

modem::CollectSettings settingsOf(const Options& options)
{
    modem::CollectSettings s;
    s.dir = options.dir;
    s.retries = options.retries;
    s.retryWait = std::chrono::milliseconds(qint64(options.retryWaitSeconds * 1000));
    s.syncClockSeconds = options.syncClockSeconds;
    s.fromEnd = options.fromEnd;
    s.callTimeout = std::chrono::milliseconds(qint64(options.callTimeoutSeconds * 1000));
    return s;
}

// The run's database step with --db: every outcome passes here, in this process or from a child.
CollectionDatabase* g_database = nullptr;

void print(const data::StationOutcome& o, bool json)
{
    if (g_database)
        g_database->store(o);
    if (json)
        out(QString::fromUtf8(QJsonDocument(data::toJson(o)).toJson(QJsonDocument::Compact)));
}

int exitStatus(const QList<data::StationOutcome>& outcomes)
{
    const bool allOk = std::all_of(outcomes.begin(), outcomes.end(), [](const data::StationOutcome& o) {
        return o.result == data::CollectResult::Ok;
    });
    return allOk ? kExitOk : kExitFailure;
}

// Every station of one modem, in this process.
QList<data::StationOutcome> collectOnModem(const Options& options, int modemPort,
                                           const QList<modem::CollectTarget>& targets)
{
    QList<data::StationOutcome> outcomes;
    modem::CollectSettings settings = settingsOf(options);
    settings.modemPort = modemPort;
    auto port = link::makeSystemCommPort();
    link::Link link(*port);
    if (options.timeoutSeconds)
        link.setReplyTimeout(std::chrono::milliseconds(qint64(*options.timeoutSeconds * 1000)));
    // Another Stazione program on the modem (the modem window, another collection) is waited for
    // as long as a retry would wait.
    port->setLockWait(int(std::min<qint64>(link::scaled(settings.retryWait).count(), 24 * 3600 * 1000)));
    const auto tag = [modemPort](const QString& text) {
        message(QStringLiteral("[COM%1] %2").arg(modemPort).arg(text));
    };

    // The port is tried first on its own, so that a port held by another program is told as such.
    QString why;
    std::optional<QString> found;
    (void)port->setCommPort(modemPort);
    if (auto opened = port->setPortOpen(true); !opened) {
        why = opened.error().message;
    } else {
        (void)port->setPortOpen(false);
        found = modem::probeModem(link, modemPort);
        if (!found)
            why = modem::kNoModem + QStringLiteral(" (COM%1)").arg(modemPort);
    }
    if (!found) {
        // Without a modem no station can be called: each is reported with the reason.
        (void)port->setPortOpen(false);
        for (const modem::CollectTarget& t : targets) {
            data::StationOutcome o;
            o.start = o.end = QDateTime::currentDateTime();
            o.row = t.row;
            o.name = t.name;
            o.number = t.number;
            o.result = data::CollectResult::LineLost;
            o.error = why;
            (void)data::appendReport(QDir(options.dir).filePath(data::kReportFileName), o);
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
                message(QStringLiteral("Impossibile aggiornare %1").arg(modem::lastCallsFile()));
        });
    link.Porta_Off();
    return outcomes;
}

// One child process per modem, each with its share of the stations; their outcomes come back as
// JSON lines on their standard output.
QList<data::StationOutcome> collectInParallel(const Options& options,
                                              const QList<modem::CollectTarget>& targets)
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
        if (options.timeoutSeconds)
            args << QStringLiteral("--timeout") << QString::number(*options.timeoutSeconds);
        auto child = std::make_unique<QProcess>();
        child->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QProcess* raw = child.get();
        QObject::connect(raw, &QProcess::readyReadStandardOutput, raw, [raw, &outcomes, &options] {
            while (raw->canReadLine()) {
                const QByteArray line = raw->readLine();
                const QJsonDocument doc = QJsonDocument::fromJson(line);
                if (!doc.isObject())
                    continue;
                const data::StationOutcome o = data::outcomeFromJson(doc.object());
                print(o, options.json);
                outcomes << o;
            }
        });
        child->start(QCoreApplication::applicationFilePath(), args);
        children.push_back(std::move(child));
    }
    bool childFailed = false;
    for (auto& child : children) {
        child->waitForFinished(-1);
        QCoreApplication::processEvents();
        if (child->exitStatus() != QProcess::NormalExit || child->exitCode() == kExitUsage) {
            message(QStringLiteral("stazione-cli: the collection on one modem ended abnormally (%1).")
                        .arg(child->exitCode()));
            childFailed = true;
        }
    }
    if (childFailed) {
        data::StationOutcome missing;
        missing.result = data::CollectResult::LineLost;
        missing.error = QStringLiteral("collection process failed");
        outcomes << missing;
    }
    return outcomes;
}

} // namespace

int runCollect(const Options& options)
{
    if (options.dir.isEmpty() || !QFileInfo(options.dir).isDir()) {
        message(QStringLiteral("stazione-cli: %1 is not a folder.").arg(options.dir));
        return kExitUsage;
    }
    std::optional<CollectionDatabase> database;
    const auto forget = qScopeGuard([] { g_database = nullptr; });
    if (options.db) {
        database.emplace(options);
        g_database = &*database;
    }
    QList<data::StationOutcome> outcomes;
    if (options.port) {
        // The one logger on the cable.
        auto logger = connectLogger(options);
        if (!logger) {
            data::StationOutcome o;
            o.start = o.end = QDateTime::currentDateTime();
            o.result = data::CollectResult::LineLost;
            o.attempts = 1;
            o.error = QStringLiteral("No logger found on COM%1.").arg(*options.port);
            (void)data::appendReport(QDir(options.dir).filePath(data::kReportFileName), o);
            outcomes << o;
            print(o, options.json);
        } else {
            modem::CollectTarget cable;
            cable.modello = logger->id.Modello;
            modem::collectAll(
                *logger->link, {cable}, settingsOf(options), [](const QString& t) { message(t); },
                [&](const data::StationOutcome& o) {
                    print(o, options.json);
                    outcomes << o;
                });
        }
    } else {
        const modem::StationDirectory directory =
            modem::loadStations(modem::stationsFile(), modem::lastCallsFile());
        QList<modem::CollectTarget> targets;
        for (int row : options.stations) {
            const modem::Station& s = directory[size_t(row - 1)];
            if (s.Telefono.trimmed().isEmpty()) {
                message(QStringLiteral("stazione-cli: station %1 has no number in %2.")
                            .arg(row)
                            .arg(modem::stationsFile()));
                return kExitUsage;
            }
            targets << modem::CollectTarget{row, s.Nome, s.Telefono, {}};
        }
        if (options.stations.isEmpty()) {
            for (int i = 0; i < modem::kStations; ++i) {
                if (!directory[size_t(i)].Telefono.trimmed().isEmpty())
                    targets << modem::CollectTarget{
                        i + 1, directory[size_t(i)].Nome, directory[size_t(i)].Telefono, {}};
            }
        }
        if (targets.isEmpty()) {
            message(
                QStringLiteral("stazione-cli: no station with a number in %1.").arg(modem::stationsFile()));
            return kExitUsage;
        }
        outcomes = options.modemPorts.size() == 1
                       ? collectOnModem(options, options.modemPorts.first(), targets)
                       : collectInParallel(options, targets);
    }
    if (!options.json)
        out(data::outcomeTable(outcomes).trimmed());
    if (database && database->failed())
        return kExitFailure;
    return exitStatus(outcomes);
}

} // namespace stazione::cli
