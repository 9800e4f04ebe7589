#include "db/history.h"

#include "data/data_file.h"
#include "db/bulk.h"
#include "network/archive.h"
#include "network/outcome_fields.h"

#include <QDir>
#include <QSqlError>
#include <QSqlQuery>

#include <charconv>
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

// The wall-clock milliseconds of "YYYY-MM-DDTHH:MM:SS" (or with a blank for the "T", as
// PostgreSQL writes a timestamp as text).
std::optional<qint64> isoMilliseconds(QByteArrayView text)
{
    if (text.size() < 19)
        return std::nullopt;
    const auto field = [&text](qsizetype at, qsizetype length) -> std::optional<int> {
        int value = 0;
        const char* from = text.data() + at;
        const auto [end, ec] = std::from_chars(from, from + length, value);
        if (ec != std::errc() || end != from + length)
            return std::nullopt;
        return value;
    };
    const auto year = field(0, 4);
    const auto month = field(5, 2);
    const auto day = field(8, 2);
    const auto hour = field(11, 2);
    const auto minute = field(14, 2);
    const auto second = field(17, 2);
    if (!year || !month || !day || !hour || !minute || !second)
        return std::nullopt;
    return data::wallMilliseconds(*year, *month, *day, *hour, *minute, *second);
}

} // namespace

link::Result<data::RecentData> readRecentReadings(Database& db, const data::StationHistory& station, int days)
{
    data::RecentData recent;
    QSqlQuery q(db.sql());
    // The station as readNetwork knows it: by its folder, else (known only from failed calls) by
    // its row and name, which gives no readings.
    if (station.folder.isEmpty())
        return recent;
    q.prepare(QStringLiteral("SELECT id FROM stations WHERE folder = ?"));
    q.addBindValue(station.folder);
    if (!q.exec())
        return db.failure(QStringLiteral("A station cannot be looked up"), q.lastError());
    if (!q.next())
        return recent;
    const qint64 id = q.value(0).toLongLong();
    q.prepare(QStringLiteral("SELECT CAST(MAX(time) AS TEXT) FROM readings WHERE station_id = ?"));
    q.addBindValue(id);
    if (!q.exec())
        return db.failure(QStringLiteral("The readings cannot be read"), q.lastError());
    if (!q.next() || q.isNull(0))
        return recent;
    const auto newest = isoMilliseconds(q.value(0).toString().toLatin1());
    if (!newest)
        return link::Error::data(QStringLiteral("The newest reading of %1 has a time of an unknown form: %2")
                                     .arg(station.folder, q.value(0).toString()));
    ValueRange range;
    range.stationId = id;
    range.from = QString::fromLatin1(data::isoText(*newest - qint64(days) * 86400 * 1000));
    auto read = readValues(db, range);
    if (!read)
        return read.error();
    const ValueRows& rows = *read;
    const size_t width = size_t(rows.widest);
    for (size_t c = 0; c < width; ++c)
        recent.channels << QStringLiteral("CH %1").arg(c);
    recent.values.assign(width, std::vector<double>(rows.times.size(), data::kGap));
    recent.times.reserve(rows.times.size());
    size_t cell = 0;
    for (size_t r = 0; r < rows.times.size(); ++r) {
        const auto time = isoMilliseconds(rows.times[r]);
        if (!time)
            return link::Error::data(QStringLiteral("A reading of %1 has a time of an unknown form: %2")
                                         .arg(station.folder, QString::fromLatin1(rows.times[r])));
        recent.times.push_back(*time);
        for (; cell < rows.ends[r]; ++cell) {
            const ValueCell& v = rows.cells[cell];
            if (v.channel < 0 || size_t(v.channel) >= width)
                continue;
            double value = v.value;
            if (v.length > 0) {
                const char* from = rows.text.constData() + v.at;
                std::from_chars(from, from + v.length, value);
            }
            recent.values[size_t(v.channel)][r] = value;
        }
    }
    recent.timed = !recent.times.empty();
    return recent;
}

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
