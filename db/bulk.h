#pragma once

#include "db/database.h"

#include <QByteArray>
#include <QSqlError>
#include <QString>

#include <memory>
#include <optional>
#include <utility>
#include <vector>

// The bulk paths of the store, spoken in each database's own client library on the connection Qt
// opened: SQLite's prepared statements, PostgreSQL's COPY. Through Qt SQL every value costs a
// QVariant, a statement text or a parse on the server; a million archive lines are sixteen
// million values.
namespace stazione::db {

// What a line that reads "date time, value, value..." recorded.
struct LineReading {
    QByteArray time;                            // "2026-12-05T14:30:00", the logger's clock
    int cells = 0;                              // the values the line has, gaps included
    std::vector<std::pair<int, double>> values; // channel (from 0), value; gaps left out
};

// The values of a reading as one array in the database's own form: SQLite's JSON
// ("[1.5,null,300]") or a PostgreSQL array literal ("{1.5,NULL,300}").
void appendValueArray(QByteArray& out, const LineReading& reading, bool postgres);

// An archive line ready to be stored.
struct PreparedLine {
    QByteArray text;   // as "lines" holds it (UTF-8)
    QByteArray time;   // when it reads as data: its time, ISO 8601
    QByteArray values; // then its values, in the database's array form
    bool data = false;
};

// Writes one station's lines and their readings inside the transaction already begun. A line
// the database holds already (by its text) is not added again, and a reading of a time the
// database holds keeps the values stored first.
class RowWriter {
public:
    virtual ~RowWriter() = default;
    RowWriter() = default;
    RowWriter(const RowWriter&) = delete;
    RowWriter& operator=(const RowWriter&) = delete;

    virtual bool add(const PreparedLine& line) = 0;
    // Sends what is still held back; false on a refusal.
    virtual bool finish() = 0;
    // The lines added, once finished.
    qint64 added() const { return m_added; }

    // What failed ("Lines cannot be stored") and what the database said.
    const QString& what() const { return m_what; }
    const QSqlError& error() const { return m_error; }

protected:
    bool fail(const QString& what, const QString& text);
    qint64 m_added = 0;

private:
    QString m_what;
    QSqlError m_error;
};

// How a writer may send the lines it is given.
enum class Sending {
    // PostgreSQL: the lines past the station's newest stored time go to the tables straight
    // (COPY), the others through a staging table and ON CONFLICT. COPY fails whole when a line it
    // sends is there after all (a line of no values stored by a program before this one): the
    // caller then sends the lines again, Checked.
    Fast,
    Checked, // every line through ON CONFLICT
};

// The writer for the database's kind; an error when its client library cannot be reached.
link::Result<std::unique_ptr<RowWriter>> rowWriter(Database& db, qint64 stationId,
                                                   Sending sending = Sending::Fast);

// A value of a reading as read back.
struct ValueCell {
    double value = 0;
    // When the database gave the value as the very text the table prints (plain decimal digits,
    // the shortest that read back as the value), where that text is in ValueRows::text; else 0.
    qsizetype at = 0;
    int channel = 0;
    int length = 0;
};

// A station's readings in order of time: one row per time.
struct ValueRows {
    std::vector<QByteArray> times;
    std::vector<size_t> ends;     // where each row's cells end in `cells`
    std::vector<ValueCell> cells; // gaps left out
    QByteArray text;              // the values given as text
    int widest = 0;               // the most values a reading has, gaps counted
};

struct ValueRange {
    qint64 stationId = 0;
    std::optional<QString> from;
    std::optional<QString> to;
    std::vector<int> channels; // empty: all
};

// One index range scan of "readings", read without a QVariant per value.
link::Result<ValueRows> readValues(Database& db, const ValueRange& range);

// Fills "readings" from the table "measurements" of schema version 2 (a row per value), inside
// the migration's transaction: a row per time, its values in the order of their channels.
link::Status convertMeasurements(Database& db);

} // namespace stazione::db
