#include "network/network_status.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonDocument>
#include <QJsonValue>
#include <QMap>
#include <QSet>

#include <algorithm>
#include <cmath>
#include <utility>

namespace stazione::data {

namespace {

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

// The row's key of a station of an earlier version: its directory number, on the cable its name.
QString rowKeyOf(int row, const QString& name)
{
    return stationKeyOf(row, name, {});
}

} // namespace

// A folder's key starts with "/", which no folder name holds: it never equals a row's key.
QString stationKeyOf(int row, const QString& name, const QString& folder)
{
    if (!folder.isEmpty())
        return QLatin1Char('/') + folder;
    return row > 0 ? QString::number(row) : QStringLiteral("0-") + name;
}

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
        const QString key = stationKeyOf(call.outcome.row, call.outcome.name, folders[i]);
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
    return stationKeyOf(row, name, folder);
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

} // namespace stazione::data
