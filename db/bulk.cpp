#include "db/bulk.h"

#include "db/store.h"

#include <QSqlDriver>
#include <QVariant>

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <libpq-fe.h>
#include <sqlite3.h>

namespace stazione::db {

namespace {

// The connection Qt holds. Debian's Qt drivers link the system's libsqlite3 and libpq, the same
// libraries this program links, so the handle is theirs. Qt 6.4 names PostgreSQL's "pg_conn*"
// (the struct behind the typedef).
template<typename Handle>
Handle* handleOf(Database& db, const char* typeName, const char* otherName = nullptr)
{
    const QVariant handle = db.sql().driver()->handle();
    if (!handle.isValid() || (qstrcmp(handle.typeName(), typeName) != 0 &&
                              (otherName == nullptr || qstrcmp(handle.typeName(), otherName) != 0)))
        return nullptr;
    return *static_cast<Handle* const*>(handle.constData());
}

// The text "lines" holds for an archive line, as UTF-8: the line itself when it is plain ASCII.
QByteArray lineUtf8(const QByteArray& raw)
{
    for (const char c : raw) {
        if (c == '\0' || (static_cast<unsigned char>(c) & 0x80U) != 0)
            return lineText(raw).toUtf8();
    }
    return raw;
}

void appendNumber(QByteArray& out, double value)
{
    // The shortest text that reads back as the same double.
    char text[32];
    const auto [end, ec] = std::to_chars(text, text + sizeof text, value);
    out.append(text, ec == std::errc() ? end - text : 0);
}

void appendNumber(QByteArray& out, qint64 value)
{
    char text[24];
    const auto [end, ec] = std::to_chars(text, text + sizeof text, value);
    out.append(text, ec == std::errc() ? end - text : 0);
}

class SqliteWriter : public RowWriter {
public:
    SqliteWriter(sqlite3* handle, qint64 stationId)
        : m_handle(handle)
        , m_station(stationId)
    {}
    ~SqliteWriter() override
    {
        sqlite3_finalize(m_lines);
        for (sqlite3_stmt* statement : m_values)
            sqlite3_finalize(statement);
    }
    SqliteWriter(const SqliteWriter&) = delete;
    SqliteWriter& operator=(const SqliteWriter&) = delete;

    bool prepare()
    {
        // A line stored by another writer in the meantime is the same line.
        if (sqlite3_prepare_v2(
                m_handle,
                "INSERT INTO lines (station_id, seq, text) VALUES (?1, ?2, ?3) ON CONFLICT DO NOTHING", -1,
                &m_lines, nullptr) != SQLITE_OK)
            return refused(QStringLiteral("Lines cannot be stored"));
        sqlite3_bind_int64(m_lines, 1, m_station);
        return true;
    }

    bool line(qint64 seq, const QByteArray& raw) override
    {
        const QByteArray text = lineUtf8(raw);
        sqlite3_bind_int64(m_lines, 2, seq);
        sqlite3_bind_text(m_lines, 3, text.constData(), int(text.size()), SQLITE_STATIC);
        const int stepped = sqlite3_step(m_lines);
        sqlite3_reset(m_lines);
        return stepped == SQLITE_DONE || refused(QStringLiteral("Lines cannot be stored"));
    }

    bool values(const QByteArray& time, const std::vector<std::pair<int, double>>& values) override
    {
        // A line's values in one statement: one step of the engine instead of one a value.
        size_t done = 0;
        while (done < values.size()) {
            const size_t count = std::min(values.size() - done, kRowsPerStatement);
            sqlite3_stmt* statement = valueStatement(count);
            if (statement == nullptr)
                return refused(QStringLiteral("Values cannot be stored"));
            sqlite3_bind_text(statement, 2, time.constData(), int(time.size()), SQLITE_STATIC);
            for (size_t k = 0; k < count; ++k) {
                sqlite3_bind_int(statement, int(3 + 2 * k), values[done + k].first);
                sqlite3_bind_double(statement, int(4 + 2 * k), values[done + k].second);
            }
            const int stepped = sqlite3_step(statement);
            sqlite3_reset(statement);
            if (stepped != SQLITE_DONE)
                return refused(QStringLiteral("Values cannot be stored"));
            done += count;
        }
        return true;
    }

    bool finish() override { return true; }

private:
    static constexpr size_t kRowsPerStatement = 32;

    // The statement that stores `count` values of one time, prepared at its first use.
    sqlite3_stmt* valueStatement(size_t count)
    {
        sqlite3_stmt*& statement = m_values[count - 1];
        if (statement != nullptr)
            return statement;
        QByteArray sql = "INSERT INTO measurements (station_id, time, channel, value) VALUES ";
        for (int k = 0; k < int(count); ++k) {
            sql += k > 0 ? "," : "";
            sql += "(?1,?2,?" + QByteArray::number(3 + 2 * k) + ",?" + QByteArray::number(4 + 2 * k) + ')';
        }
        // A value stored by another writer in the meantime is the same value.
        sql += " ON CONFLICT DO NOTHING";
        if (sqlite3_prepare_v2(m_handle, sql.constData(), int(sql.size()), &statement, nullptr) != SQLITE_OK)
            return nullptr;
        sqlite3_bind_int64(statement, 1, m_station);
        return statement;
    }

    bool refused(const QString& what) { return fail(what, QString::fromUtf8(sqlite3_errmsg(m_handle))); }

    sqlite3* m_handle;
    qint64 m_station;
    sqlite3_stmt* m_lines = nullptr;
    std::array<sqlite3_stmt*, kRowsPerStatement> m_values{};
};

// Rows go to the server in COPY's text format, a few MiB per statement. The lines of a station
// past its stored count are new by construction: every writer holds the station's row lock and
// counts first. Its values are new as long as their times rise past the newest stored time;
// after a time that does not (a clock set back, a line repeated), the rest pass through a
// staging table and ON CONFLICT, like the rows of a second PC.
class PostgresWriter : public RowWriter {
public:
    PostgresWriter(PGconn* connection, qint64 stationId)
        : m_connection(connection)
    {
        appendNumber(m_station, stationId);
        m_station += '\t';
    }

    bool prepare()
    {
        const QByteArray station = m_station.chopped(1);
        const char* params[] = {station.constData()};
        // The end of the station's range of the primary key. Its times all have one layout, in which
        // every collation orders them as their bytes; were it otherwise, COPY would meet a stored
        // value and the store would fail whole, to be caught up by the next one.
        PGresult* newest = PQexecParams(
            m_connection, "SELECT time FROM measurements WHERE station_id = $1 ORDER BY time DESC LIMIT 1", 1,
            nullptr, params, nullptr, nullptr, 0);
        const bool read = PQresultStatus(newest) == PGRES_TUPLES_OK;
        if (read && PQntuples(newest) == 1)
            m_newest = QByteArray(PQgetvalue(newest, 0, 0));
        PQclear(newest);
        return read || refused(QStringLiteral("The stored values cannot be read"));
    }

    bool line(qint64 seq, const QByteArray& raw) override
    {
        m_lines += m_station;
        appendNumber(m_lines, seq);
        m_lines += '\t';
        for (const char c : lineUtf8(raw)) {
            switch (c) {
            case '\\':
                m_lines += "\\\\";
                break;
            case '\t':
                m_lines += "\\t";
                break;
            case '\n':
                m_lines += "\\n";
                break;
            case '\r':
                m_lines += "\\r";
                break;
            default:
                m_lines += c;
            }
        }
        m_lines += '\n';
        return m_lines.size() < kChunk || flushLines();
    }

    bool values(const QByteArray& time, const std::vector<std::pair<int, double>>& values) override
    {
        if (!m_staged && time > m_newest)
            m_newest = time;
        else
            m_staged = true;
        QByteArray& out = m_staged ? m_stagedValues : m_values;
        for (const auto& [channel, value] : values) {
            out += m_station;
            out += time;
            out += '\t';
            appendNumber(out, qint64(channel));
            out += '\t';
            appendNumber(out, value);
            out += '\n';
        }
        if (m_values.size() >= kChunk && !flushValues())
            return false;
        return m_stagedValues.size() < kChunk || flushStaged();
    }

    bool finish() override { return flushLines() && flushValues() && flushStaged(); }

private:
    static constexpr qsizetype kChunk = 4 << 20;

    bool flushLines()
    {
        return copy("COPY lines (station_id, seq, text) FROM STDIN", m_lines) ||
               refused(QStringLiteral("Lines cannot be stored"));
    }

    bool flushValues()
    {
        return copy("COPY measurements (station_id, time, channel, value) FROM STDIN", m_values) ||
               refused(QStringLiteral("Values cannot be stored"));
    }

    bool flushStaged()
    {
        if (m_stagedValues.isEmpty())
            return true;
        const bool stored =
            command("CREATE TEMPORARY TABLE IF NOT EXISTS stazione_new_values (station_id BIGINT, time "
                    "TEXT, channel INTEGER, value DOUBLE PRECISION) ON COMMIT DELETE ROWS") &&
            copy("COPY stazione_new_values FROM STDIN", m_stagedValues) &&
            command("INSERT INTO measurements (station_id, time, channel, value) SELECT station_id, time, "
                    "channel, value FROM stazione_new_values ON CONFLICT DO NOTHING") &&
            command("TRUNCATE stazione_new_values");
        return stored || refused(QStringLiteral("Values cannot be stored"));
    }

    bool command(const char* sql)
    {
        PGresult* result = PQexec(m_connection, sql);
        const bool done = PQresultStatus(result) == PGRES_COMMAND_OK;
        PQclear(result);
        return done;
    }

    // Sends the rows and empties the buffer.
    bool copy(const char* sql, QByteArray& rows)
    {
        if (rows.isEmpty())
            return true;
        PGresult* result = PQexec(m_connection, sql);
        const bool open = PQresultStatus(result) == PGRES_COPY_IN;
        PQclear(result);
        if (!open)
            return false;
        bool sent = PQputCopyData(m_connection, rows.constData(), int(rows.size())) == 1;
        sent = PQputCopyEnd(m_connection, sent ? nullptr : "the rows could not be sent") == 1 && sent;
        bool done = true;
        while ((result = PQgetResult(m_connection)) != nullptr) {
            done = done && PQresultStatus(result) == PGRES_COMMAND_OK;
            PQclear(result);
        }
        rows.clear();
        return sent && done;
    }

    bool refused(const QString& what)
    {
        return fail(what, QString::fromUtf8(PQerrorMessage(m_connection)).trimmed());
    }

    PGconn* m_connection;
    QByteArray m_station; // "id\t"
    QByteArray m_newest;  // the newest time stored or sent
    bool m_staged = false;
    QByteArray m_lines;
    QByteArray m_values;
    QByteArray m_stagedValues;
};

link::Error unreachable(Database& db)
{
    return link::Error::file(
        QStringLiteral("The database %1 cannot be reached through its client library (the Qt SQL driver "
                       "gives no %2 handle).")
            .arg(db.url().shown(), db.postgres() ? QStringLiteral("PGconn*") : QStringLiteral("sqlite3*")));
}

// The WHERE clause of a range: "station_id = ?" and the rest, each parameter in order.
QByteArray rangeCondition(const ValueRange& range, bool postgres)
{
    int next = 1;
    auto parameter = [&] {
        return postgres ? "$" + QByteArray::number(next++) : QByteArray("?") + QByteArray::number(next++);
    };
    QByteArray sql = "station_id = " + parameter();
    if (range.from)
        sql += " AND time >= " + parameter();
    if (range.to)
        sql += " AND time <= " + parameter();
    if (!range.channels.empty()) {
        sql += " AND channel IN (";
        for (size_t i = 0; i < range.channels.size(); ++i)
            sql += (i > 0 ? "," : "") + QByteArray::number(range.channels[i]);
        sql += ')';
    }
    return sql;
}

const QByteArray kSelectValues = "SELECT time, channel, value FROM measurements WHERE ";
// The primary key's order: one range scan of its index, no sort.
const QByteArray kInOrder = " ORDER BY time, channel";

link::Result<ValueRows> sqliteValues(Database& db, sqlite3* handle, const ValueRange& range)
{
    const QByteArray sql = kSelectValues + rangeCondition(range, false) + kInOrder;
    sqlite3_stmt* statement = nullptr;
    auto refused = [&] {
        const QString text = QString::fromUtf8(sqlite3_errmsg(handle));
        sqlite3_finalize(statement);
        return db.failure(QStringLiteral("The values cannot be read"),
                          QSqlError(QString(), text, QSqlError::StatementError));
    };
    if (sqlite3_prepare_v2(handle, sql.constData(), int(sql.size()), &statement, nullptr) != SQLITE_OK)
        return refused();
    int at = 1;
    sqlite3_bind_int64(statement, at++, range.stationId);
    const QByteArray from = range.from ? range.from->toUtf8() : QByteArray();
    const QByteArray to = range.to ? range.to->toUtf8() : QByteArray();
    if (range.from)
        sqlite3_bind_text(statement, at++, from.constData(), int(from.size()), SQLITE_STATIC);
    if (range.to)
        sqlite3_bind_text(statement, at++, to.constData(), int(to.size()), SQLITE_STATIC);
    ValueRows rows;
    int stepped = 0;
    while ((stepped = sqlite3_step(statement)) == SQLITE_ROW) {
        const auto* time = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
        const int length = sqlite3_column_bytes(statement, 0);
        if (rows.times.empty() || rows.times.back() != QByteArrayView(time, length)) {
            if (!rows.times.empty())
                rows.ends.push_back(rows.cells.size());
            rows.times.emplace_back(time, length);
        }
        rows.cells.emplace_back(sqlite3_column_int(statement, 1), sqlite3_column_double(statement, 2));
    }
    if (stepped != SQLITE_DONE)
        return refused();
    sqlite3_finalize(statement);
    if (!rows.times.empty())
        rows.ends.push_back(rows.cells.size());
    return rows;
}

link::Result<ValueRows> postgresValues(Database& db, PGconn* connection, const ValueRange& range)
{
    const QByteArray sql = kSelectValues + rangeCondition(range, true) + kInOrder;
    const QByteArray station = QByteArray::number(range.stationId);
    const QByteArray from = range.from ? range.from->toUtf8() : QByteArray();
    const QByteArray to = range.to ? range.to->toUtf8() : QByteArray();
    std::vector<const char*> params{station.constData()};
    if (range.from)
        params.push_back(from.constData());
    if (range.to)
        params.push_back(to.constData());
    PGresult* result = PQexecParams(connection, sql.constData(), int(params.size()), nullptr, params.data(),
                                    nullptr, nullptr, 0);
    if (PQresultStatus(result) != PGRES_TUPLES_OK) {
        PQclear(result);
        return db.failure(QStringLiteral("The values cannot be read"),
                          QSqlError(QString(), QString::fromUtf8(PQerrorMessage(connection)).trimmed(),
                                    QSqlError::StatementError));
    }
    ValueRows rows;
    const int count = PQntuples(result);
    rows.cells.reserve(size_t(count));
    for (int r = 0; r < count; ++r) {
        const char* time = PQgetvalue(result, r, 0);
        const int length = PQgetlength(result, r, 0);
        if (rows.times.empty() || rows.times.back() != QByteArrayView(time, length)) {
            if (!rows.times.empty())
                rows.ends.push_back(rows.cells.size());
            rows.times.emplace_back(time, length);
        }
        int channel = 0;
        double value = 0;
        const char* c = PQgetvalue(result, r, 1);
        std::from_chars(c, c + PQgetlength(result, r, 1), channel);
        const char* v = PQgetvalue(result, r, 2);
        // float8's own text is the shortest that reads back as the same double.
        std::from_chars(v, v + PQgetlength(result, r, 2), value);
        rows.cells.emplace_back(channel, value);
    }
    PQclear(result);
    if (!rows.times.empty())
        rows.ends.push_back(rows.cells.size());
    return rows;
}

} // namespace

bool RowWriter::fail(const QString& what, const QString& text)
{
    m_what = what;
    m_error = QSqlError(QString(), text, QSqlError::StatementError);
    return false;
}

link::Result<std::unique_ptr<RowWriter>> rowWriter(Database& db, qint64 stationId)
{
    if (db.postgres()) {
        PGconn* connection = handleOf<PGconn>(db, "PGconn*", "pg_conn*");
        if (!connection)
            return unreachable(db);
        auto writer = std::make_unique<PostgresWriter>(connection, stationId);
        if (!writer->prepare())
            return db.failure(writer->what(), writer->error());
        return std::unique_ptr<RowWriter>(std::move(writer));
    }
    sqlite3* handle = handleOf<sqlite3>(db, "sqlite3*");
    if (!handle)
        return unreachable(db);
    auto writer = std::make_unique<SqliteWriter>(handle, stationId);
    if (!writer->prepare())
        return db.failure(writer->what(), writer->error());
    return std::unique_ptr<RowWriter>(std::move(writer));
}

link::Result<ValueRows> readValues(Database& db, const ValueRange& range)
{
    if (db.postgres()) {
        PGconn* connection = handleOf<PGconn>(db, "PGconn*", "pg_conn*");
        if (!connection)
            return unreachable(db);
        return postgresValues(db, connection, range);
    }
    sqlite3* handle = handleOf<sqlite3>(db, "sqlite3*");
    if (!handle)
        return unreachable(db);
    return sqliteValues(db, handle, range);
}

} // namespace stazione::db
