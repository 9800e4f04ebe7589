#include "network/alerts.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QProcess>
#include <QSaveFile>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <unistd.h>

namespace stazione::data {

namespace {

// The latest call of the station that carried the figure: a failed call reads nothing and
// changes nothing.
template<typename Has> const Call* latest(const StationHistory& station, Has has)
{
    for (auto it = station.calls.rbegin(); it != station.calls.rend(); ++it) {
        if (has(*it))
            return &*it;
    }
    return nullptr;
}

// A new kind of alert is a row here, its kind in AlertKind and its threshold in AlertRules.
constexpr AlertRuleRow kRows[] = {
    {.kind = AlertKind::Battery,
     .name = "battery",
     .threshold = &AlertRules::battery,
     .valueName = "V",
     .lowest = 0,
     .highest = 100,
     .whole = false,
     .takes = "volts from 0 to 100",
     .help = "alert when a station's battery is below V volts.",
     .judge = [](const StationHistory& station, double threshold,
                 const QDateTime&) -> std::optional<Judgement> {
         const Call* c = latest(station, [](const Call& c) { return c.battery.has_value(); });
         if (!c)
             return std::nullopt;
         return Judgement{*c->battery < threshold, *c->battery};
     },
     .italian = "batteria %1 V, sotto %2 V",
     .english = "battery %1 V, below %2 V",
     .valueDecimals = 2,
     .thresholdDecimals = 2},
    {.kind = AlertKind::Memory,
     .name = "memory",
     .threshold = &AlertRules::memory,
     .valueName = "PCT",
     .lowest = 0,
     .highest = 100,
     .whole = false,
     .takes = "a percentage from 0 to 100",
     .help = "alert when more than PCT % of a logger's memory is used.",
     .judge = [](const StationHistory& station, double threshold,
                 const QDateTime&) -> std::optional<Judgement> {
         const Call* c = latest(station, [](const Call& c) { return c.memoryUsed.has_value(); });
         if (!c)
             return std::nullopt;
         return Judgement{*c->memoryUsed > threshold, std::round(*c->memoryUsed * 10) / 10};
     },
     .italian = "memoria usata %1 %, sopra %2 %",
     .english = "memory used %1 %, above %2 %",
     .valueDecimals = 1,
     .thresholdDecimals = 1},
    {.kind = AlertKind::Drift,
     .name = "drift",
     .threshold = &AlertRules::drift,
     .valueName = "S",
     .lowest = 0,
     .highest = 1e9,
     .whole = false,
     .takes = "seconds from 0",
     .help = "alert when a logger's clock is off by more than S seconds and was not corrected.",
     .judge = [](const StationHistory& station, double threshold,
                 const QDateTime&) -> std::optional<Judgement> {
         const Call* c = latest(station, [](const Call& c) { return c.outcome.clockDrift.has_value(); });
         if (!c)
             return std::nullopt;
         const double drift = double(*c->outcome.clockDrift);
         return Judgement{!c->outcome.clockCorrected && std::abs(drift) > threshold, drift};
     },
     .italian = "orologio spostato di %1 s, oltre %2 s",
     .english = "clock off by %1 s, more than %2 s",
     .valueDecimals = 0,
     .thresholdDecimals = 0},
    {.kind = AlertKind::Failures,
     .name = "failures",
     .threshold = &AlertRules::failures,
     .valueName = "N",
     .lowest = 1,
     .highest = 100000,
     .whole = true,
     .takes = "a number of collections from 1",
     .help = "alert after N failed collections of a station in a row.",
     .judge = [](const StationHistory& station, double threshold,
                 const QDateTime&) -> std::optional<Judgement> {
         if (station.calls.empty())
             return std::nullopt;
         const int failures = station.failuresInRow();
         return Judgement{failures >= threshold, double(failures)};
     },
     .italian = "%1 raccolte fallite di fila",
     .english = "%1 failed collections in a row",
     .valueDecimals = 0,
     .thresholdDecimals = 0},
    {.kind = AlertKind::Stale,
     .name = "stale",
     .threshold = &AlertRules::staleDays,
     .valueName = "DAYS",
     .lowest = 0,
     .highest = 36500,
     .whole = false,
     .takes = "days from 0 to 36500",
     .help = "alert when a station brought no new line for more than DAYS days.",
     .judge = [](const StationHistory& station, double threshold,
                 const QDateTime& now) -> std::optional<Judgement> {
         const QDateTime since = station.lastNewLines();
         if (!since.isValid())
             return std::nullopt;
         // Judged on the exact time; only the value told is cut to a tenth of a day (1.09 days is
         // more than 1, though it reads "1").
         const double days = double(since.secsTo(now)) / 86400.0;
         return Judgement{days > threshold, std::floor(days * 10) / 10};
     },
     .italian = "nessuna riga nuova da %1 giorni",
     .english = "no new line for %1 days",
     .valueDecimals = 1,
     .thresholdDecimals = 1},
};

} // namespace

std::span<const AlertRuleRow> alertRuleRows()
{
    return kRows;
}

const AlertRuleRow& alertRule(AlertKind kind)
{
    const auto row = std::find_if(std::begin(kRows), std::end(kRows),
                                  [kind](const AlertRuleRow& r) { return r.kind == kind; });
    Q_ASSERT(row != std::end(kRows));
    return *row;
}

QString alertKindText(AlertKind kind)
{
    return QString::fromLatin1(alertRule(kind).name);
}

std::optional<AlertKind> alertKindFromText(const QString& text)
{
    for (const AlertRuleRow& row : kRows) {
        if (text == QLatin1String(row.name))
            return row.kind;
    }
    return std::nullopt;
}

QString alertWords(AlertKind kind, const QString& language, const QString& value, const QString& threshold)
{
    const AlertRuleRow& row = alertRule(kind);
    QString words = QString::fromUtf8(language == QLatin1String("en") ? row.english : row.italian);
    // Replaced, not through arg(): a rule may leave its threshold out of its words.
    return words.replace(QLatin1String("%2"), threshold).replace(QLatin1String("%1"), value);
}

std::optional<double> AlertRules::threshold(AlertKind kind) const
{
    return this->*alertRule(kind).threshold;
}

bool AlertRules::any() const
{
    return std::any_of(std::begin(kRows), std::end(kRows),
                       [this](const AlertRuleRow& row) { return (this->*row.threshold).has_value(); });
}

QJsonObject Alert::toJson() const
{
    QJsonObject j;
    j.insert(QStringLiteral("station"), station);
    j.insert(QStringLiteral("name"), name);
    j.insert(QStringLiteral("kind"), alertKindText(kind));
    j.insert(QStringLiteral("value"), value);
    j.insert(QStringLiteral("threshold"), threshold);
    j.insert(QStringLiteral("since"), isoTime(since));
    if (!folder.isEmpty())
        j.insert(QStringLiteral("folder"), folder);
    return j;
}

QJsonObject AlertChange::toJson() const
{
    QJsonObject j;
    j.insert(QStringLiteral("time"), isoTime(time));
    j.insert(QStringLiteral("station"), station);
    j.insert(QStringLiteral("name"), name);
    j.insert(QStringLiteral("kind"), alertKindText(kind));
    j.insert(QStringLiteral("state"), raised ? QStringLiteral("raised") : QStringLiteral("cleared"));
    j.insert(QStringLiteral("value"), value);
    j.insert(QStringLiteral("threshold"), threshold);
    if (!folder.isEmpty())
        j.insert(QStringLiteral("folder"), folder);
    return j;
}

std::optional<Judgement> judge(const StationHistory& station, AlertKind kind, double threshold,
                               const QDateTime& now)
{
    return alertRule(kind).judge(station, threshold, now);
}

std::vector<Alert> openAlerts(const QString& path)
{
    auto open = readOpenAlerts(path);
    return open ? *open : std::vector<Alert>();
}

link::Result<std::vector<AlertChange>> readAlertChanges(const QString& path)
{
    std::vector<AlertChange> changes;
    QFile file;
    if (!QFileInfo::exists(path) && !QFileInfo(path).isSymLink())
        return changes;
    if (const auto opened = link::openRegularFile(file, path, QIODevice::ReadOnly, link::AtLink::Refuse);
        !opened)
        return reportRefusal(path, *opened.refusal);
    while (!file.atEnd()) {
        const QByteArray line = file.readLine(kMaxLineBytes);
        if (file.error() != QFileDevice::NoError)
            return link::Error::file(path + QStringLiteral(": ") + file.errorString());
        const QJsonDocument doc = QJsonDocument::fromJson(line);
        if (!doc.isObject())
            continue;
        const QJsonObject j = doc.object();
        const auto kind = alertKindFromText(j.value(QStringLiteral("kind")).toString());
        if (!kind)
            continue;
        AlertChange c;
        c.time = QDateTime::fromString(j.value(QStringLiteral("time")).toString(), Qt::ISODate);
        c.station = j.value(QStringLiteral("station")).toInt();
        c.name = j.value(QStringLiteral("name")).toString();
        c.folder = j.value(QStringLiteral("folder")).toString();
        c.key = stationKeyOf(c.station, c.name, c.folder);
        c.kind = *kind;
        c.raised = j.value(QStringLiteral("state")).toString() == QLatin1String("raised");
        c.value = j.value(QStringLiteral("value")).toDouble();
        c.threshold = j.value(QStringLiteral("threshold")).toDouble();
        changes.push_back(c);
    }
    return changes;
}

link::Result<std::vector<Alert>> readOpenAlerts(const QString& path)
{
    auto changes = readAlertChanges(path);
    if (!changes)
        return changes.error();
    std::vector<Alert> open;
    for (const AlertChange& c : *changes) {
        const auto same = std::find_if(open.begin(), open.end(),
                                       [&c](const Alert& o) { return o.key == c.key && o.kind == c.kind; });
        if (c.raised && same == open.end())
            open.push_back({.station = c.station,
                            .key = c.key,
                            .name = c.name,
                            .kind = c.kind,
                            .value = c.value,
                            .threshold = c.threshold,
                            .since = c.time,
                            .folder = c.folder});
        else if (!c.raised && same != open.end())
            open.erase(same);
    }
    return open;
}

std::vector<AlertChange> judgeAlerts(const Network& network, const AlertRules& rules, const QDateTime& now,
                                     std::vector<Alert>& open)
{
    std::vector<AlertChange> changes;
    for (const StationHistory& s : network.stations) {
        for (const AlertRuleRow& row : kRows) {
            const AlertKind kind = row.kind;
            const auto threshold = rules.*row.threshold;
            if (!threshold)
                continue;
            const auto judged = row.judge(s, *threshold, now);
            if (!judged)
                continue;
            const QString key = s.key();
            auto it = std::find_if(open.begin(), open.end(),
                                   [&](const Alert& a) { return a.key == key && a.kind == kind; });
            if (judged->holds == (it != open.end())) {
                if (it != open.end()) {
                    it->value = judged->value;
                    it->threshold = *threshold;
                    it->name = s.name;
                }
                continue;
            }
            changes.push_back({.time = now,
                               .station = s.row,
                               .key = key,
                               .name = s.name,
                               .kind = kind,
                               .raised = judged->holds,
                               .value = judged->value,
                               .threshold = *threshold,
                               .folder = s.folder});
            if (judged->holds)
                open.push_back({.station = s.row,
                                .key = key,
                                .name = s.name,
                                .kind = kind,
                                .value = judged->value,
                                .threshold = *threshold,
                                .since = now,
                                .folder = s.folder});
            else
                open.erase(it);
        }
    }
    return changes;
}

link::Result<AlertUpdate> updateAlerts(const QString& path, const Network& network, const AlertRules& rules,
                                       const QDateTime& now)
{
    AlertUpdate update;
    // An alert log that cannot be read is no log of no alerts: judging on it would raise every
    // open alert again and clear none.
    auto read = readOpenAlerts(path);
    if (!read)
        return read.error();
    update.open = std::move(*read);
    // An alert of an earlier version names only the row: it is the alert of the station that had
    // that row when it was raised (its last call of that row at or before the alert), so that a
    // row given to another station since does not hand the alert on.
    for (Alert& a : update.open) {
        if (!a.folder.isEmpty())
            continue;
        const StationHistory* before = nullptr; // the station of the last call of the row before it
        const StationHistory* after = nullptr;  // else the first one after it
        QDateTime beforeAt;
        QDateTime afterAt;
        for (const StationHistory& s : network.stations) {
            for (const Call& c : s.calls) {
                if (s.folder.isEmpty() || stationKeyOf(c.outcome.row, c.outcome.name, {}) != a.key)
                    continue;
                const QDateTime at = c.outcome.start;
                if (a.since.isValid() && at > a.since) {
                    if (!after || at < afterAt) {
                        after = &s;
                        afterAt = at;
                    }
                } else if (!before || at > beforeAt) {
                    before = &s;
                    beforeAt = at;
                }
            }
        }
        const StationHistory* owner = before ? before : after;
        if (owner) {
            a.folder = owner->folder;
            a.key = owner->key();
        }
    }
    update.changes = judgeAlerts(network, rules, now, update.open);
    if (update.changes.empty())
        return update;
    QByteArray lines;
    for (const AlertChange& c : update.changes)
        lines += QJsonDocument(c.toJson()).toJson(QJsonDocument::Compact) + '\n';
    QFile file;
    if (const auto opened =
            link::openRegularFile(file, path, QIODevice::WriteOnly | QIODevice::Append, link::AtLink::Refuse);
        !opened)
        return reportRefusal(path, *opened.refusal);
    // A line cut short by a crash would glue the next line to it: start on a fresh line.
    if (file.size() > 0) {
        QFile check;
        if (link::openRegularFile(check, path, QIODevice::ReadOnly, link::AtLink::Refuse) &&
            check.seek(file.size() - 1) && check.read(1) != "\n")
            lines.prepend('\n');
    }
    if (file.write(lines) != lines.size() || !file.flush())
        return link::Error::file(QStringLiteral("Scrittura di %1: %2").arg(path, file.errorString()));
    return update;
}

link::Status runAlertCommand(const QString& command, const AlertChange& change,
                             std::chrono::milliseconds limit)
{
    return runAlertCommand(command, change.toJson(), limit);
}

link::Status runAlertCommand(const QString& command, const QJsonObject& change,
                             std::chrono::milliseconds limit)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    // Its own process group, so that a hung command is killed with whatever it started. What it
    // prints goes to standard error: standard output carries the results (the table, JSON lines).
    process.setChildProcessModifier([] {
        ::setsid();
        ::dup2(STDERR_FILENO, STDOUT_FILENO);
    });
    process.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), command});
    if (!process.waitForStarted(int(limit.count())))
        return link::Error::file(
            QStringLiteral("the alert command did not start: %1").arg(process.errorString()));
    const QByteArray line = QJsonDocument(change).toJson(QJsonDocument::Compact) + '\n';
    process.write(line);
    process.closeWriteChannel();
    if (!process.waitForFinished(int(limit.count()))) {
        if (const qint64 pid = process.processId(); pid > 0)
            ::kill(-pid_t(pid), SIGKILL);
        process.kill();
        process.waitForFinished(5000);
        return link::Error::timedOut(
            QStringLiteral("the alert command did not end within %1 s and was killed.")
                .arg(double(limit.count()) / 1000.0));
    }
    if (process.exitStatus() != QProcess::NormalExit)
        return link::Error::file(QStringLiteral("the alert command ended abnormally."));
    if (process.exitCode() != 0)
        return link::Error::file(
            QStringLiteral("the alert command exited with status %1.").arg(process.exitCode()));
    return {};
}

namespace {

link::Result<std::vector<Delivery>> readUndelivered(const QString& path)
{
    std::vector<Delivery> kept;
    if (!QFileInfo::exists(path) && !QFileInfo(path).isSymLink())
        return kept;
    QFile file;
    if (const auto opened = link::openRegularFile(file, path, QIODevice::ReadOnly, link::AtLink::Refuse);
        !opened)
        return reportRefusal(path, *opened.refusal);
    while (!file.atEnd()) {
        const QByteArray line = file.readLine(kMaxLineBytes);
        const QJsonDocument doc = QJsonDocument::fromJson(line);
        if (!doc.isObject())
            continue;
        QJsonObject change = doc.object();
        Delivery d;
        d.tries = change.take(QStringLiteral("tries")).toInt();
        d.error = change.take(QStringLiteral("error")).toString();
        d.change = change;
        kept.push_back(d);
    }
    if (file.error() != QFileDevice::NoError)
        return link::Error::file(QStringLiteral("Lettura di %1: %2").arg(path, file.errorString()));
    return kept;
}

link::Status writeUndelivered(const QString& path, const std::vector<Delivery>& pending)
{
    if (QFileInfo(path).isSymLink() || (QFileInfo::exists(path) && !QFileInfo(path).isFile()))
        return link::Error::file(QStringLiteral("%1 is not a regular file.").arg(path));
    if (pending.empty()) {
        if (QFileInfo::exists(path) && !QFile::remove(path))
            return link::Error::file(QStringLiteral("%1 cannot be removed.").arg(path));
        return {};
    }
    QByteArray lines;
    for (const Delivery& d : pending) {
        QJsonObject j = d.change;
        j.insert(QStringLiteral("tries"), d.tries);
        j.insert(QStringLiteral("error"), d.error);
        lines += QJsonDocument(j).toJson(QJsonDocument::Compact) + '\n';
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(lines) != lines.size() || !file.commit())
        return link::Error::file(QStringLiteral("Scrittura di %1: %2").arg(path, file.errorString()));
    return {};
}

} // namespace

Deliveries deliverAlerts(const QString& path, const std::vector<AlertChange>& changes,
                         const std::function<link::Status(const QJsonObject&)>& run)
{
    auto earlier = readUndelivered(path);
    std::vector<Delivery> queue = earlier ? *earlier : std::vector<Delivery>();
    for (const AlertChange& c : changes)
        queue.push_back({.change = c.toJson()});
    Deliveries out;
    for (Delivery& d : queue) {
        ++d.tries;
        const link::Status ran = run(d.change);
        if (ran) {
            d.error.clear();
            out.delivered.push_back(d);
            continue;
        }
        d.error = ran.error().message;
        (d.tries < kAlertCommandTries ? out.pending : out.givenUp).push_back(d);
    }
    // A file that could not be read is not written over: what it holds is tried again once it can be.
    if (!earlier)
        out.fileError = earlier.error();
    else if (auto written = writeUndelivered(path, out.pending); !written)
        out.fileError = written.error();
    return out;
}

} // namespace stazione::data
