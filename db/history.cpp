#include "db/history.h"

#include "network/archive.h"
#include "network/outcome_fields.h"

#include <QDir>
#include <QSqlError>
#include <QSqlQuery>

#include <optional>

namespace stazione::db {

namespace {

std::optional<double> numberAt(const QSqlQuery& q, int column)
{
    if (column < 0 || q.isNull(column))
        return std::nullopt;
    return q.value(column).toDouble();
}

// The stored fields as the query reads them: the station's id first, then one column a field.
struct Columns {
    QStringList names{QStringLiteral("s.id")};
    std::vector<std::pair<const data::OutcomeField*, int>> fields;

    Columns()
    {
        for (const data::OutcomeField& f : data::kOutcomeFields) {
            if (f.stored == data::StoredIn::ReportOnly)
                continue;
            const char* table = f.stored == data::StoredIn::Collections ? "c." : "s.";
            fields.emplace_back(&f, int(names.size()));
            names << QLatin1String(table) + QLatin1String(f.column);
        }
    }

    int of(const char* column) const
    {
        for (const auto& [f, at] : fields)
            if (qstrcmp(f->column, column) == 0)
                return at;
        return -1;
    }
};

} // namespace

link::Result<data::Network> readNetwork(Database& db, const QString& dir)
{
    static const Columns columns;
    const int rowAt = columns.of("directory_row");
    const int resultAt = columns.of("result");
    const int batteryAt = columns.of("battery");
    const int possibleAt = columns.of("memory_possible");
    const int availableAt = columns.of("memory_available");
    QSqlQuery q(db.sql());
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("SELECT %1 FROM collections c LEFT JOIN stations s ON s.id = c.station_id "
                               "ORDER BY c.id")
                    .arg(columns.names.join(QStringLiteral(", ")))))
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
        for (const auto& [f, at] : columns.fields)
            data::setFromSql(*f, q.value(at), o);
        if (!o.folder.isEmpty())
            o.archive = QDir(QDir(dir).filePath(o.folder)).filePath(data::archiveFileName(o.folder));
        if (q.isNull(rowAt)) {
            if (!rowless.contains(o.name))
                rowless << o.name;
            continue;
        }
        calls.push_back(data::callOf(std::move(o), q.value(resultAt).toString(), numberAt(q, batteryAt),
                                     numberAt(q, possibleAt), numberAt(q, availableAt)));
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
