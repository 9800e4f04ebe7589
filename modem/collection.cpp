#include "modem/collection.h"

#include "config/channels.h"
#include "config/clock_schedule.h"
#include "config/preheating.h"
#include "config/sensor_properties.h"
#include "config/start_date.h"
#include "config/station.h"
#include "data/downloads.h"
#include "data/file_names.h"
#include "link/port_resolver.h"
#include "link/timing.h"
#include "modem/modem.h"
#include "modem/stations.h"
#include "network/archive.h"
#include "network/data_root.h"
#include "session/retrieval.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHash>
#include <QLockFile>
#include <QSaveFile>
#include <QSet>

#include <algorithm>
#include <cerrno>
#include <deque>
#include <sys/stat.h>

namespace stazione::modem {

namespace {

using data::CollectResult;

CollectResult resultOf(const link::Error& error)
{
    switch (error.kind) {
    case link::ErrorKind::TimedOut:
        return CollectResult::TimedOut;
    case link::ErrorKind::File:
        return CollectResult::FileError;
    case link::ErrorKind::Refused:
        return CollectResult::Refused;
    case link::ErrorKind::Cancelled:
        return CollectResult::Cancelled;
    default:
        return CollectResult::LineLost;
    }
}

bool worthRetrying(CollectResult result)
{
    // A number that cannot be dialled stays so; a stop is not retried.
    // A clock the logger refused is not worth a second call: its data are already in.
    return result != CollectResult::Ok && result != CollectResult::FileError &&
           result != CollectResult::Refused && result != CollectResult::Cancelled &&
           result != CollectResult::ClockRefused;
}

// What the retrieval read that the report keeps.
struct Retrieved {
    QString name;
    std::optional<int> channels; // active
    QString battery;
    std::optional<config::MemoryState> memory;
    std::optional<config::DateFields> clock;
    QDateTime clockReadAt; // the PC's time when the clock's reply came
};

link::Status retrievalStep(link::Link& link, session::RetrievalStep step, Retrieved& r)
{
    using session::RetrievalStep;
    auto status = [](const auto& result) -> link::Status {
        if (!result)
            return result.error();
        return {};
    };
    switch (step) {
    case RetrievalStep::Channels: {
        auto count = config::readChannelCount(link);
        if (count) {
            bool ok = false;
            const int n = count->trimmed().toInt(&ok);
            if (ok && n >= 0)
                r.channels = n;
        }
        link.Ritardo(20);
        return status(count);
    }
    case RetrievalStep::Clock: {
        auto clock = config::readClock(link);
        r.clockReadAt = QDateTime::currentDateTime();
        if (clock)
            r.clock = *clock;
        return status(clock);
    }
    case RetrievalStep::StartDate:
        return status(config::readStartDate(link));
    case RetrievalStep::Interval:
        for (int i = 0; i < 3; ++i) {
            if (auto part = config::readIntervalPart(link, i); !part)
                return part.error();
            link.Ritardo(10);
        }
        return {};
    case RetrievalStep::Preheating:
        return status(config::readPreheating(link));
    case RetrievalStep::BatteryVoltage: {
        auto volts = config::readBatteryVoltage(link);
        if (volts)
            r.battery = *volts;
        return status(volts);
    }
    case RetrievalStep::Memory: {
        auto memory = config::readMemoryState(link);
        if (memory && *memory)
            r.memory = **memory;
        return status(memory);
    }
    case RetrievalStep::StationName: {
        auto name = config::readStationName(link);
        if (name)
            r.name = *name;
        return status(name);
    }
    case RetrievalStep::NextAcquisition:
        return status(config::readNextAcquisition(link));
    case RetrievalStep::AcquisitionState:
        return status(config::readAcquisitionEnabled(link));
    case RetrievalStep::BatteryType:
        return status(config::readBatteryType(link));
    case RetrievalStep::MiniPanel:
        return status(config::readMiniPanel(link));
    }
    return {};
}

// The channels' names and scaling, read when due once the data are in: a read or a write that
// fails is told in the outcome and fails nothing.
void readSensorsIfDue(link::Link& link, const QString& modello, const Retrieved& r,
                      const CollectSettings& settings, data::StationOutcome& o,
                      const std::function<void(const QString&)>& say)
{
    const QString folder = QFileInfo(o.archive).absolutePath();
    if (o.archive.isEmpty() || !r.channels)
        return;
    const QDateTime now = QDateTime::currentDateTime();
    auto kept = data::readSensors(folder);
    if (kept && !settings.readSensors && !data::sensorsDue(*kept, now, settings.sensorsEveryDays))
        return;
    // The logger keeps the properties of as many channels as its table's stride: past that, two
    // channels share slots and what is read is another channel's.
    const int channels = std::min(*r.channels, config::propertyStride(modello));
    say(QStringLiteral("Reading the names of %1 channels").arg(channels));
    auto rows = config::readProperties(link, modello, channels);
    if (!rows) {
        o.sensorsError =
            QStringLiteral("The channels' names could not be read: %1").arg(rows.error().message);
        say(o.sensorsError);
        return;
    }
    data::StationSensors sensors;
    sensors.read = QDateTime::currentDateTime();
    for (int i = 0; i < rows->size(); ++i) {
        const config::ChannelProperties& p = (*rows)[i];
        sensors.channels.push_back({.channel = i,
                                    .name = p[0],
                                    .zeroVolts = p[1],
                                    .fullVolts = p[2],
                                    .zeroValue = p[3],
                                    .fullValue = p[4]});
    }
    o.sensors = sensors;
    if (auto written = data::writeSensors(folder, sensors); !written) {
        o.sensorsError = written.error().message;
        say(o.sensorsError);
    }
}

// A memory counter as the logger sends it ("00123"); nothing when it is not a count.
std::optional<qint64> counter(const QString& text)
{
    bool ok = false;
    const qint64 value = text.trimmed().toLongLong(&ok);
    if (!ok || value < 0)
        return std::nullopt;
    return value;
}

// Dials and waits for the modem's result code. Unlike the window, which looks every 2 s, the
// collection takes the result as soon as it comes: the modem's words are the same, only earlier.
CollectResult call(link::Link& link, const QString& number, std::chrono::milliseconds timeout, QString& said,
                   const std::function<void(const QString&)>& progress)
{
    link::CommPort& port = link.port();
    port.setInputLen(0);
    (void)port.discardInput();
    if (auto s = modem::dial(link, number, false); !s) {
        said = s.error().message;
        return resultOf(s.error());
    }
    QByteArray replies;
    const QDeadlineTimer deadline(link::scaled(timeout), Qt::PreciseTimer);
    for (;;) {
        auto received = port.inputAll();
        if (!received) {
            said = received.error().message;
            return CollectResult::LineLost;
        }
        replies += *received;
        if (const auto result = dialResult(replies, &said)) {
            if (progress)
                progress(said);
            return *result;
        }
        switch (port.waitForMoreInput(deadline)) {
        case link::CommPort::Wait::Ready:
            continue;
        case link::CommPort::Wait::TimedOut:
            said = QStringLiteral("No answer from the modem to the call of %1 within %2 s.")
                       .arg(number, QString::number(double(link::scaled(timeout).count()) / 1000.0));
            return CollectResult::TimedOut;
        case link::CommPort::Wait::Cancelled:
            said = QStringLiteral("The call was cancelled.");
            return CollectResult::Cancelled;
        case link::CommPort::Wait::LineLost:
            said = QStringLiteral("The modem's port was lost.");
            return CollectResult::LineLost;
        }
    }
}

// Why the collection is being stopped; empty while it is not.
QString stopReason(const CollectSettings& settings)
{
    return settings.stopped ? settings.stopped() : QString();
}

// The hang-up, also of a collection being stopped: the modem takes "+++" only after its guard
// time of silence, so the pauses the stop aborted are let run again for it.
link::Status hangUpCall(link::Link& link, const CollectSettings& settings)
{
    if (!stopReason(settings).isEmpty())
        link::clearAbortedPauses();
    return hangUp(link);
}

// The archive of another folder of the data root that the download continues: its last lines
// are lines of the download, in the same order. That is the same logger under another name (it
// was renamed on the cable), whose history is there. Nothing when no archive or more than one does.
std::optional<QString> archiveContinued(const QString& dir, const QString& folder,
                                        const QList<QByteArray>& lines)
{
    // A few lines in a row: one line alone ("01/12/26 10:00:00, **N.C.**") may be another logger's too.
    constexpr qsizetype kLinesInARow = 4;
    constexpr qint64 kTailBytes = 1 << 16;
    QHash<QByteArray, qsizetype> at;
    for (qsizetype i = 0; i < lines.size(); ++i)
        at.insert(lines[i], i);
    std::optional<QString> found;
    const QString own = QFileInfo(folder).fileName();
    for (const QFileInfo& f : QDir(dir).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden)) {
        if (f.isSymLink() || f.fileName() == own)
            continue;
        const QString archive = QDir(f.filePath()).filePath(data::archiveFileName(f.fileName()));
        QFile file;
        if (!QFileInfo(archive).isFile() ||
            !link::openRegularFile(file, archive, QIODevice::ReadOnly, link::AtLink::Refuse))
            continue;
        if (!file.seek(std::max<qint64>(0, file.size() - kTailBytes)))
            continue;
        QList<QByteArray> tail = file.read(kTailBytes).split('\n');
        tail.removeLast(); // a last line without its line end, or nothing
        if (file.size() > kTailBytes && !tail.isEmpty())
            tail.removeFirst(); // the read began inside it
        for (QByteArray& line : tail) {
            if (line.endsWith('\r'))
                line.chop(1);
        }
        const qsizetype need = std::min(kLinesInARow, tail.size());
        const auto last = need > 0 ? at.constFind(tail.last()) : at.constEnd();
        if (last == at.constEnd() || *last + 1 < need)
            continue;
        bool inARow = true;
        for (qsizetype k = 1; k < need && inARow; ++k)
            inARow = lines[*last - k] == tail[tail.size() - 1 - k];
        if (!inARow)
            continue;
        if (found)
            return std::nullopt;
        found = archive;
    }
    return found;
}

} // namespace

std::optional<data::CollectResult> dialResult(const QByteArray& replies, QString* word)
{
    // Result codes come on lines of their own; "OK" (to atx0) is not one of a dial.
    for (QByteArray line : replies.split('\n')) {
        line = line.trimmed();
        std::optional<CollectResult> result;
        if (line.startsWith("CONNECT"))
            result = CollectResult::Ok;
        else if (line == "BUSY")
            result = CollectResult::Busy;
        else if (line == "NO CARRIER" || line == "NO DIALTONE" || line == "ERROR")
            result = CollectResult::NoCarrier;
        else if (line == "NO ANSWER")
            result = CollectResult::NoAnswer;
        if (result) {
            if (word)
                *word = QString::fromLatin1(line);
            return result;
        }
    }
    return std::nullopt;
}

std::array<QString, kStations> stationFolders(const StationDirectory& directory)
{
    std::array<QString, kStations> names;
    QHash<QString, int> uses;
    for (int i = 0; i < kStations; ++i) {
        const Station& station = directory[size_t(i)];
        names[size_t(i)] = data::safeFolderName(station.Nome, i + 1);
        // A row with neither name nor number is no station: it takes no folder from one.
        if (!station.Nome.trimmed().isEmpty() || !station.Telefono.trimmed().isEmpty())
            ++uses[names[size_t(i)]];
    }
    QSet<QString> taken;
    for (const QString& name : names) {
        if (uses.value(name) == 1)
            taken.insert(name);
    }
    for (int i = 0; i < kStations; ++i) {
        QString& name = names[size_t(i)];
        if (uses.value(name) <= 1)
            continue;
        // A name of at most 200 bytes leaves room for a few numbers and "_archivio.txt".
        const QString suffix = QStringLiteral("_%1").arg(i + 1);
        QString candidate = name + suffix;
        while (taken.contains(candidate))
            candidate += suffix;
        taken.insert(candidate);
        name = candidate;
    }
    return names;
}

QString stationFolder(const QString& dir, const CollectTarget& target)
{
    return QDir(dir).filePath(target.folder.isEmpty() ? data::safeFolderName(target.name, target.row)
                                                      : target.folder);
}

QString rememberedReport()
{
    QFile file(link::settingsFolder() + QStringLiteral("/raccolta.ini"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readLine()).trimmed();
}

void rememberReport(const QString& path)
{
    QDir().mkpath(link::settingsFolder());
    QSaveFile file(link::settingsFolder() + QStringLiteral("/raccolta.ini"));
    if (file.open(QIODevice::WriteOnly)) {
        file.write(QFileInfo(path).absoluteFilePath().toUtf8() + "\r\n");
        (void)file.commit();
    }
}

data::StationOutcome cancelledOutcome(const CollectTarget& target, const QString& why)
{
    data::StationOutcome o;
    o.start = o.end = QDateTime::currentDateTime();
    o.row = target.row;
    o.name = target.name;
    o.number = target.number;
    o.folder = target.folder;
    o.result = CollectResult::Cancelled;
    o.error = why;
    return o;
}

bool keepCallDate(int row, const QDate& today)
{
    if (row < 1 || row > kStations)
        return false;
    // Two modems may connect at the same moment: one writer at a time.
    QLockFile lock(lastCallsFile() + QStringLiteral(".lock"));
    lock.setStaleLockTime(0);
    if (!lock.tryLock(10000))
        return false;
    // A directory that cannot be read whole is not written over with one date.
    auto directory = readStations(stationsFile(), lastCallsFile());
    if (!directory)
        return false;
    (*directory)[size_t(row - 1)].Uldata = callDateText(today);
    return saveStations(*directory, stationsFile(), lastCallsFile());
}

Attempt collectOnce(link::Link& link, const CollectTarget& target, const CollectSettings& settings,
                    const std::function<void(const QString&)>& progress, const std::function<void()>& callUp)
{
    Attempt attempt;
    data::StationOutcome& o = attempt.outcome;
    o.start = QDateTime::currentDateTime();
    o.row = target.row;
    o.name = target.name;
    o.number = target.number;
    // A station of the directory is its folder from the start: a call that fails is its call too.
    if (target.row > 0)
        o.folder = QFileInfo(stationFolder(settings.dir, target)).fileName();
    auto say = [&](const QString& text) {
        if (progress)
            progress(text);
    };
    auto fail = [&](CollectResult result, const QString& why) {
        o.result = result;
        o.error = why;
        attempt.retry = worthRetrying(result);
    };
    const bool byModem = settings.modemPort != 0;

    if (byModem) {
        say(QStringLiteral("Calling %1 (%2)").arg(target.name, target.number));
        QString said;
        const CollectResult dialled = call(link, target.number, settings.callTimeout, said, say);
        if (dialled != CollectResult::Ok) {
            fail(dialled, said);
            // A call that never came up may still be ringing: the modem drops it on ATH.
            (void)hangUpCall(link, settings);
            if (const QString why = stopReason(settings); !why.isEmpty())
                fail(CollectResult::Cancelled, why);
            o.end = QDateTime::currentDateTime();
            return attempt;
        }
        link.Porta_Aperta = true;
        if (callUp)
            callUp();
    }

    // From here on the call (or the cable) is up: whatever happens, it ends with the hang-up.
    Retrieved r;
    link::Status status;
    QString modello = target.modello;
    if (byModem) {
        say(QCoreApplication::translate("stazione::ui::Messages", kStartupText.toUtf8().constData()));
        auto id = remoteStartup(link);
        if (!id)
            status = id.error();
        else
            modello = id->Modello;
    }
    if (status) {
        status = session::runRetrieval(
            link, modello, [&](session::RetrievalStep step) { return retrievalStep(link, step, r); },
            [&](const QString& line) { say(line); },
            byModem ? session::RetrievalKind::Remote : session::RetrievalKind::Direct);
    }
    o.battery = r.battery;
    if (r.memory) {
        o.memoryPossible = r.memory->possible;
        o.memoryAvailable = r.memory->available;
    }
    if (r.clock)
        o.clockDrift = config::clockDrift(*r.clock, r.clockReadAt);
    if (target.row == 0 && o.name.isEmpty())
        o.name = r.name;
    // On the cable the station is named by what the logger calls itself.
    CollectTarget named = target;
    named.name = o.name;
    if (o.folder.isEmpty() && !o.name.isEmpty())
        o.folder = QFileInfo(stationFolder(settings.dir, named)).fileName();

    if (status) {
        const QString folder = stationFolder(settings.dir, named);
        o.folder = QFileInfo(folder).fileName();
        // A link in the station's place would take its files outside the data root.
        if (QFileInfo(folder).isSymLink()) {
            fail(CollectResult::FileError,
                 QStringLiteral("%1 is a symbolic link: a station's folder must be a real folder")
                     .arg(folder));
        } else if (!QDir().mkpath(folder)) {
            // mkpath keeps the reason to itself: the last step tried again gives the system's.
            const int why = ::mkdir(QFile::encodeName(folder).constData(), 0777) == 0 ? 0 : errno;
            fail(CollectResult::FileError,
                 QStringLiteral("Cannot create the folder %1: %2").arg(folder, qt_error_string(why)));
        } else {
            const QString path = QDir(folder).filePath(data::sensorFileName(r.name, QDate::currentDate()));
            o.file = path;
            o.archive = QDir(folder).filePath(data::archiveFileName(QFileInfo(folder).fileName()));
            say(QStringLiteral("Downloading into %1").arg(path));
            auto download =
                data::downloadRecords(link, path, settings.fromEnd, {}, {}, data::UnendedText::Kept);
            if (!download) {
                fail(CollectResult::FileError, download.error().message);
            } else {
                o.complete = !download->stopped;
                o.unendedLine = !download->unended.isEmpty();
                if (o.unendedLine)
                    say(QStringLiteral("%1: the last line came without its line end before the end mark; "
                                       "kept as a line")
                            .arg(path));
                // A download that broke off leaves its lines in the .part; the merge archives
                // them only where that cannot archive a line twice.
                o.file = download->path;
                const bool kept = !download->stopped || download->path != path;
                auto lines = kept ? data::readCompleteLines(download->path)
                                  : link::Result<QList<QByteArray>>(QList<QByteArray>());
                if (!lines) {
                    fail(CollectResult::FileError, lines.error().message);
                } else {
                    if (settings.fromEnd)
                        std::reverse((*lines).begin(), (*lines).end()); // the archive runs oldest first
                    // A logger on the cable renamed since its last collection keeps its history.
                    if (target.row == 0 && !QFileInfo::exists(o.archive)) {
                        if (const auto earlier = archiveContinued(settings.dir, folder, *lines)) {
                            o.archive = *earlier;
                            o.folder = QFileInfo(*earlier).absoluteDir().dirName();
                            say(QStringLiteral("%1 continues the archive %2 (the logger was renamed): the "
                                               "lines go there")
                                    .arg(r.name, *earlier));
                        }
                    }
                    data::DownloadFacts facts;
                    facts.complete = o.complete;
                    facts.newestFirst = settings.fromEnd;
                    if (r.memory) {
                        facts.possible = counter(r.memory->possible);
                        facts.available = counter(r.memory->available);
                    }
                    auto merged = data::mergeIntoArchive(o.archive, *lines, facts);
                    if (!merged) {
                        fail(CollectResult::FileError, merged.error().message);
                    } else {
                        o.newLines = merged->added;
                        o.totalLines = merged->total;
                        o.repairedTail = data::tailRepairText(merged->repaired);
                        o.memoryChange = data::memoryChangeText(merged->change);
                        if (merged->repaired == data::TailRepair::Replaced)
                            say(QStringLiteral("%1: its last line, cut short, was replaced by the whole line")
                                    .arg(o.archive));
                        else if (merged->repaired == data::TailRepair::Kept)
                            say(QStringLiteral(
                                    "%1: its last line, cut short and no longer in the logger, was kept "
                                    "as it is")
                                    .arg(o.archive));
                        if (merged->change == data::MemoryChange::Refused)
                            fail(CollectResult::FileError,
                                 QStringLiteral(
                                     "The download shares no line with %1 and begins before its last "
                                     "line (another logger, or its clock was set back): not "
                                     "archived; the lines are in %2")
                                     .arg(o.archive, o.file));
                    }
                }
                if (download->stopped && o.error.isEmpty())
                    fail(resultOf(*download->stopped), download->stopped->message);
            }
        }
    } else {
        fail(resultOf(status.error()), status.error().message);
    }

    if (o.error.isEmpty() && stopReason(settings).isEmpty())
        readSensorsIfDue(link, modello, r, settings, o, say);

    // The clock is set last, when the rest went well, so that a failed write costs no data.
    if (o.error.isEmpty() && stopReason(settings).isEmpty() && settings.syncClockSeconds && o.clockDrift &&
        std::abs(*o.clockDrift) > *settings.syncClockSeconds) {
        // The PC's time to the nearest second: the write itself takes a fraction of one.
        const QDateTime now = QDateTime::currentDateTime().addMSecs(500);
        say(QStringLiteral("The clock is off by %1 s: setting it").arg(*o.clockDrift));
        auto written = config::writeClock(link, config::dateFieldsOf(now));
        if (!written)
            fail(resultOf(written.error()), written.error().message);
        else if (!written->accepted)
            fail(CollectResult::ClockRefused,
                 QStringLiteral("The logger refused the clock it was sent: its clock is still off by %1 s.")
                     .arg(*o.clockDrift));
        else
            o.clockCorrected = true;
    }

    if (byModem && link.port().portOpen()) {
        say(QStringLiteral("Hanging up"));
        if (auto s = hangUpCall(link, settings); !s && o.error.isEmpty())
            fail(resultOf(s.error()), s.error().message);
    }
    // Stopped while the station was on the line: whatever the exchange under way ended in, it
    // ended because of the stop (the .part of a download cut short stays, named in `file`).
    if (const QString why = stopReason(settings); !why.isEmpty())
        fail(CollectResult::Cancelled, why);
    o.end = QDateTime::currentDateTime();
    return attempt;
}

void collectAll(link::Link& link, const QList<CollectTarget>& targets, const CollectSettings& settings,
                const std::function<void(const QString&)>& progress,
                const std::function<void(const data::StationOutcome&)>& done,
                const std::function<void(const CollectTarget&)>& callUp)
{
    struct Pending {
        CollectTarget target;
        int attempts = 0;
        QDateTime firstStart{};
        QElapsedTimer sinceLast{};
        data::StationOutcome last{}; // what the last attempt ended in
    };
    std::deque<Pending> queue;
    for (const CollectTarget& t : targets)
        queue.push_back({.target = t});
    const auto wait = link::scaled(settings.retryWait);
    const QString report = QDir(settings.dir).filePath(data::kReportFileName);
    rememberReport(report);
    // A station's final outcome: into the report, then to the caller.
    auto finish = [&](data::StationOutcome outcome, int attempts, const QDateTime& firstStart) {
        outcome.attempts = attempts;
        outcome.start = firstStart;
        if (auto s = data::appendReport(report, outcome); !s) {
            outcome.reportError = s.error().message;
            if (progress)
                progress(s.error().message);
        }
        if (done)
            done(outcome);
    };

    // The collection is being stopped: every station still waiting for its first call or its next
    // one ends as cancelled, with what its last call (if any) ended in.
    auto cancelRest = [&](const QString& why) {
        for (const Pending& p : queue) {
            if (p.attempts == 0) {
                finish(cancelledOutcome(p.target, why), 0, QDateTime::currentDateTime());
                continue;
            }
            data::StationOutcome o = p.last;
            o.end = QDateTime::currentDateTime();
            o.result = CollectResult::Cancelled;
            o.error = QStringLiteral("%1 (waiting to call again after: %2%3)")
                          .arg(why, data::resultText(p.last.result),
                               p.last.error.isEmpty() ? QString() : QStringLiteral(", ") + p.last.error);
            finish(o, p.attempts, p.firstStart);
        }
        queue.clear();
    };

    while (!queue.empty()) {
        if (const QString why = stopReason(settings); !why.isEmpty()) {
            cancelRest(why);
            return;
        }
        // The first station whose retry wait is over; when none is, the one that is next due.
        auto ready = std::find_if(queue.begin(), queue.end(), [&](const Pending& p) {
            return p.attempts == 0 || p.sinceLast.hasExpired(wait.count());
        });
        if (ready == queue.end()) {
            auto soonest =
                std::min_element(queue.begin(), queue.end(), [&](const Pending& a, const Pending& b) {
                    return a.sinceLast.elapsed() > b.sinceLast.elapsed();
                });
            if (link::sleepKeepingPaint(std::chrono::milliseconds(
                    std::max<qint64>(1, wait.count() - soonest->sinceLast.elapsed()))) ||
                !stopReason(settings).isEmpty())
                continue;
            // The collection is being stopped: each station still waiting for its next call
            // ends with what its last call ended in.
            for (const Pending& stopped : queue)
                finish(stopped.last, stopped.attempts, stopped.firstStart);
            return;
        }
        Pending p = *ready;
        queue.erase(ready);
        ++p.attempts;
        Attempt attempt = collectOnce(link, p.target, settings, progress, [&] {
            if (callUp)
                callUp(p.target);
        });
        if (p.attempts == 1)
            p.firstStart = attempt.outcome.start;
        if (attempt.retry && p.attempts <= settings.retries && stopReason(settings).isEmpty()) {
            if (progress)
                progress(QStringLiteral("%1: %2, calling again in %3 s")
                             .arg(p.target.name, data::resultText(attempt.outcome.result),
                                  QString::number(double(wait.count()) / 1000.0)));
            p.sinceLast.start();
            p.last = attempt.outcome;
            queue.push_back(p);
            continue;
        }
        finish(attempt.outcome, p.attempts, p.firstStart);
    }
}

} // namespace stazione::modem
