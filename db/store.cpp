#include "db/store.h"

#include "data/data_file.h"
#include "db/bulk.h"
#include "network/archive.h"
#include "network/outcome_fields.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QSqlError>
#include <QSqlQuery>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <memory>

namespace stazione::db {

namespace {

QVariant nullOf(QMetaType::Type type)
{
    return QVariant(QMetaType(type));
}

// The values of an archive line that reads "date time, value, value..." as the data viewer reads
// it. Lines of another shape (a header, a message of the logger) give none; a line with another
// number of channels than the one before starts a new run of the reader.
class LineValues : public data::RowSink {
public:
    bool read(const QByteArray& line)
    {
        for (int attempt = 0; attempt < 2; ++attempt) {
            const bool fresh = !m_parser;
            if (fresh)
                m_parser = std::make_unique<data::DataFileParser>(*this);
            m_gotRow = false;
            // The line and its end in one piece: the parser then reads it without a copy of its own.
            m_scratch = line;
            m_scratch += '\n';
            if (m_parser->feed(m_scratch) && m_parser->kind() == data::DataFileKind::Sensor)
                return m_gotRow;
            m_parser.reset();
            if (fresh)
                return false;
        }
        return false;
    }

    qint64 time = 0;
    std::vector<std::pair<int, double>> values; // channel, value; gaps left out

private:
    void begin(data::DataFileKind, const QStringList&) override {}
    void row(qint64 at, const std::string_view* cells, int count) override
    {
        m_gotRow = true;
        time = at;
        values.clear();
        for (int c = 0; c < count; ++c) {
            if (cells[c].empty())
                continue;
            if (const auto v = data::decimalValue(cells[c]))
                values.emplace_back(c, *v);
        }
    }

    std::unique_ptr<data::DataFileParser> m_parser;
    QByteArray m_scratch;
    bool m_gotRow = false;
};

// Qt binds a null QString as NULL; the text columns hold "" instead.
QString text(const QString& s)
{
    return s.isNull() ? QStringLiteral("") : s;
}

// A value as export writes it: the shortest digits that read back as the same double, without
// an exponent. std::to_chars gives the same text as Qt below 10^15 and away from zero (Qt writes
// -0 as "0" and pads large numbers' shortest digits with zeros), and costs a fraction of it.
void appendValue(QByteArray& out, double value)
{
    if (value != 0 && std::abs(value) < 1e15) {
        char text[48];
        const auto [end, ec] = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed);
        if (ec == std::errc()) {
            out.append(text, end - text);
            return;
        }
    }
    out += QByteArray::number(value, 'f', QLocale::FloatingPointShortest);
}

link::Result<QList<data::StationOutcome>> readReport(const QString& path)
{
    QList<data::StationOutcome> out;
    QFile file(path);
    if (!file.exists())
        return out;
    if (!file.open(QIODevice::ReadOnly))
        return link::Error::file(QStringLiteral("%1 cannot be read: %2").arg(path, file.errorString()));
    while (!file.atEnd()) {
        const QByteArray line = file.readLine();
        // A line cut short by a crash is no report line.
        const QJsonDocument doc = QJsonDocument::fromJson(line);
        if (doc.isObject())
            out << data::outcomeFromJson(doc.object());
    }
    return out;
}

} // namespace

QString lineText(const QByteArray& line)
{
    QString text = QString::fromUtf8(line);
    if (text.contains(QChar::ReplacementCharacter) && !line.contains("\xEF\xBF\xBD"))
        text = QString::fromLatin1(line);
    // PostgreSQL refuses a NUL in a text: a line noise put there is stored as the NUL symbol.
    if (line.contains('\0'))
        text.replace(QChar(0), QChar(0x2400));
    return text;
}

QMap<QString, QString> archivesIn(const QString& dir)
{
    QMap<QString, QString> out;
    const QDir root(dir);
    for (const QFileInfo& folder : root.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        if (folder.isSymLink())
            continue;
        const QString archive = QDir(folder.filePath()).filePath(data::archiveFileName(folder.fileName()));
        const QFileInfo info(archive);
        if (info.isFile() && !info.isSymLink())
            out.insert(folder.fileName(), archive);
    }
    return out;
}

StationKey stationKey(const data::StationOutcome& o)
{
    // By its folder, also for a failed call: a name is no station's identity (two rows may share
    // one, and a logger may be renamed).
    return StationKey{data::stationFolderOf(o), o.name, o.number};
}

link::Status Store::begin()
{
    QSqlQuery q(m_db.sql());
    // SQLite: the write lock at once, so that a second writer waits instead of failing later.
    if (!q.exec(m_db.postgres() ? QStringLiteral("BEGIN") : QStringLiteral("BEGIN IMMEDIATE")))
        return m_db.failure(QStringLiteral("A transaction cannot begin"), q.lastError());
    return {};
}

link::Status Store::commit()
{
    QSqlQuery q(m_db.sql());
    if (!q.exec(QStringLiteral("COMMIT"))) {
        const QSqlError error = q.lastError();
        rollback();
        return m_db.failure(QStringLiteral("The transaction cannot be committed"), error);
    }
    return {};
}

void Store::rollback()
{
    QSqlQuery(m_db.sql()).exec(QStringLiteral("ROLLBACK"));
}

link::Result<qint64> Store::station(const StationKey& key)
{
    QSqlQuery q(m_db.sql());
    auto fail = [&](const QString& what) { return m_db.failure(what, q.lastError()); };
    auto firstId = [&]() -> std::optional<qint64> {
        if (q.next())
            return q.value(0).toLongLong();
        return std::nullopt;
    };
    std::optional<qint64> id;
    if (!key.folder.isEmpty()) {
        q.prepare(QStringLiteral("SELECT id FROM stations WHERE folder = ?"));
        q.addBindValue(key.folder);
        if (!q.exec())
            return fail(QStringLiteral("A station cannot be looked up"));
        id = firstId();
        if (!id && !key.name.isEmpty()) {
            // A station first known from a failed call (no archive yet) gets its folder now.
            q.prepare(
                QStringLiteral("SELECT id FROM stations WHERE folder IS NULL AND name = ? ORDER BY id"));
            q.addBindValue(key.name);
            if (!q.exec())
                return fail(QStringLiteral("A station cannot be looked up"));
            id = firstId();
            if (id) {
                q.prepare(QStringLiteral("UPDATE stations SET folder = ? WHERE id = ?"));
                q.addBindValue(key.folder);
                q.addBindValue(*id);
                if (!q.exec())
                    return fail(QStringLiteral("A station cannot be updated"));
            }
        }
        if (!id) {
            q.prepare(QStringLiteral(
                "INSERT INTO stations (name, number, folder) VALUES (?, ?, ?) ON CONFLICT DO NOTHING"));
            q.addBindValue(key.name.isEmpty() ? key.folder : key.name);
            q.addBindValue(text(key.number));
            q.addBindValue(key.folder);
            if (!q.exec())
                return fail(QStringLiteral("A station cannot be stored"));
            q.prepare(QStringLiteral("SELECT id FROM stations WHERE folder = ?"));
            q.addBindValue(key.folder);
            if (!q.exec())
                return fail(QStringLiteral("A station cannot be looked up"));
            id = firstId();
            if (!id)
                return link::Error::file(QStringLiteral("The station %1 was not stored.").arg(key.folder));
            return *id;
        }
    } else {
        if (key.name.isEmpty())
            return link::Error::data(QStringLiteral("A station without a name or a folder."));
        q.prepare(QStringLiteral("SELECT id FROM stations WHERE name = ? ORDER BY id"));
        q.addBindValue(key.name);
        if (!q.exec())
            return fail(QStringLiteral("A station cannot be looked up"));
        id = firstId();
        if (!id) {
            q.prepare(QStringLiteral("INSERT INTO stations (name, number) VALUES (?, ?)"));
            q.addBindValue(key.name);
            q.addBindValue(text(key.number));
            if (!q.exec())
                return fail(QStringLiteral("A station cannot be stored"));
            q.prepare(QStringLiteral("SELECT MAX(id) FROM stations WHERE name = ? AND folder IS NULL"));
            q.addBindValue(key.name);
            if (!q.exec())
                return fail(QStringLiteral("A station cannot be looked up"));
            id = firstId();
            if (!id)
                return link::Error::file(QStringLiteral("The station %1 was not stored.").arg(key.name));
            return *id;
        }
    }
    if (!key.name.isEmpty()) {
        q.prepare(QStringLiteral(
            "UPDATE stations SET name = ?, number = ? WHERE id = ? AND (name <> ? OR number <> ?)"));
        q.addBindValue(key.name);
        q.addBindValue(text(key.number));
        q.addBindValue(*id);
        q.addBindValue(key.name);
        q.addBindValue(text(key.number));
        if (!q.exec())
            return fail(QStringLiteral("A station cannot be updated"));
    }
    return *id;
}

link::Result<qint64> Store::lineCount(qint64 stationId)
{
    QSqlQuery q(m_db.sql());
    q.prepare(QStringLiteral("SELECT COALESCE(MAX(seq), 0) FROM lines WHERE station_id = ?"));
    q.addBindValue(stationId);
    if (!q.exec() || !q.next())
        return m_db.failure(QStringLiteral("The stored lines cannot be counted"), q.lastError());
    return q.value(0).toLongLong();
}

link::Result<qint64> Store::storeArchive(qint64 stationId, const QString& archivePath)
{
    auto lines = data::readCompleteLines(archivePath);
    if (!lines)
        return lines.error();
    return storeLines(stationId, *lines);
}

link::Result<qint64> Store::storeLines(qint64 stationId, const QList<QByteArray>& archive)
{
    if (auto begun = begin(); !begun)
        return begun.error();
    auto fail = [&](const QString& what, const QSqlError& error) {
        rollback();
        return m_db.failure(what, error);
    };
    if (m_db.postgres()) {
        // Two PCs storing the same station take turns: the second counts what the first stored.
        QSqlQuery lock(m_db.sql());
        lock.prepare(QStringLiteral("SELECT id FROM stations WHERE id = ? FOR UPDATE"));
        lock.addBindValue(stationId);
        if (!lock.exec())
            return fail(QStringLiteral("The station cannot be locked"), lock.lastError());
    }
    const auto stored = lineCount(stationId);
    if (!stored) {
        rollback();
        return stored.error();
    }
    const qint64 from = *stored;
    if (archive.size() <= from) {
        rollback();
        return qint64(0);
    }
    auto writer = rowWriter(m_db, stationId);
    if (!writer) {
        rollback();
        return writer.error();
    }
    RowWriter& rows = **writer;
    LineValues reader;
    qint64 lastTime = -1;
    QByteArray timeText;
    for (qsizetype i = from; i < archive.size(); ++i) {
        if (!rows.line(i + 1, archive.at(i)))
            return fail(rows.what(), rows.error());
        if (!reader.read(archive.at(i)))
            continue;
        if (reader.time != lastTime || timeText.isEmpty()) {
            lastTime = reader.time;
            timeText = data::isoText(reader.time);
        }
        if (!rows.values(timeText, reader.values))
            return fail(rows.what(), rows.error());
    }
    if (!rows.finish())
        return fail(rows.what(), rows.error());
    if (auto committed = commit(); !committed)
        return committed.error();
    return qint64(archive.size() - from);
}

link::Result<bool> Store::storeOutcome(const data::StationOutcome& o)
{
    QVariant stationId = nullOf(QMetaType::LongLong);
    const StationKey key = stationKey(o);
    if (!key.folder.isEmpty() || !key.name.isEmpty()) {
        auto id = station(key);
        if (!id)
            return id.error();
        stationId = *id;
        if (auto noted = noteStation(*id, o); !noted)
            return noted.error();
    }
    // The statement is the same for every line of a report: made once.
    static const QString insert = [] {
        QStringList columns{QStringLiteral("station_id")};
        for (const data::OutcomeField& f : data::kOutcomeFields) {
            if (f.stored == data::StoredIn::Collections)
                columns << QLatin1String(f.column);
        }
        return QStringLiteral("INSERT INTO collections (%1) VALUES (?%2) ON CONFLICT DO NOTHING")
            .arg(columns.join(QStringLiteral(", ")), QStringLiteral(", ?").repeated(columns.size() - 1));
    }();
    QSqlQuery q(m_db.sql());
    q.prepare(insert);
    q.addBindValue(stationId);
    for (const data::OutcomeField& f : data::kOutcomeFields) {
        if (f.stored == data::StoredIn::Collections)
            q.addBindValue(data::sqlValue(f, o));
    }
    if (!q.exec())
        return m_db.failure(QStringLiteral("A collection cannot be stored"), q.lastError());
    return q.numRowsAffected() > 0;
}

link::Result<ImportSummary> importFolder(Database& db, const QString& dir)
{
    ImportSummary summary;
    const QString reportPath = QDir(dir).filePath(data::kReportFileName);
    auto report = readReport(reportPath);
    if (!report)
        return report.error();
    summary.reportLines = report->size();
    // The name and number a folder's station had at its last collection.
    QMap<QString, StationKey> keys;
    for (const data::StationOutcome& o : *report) {
        const StationKey key = stationKey(o);
        if (!key.folder.isEmpty() && !key.name.isEmpty())
            keys.insert(key.folder, key);
    }
    Store store(db);
    const QMap<QString, QString> archives = archivesIn(dir);
    for (auto it = archives.cbegin(); it != archives.cend(); ++it) {
        const StationKey key = keys.value(it.key(), StationKey{it.key(), it.key(), {}});
        auto id = store.station(key);
        if (!id)
            return id.error();
        auto added = store.storeArchive(*id, it.value());
        if (!added)
            return added.error();
        summary.lines += *added;
        ++summary.stations;
    }
    QSqlQuery q(db.sql());
    if (!q.exec(db.postgres() ? QStringLiteral("BEGIN") : QStringLiteral("BEGIN IMMEDIATE")))
        return db.failure(QStringLiteral("A transaction cannot begin"), q.lastError());
    for (const data::StationOutcome& o : *report) {
        auto stored = store.storeOutcome(o);
        if (!stored) {
            QSqlQuery(db.sql()).exec(QStringLiteral("ROLLBACK"));
            return stored.error();
        }
        summary.collections += *stored ? 1 : 0;
    }
    if (!q.exec(QStringLiteral("COMMIT")))
        return db.failure(QStringLiteral("The collections cannot be committed"), q.lastError());
    return summary;
}

link::Result<QStringList> checkFolder(Database& db, const QString& dir)
{
    QStringList differences;
    const QMap<QString, QString> archives = archivesIn(dir);
    if (archives.isEmpty())
        differences << QStringLiteral("%1 holds no station archive.").arg(dir);
    for (auto it = archives.cbegin(); it != archives.cend(); ++it) {
        auto lines = data::readCompleteLines(it.value());
        if (!lines)
            return lines.error();
        QSqlQuery q(db.sql());
        q.prepare(QStringLiteral("SELECT id FROM stations WHERE folder = ?"));
        q.addBindValue(it.key());
        if (!q.exec())
            return db.failure(QStringLiteral("A station cannot be looked up"), q.lastError());
        if (!q.next()) {
            differences << QStringLiteral("%1: not in the database (%2 lines in %3).")
                               .arg(it.key(), QString::number(lines->size()), it.value());
            continue;
        }
        const qint64 id = q.value(0).toLongLong();
        q.setForwardOnly(true);
        q.prepare(QStringLiteral("SELECT seq, text FROM lines WHERE station_id = ? ORDER BY seq"));
        q.addBindValue(id);
        if (!q.exec())
            return db.failure(QStringLiteral("The stored lines cannot be read"), q.lastError());
        qint64 at = 0; // lines compared
        int shown = 0;
        constexpr int kShownPerStation = 5;
        qint64 differing = 0;
        qint64 extra = 0;
        while (q.next()) {
            const qint64 seq = q.value(0).toLongLong();
            const QString text = q.value(1).toString();
            if (seq != at + 1) {
                differences << QStringLiteral("%1: lines %2 to %3 are missing in the database.")
                                   .arg(it.key(), QString::number(at + 1), QString::number(seq - 1));
                ++differing;
                at = seq - 1;
            }
            if (at >= lines->size()) {
                ++extra;
            } else if (text != lineText(lines->at(at))) {
                ++differing;
                if (shown++ < kShownPerStation)
                    differences << QStringLiteral("%1: line %2 differs: archive \"%3\", database \"%4\".")
                                       .arg(it.key(), QString::number(at + 1), lineText(lines->at(at)), text);
            }
            ++at;
        }
        if (shown > kShownPerStation)
            differences
                << QStringLiteral("%1: %2 lines differ in all.").arg(it.key(), QString::number(differing));
        if (extra > 0)
            differences << QStringLiteral("%1: the database has %2 lines more than the archive (%3).")
                               .arg(it.key(), QString::number(extra), QString::number(lines->size()));
        if (at < lines->size())
            differences << QStringLiteral("%1: lines %2 to %3 of the archive are not in the database.")
                               .arg(it.key(), QString::number(at + 1), QString::number(lines->size()));
    }
    return differences;
}

link::Result<qint64> queryCsv(Database& db, const QueryOptions& options, QIODevice& output)
{
    QSqlQuery q(db.sql());
    q.prepare(QStringLiteral("SELECT id FROM stations WHERE name = ? OR folder = ? ORDER BY id"));
    q.addBindValue(options.station);
    q.addBindValue(options.station);
    if (!q.exec())
        return db.failure(QStringLiteral("A station cannot be looked up"), q.lastError());
    std::vector<qint64> ids;
    while (q.next())
        ids.push_back(q.value(0).toLongLong());
    if (ids.empty())
        return link::Error::data(QStringLiteral("No station %1 in the database.").arg(options.station));
    if (ids.size() > 1)
        return link::Error::data(QStringLiteral("%1 stations are called %2: name the station by its folder.")
                                     .arg(ids.size())
                                     .arg(options.station));

    // The rows are gathered first: the header names the channels the station has.
    ValueRange range{ids.front(), options.from, options.to, options.channels};
    auto read = readValues(db, range);
    if (!read)
        return read.error();
    const ValueRows& rows = *read;
    std::vector<int> columns = options.channels;
    if (columns.empty()) {
        std::vector<bool> seen;
        for (const auto& cell : rows.cells) {
            if (cell.first >= 0 && size_t(cell.first) >= seen.size())
                seen.resize(size_t(cell.first) + 1);
            if (cell.first >= 0)
                seen[size_t(cell.first)] = true;
        }
        for (size_t c = 0; c < seen.size(); ++c) {
            if (seen[c])
                columns.push_back(int(c));
        }
    }

    QByteArray out = "time";
    for (int c : columns)
        out += ",CH " + QByteArray::number(c);
    out += "\r\n";
    auto flush = [&] {
        const bool written = output.write(out) == out.size();
        out.clear();
        return written;
    };
    size_t cell = 0;
    for (size_t r = 0; r < rows.times.size(); ++r) {
        out += rows.times[r];
        const size_t end = rows.ends[r];
        for (int c : columns) {
            out += ',';
            // The row's cells come in the order of their channels; --channels may name another.
            const auto first = rows.cells.begin() + qsizetype(cell);
            const auto last = rows.cells.begin() + qsizetype(end);
            const auto hit = std::find_if(first, last, [c](const auto& v) { return v.first == c; });
            if (hit != last)
                appendValue(out, hit->second);
        }
        cell = end;
        out += "\r\n";
        if (out.size() > (1 << 20) && !flush())
            return link::Error::file(
                QStringLiteral("The table cannot be written: %1").arg(output.errorString()));
    }
    if (!flush())
        return link::Error::file(QStringLiteral("The table cannot be written: %1").arg(output.errorString()));
    return qint64(rows.times.size());
}

link::Status Store::noteStation(qint64 stationId, const data::StationOutcome& o)
{
    for (const data::OutcomeField& f : data::kOutcomeFields) {
        if (f.stored != data::StoredIn::Station)
            continue;
        const QVariant value = data::sqlValue(f, o);
        if (value.isNull())
            continue;
        QSqlQuery q(m_db.sql());
        q.prepare(QStringLiteral("UPDATE stations SET %1 = ? WHERE id = ? AND (%1 IS NULL OR %1 <> ?)")
                      .arg(QLatin1String(f.column)));
        q.addBindValue(value);
        q.addBindValue(stationId);
        q.addBindValue(value);
        if (!q.exec())
            return m_db.failure(QStringLiteral("A station cannot be updated"), q.lastError());
    }
    return {};
}

} // namespace stazione::db
