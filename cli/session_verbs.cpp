#include "cli/cli.h"
#include "cli/interrupt.h"
#include "config/clock_schedule.h"
#include "config/station.h"
#include "data/downloads.h"
#include "link/comm_port.h"
#include "link/exchange.h"
#include "link/link.h"
#include "link/numbers.h"
#include "session/port_scan.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace stazione::cli {

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
    for (const QJsonValue v : ports) {
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

int runIdentify(const Options& options)
{
    return onLogger(options, [](Run&) { return Verdict::Done; });
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
    return onLogger(options, [what](Run& run) {
        const auto command = what == Destructive::Reset ? link::cmd::resetLogger() : link::cmd::eraseMemory();
        if (auto sent = link::send(run.link, command); !sent)
            return fail(sent.error());
        if (what == Destructive::Reset) {
            // The logger reads no reply to the reset: that it took it shows in its coming back,
            // which takes it a moment. It then answers its identification again.
            message(QStringLiteral("Reset sent; waiting for the logger to answer again..."));
            run.link.Ritardo(50);
            auto again = session::askIdentification(run.link);
            for (int attempt = 1; !again && again.error().kind == link::ErrorKind::TimedOut && attempt < 3;
                 ++attempt) {
                run.link.Ritardo(100);
                again = session::askIdentification(run.link);
            }
            if (!again) {
                message(QStringLiteral("The logger does not answer after the reset: %1")
                            .arg(again.error().message));
                return Verdict::Failed;
            }
            run.report.add(QStringLiteral("reset"), true);
            return Verdict::Done;
        }
        run.link.Ritardo(20);
        auto memory = config::readMemoryState(run.link);
        if (!memory)
            return fail(memory.error());
        // An erased memory has every acquisition available again; anything else means the logger
        // did not erase (a wrong code, a logger that refuses writes).
        if (!*memory) {
            message(QStringLiteral("No channel is active: the state of the memory cannot be read, so the "
                                   "erase is not verified."));
            return Verdict::Failed;
        }
        run.report.add(QStringLiteral("Acq_possibili"), (*memory)->possible);
        run.report.add(QStringLiteral("acq_disponibili"), (*memory)->available);
        const bool erased =
            link::integerValue((*memory)->available) == link::integerValue((*memory)->possible);
        run.report.add(QStringLiteral("erased"), erased);
        if (!erased) {
            message(QStringLiteral("The logger did not erase its memory: %1 of %2 acquisitions available.")
                        .arg((*memory)->available.trimmed(), (*memory)->possible.trimmed()));
            return Verdict::Incomplete;
        }
        return Verdict::Done;
    });
}

int runDownload(const Options& options)
{
    const QString folder = options.dir.isEmpty() ? QDir::currentPath() : options.dir;
    if (const QString wrong = folderProblem(folder); !wrong.isEmpty()) {
        message(QStringLiteral("stazione-cli: ") + wrong);
        return kExitUsage;
    }
    return onLogger(options, [&](Run& run) {
        auto station = config::readStationName(run.link);
        if (!station)
            return fail(station.error());
        run.report.add(QStringLiteral("Nome_Centralina"), *station);
        const QDate today = QDate::currentDate();
        std::optional<link::Error> stopped;
        // Ctrl-C stops the download; the line is drained before the program ends, so that the
        // logger is not left streaming into the next command.
        Interrupt interrupt;
        QObject::connect(&interrupt, &Interrupt::triggered, [&run] { run.link.cancel(); });
        const auto notice = [](const QString& text) { message(text); };
        if (options.temp) {
            const QString path = QDir(folder).filePath(data::temperatureFileName(*station, today));
            auto download =
                data::downloadTemperatures(run.link, path, QDateTime::currentDateTime(), {}, notice);
            if (!download)
                return fail(download.error());
            run.report.add(QStringLiteral("file"), download->path);
            run.report.add(QStringLiteral("records"), download->received);
            run.report.add(QStringLiteral("channels"), download->channels);
            stopped = download->stopped;
        } else {
            const QString path = QDir(folder).filePath(data::sensorFileName(*station, today));
            auto download = data::downloadRecords(run.link, path, options.fromEnd, {}, notice);
            if (!download)
                return fail(download.error());
            run.report.add(QStringLiteral("file"), download->path);
            run.report.add(QStringLiteral("lines"), double(download->lines));
            stopped = download->stopped;
        }
        if (stopped) {
            message(stopped->message);
            return Verdict::Incomplete;
        }
        return Verdict::Done;
    });
}

} // namespace stazione::cli
