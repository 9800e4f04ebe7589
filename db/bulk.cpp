#include "db/bulk.h"

#include "data/data_file.h"
#include "db/store.h"

#include <QSqlDriver>
#include <QVariant>
#include <QtEndian>

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cstring>
#include <libpq-fe.h>
#include <optional>
#include <sqlite3.h>

namespace stazione::db {

namespace {

// COPY sends a few MiB per statement.
constexpr qsizetype kCopyChunk = 4 << 20;

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

// True when `text` is a number as the table prints it: an optional minus, the integer part
// without leading zeros, an optional fraction without trailing zeros, at most 15 significant
// digits (no shorter digits then read back as the same double), and not "-0" (printed "0").
bool printedAsItStands(const char* text, const char* end)
{
    const char* p = text;
    if (p < end && *p == '-')
        ++p;
    const char* whole = p;
    while (p < end && *p >= '0' && *p <= '9')
        ++p;
    const auto wholeDigits = int(p - whole);
    if (wholeDigits == 0 || (wholeDigits > 1 && *whole == '0'))
        return false;
    int significant = *whole == '0' ? 0 : wholeDigits;
    if (p < end) {
        if (*p++ != '.' || p == end || end[-1] == '0')
            return false;
        for (; p < end; ++p) {
            if (*p < '0' || *p > '9')
                return false;
            if (significant > 0 || *p != '0')
                ++significant;
        }
    }
    return significant <= 15 && (significant > 0 || *text != '-');
}

bool wanted(const std::vector<int>& channels, int channel)
{
    return channels.empty() || std::find(channels.begin(), channels.end(), channel) != channels.end();
}

// The values of a JSON array as appendValueArray writes it, into `rows` (the channels of
// `channels` when given). A value in the form the table prints is kept as its text.
void readJsonArray(const char* text, int length, const std::vector<int>& channels, ValueRows& rows)
{
    if (length < 2)
        return;
    const qsizetype base = rows.text.size();
    rows.text.append(text, length);
    const char* start = rows.text.constData() + base;
    const char* at = start + 1;
    const char* end = start + length - 1;
    int channel = 0;
    for (; at < end; ++channel) {
        const char* comma = static_cast<const char*>(std::memchr(at, ',', size_t(end - at)));
        const char* stop = comma != nullptr ? comma : end;
        if (wanted(channels, channel)) {
            if (printedAsItStands(at, stop)) {
                rows.cells.push_back({0, at - rows.text.constData(), channel, int(stop - at)});
            } else {
                double value = 0;
                const auto [parsed, ec] = std::from_chars(at, stop, value);
                if (ec == std::errc() && parsed == stop)
                    rows.cells.push_back({value, 0, channel, 0});
            }
        }
        at = stop + 1;
    }
    rows.widest = std::max(rows.widest, channel);
}

qint32 bigEndian32(const char* at)
{
    return qFromBigEndian<qint32>(at);
}

// The values of a float8[] in PostgreSQL's binary form, into `rows`.
void readBinaryArray(const char* data, int length, const std::vector<int>& channels, ValueRows& rows)
{
    // Dimensions, a null flag, the element type; per dimension its size and lower bound.
    if (length < 12 || bigEndian32(data) != 1 || length < 20)
        return;
    const int count = bigEndian32(data + 12);
    rows.widest = std::max(rows.widest, std::clamp(count, 0, data::kMaxFileChannels));
    const char* at = data + 20;
    const char* end = data + length;
    for (int channel = 0; channel < count && end - at >= 4; ++channel) {
        const qint32 size = bigEndian32(at);
        at += 4;
        if (size < 0)
            continue; // a gap
        if (size != 8 || end - at < 8)
            return;
        if (wanted(channels, channel))
            rows.cells.push_back({std::bit_cast<double>(qFromBigEndian<quint64>(at)), 0, channel, 0});
        at += 8;
    }
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
        sqlite3_finalize(m_readings);
    }
    SqliteWriter(const SqliteWriter&) = delete;
    SqliteWriter& operator=(const SqliteWriter&) = delete;

    bool prepare()
    {
        // A line stored before, by this PC or another, is the same line.
        if (sqlite3_prepare_v2(m_handle,
                               "INSERT INTO lines (station_id, text) VALUES (?1, ?2) ON CONFLICT DO NOTHING",
                               -1, &m_lines, nullptr) != SQLITE_OK)
            return refused(QStringLiteral("Lines cannot be stored"));
        if (sqlite3_prepare_v2(m_handle,
                               "INSERT INTO readings (station_id, time, vals) VALUES (?1, ?2, ?3) ON "
                               "CONFLICT DO NOTHING",
                               -1, &m_readings, nullptr) != SQLITE_OK)
            return refused(QStringLiteral("Values cannot be stored"));
        sqlite3_bind_int64(m_lines, 1, m_station);
        sqlite3_bind_int64(m_readings, 1, m_station);
        return true;
    }

    bool add(const PreparedLine& line) override
    {
        sqlite3_bind_text(m_lines, 2, line.text.constData(), int(line.text.size()), SQLITE_STATIC);
        const int stepped = sqlite3_step(m_lines);
        sqlite3_reset(m_lines);
        if (stepped != SQLITE_DONE)
            return refused(QStringLiteral("Lines cannot be stored"));
        m_added += sqlite3_changes(m_handle);
        // A line stored before has its reading, unless it was taken out by hand: it comes back.
        if (!line.data)
            return true;
        sqlite3_bind_text(m_readings, 2, line.time.constData(), int(line.time.size()), SQLITE_STATIC);
        sqlite3_bind_text(m_readings, 3, line.values.constData(), int(line.values.size()), SQLITE_STATIC);
        const int written = sqlite3_step(m_readings);
        sqlite3_reset(m_readings);
        return written == SQLITE_DONE || refused(QStringLiteral("Values cannot be stored"));
    }

    bool finish() override { return true; }

private:
    bool refused(const QString& what) { return fail(what, QString::fromUtf8(sqlite3_errmsg(m_handle))); }

    sqlite3* m_handle;
    qint64 m_station;
    sqlite3_stmt* m_lines = nullptr;
    sqlite3_stmt* m_readings = nullptr;
};

// COPY's text form of a field: a backslash, a tab and a line end are escaped.
void appendCopyText(QByteArray& out, const QByteArray& text)
{
    const char* data = text.constData();
    qsizetype plain = 0; // the start of the bytes not appended yet
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = data[i];
        const char* escape = c == '\\'   ? "\\\\"
                             : c == '\t' ? "\\t"
                             : c == '\n' ? "\\n"
                             : c == '\r' ? "\\r"
                                         : nullptr;
        if (escape == nullptr)
            continue;
        out.append(data + plain, i - plain);
        out.append(escape, 2);
        plain = i + 1;
    }
    out.append(data + plain, text.size() - plain);
}

// The newest time of the station's readings, in the ISO form of the archive's times (the server
// writes "2026-12-05 14:30:00"); empty when it has none; nullopt on a refusal.
std::optional<QByteArray> newestReading(PGconn* connection, const QByteArray& station)
{
    const char* params[] = {station.constData()};
    PGresult* newest =
        PQexecParams(connection,
                     "SELECT to_char(time, 'YYYY-MM-DD\"T\"HH24:MI:SS') FROM readings WHERE station_id = $1 "
                     "ORDER BY time DESC LIMIT 1",
                     1, nullptr, params, nullptr, nullptr, 0);
    std::optional<QByteArray> out;
    if (PQresultStatus(newest) == PGRES_TUPLES_OK)
        out = PQntuples(newest) == 1 ? QByteArray(PQgetvalue(newest, 0, 0)) : QByteArray();
    PQclear(newest);
    return out;
}

// Sends rows in COPY's text format to `sql` ("COPY t (a, b) FROM STDIN") and empties the buffer.
bool copyRows(PGconn* connection, const char* sql, QByteArray& rows)
{
    if (rows.isEmpty())
        return true;
    PGresult* result = PQexec(connection, sql);
    const bool open = PQresultStatus(result) == PGRES_COPY_IN;
    PQclear(result);
    if (!open)
        return false;
    bool sent = PQputCopyData(connection, rows.constData(), int(rows.size())) == 1;
    sent = PQputCopyEnd(connection, sent ? nullptr : "the rows could not be sent") == 1 && sent;
    bool done = true;
    while ((result = PQgetResult(connection)) != nullptr) {
        done = done && PQresultStatus(result) == PGRES_COMMAND_OK;
        PQclear(result);
    }
    rows.clear();
    return sent && done;
}

// The rows a command changed; -1 when it failed.
qint64 command(PGconn* connection, const char* sql)
{
    PGresult* result = PQexec(connection, sql);
    qint64 rows = -1;
    if (PQresultStatus(result) == PGRES_COMMAND_OK)
        rows = QByteArray(PQcmdTuples(result)).toLongLong();
    PQclear(result);
    return rows;
}

// Rows go to the server in COPY's text format, a few MiB per statement. A line whose time is past
// every reading stored and sent before is new (a stored line's reading is stored with it) and goes
// to the tables straight; the others, and every line sent Checked, pass through staging tables and
// ON CONFLICT, in the order of the archive so that a repeated time keeps its first values.
class PostgresWriter : public RowWriter {
public:
    PostgresWriter(PGconn* connection, qint64 stationId, Sending sending)
        : m_connection(connection)
        , m_fast(sending == Sending::Fast)
    {
        appendNumber(m_stationId, stationId);
        m_station = m_stationId + '\t';
    }

    bool prepare()
    {
        if (!m_fast)
            return true;
        const auto newest = newestReading(m_connection, m_stationId);
        if (!newest)
            return refused(QStringLiteral("The stored values cannot be read"));
        m_newest = *newest;
        return true;
    }

    bool add(const PreparedLine& line) override
    {
        if (m_fast && line.data && line.time > m_newest) {
            m_newest = line.time;
            m_lines += m_station;
            appendCopyText(m_lines, line.text);
            m_lines += '\n';
            m_readings += m_station;
            m_readings += line.time;
            m_readings += '\t';
            m_readings += line.values;
            m_readings += '\n';
            ++m_sentStraight;
            if (m_lines.size() + m_readings.size() >= kCopyChunk)
                return flushStraight();
            return true;
        }
        ++m_order;
        appendNumber(m_stagedLines, m_order);
        m_stagedLines += '\t';
        appendCopyText(m_stagedLines, line.text);
        m_stagedLines += '\n';
        if (line.data) {
            appendNumber(m_stagedReadings, m_order);
            m_stagedReadings += '\t';
            m_stagedReadings += line.time;
            m_stagedReadings += '\t';
            m_stagedReadings += line.values;
            m_stagedReadings += '\n';
        }
        if (m_stagedLines.size() + m_stagedReadings.size() >= kCopyChunk)
            return flushStaged();
        return true;
    }

    bool finish() override { return flushStraight() && flushStaged(); }

private:
    bool flushStraight()
    {
        if (!copyRows(m_connection, "COPY lines (station_id, text) FROM STDIN", m_lines))
            return refused(QStringLiteral("Lines cannot be stored"));
        if (!copyRows(m_connection, "COPY readings (station_id, time, vals) FROM STDIN", m_readings))
            return refused(QStringLiteral("Values cannot be stored"));
        m_added += m_sentStraight;
        m_sentStraight = 0;
        return true;
    }

    bool flushStaged()
    {
        if (m_stagedLines.isEmpty())
            return true;
        if (command(m_connection,
                    "CREATE TEMPORARY TABLE IF NOT EXISTS stazione_staged_lines (n BIGINT, text TEXT) ON "
                    "COMMIT DELETE ROWS") < 0 ||
            command(m_connection,
                    "CREATE TEMPORARY TABLE IF NOT EXISTS stazione_staged_readings (n BIGINT, time "
                    "TIMESTAMP, vals DOUBLE PRECISION[]) ON COMMIT DELETE ROWS") < 0 ||
            !copyRows(m_connection, "COPY stazione_staged_lines (n, text) FROM STDIN", m_stagedLines) ||
            !copyRows(m_connection, "COPY stazione_staged_readings (n, time, vals) FROM STDIN",
                      m_stagedReadings))
            return refused(QStringLiteral("Lines cannot be stored"));
        const QByteArray lines = "INSERT INTO lines (station_id, text) SELECT " + m_stationId +
                                 ", text FROM stazione_staged_lines ORDER BY n ON CONFLICT DO NOTHING";
        const qint64 added = command(m_connection, lines.constData());
        if (added < 0)
            return refused(QStringLiteral("Lines cannot be stored"));
        const QByteArray readings = "INSERT INTO readings (station_id, time, vals) SELECT " + m_stationId +
                                    ", time, vals FROM stazione_staged_readings ORDER BY n ON CONFLICT "
                                    "DO NOTHING";
        if (command(m_connection, readings.constData()) < 0 ||
            command(m_connection, "TRUNCATE stazione_staged_lines, stazione_staged_readings") < 0)
            return refused(QStringLiteral("Values cannot be stored"));
        m_added += added;
        return true;
    }

    bool refused(const QString& what)
    {
        return fail(what, QString::fromUtf8(PQerrorMessage(m_connection)).trimmed());
    }

    PGconn* m_connection;
    bool m_fast;
    QByteArray m_stationId; // "id"
    QByteArray m_station;   // "id\t"
    QByteArray m_newest;    // the newest time stored or sent straight
    qint64 m_order = 0;
    qint64 m_sentStraight = 0;
    QByteArray m_lines;
    QByteArray m_readings;
    QByteArray m_stagedLines;
    QByteArray m_stagedReadings;
};

link::Error unreachable(Database& db)
{
    return link::Error::file(
        QStringLiteral("The database %1 cannot be reached through its client library (the Qt SQL driver "
                       "gives no %2 handle).")
            .arg(db.url().shown(), db.postgres() ? QStringLiteral("PGconn*") : QStringLiteral("sqlite3*")));
}

link::Error refusal(Database& db, const QString& what, const QString& said)
{
    return db.failure(what, QSqlError(QString(), said, QSqlError::StatementError));
}

// The statement of a range: one range scan of the readings' key, in its order. PostgreSQL writes
// the time as the archive's ISO text.
QByteArray rangeStatement(const ValueRange& range, bool postgres)
{
    int next = 1;
    auto parameter = [&] {
        return postgres ? "$" + QByteArray::number(next++) : QByteArray("?") + QByteArray::number(next++);
    };
    QByteArray sql = "SELECT time, vals FROM readings WHERE ";
    sql += "station_id = " + parameter();
    if (range.from)
        sql += " AND time >= " + parameter();
    if (range.to)
        sql += " AND time <= " + parameter();
    return sql + " ORDER BY time";
}

link::Result<ValueRows> sqliteValues(Database& db, sqlite3* handle, const ValueRange& range)
{
    const QByteArray sql = rangeStatement(range, false);
    sqlite3_stmt* statement = nullptr;
    auto refused = [&] {
        const QString text = QString::fromUtf8(sqlite3_errmsg(handle));
        sqlite3_finalize(statement);
        return refusal(db, QStringLiteral("The values cannot be read"), text);
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
        rows.times.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)),
                                sqlite3_column_bytes(statement, 0));
        readJsonArray(reinterpret_cast<const char*>(sqlite3_column_text(statement, 1)),
                      sqlite3_column_bytes(statement, 1), range.channels, rows);
        rows.ends.push_back(rows.cells.size());
    }
    if (stepped != SQLITE_DONE)
        return refused();
    sqlite3_finalize(statement);
    return rows;
}

link::Result<ValueRows> postgresValues(Database& db, PGconn* connection, const ValueRange& range)
{
    const QByteArray sql = rangeStatement(range, true);
    const QByteArray station = QByteArray::number(range.stationId);
    const QByteArray from = range.from ? range.from->toUtf8() : QByteArray();
    const QByteArray to = range.to ? range.to->toUtf8() : QByteArray();
    std::vector<const char*> params{station.constData()};
    if (range.from)
        params.push_back(from.constData());
    if (range.to)
        params.push_back(to.constData());
    // The rows come in the binary form: the server formats no number and no time.
    PGresult* result = PQexecParams(connection, sql.constData(), int(params.size()), nullptr, params.data(),
                                    nullptr, nullptr, 1);
    if (PQresultStatus(result) != PGRES_TUPLES_OK) {
        PQclear(result);
        return refusal(db, QStringLiteral("The values cannot be read"),
                       QString::fromUtf8(PQerrorMessage(connection)).trimmed());
    }
    ValueRows rows;
    const int count = PQntuples(result);
    rows.times.reserve(size_t(count));
    rows.ends.reserve(size_t(count));
    // As many cells as the first reading has values in each: the vector is not grown 20 times
    // over a year of a station.
    if (count > 0 && PQgetlength(result, 0, 1) >= 20) {
        const qint32 values = bigEndian32(PQgetvalue(result, 0, 1) + 12);
        const size_t each =
            range.channels.empty() ? size_t(std::clamp(values, 0, 128)) : range.channels.size();
        rows.cells.reserve(size_t(count) * each);
    }
    // A timestamp is its microseconds since 2000-01-01, the logger's clock as it stands.
    constexpr qint64 kEpoch2000 = 946684800000;
    for (int r = 0; r < count; ++r) {
        if (PQgetlength(result, r, 0) != 8) {
            PQclear(result);
            return refusal(db, QStringLiteral("The values cannot be read"),
                           QStringLiteral("a time of an unknown form"));
        }
        const qint64 micros = qFromBigEndian<qint64>(PQgetvalue(result, r, 0));
        const qint64 millis = (micros >= 0 ? micros / 1000 : -((-micros + 999) / 1000)) + kEpoch2000;
        rows.times.push_back(data::isoText(millis));
        readBinaryArray(PQgetvalue(result, r, 1), PQgetlength(result, r, 1), range.channels, rows);
        rows.ends.push_back(rows.cells.size());
    }
    PQclear(result);
    return rows;
}

// The values of one time of the old table, gathered into its reading.
class Gathering {
public:
    explicit Gathering(bool postgres)
        : m_postgres(postgres)
    {}
    // Adds a value of the old table, read in the order of its key.
    void add(qint64 station, const QByteArray& time, int channel, double value)
    {
        if (station != m_stationId || time != m_reading.time)
            end();
        m_stationId = station;
        m_reading.time = time;
        m_reading.values.emplace_back(channel, value);
        m_reading.cells = std::max(m_reading.cells, channel + 1);
    }
    // The reading gathered so far goes out, to `rows` or `done`.
    void end()
    {
        if (m_reading.values.empty())
            return;
        if (m_postgres) {
            appendNumber(rows, m_stationId);
            rows += '\t';
            rows += m_reading.time;
            rows += '\t';
            appendValueArray(rows, m_reading, true);
            rows += '\n';
        } else {
            done.push_back({m_stationId, m_reading.time, QByteArray()});
            appendValueArray(done.back().vals, m_reading, false);
        }
        m_reading.values.clear();
        m_reading.cells = 0;
    }

    struct Row {
        qint64 stationId;
        QByteArray time;
        QByteArray vals;
    };
    QByteArray rows;       // PostgreSQL: COPY's text
    std::vector<Row> done; // SQLite

private:
    bool m_postgres;
    qint64 m_stationId = -1;
    LineReading m_reading;
};

link::Status convertSqlite(Database& db, sqlite3* handle)
{
    sqlite3_stmt* read = nullptr;
    sqlite3_stmt* write = nullptr;
    auto refused = [&] {
        const QString text = QString::fromUtf8(sqlite3_errmsg(handle));
        sqlite3_finalize(read);
        sqlite3_finalize(write);
        return refusal(db, QStringLiteral("The values cannot be converted"), text);
    };
    if (sqlite3_prepare_v2(handle,
                           "SELECT station_id, time, channel, value FROM measurements ORDER BY station_id, "
                           "time, channel",
                           -1, &read, nullptr) != SQLITE_OK ||
        sqlite3_prepare_v2(handle, "INSERT INTO readings (station_id, time, vals) VALUES (?1, ?2, ?3)", -1,
                           &write, nullptr) != SQLITE_OK)
        return refused();
    Gathering gathering(false);
    auto flush = [&] {
        for (const Gathering::Row& row : gathering.done) {
            sqlite3_bind_int64(write, 1, row.stationId);
            sqlite3_bind_text(write, 2, row.time.constData(), int(row.time.size()), SQLITE_STATIC);
            sqlite3_bind_text(write, 3, row.vals.constData(), int(row.vals.size()), SQLITE_STATIC);
            const int stepped = sqlite3_step(write);
            sqlite3_reset(write);
            if (stepped != SQLITE_DONE)
                return false;
        }
        gathering.done.clear();
        return true;
    };
    int stepped = 0;
    while ((stepped = sqlite3_step(read)) == SQLITE_ROW) {
        const auto* time = reinterpret_cast<const char*>(sqlite3_column_text(read, 1));
        gathering.add(sqlite3_column_int64(read, 0), QByteArray(time, sqlite3_column_bytes(read, 1)),
                      sqlite3_column_int(read, 2), sqlite3_column_double(read, 3));
        if (gathering.done.size() >= 4096 && !flush())
            return refused();
    }
    if (stepped != SQLITE_DONE)
        return refused();
    gathering.end();
    if (!flush())
        return refused();
    sqlite3_finalize(read);
    sqlite3_finalize(write);
    return {};
}

// Through a cursor, a few thousand times at once: the old table may hold millions of values.
link::Status convertPostgres(Database& db, PGconn* connection)
{
    auto refused = [&] {
        return refusal(db, QStringLiteral("The values cannot be converted"),
                       QString::fromUtf8(PQerrorMessage(connection)).trimmed());
    };
    if (command(connection, "DECLARE stazione_old_values NO SCROLL CURSOR FOR SELECT station_id, time, "
                            "channel, value FROM measurements ORDER BY station_id, time, channel") < 0)
        return refused();
    Gathering gathering(true);
    for (;;) {
        PGresult* result = PQexec(connection, "FETCH 100000 FROM stazione_old_values");
        if (PQresultStatus(result) != PGRES_TUPLES_OK) {
            PQclear(result);
            return refused();
        }
        const int count = PQntuples(result);
        for (int r = 0; r < count; ++r) {
            qint64 station = 0;
            int channel = 0;
            double value = 0;
            const char* s = PQgetvalue(result, r, 0);
            std::from_chars(s, s + PQgetlength(result, r, 0), station);
            const char* c = PQgetvalue(result, r, 2);
            std::from_chars(c, c + PQgetlength(result, r, 2), channel);
            const char* v = PQgetvalue(result, r, 3);
            // float8's own text is the shortest that reads back as the same double.
            std::from_chars(v, v + PQgetlength(result, r, 3), value);
            gathering.add(station, QByteArray(PQgetvalue(result, r, 1), PQgetlength(result, r, 1)), channel,
                          value);
        }
        PQclear(result);
        if (count == 0)
            gathering.end();
        if ((count == 0 || gathering.rows.size() >= kCopyChunk) &&
            !copyRows(connection, "COPY readings (station_id, time, vals) FROM STDIN", gathering.rows))
            return refused();
        if (count == 0)
            break;
    }
    if (command(connection, "CLOSE stazione_old_values") < 0)
        return refused();
    return {};
}

} // namespace

void appendValueArray(QByteArray& out, const LineReading& reading, bool postgres)
{
    const char* gap = postgres ? "NULL" : "null";
    out += postgres ? '{' : '[';
    auto value = reading.values.begin();
    for (int c = 0; c < reading.cells; ++c) {
        if (c > 0)
            out += ',';
        if (value != reading.values.end() && value->first == c)
            appendNumber(out, (value++)->second);
        else
            out += gap;
    }
    out += postgres ? '}' : ']';
}

bool RowWriter::fail(const QString& what, const QString& text)
{
    m_what = what;
    m_error = QSqlError(QString(), text, QSqlError::StatementError);
    return false;
}

link::Result<std::unique_ptr<RowWriter>> rowWriter(Database& db, qint64 stationId, Sending sending)
{
    if (db.postgres()) {
        PGconn* connection = handleOf<PGconn>(db, "PGconn*", "pg_conn*");
        if (!connection)
            return unreachable(db);
        auto writer = std::make_unique<PostgresWriter>(connection, stationId, sending);
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

link::Status convertMeasurements(Database& db)
{
    if (db.postgres()) {
        PGconn* connection = handleOf<PGconn>(db, "PGconn*", "pg_conn*");
        if (!connection)
            return unreachable(db);
        return convertPostgres(db, connection);
    }
    sqlite3* handle = handleOf<sqlite3>(db, "sqlite3*");
    if (!handle)
        return unreachable(db);
    return convertSqlite(db, handle);
}

} // namespace stazione::db
