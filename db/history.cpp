#include "db/history.h"

#include "network/archive.h"

#include <QDir>
#include <QSqlError>
#include <QSqlQuery>

#include <optional>

namespace stazione::db {

namespace {

std::optional<double> numberAt(const QSqlQuery& q, int column)
{
    if (q.isNull(column))
        return std::nullopt;
    return q.value(column).toDouble();
}

QString countText(const std::optional<double>& value)
{
    return value ? QString::number(qint64(*value)) : QString();
}

} // namespace

link::Result<data::Network> readNetwork(Database& db, const QString& dir)
{
    QSqlQuery q(db.sql());
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral(
            "SELECT s.id, s.name, s.number, s.folder, s.directory_row, c.started, c.ended, c.result, "
            "c.attempts, c.new_lines, c.total_lines, c.complete, c.battery, c.memory_possible, "
            "c.memory_available, c.clock_drift_s, c.clock_corrected, c.error "
            "FROM collections c LEFT JOIN stations s ON s.id = c.station_id ORDER BY c.id")))
        return db.failure(QStringLiteral("The collections cannot be read"), q.lastError());
    std::vector<data::Call> calls;
    QStringList rowless;
    qint64 read = 0;
    qint64 skipped = 0;
    while (q.next()) {
        ++read;
        if (q.isNull(0)) {
            ++skipped;
            continue;
        }
        data::StationOutcome o;
        o.name = q.value(1).toString();
        o.number = q.value(2).toString();
        const QString folder = q.value(3).toString();
        o.folder = folder;
        if (!folder.isEmpty())
            o.archive = QDir(QDir(dir).filePath(folder)).filePath(data::archiveFileName(folder));
        if (q.isNull(4)) {
            if (!rowless.contains(o.name))
                rowless << o.name;
            continue;
        }
        o.row = q.value(4).toInt();
        o.start = QDateTime::fromString(q.value(5).toString(), Qt::ISODate);
        o.end = QDateTime::fromString(q.value(6).toString(), Qt::ISODate);
        const QString result = q.value(7).toString();
        o.result = data::resultFromText(result).value_or(data::CollectResult::FileError);
        o.attempts = q.value(8).toInt();
        o.newLines = q.value(9).toLongLong();
        o.totalLines = q.value(10).toLongLong();
        o.complete = q.value(11).toInt() != 0;
        const auto battery = numberAt(q, 12);
        // Volts with the two decimals the logger sends them with, as the report reads them.
        o.battery = battery ? QString::number(*battery, 'f', 2) : QString();
        const auto possible = numberAt(q, 13);
        const auto available = numberAt(q, 14);
        o.memoryPossible = countText(possible);
        o.memoryAvailable = countText(available);
        if (!q.isNull(15))
            o.clockDrift = q.value(15).toLongLong();
        o.clockCorrected = q.value(16).toInt() != 0;
        o.error = q.value(17).toString();
        calls.push_back(data::callOf(std::move(o), result, battery, possible, available));
    }
    if (q.lastError().isValid())
        return db.failure(QStringLiteral("The collections cannot be read"), q.lastError());
    if (!rowless.isEmpty())
        return link::Error::data(
            QStringLiteral("The database %1 does not know the directory row of %2 (stored by an earlier "
                           "version): run stazione-cli db import DIR --db URL once with the data root of "
                           "their collections.")
                .arg(db.url().shown(), rowless.join(QStringLiteral(", "))));
    data::Network network = data::networkOf(std::move(calls));
    network.lines = read;
    network.skipped = skipped;
    return network;
}

} // namespace stazione::db
