#include "network/network_status.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonDocument>
#include <QJsonValue>
#include <QMap>
#include <QProcess>
#include <QSaveFile>
#include <QSet>

#include <algorithm>
#include <array>
#include <cmath>
#include <csignal>
#include <unistd.h>
#include <utility>

namespace stazione::data {

namespace {

// A longer line is no line of ours (the report's lines are a few hundred bytes).
constexpr qsizetype kMaxLineBytes = 1 << 16;

// The logger's figures come as texts ("12.6", "1250"); newer reports write numbers.
std::optional<double> numberOf(const QJsonValue& value)
{
    if (value.isDouble())
        return value.toDouble();
    if (value.isString()) {
        bool ok = false;
        const double v = value.toString().trimmed().toDouble(&ok);
        if (ok && std::isfinite(v))
            return v;
    }
    return std::nullopt;
}

Call callOfLine(const QJsonObject& j)
{
    return callOf(outcomeFromJson(j), j.value(QStringLiteral("result")).toString(),
                  numberOf(j.value(QStringLiteral("battery"))),
                  numberOf(j.value(QStringLiteral("memory_possible"))),
                  numberOf(j.value(QStringLiteral("memory_available"))));
}

constexpr std::array<std::pair<AlertKind, const char*>, 5> kKindTexts{{
    {AlertKind::Battery, "battery"},
    {AlertKind::Memory, "memory"},
    {AlertKind::Drift, "drift"},
    {AlertKind::Failures, "failures"},
    {AlertKind::Stale, "stale"},
}};

QString isoTime(const QDateTime& t)
{
    return t.toOffsetFromUtc(t.offsetFromUtc()).toString(Qt::ISODate);
}

// A folder's key starts with "/", which no folder name holds: it never equals a row's key.
QString keyOf(int row, const QString& name, const QString& folder)
{
    if (!folder.isEmpty())
        return QLatin1Char('/') + folder;
    return row > 0 ? QString::number(row) : QStringLiteral("0-") + name;
}

// The row's key of a station of an earlier version: its directory number, on the cable its name.
QString rowKeyOf(int row, const QString& name)
{
    return keyOf(row, name, {});
}

} // namespace

Call callOf(StationOutcome outcome, const QString& result, std::optional<double> battery,
            std::optional<double> memoryPossible, std::optional<double> memoryAvailable)
{
    Call c;
    c.outcome = std::move(outcome);
    c.result = result;
    c.battery = battery;
    if (memoryPossible && memoryAvailable && *memoryPossible > 0)
        c.memoryUsed = std::clamp((*memoryPossible - *memoryAvailable) / *memoryPossible * 100.0, 0.0, 100.0);
    return c;
}

Network networkOf(std::vector<Call> calls)
{
    Network network;
    // A line without a folder (a failed call, written before lines named their folder) belongs
    // to the folder its row had then: the last one before it, else the first one after it.
    std::vector<QString> folders(calls.size());
    QHash<QString, QString> rowFolder;
    for (size_t i = 0; i < calls.size(); ++i) {
        const StationOutcome& o = calls[i].outcome;
        QString& folder = folders[i];
        folder = stationFolderOf(o);
        if (!folder.isEmpty())
            rowFolder.insert(rowKeyOf(o.row, o.name), folder);
        else if (o.row > 0)
            folder = rowFolder.value(rowKeyOf(o.row, o.name));
    }
    rowFolder.clear();
    for (size_t i = calls.size(); i-- > 0;) {
        const StationOutcome& o = calls[i].outcome;
        const QString row = rowKeyOf(o.row, o.name);
        if (!folders[i].isEmpty())
            rowFolder.insert(row, folders[i]);
        else if (o.row > 0)
            folders[i] = rowFolder.value(row);
    }
    QMap<QString, StationHistory> byKey;
    QHash<int, QSet<QString>> keysOfRow;
    for (size_t i = 0; i < calls.size(); ++i) {
        Call& call = calls[i];
        const QString key = keyOf(call.outcome.row, call.outcome.name, folders[i]);
        StationHistory& s = byKey[key];
        if (call.outcome.row > 0)
            keysOfRow[call.outcome.row].insert(key);
        if (!folders[i].isEmpty())
            s.folder = folders[i];
        s.row = call.outcome.row;
        if (!call.outcome.name.isEmpty())
            s.name = call.outcome.name;
        if (!call.outcome.number.isEmpty())
            s.number = call.outcome.number;
        if (!call.outcome.archive.isEmpty())
            s.archive = call.outcome.archive;
        s.calls.push_back(std::move(call));
    }
    for (StationHistory& s : byKey) {
        s.rowShared = s.row > 0 && keysOfRow.value(s.row).size() > 1;
        network.stations.push_back(std::move(s));
    }
    std::sort(network.stations.begin(), network.stations.end(),
              [](const StationHistory& a, const StationHistory& b) {
                  if (a.row != b.row)
                      return a.row < b.row;
                  return a.name != b.name ? a.name < b.name : a.folder < b.folder;
              });
    return network;
}

QString StationHistory::key() const
{
    return keyOf(row, name, folder);
}

const Call* StationHistory::lastCall() const
{
    for (auto it = calls.rbegin(); it != calls.rend(); ++it) {
        if (it->counts())
            return &*it;
    }
    return calls.empty() ? nullptr : &calls.back();
}

const Call* StationHistory::lastSuccess() const
{
    for (auto it = calls.rbegin(); it != calls.rend(); ++it) {
        if (it->ok())
            return &*it;
    }
    return nullptr;
}

int StationHistory::failuresInRow() const
{
    int failures = 0;
    for (auto it = calls.rbegin(); it != calls.rend() && !it->ok(); ++it) {
        if (it->counts())
            ++failures;
    }
    return failures;
}

QDateTime StationHistory::lastNewLines() const
{
    for (auto it = calls.rbegin(); it != calls.rend(); ++it) {
        if (it->outcome.newLines > 0)
            return it->outcome.end.isValid() ? it->outcome.end : it->outcome.start;
    }
    return calls.empty() ? QDateTime() : calls.front().outcome.start;
}

link::Error reportRefusal(const QString& path, const link::FileRefusal& refusal)
{
    if (refusal.kind != link::FileRefusal::Kind::System)
        return link::Error::file(QStringLiteral("%1 is not a regular file.").arg(path));
    return link::Error::file(QStringLiteral("%1: %2").arg(path, refusal.reason));
}

link::Result<Network> readNetwork(const QString& path)
{
    Network network;
    if (!QFileInfo::exists(path))
        return network;
    QFile file;
    if (const auto opened = link::openRegularFile(file, path, QIODevice::ReadOnly, link::AtLink::Refuse);
        !opened)
        return reportRefusal(path, *opened.refusal);
    std::vector<Call> calls;
    QByteArray carry;
    bool skipping = false; // inside a line too long to be ours
    const auto take = [&](const QByteArray& line) {
        if (line.trimmed().isEmpty())
            return;
        ++network.lines;
        QJsonParseError error{};
        const QJsonDocument doc = QJsonDocument::fromJson(line, &error);
        if (error.error != QJsonParseError::NoError || !doc.isObject()) {
            ++network.skipped;
            return;
        }
        calls.push_back(callOfLine(doc.object()));
    };
    while (true) {
        const QByteArray chunk = file.read(1 << 20);
        if (chunk.isEmpty())
            break;
        qsizetype from = 0;
        while (true) {
            const qsizetype lf = chunk.indexOf('\n', from);
            if (lf < 0) {
                if (!skipping)
                    carry.append(chunk.constData() + from, chunk.size() - from);
                if (carry.size() > kMaxLineBytes) {
                    carry.clear();
                    skipping = true;
                }
                break;
            }
            if (!skipping) {
                carry.append(chunk.constData() + from, lf - from);
                if (carry.size() <= kMaxLineBytes)
                    take(carry);
                else
                    ++network.skipped;
            } else {
                ++network.skipped;
            }
            carry.clear();
            skipping = false;
            from = lf + 1;
        }
    }
    if (file.error() != QFileDevice::NoError)
        return link::Error::file(QStringLiteral("Lettura di %1: %2").arg(path, file.errorString()));
    // A last line without its line end was cut short by a crash: it is taken only when whole.
    if (!skipping && !carry.isEmpty())
        take(carry);
    Network stations = networkOf(std::move(calls));
    stations.lines = network.lines;
    stations.skipped = network.skipped;
    return stations;
}

QString alertKindText(AlertKind kind)
{
    for (const auto& [k, text] : kKindTexts) {
        if (k == kind)
            return QString::fromLatin1(text);
    }
    return {};
}

std::optional<AlertKind> alertKindFromText(const QString& text)
{
    for (const auto& [k, t] : kKindTexts) {
        if (text == QLatin1String(t))
            return k;
    }
    return std::nullopt;
}

std::optional<double> AlertRules::threshold(AlertKind kind) const
{
    switch (kind) {
    case AlertKind::Battery:
        return battery;
    case AlertKind::Memory:
        return memory;
    case AlertKind::Drift:
        return drift;
    case AlertKind::Failures:
        return failures ? std::optional<double>(*failures) : std::nullopt;
    case AlertKind::Stale:
        return staleDays;
    }
    return std::nullopt;
}

bool AlertRules::any() const
{
    return std::any_of(std::begin(kAlertKinds), std::end(kAlertKinds),
                       [this](AlertKind k) { return threshold(k).has_value(); });
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
    // The latest call that carried the figure: a failed call reads nothing and changes nothing.
    const auto latest = [&station](auto has) -> const Call* {
        for (auto it = station.calls.rbegin(); it != station.calls.rend(); ++it) {
            if (has(*it))
                return &*it;
        }
        return nullptr;
    };
    switch (kind) {
    case AlertKind::Battery: {
        const Call* c = latest([](const Call& c) { return c.battery.has_value(); });
        if (!c)
            return std::nullopt;
        return Judgement{*c->battery < threshold, *c->battery};
    }
    case AlertKind::Memory: {
        const Call* c = latest([](const Call& c) { return c.memoryUsed.has_value(); });
        if (!c)
            return std::nullopt;
        return Judgement{*c->memoryUsed > threshold, std::round(*c->memoryUsed * 10) / 10};
    }
    case AlertKind::Drift: {
        const Call* c = latest([](const Call& c) { return c.outcome.clockDrift.has_value(); });
        if (!c)
            return std::nullopt;
        const double drift = double(*c->outcome.clockDrift);
        return Judgement{!c->outcome.clockCorrected && std::abs(drift) > threshold, drift};
    }
    case AlertKind::Failures: {
        if (station.calls.empty())
            return std::nullopt;
        const int failures = station.failuresInRow();
        return Judgement{failures >= threshold, double(failures)};
    }
    case AlertKind::Stale: {
        const QDateTime since = station.lastNewLines();
        if (!since.isValid())
            return std::nullopt;
        // Judged on the exact time; only the value told is cut to a tenth of a day (1.09 days is
        // more than 1, though it reads "1").
        const double days = double(since.secsTo(now)) / 86400.0;
        return Judgement{days > threshold, std::floor(days * 10) / 10};
    }
    }
    return std::nullopt;
}

std::vector<Alert> openAlerts(const QString& path)
{
    auto open = readOpenAlerts(path);
    return open ? *open : std::vector<Alert>();
}

link::Result<std::vector<Alert>> readOpenAlerts(const QString& path)
{
    std::vector<Alert> open;
    QFile file;
    if (!QFileInfo::exists(path) && !QFileInfo(path).isSymLink())
        return open;
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
        Alert a;
        a.station = j.value(QStringLiteral("station")).toInt();
        a.name = j.value(QStringLiteral("name")).toString();
        a.folder = j.value(QStringLiteral("folder")).toString();
        a.key = keyOf(a.station, a.name, a.folder);
        a.kind = *kind;
        a.value = j.value(QStringLiteral("value")).toDouble();
        a.threshold = j.value(QStringLiteral("threshold")).toDouble();
        a.since = QDateTime::fromString(j.value(QStringLiteral("time")).toString(), Qt::ISODate);
        const auto same = std::find_if(open.begin(), open.end(),
                                       [&a](const Alert& o) { return o.key == a.key && o.kind == a.kind; });
        const bool raised = j.value(QStringLiteral("state")).toString() == QLatin1String("raised");
        if (raised && same == open.end())
            open.push_back(a);
        else if (!raised && same != open.end())
            open.erase(same);
    }
    return open;
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
                if (s.folder.isEmpty() || rowKeyOf(c.outcome.row, c.outcome.name) != a.key)
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
    for (const StationHistory& s : network.stations) {
        for (AlertKind kind : kAlertKinds) {
            const auto threshold = rules.threshold(kind);
            if (!threshold)
                continue;
            const auto judged = judge(s, kind, *threshold, now);
            if (!judged)
                continue;
            const QString key = s.key();
            auto open = std::find_if(update.open.begin(), update.open.end(),
                                     [&](const Alert& a) { return a.key == key && a.kind == kind; });
            if (judged->holds == (open != update.open.end())) {
                if (open != update.open.end()) {
                    open->value = judged->value;
                    open->threshold = *threshold;
                    open->name = s.name;
                }
                continue;
            }
            update.changes.push_back({.time = now,
                                      .station = s.row,
                                      .key = key,
                                      .name = s.name,
                                      .kind = kind,
                                      .raised = judged->holds,
                                      .value = judged->value,
                                      .threshold = *threshold,
                                      .folder = s.folder});
            if (judged->holds)
                update.open.push_back({.station = s.row,
                                       .key = key,
                                       .name = s.name,
                                       .kind = kind,
                                       .value = judged->value,
                                       .threshold = *threshold,
                                       .since = now,
                                       .folder = s.folder});
            else
                update.open.erase(open);
        }
    }
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
        queue.push_back({c.toJson(), 0, {}});
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
