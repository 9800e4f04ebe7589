#include "db/alerts.h"

#include "network/collection_report.h"

#include <QHash>
#include <QSqlError>
#include <QSqlQuery>

#include <algorithm>

namespace stazione::db {

namespace {

// The stations' ids by their key (data::StationHistory::key).
link::Result<QHash<QString, qint64>> stationIds(Database& db)
{
    QSqlQuery q(db.sql());
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("SELECT id, directory_row, name, folder FROM stations ORDER BY id")))
        return db.failure(QStringLiteral("The stations cannot be read"), q.lastError());
    QHash<QString, qint64> ids;
    while (q.next()) {
        const QString key =
            data::stationKeyOf(q.value(1).toInt(), q.value(2).toString(), q.value(3).toString());
        if (!ids.contains(key))
            ids.insert(key, q.value(0).toLongLong());
    }
    if (q.lastError().isValid())
        return db.failure(QStringLiteral("The stations cannot be read"), q.lastError());
    return ids;
}

// "INSERT OR IGNORE" in SQLite's words, "ON CONFLICT DO NOTHING" in PostgreSQL's: a second open
// alert of a station and kind is no error, it is another's.
QString raiseStatement(bool postgres)
{
    const QString columns =
        QStringLiteral("INTO alerts (station_id, kind, raised, value, threshold) VALUES (?, ?, ?, ?, ?)");
    return postgres ? QStringLiteral("INSERT ") + columns + QStringLiteral(" ON CONFLICT DO NOTHING")
                    : QStringLiteral("INSERT OR IGNORE ") + columns;
}

} // namespace

link::Result<std::vector<data::Alert>> readOpenAlerts(Database& db)
{
    QSqlQuery q(db.sql());
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("SELECT s.directory_row, s.name, s.folder, a.kind, a.value, a.threshold, "
                               "a.raised FROM alerts a JOIN stations s ON s.id = a.station_id WHERE "
                               "a.cleared IS NULL ORDER BY a.id")))
        return db.failure(QStringLiteral("The alerts cannot be read"), q.lastError());
    std::vector<data::Alert> open;
    while (q.next()) {
        // A kind of a later version is not this program's to judge or show.
        const auto kind = data::alertKindFromText(q.value(3).toString());
        if (!kind)
            continue;
        data::Alert a;
        a.station = q.value(0).toInt();
        a.name = q.value(1).toString();
        a.folder = q.value(2).toString();
        a.key = data::stationKeyOf(a.station, a.name, a.folder);
        a.kind = *kind;
        a.value = q.value(4).toDouble();
        a.threshold = q.value(5).toDouble();
        a.since = QDateTime::fromString(q.value(6).toString(), Qt::ISODate);
        open.push_back(a);
    }
    if (q.lastError().isValid())
        return db.failure(QStringLiteral("The alerts cannot be read"), q.lastError());
    return open;
}

link::Result<data::AlertUpdate> updateAlerts(Database& db, const data::Network& network,
                                             const data::AlertRules& rules, const QDateTime& now)
{
    auto open = readOpenAlerts(db);
    if (!open)
        return open.error();
    auto ids = stationIds(db);
    if (!ids)
        return ids.error();
    std::vector<data::Alert> judged = *open;
    const std::vector<data::AlertChange> changes = data::judgeAlerts(network, rules, now, judged);

    data::AlertUpdate update;
    QSqlQuery q(db.sql());
    for (const data::AlertChange& c : changes) {
        const auto id = ids->constFind(c.key);
        if (id == ids->cend())
            continue; // not a station of this database: nothing to record it on
        if (c.raised) {
            q.prepare(raiseStatement(db.postgres()));
            q.addBindValue(*id);
            q.addBindValue(data::alertKindText(c.kind));
            q.addBindValue(data::isoTime(c.time));
            q.addBindValue(c.value);
            q.addBindValue(c.threshold);
        } else {
            q.prepare(QStringLiteral("UPDATE alerts SET cleared = ?, cleared_value = ? WHERE station_id = ? "
                                     "AND kind = ? AND cleared IS NULL"));
            q.addBindValue(data::isoTime(c.time));
            q.addBindValue(c.value);
            q.addBindValue(*id);
            q.addBindValue(data::alertKindText(c.kind));
        }
        if (!q.exec())
            return db.failure(QStringLiteral("An alert cannot be recorded"), q.lastError());
        if (q.numRowsAffected() == 1)
            update.changes.push_back(c);
    }
    // What is open now, whoever recorded it, with the values judged now.
    auto after = readOpenAlerts(db);
    if (!after)
        return after.error();
    update.open = std::move(*after);
    for (data::Alert& a : update.open) {
        const auto now = std::find_if(judged.begin(), judged.end(), [&a](const data::Alert& j) {
            return j.key == a.key && j.kind == a.kind;
        });
        if (now != judged.end()) {
            a.value = now->value;
            a.threshold = now->threshold;
            a.name = now->name;
        }
    }
    return update;
}

link::Result<std::vector<data::AlertChange>> alertChanges(Database& db)
{
    QSqlQuery q(db.sql());
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral(
            "SELECT s.directory_row, s.name, s.folder, a.kind, a.raised, a.value, a.threshold, "
            "a.cleared, a.cleared_value FROM alerts a JOIN stations s ON s.id = "
            "a.station_id ORDER BY a.id")))
        return db.failure(QStringLiteral("The alerts cannot be read"), q.lastError());
    std::vector<data::AlertChange> changes;
    while (q.next()) {
        const auto kind = data::alertKindFromText(q.value(3).toString());
        if (!kind)
            continue;
        data::AlertChange c{.time = QDateTime::fromString(q.value(4).toString(), Qt::ISODate),
                            .station = q.value(0).toInt(),
                            .key = {},
                            .name = q.value(1).toString(),
                            .kind = *kind,
                            .raised = true,
                            .value = q.value(5).toDouble(),
                            .threshold = q.value(6).toDouble(),
                            .folder = q.value(2).toString()};
        c.key = data::stationKeyOf(c.station, c.name, c.folder);
        changes.push_back(c);
        if (!q.isNull(7)) {
            c.raised = false;
            c.time = QDateTime::fromString(q.value(7).toString(), Qt::ISODate);
            c.value = q.value(8).toDouble();
            changes.push_back(c);
        }
    }
    if (q.lastError().isValid())
        return db.failure(QStringLiteral("The alerts cannot be read"), q.lastError());
    std::stable_sort(changes.begin(), changes.end(),
                     [](const data::AlertChange& a, const data::AlertChange& b) { return a.time < b.time; });
    return changes;
}

} // namespace stazione::db
