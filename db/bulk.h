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

// Writes one station's new lines and their values inside the transaction already begun.
class RowWriter {
public:
    virtual ~RowWriter() = default;
    RowWriter() = default;
    RowWriter(const RowWriter&) = delete;
    RowWriter& operator=(const RowWriter&) = delete;

    // The archive line `seq` (from 1) as it stands in the archive.
    virtual bool line(qint64 seq, const QByteArray& raw) = 0;
    // The values of one line: its time ("2026-12-05T14:30:00") and (channel, value) pairs.
    virtual bool values(const QByteArray& time, const std::vector<std::pair<int, double>>& values) = 0;
    // Sends what is still held back; false on a refusal.
    virtual bool finish() = 0;

    // What failed ("Lines cannot be stored") and what the database said.
    const QString& what() const { return m_what; }
    const QSqlError& error() const { return m_error; }

protected:
    bool fail(const QString& what, const QString& text);

private:
    QString m_what;
    QSqlError m_error;
};

// The writer for the database's kind; an error when its client library cannot be reached.
link::Result<std::unique_ptr<RowWriter>> rowWriter(Database& db, qint64 stationId);

// A station's values in order of time, then channel: one row per time.
struct ValueRows {
    std::vector<QByteArray> times;
    std::vector<size_t> ends;                  // where each row's cells end in `cells`
    std::vector<std::pair<int, double>> cells; // channel, value
};

struct ValueRange {
    qint64 stationId = 0;
    std::optional<QString> from;
    std::optional<QString> to;
    std::vector<int> channels; // empty: all
};

// One index range scan of "measurements", read without a QVariant per value.
link::Result<ValueRows> readValues(Database& db, const ValueRange& range);

} // namespace stazione::db
