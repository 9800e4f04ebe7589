#include "db/store.h"

#include "data/csv_export.h"
#include "data/data_file.h"
#include "db/bulk.h"
#include "network/archive.h"
#include "network/outcome_fields.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonDocument>
#include <QScopeGuard>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

// The digest is compiled in: a few thousand lines hashed take microseconds.
#define XXH_INLINE_ALL
#include <xxhash.h>

namespace stazione::db {

namespace {

QVariant nullOf(QMetaType::Type type)
{
    return QVariant(QMetaType(type));
}

// What an archive line that reads "date time, value, value..." recorded, as the data viewer reads
// it. Lines of another shape (a header, a message of the logger) give none; a line with another
// number of channels than the one before starts a new run of the reader.
class LineValues : public data::RowSink {
public:
    // The line's reading, or nullptr when it does not read as data (valid until the next line).
    const LineReading* read(const QByteArray& line)
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
                return m_gotRow ? &m_reading : nullptr;
            m_parser.reset();
            if (fresh)
                return nullptr;
        }
        return nullptr;
    }

private:
    void begin(data::DataFileKind, const QStringList&) override {}
    void row(qint64 at, const std::string_view* cells, int count) override
    {
        m_gotRow = true;
        if (at != m_time || m_reading.time.isEmpty()) {
            m_time = at;
            m_reading.time = data::isoText(at);
        }
        m_reading.cells = count;
        m_reading.values.clear();
        for (int c = 0; c < count; ++c) {
            if (cells[c].empty())
                continue;
            if (const auto v = data::decimalValue(cells[c]))
                m_reading.values.emplace_back(c, *v);
        }
    }

    std::unique_ptr<data::DataFileParser> m_parser;
    QByteArray m_scratch;
    bool m_gotRow = false;
    qint64 m_time = 0;
    LineReading m_reading;
};

// The digest of an archive's first lines, each with its line end: what a mark says is stored.
class ArchiveDigest {
public:
    ArchiveDigest() { XXH3_128bits_reset(&m_state); }
    void add(const QByteArray& line)
    {
        XXH3_128bits_update(&m_state, line.constData(), size_t(line.size()));
        XXH3_128bits_update(&m_state, "\n", 1);
    }
    // The digest of the lines added so far, as 32 hex digits; more lines may follow.
    QString text() const
    {
        const XXH128_hash_t hash = XXH3_128bits_digest(&m_state);
        return QStringLiteral("%1%2")
            .arg(quint64(hash.high64), 16, 16, QLatin1Char('0'))
            .arg(quint64(hash.low64), 16, 16, QLatin1Char('0'));
    }

private:
    XXH3_state_t m_state{};
};

// Each PC's archive of a station leaves a mark; more than these are the stale ones of archives
// replaced since.
constexpr int kMarksPerStation = 8;

// An import of archives this large (about 50,000 lines) loads PostgreSQL's tables in bulk.
constexpr qint64 kBulkBytes = 4 << 20;

struct Mark {
    qint64 lines = 0;
    QString digest;
};

// The archive's lines from `from` on, ready for the database's writer.
std::vector<PreparedLine> prepareLines(const QList<QByteArray>& archive, qsizetype from, bool postgres)
{
    std::vector<PreparedLine> out(size_t(std::max<qsizetype>(0, archive.size() - from)));
    LineValues reader;
    for (qsizetype i = from; i < archive.size(); ++i) {
        PreparedLine& line = out[size_t(i - from)];
        const QByteArray& raw = archive.at(i);
        line.text = lineUtf8(raw);
        if (const LineReading* reading = reader.read(raw)) {
            line.data = true;
            line.time = reading->time;
            appendValueArray(line.values, *reading, postgres);
        }
    }
    return out;
}

// Qt binds a null QString as NULL; the text columns hold "" instead.
QString text(const QString& s)
{
    return s.isNull() ? QStringLiteral("") : s;
}

// A value as export writes it: the shortest digits that read back as the same double, without
// an exponent. std::to_chars gives the same text as Qt below 10^15 and away from zero (Qt writes
// -0 as "0" and pads large numbers' shortest digits with zeros), and costs a fraction of it.
// The longest text writeValue gives: the sign, 15 digits, the point and the shortest fraction of
// a value below 10^15, or Qt's digits of a larger one.
constexpr qsizetype kLongestValue = 400;

// Writes the value at `at` and gives where its text ends.
char* writeValue(char* at, double value)
{
    // Most values are the logger's, with up to three decimals. When the digits to the thousandth
    // read back as the value, they are its shortest digits: two decimals of at most 15 digits that
    // read back as one double are the same decimal.
    if (value != 0 && std::abs(value) < 1e12) {
        const qint64 thousandths = std::llround(value * 1000);
        if (double(thousandths) / 1000.0 == value) {
            const qint64 units = std::abs(thousandths);
            if (thousandths < 0)
                *at++ = '-';
            at = std::to_chars(at, at + 24, units / 1000).ptr;
            if (int fraction = int(units % 1000); fraction != 0) {
                const char digits[3] = {char('0' + fraction / 100), char('0' + fraction / 10 % 10),
                                        char('0' + fraction % 10)};
                int length = 3;
                while (digits[length - 1] == '0')
                    --length;
                *at++ = '.';
                std::memcpy(at, digits, size_t(length));
                at += length;
            }
            return at;
        }
    }
    if (value != 0 && std::abs(value) < 1e15) {
        const auto [end, ec] = std::to_chars(at, at + 48, value, std::chars_format::fixed);
        if (ec == std::errc())
            return end;
    }
    const QByteArray text = QByteArray::number(value, 'f', QLocale::FloatingPointShortest);
    const qsizetype length = std::min(text.size(), kLongestValue);
    std::memcpy(at, text.constData(), size_t(length));
    return at + length;
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

QByteArray lineUtf8(const QByteArray& line)
{
    for (const char c : line) {
        if (c == '\0' || (static_cast<unsigned char>(c) & 0x80U) != 0)
            return lineText(line).toUtf8();
    }
    return line;
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

// PostgreSQL checks a foreign key with a query per row, which triples a bulk load's time. An
// import of many lines drops the keys of the lines and the readings inside its transaction and
// adds them again at its end, which checks every row in one query; other writers wait meanwhile
// (the tables are locked), readers of the stations do not. The stations are locked first, in the
// order every writer takes its locks, so that no store of another PC is left waiting for a lock
// this import holds while holding one it needs. False, and nothing changed, when the keys cannot
// be dropped (a user who does not own the tables): the rows are then checked one by one.
bool Store::relaxForeignKeys()
{
    QSqlQuery q(m_db.sql());
    if (!q.exec(QStringLiteral("SAVEPOINT relaxed_keys")))
        return false;
    if (q.exec(QStringLiteral("LOCK TABLE stations IN EXCLUSIVE MODE")) &&
        q.exec(QStringLiteral("ALTER TABLE lines DROP CONSTRAINT lines_station")) &&
        q.exec(QStringLiteral("ALTER TABLE readings DROP CONSTRAINT readings_station")) &&
        q.exec(QStringLiteral("RELEASE SAVEPOINT relaxed_keys")))
        return true;
    q.exec(QStringLiteral("ROLLBACK TO SAVEPOINT relaxed_keys"));
    return false;
}

link::Status Store::restoreForeignKeys()
{
    QSqlQuery q(m_db.sql());
    for (const char* table : {"lines", "readings"}) {
        if (!q.exec(QStringLiteral("ALTER TABLE %1 ADD CONSTRAINT %1_station FOREIGN KEY (station_id) "
                                   "REFERENCES stations(id)")
                        .arg(QLatin1String(table))))
            return m_db.failure(QStringLiteral("The stored lines' stations cannot be checked"),
                                q.lastError());
    }
    return {};
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

link::Result<qint64> Store::storeArchive(qint64 stationId, const QString& archivePath, Resume resume)
{
    auto lines = data::readCompleteLines(archivePath);
    if (!lines)
        return lines.error();
    return storeLines(stationId, *lines, resume);
}

link::Result<qint64> Store::storeLines(qint64 stationId, const QList<QByteArray>& archive, Resume resume)
{
    return storeLines(stationId, archive, resume, nullptr);
}

link::Result<qint64> Store::storeLines(qint64 stationId, const QList<QByteArray>& archive, Resume resume,
                                       const std::vector<PreparedLine>* prepared)
{
    // Inside an import's transaction the station's lines are undone alone on a failure.
    const bool own = !m_inTransaction;
    if (own) {
        if (auto begun = begin(); !begun)
            return begun.error();
    }
    auto undo = [&] {
        if (own)
            rollback();
    };
    auto fail = [&](const QString& what, const QSqlError& error) {
        undo();
        return m_db.failure(what, error);
    };
    QSqlQuery q(m_db.sql());
    if (m_db.postgres()) {
        // Two PCs storing the same station take turns: the second finds what the first stored.
        q.prepare(QStringLiteral("SELECT id FROM stations WHERE id = ? FOR UPDATE"));
        q.addBindValue(stationId);
        if (!q.exec())
            return fail(QStringLiteral("The station cannot be locked"), q.lastError());
    }
    // The marks say which beginnings of archives were stored whole, by this PC or another.
    q.prepare(QStringLiteral("SELECT lines, digest FROM archive_marks WHERE station_id = ? ORDER BY lines"));
    q.addBindValue(stationId);
    if (!q.exec())
        return fail(QStringLiteral("The stored archives cannot be read"), q.lastError());
    std::vector<Mark> marks;
    while (q.next())
        marks.push_back({q.value(0).toLongLong(), q.value(1).toString()});
    ArchiveDigest digest;
    std::vector<Mark> matched; // the marks of this archive's beginnings
    auto mark = marks.cbegin();
    for (qsizetype i = 0; i <= archive.size(); ++i) {
        while (mark != marks.cend() && mark->lines < i)
            ++mark;
        for (; mark != marks.cend() && mark->lines == i; ++mark) {
            if (mark->digest == digest.text())
                matched.push_back(*mark);
        }
        if (i < archive.size())
            digest.add(archive.at(i));
    }
    const Mark whole{archive.size(), digest.text()};
    const qint64 from = resume == Resume::FromMarks && !matched.empty() ? matched.back().lines : 0;
    if (from == whole.lines) {
        undo();
        return qint64(0);
    }

    if (m_db.postgres() && !q.exec(QStringLiteral("SAVEPOINT station_lines")))
        return fail(QStringLiteral("The lines cannot be stored"), q.lastError());
    std::vector<PreparedLine> madeHere;
    if (prepared == nullptr) {
        madeHere = prepareLines(archive, from, m_db.postgres());
        prepared = &madeHere;
    }
    // The prepared lines begin at the archive's first line, or at `from` when made here.
    const size_t first = prepared == &madeHere ? 0 : size_t(from);
    qint64 added = 0;
    for (const Sending sending : {Sending::Fast, Sending::Checked}) {
        auto writer = rowWriter(m_db, stationId, sending);
        if (!writer) {
            undo();
            return writer.error();
        }
        RowWriter& rows = **writer;
        bool written = true;
        for (size_t i = first; i < prepared->size() && written; ++i)
            written = rows.add((*prepared)[i]);
        written = written && rows.finish();
        if (written) {
            added = rows.added();
            if (m_db.postgres() && !q.exec(QStringLiteral("RELEASE SAVEPOINT station_lines")))
                return fail(QStringLiteral("The lines cannot be stored"), q.lastError());
            break;
        }
        // A line sent straight was there after all: the lines go again, each checked.
        if (!m_db.postgres() || sending == Sending::Checked ||
            !q.exec(QStringLiteral("ROLLBACK TO SAVEPOINT station_lines")))
            return fail(rows.what(), rows.error());
    }
    // The beginnings of this archive are marked by its whole now.
    for (const Mark& m : matched) {
        q.prepare(
            QStringLiteral("DELETE FROM archive_marks WHERE station_id = ? AND lines = ? AND digest = ?"));
        q.addBindValue(stationId);
        q.addBindValue(m.lines);
        q.addBindValue(m.digest);
        if (!q.exec())
            return fail(QStringLiteral("The stored archives cannot be marked"), q.lastError());
    }
    if (whole.lines > 0) {
        q.prepare(QStringLiteral(
            "INSERT INTO archive_marks (station_id, lines, digest) VALUES (?, ?, ?) ON CONFLICT DO NOTHING"));
        q.addBindValue(stationId);
        q.addBindValue(whole.lines);
        q.addBindValue(whole.digest);
        if (!q.exec())
            return fail(QStringLiteral("The stored archives cannot be marked"), q.lastError());
    }
    // Other PCs' archives keep a mark each; a station's marks stay a handful.
    if (qsizetype(marks.size() - matched.size()) >= kMarksPerStation) {
        q.prepare(
            QStringLiteral("DELETE FROM archive_marks WHERE station_id = ? AND lines < (SELECT lines FROM "
                           "archive_marks WHERE station_id = ? ORDER BY lines DESC LIMIT 1 OFFSET %1)")
                .arg(kMarksPerStation - 1));
        q.addBindValue(stationId);
        q.addBindValue(stationId);
        if (!q.exec())
            return fail(QStringLiteral("The stored archives cannot be marked"), q.lastError());
    }
    if (own) {
        if (auto committed = commit(); !committed)
            return committed.error();
    }
    return added;
}

link::Status Store::storeSensors(qint64 stationId, const data::StationSensors& sensors)
{
    // A read older than the one stored (a report imported after a newer collection) changes
    // nothing; two PCs storing at once each keep the newer, row by row. The time is kept in UTC,
    // so that its text sorts as the time does whatever the offset.
    const QString read = sensorsTime(sensors.read);
    QSqlQuery q(m_db.sql());
    q.prepare(QStringLiteral(
        "INSERT INTO sensors (station_id, channel, name, zero_volts, full_volts, zero_value, full_value, "
        "read_at) VALUES (?, ?, ?, ?, ?, ?, ?, ?) ON CONFLICT (station_id, channel) DO UPDATE SET name = "
        "excluded.name, zero_volts = excluded.zero_volts, full_volts = excluded.full_volts, zero_value = "
        "excluded.zero_value, full_value = excluded.full_value, read_at = excluded.read_at WHERE "
        "sensors.read_at < excluded.read_at"));
    const auto text = [](const QString& s) { return s.isNull() ? QStringLiteral("") : s; };
    for (const data::ChannelSensor& c : sensors.channels) {
        q.addBindValue(stationId);
        q.addBindValue(c.channel);
        q.addBindValue(text(c.name));
        q.addBindValue(text(c.zeroVolts));
        q.addBindValue(text(c.fullVolts));
        q.addBindValue(text(c.zeroValue));
        q.addBindValue(text(c.fullValue));
        q.addBindValue(read);
        if (!q.exec())
            return m_db.failure(QStringLiteral("The channels' names cannot be stored"), q.lastError());
    }
    // Channels the newer read no longer has.
    int past = 0;
    for (const data::ChannelSensor& c : sensors.channels)
        past = std::max(past, c.channel + 1);
    q.prepare(QStringLiteral("DELETE FROM sensors WHERE station_id = ? AND channel >= ? AND read_at < ?"));
    q.addBindValue(stationId);
    q.addBindValue(past);
    q.addBindValue(read);
    if (!q.exec())
        return m_db.failure(QStringLiteral("The channels' names cannot be stored"), q.lastError());
    return {};
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
        if (o.sensors) {
            if (auto kept = storeSensors(*id, *o.sensors); !kept)
                return kept.error();
        }
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

namespace {

// The archives of an import, read and made ready on a thread of their own while the database
// stores the one before: on two cores the import takes about the database's own time.
class ArchiveReader {
public:
    struct Archive {
        QString folder;
        QString path;
        std::optional<link::Error> error;
        QList<QByteArray> lines;
        std::vector<PreparedLine> prepared;
    };

    ArchiveReader(const QMap<QString, QString>& archives, bool postgres)
        : m_thread([this, archives, postgres] { read(archives, postgres); })
    {}
    ~ArchiveReader()
    {
        {
            const std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        m_changed.notify_all();
        m_thread.join();
    }
    ArchiveReader(const ArchiveReader&) = delete;
    ArchiveReader& operator=(const ArchiveReader&) = delete;

    // The next archive, in the order of the folders; none at the end.
    std::optional<Archive> next()
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return !m_ready.empty() || m_done; });
        if (m_ready.empty())
            return std::nullopt;
        Archive archive = std::move(m_ready.front());
        m_ready.pop_front();
        m_changed.notify_all();
        return archive;
    }

private:
    // Two archives ready at most: a network's archives may not fit in memory at once.
    static constexpr size_t kAhead = 2;

    void read(const QMap<QString, QString>& archives, bool postgres)
    {
        for (auto it = archives.cbegin(); it != archives.cend(); ++it) {
            Archive archive{it.key(), it.value(), std::nullopt, {}, {}};
            if (auto lines = data::readCompleteLines(it.value()); !lines)
                archive.error = lines.error();
            else
                archive.lines = std::move(*lines);
            archive.prepared = prepareLines(archive.lines, 0, postgres);
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [this] { return m_ready.size() < kAhead || m_stop; });
            if (m_stop)
                break;
            m_ready.push_back(std::move(archive));
            m_changed.notify_all();
        }
        const std::lock_guard lock(m_mutex);
        m_done = true;
        m_changed.notify_all();
    }

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Archive> m_ready;
    bool m_done = false;
    bool m_stop = false;
    std::thread m_thread; // last: it starts once the rest is made
};

} // namespace

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
    const QMap<QString, QString> archives = archivesIn(dir);
    qint64 bytes = 0;
    for (const QString& archive : archives)
        bytes += QFileInfo(archive).size();
    // Everything in one transaction: an import stores all of the folder or nothing.
    Store store(db);
    if (auto begun = store.begin(); !begun)
        return begun.error();
    store.m_inTransaction = true;
    const auto ended = qScopeGuard([&store] { store.m_inTransaction = false; });
    auto fail = [&store](const link::Error& error) {
        store.rollback();
        return error;
    };
    const bool relaxed = db.postgres() && bytes >= kBulkBytes && store.relaxForeignKeys();
    ArchiveReader reader(archives, db.postgres());
    while (const auto archive = reader.next()) {
        if (archive->error)
            return fail(*archive->error);
        const StationKey key = keys.value(archive->folder, StationKey{archive->folder, archive->folder, {}});
        auto id = store.station(key);
        if (!id)
            return fail(id.error());
        auto added = store.storeLines(*id, archive->lines, Resume::CheckEvery, &archive->prepared);
        if (!added)
            return fail(added.error());
        summary.lines += *added;
        ++summary.stations;
    }
    if (relaxed) {
        if (auto restored = store.restoreForeignKeys(); !restored)
            return fail(restored.error());
        // The planner learns the tables' new sizes now, not at the autovacuum's next round.
        if (QSqlQuery analyze(db.sql()); !analyze.exec(QStringLiteral("ANALYZE lines, readings")))
            return fail(
                db.failure(QStringLiteral("The stored lines cannot be analysed"), analyze.lastError()));
    }
    for (const data::StationOutcome& o : *report) {
        auto stored = store.storeOutcome(o);
        if (!stored)
            return fail(stored.error());
        summary.collections += *stored ? 1 : 0;
    }
    if (auto committed = store.commit(); !committed)
        return committed.error();
    return summary;
}

link::Result<QStringList> checkFolder(Database& db, const QString& dir)
{
    QStringList differences;
    const QMap<QString, QString> archives = archivesIn(dir);
    if (archives.isEmpty())
        differences << QStringLiteral("%1 holds no station archive.").arg(dir);
    for (auto it = archives.cbegin(); it != archives.cend(); ++it) {
        const QString& folder = it.key();
        auto lines = data::readCompleteLines(it.value());
        if (!lines)
            return lines.error();
        QSqlQuery q(db.sql());
        q.prepare(QStringLiteral("SELECT id FROM stations WHERE folder = ?"));
        q.addBindValue(folder);
        if (!q.exec())
            return db.failure(QStringLiteral("A station cannot be looked up"), q.lastError());
        if (!q.next()) {
            differences << QStringLiteral("%1: not in the database (%2 lines in %3).")
                               .arg(folder, QString::number(lines->size()), it.value());
            continue;
        }
        const qint64 id = q.value(0).toLongLong();
        // The database may hold more lines than this archive: other PCs' archives of the station.
        q.setForwardOnly(true);
        q.prepare(QStringLiteral("SELECT text FROM lines WHERE station_id = ?"));
        q.addBindValue(id);
        if (!q.exec())
            return db.failure(QStringLiteral("The stored lines cannot be read"), q.lastError());
        QSet<QString> held;
        while (q.next())
            held.insert(q.value(0).toString());
        // A line the database lacks is one it holds differently when it has a line of that time.
        QHash<QByteArray, QString> heldAt;
        auto heldAtTime = [&](const QByteArray& time) {
            if (heldAt.isEmpty()) {
                LineValues reader;
                for (const QString& text : std::as_const(held)) {
                    if (const LineReading* r = reader.read(text.toUtf8()); r && !heldAt.contains(r->time))
                        heldAt.insert(r->time, text);
                }
                heldAt.insert(QByteArray(), QString()); // read once
            }
            return heldAt.value(time);
        };
        LineValues reader;
        constexpr int kShownPerStation = 5;
        int shown = 0;
        qint64 lacking = 0;
        qint64 runFrom = -1; // the first line of a run of lines not in the database
        auto endRun = [&](qsizetype end) {
            if (runFrom < 0)
                return;
            if (shown++ < kShownPerStation)
                differences << QStringLiteral("%1: lines %2 to %3 of the archive are not in the database.")
                                   .arg(folder, QString::number(runFrom + 1), QString::number(end));
            runFrom = -1;
        };
        for (qsizetype i = 0; i < lines->size(); ++i) {
            const QByteArray& raw = lines->at(i);
            const QString text = lineText(raw);
            const LineReading* reading = reader.read(raw);
            if (held.contains(text)) {
                endRun(i);
                continue;
            }
            ++lacking;
            const QString other = reading ? heldAtTime(reading->time) : QString();
            if (other.isNull()) {
                if (runFrom < 0)
                    runFrom = i;
                continue;
            }
            endRun(i);
            if (shown++ < kShownPerStation)
                differences << QStringLiteral("%1: line %2 differs: archive \"%3\", database \"%4\".")
                                   .arg(folder, QString::number(i + 1), text, other);
        }
        endRun(lines->size());
        if (shown > kShownPerStation)
            differences << QStringLiteral(
                               "%1: %2 lines of the archive are not in the database, or differ, in all.")
                               .arg(folder, QString::number(lacking));
    }
    return differences;
}

QString sensorsTime(const QDateTime& time)
{
    return time.toUTC().toString(Qt::ISODateWithMs);
}

namespace {

// Every station's channels from `select`, whose first column keys them and the others are the
// table's own, in the order of its columns from "channel".
template<class Key>
link::Result<std::map<Key, data::StationSensors>> readSensorRows(Database& db, const QString& select)
{
    QSqlQuery q(db.sql());
    q.setForwardOnly(true);
    if (!q.exec(select))
        return db.failure(QStringLiteral("The channels' names cannot be read"), q.lastError());
    std::map<Key, data::StationSensors> all;
    while (q.next()) {
        data::StationSensors& s = all[q.value(0).value<Key>()];
        const QDateTime read = QDateTime::fromString(q.value(7).toString(), Qt::ISODateWithMs).toLocalTime();
        // Rows of one station read at different times (two PCs storing at once): the newest time.
        if (!s.read.isValid() || read > s.read)
            s.read = read;
        s.channels.push_back({.channel = q.value(1).toInt(),
                              .name = q.value(2).toString(),
                              .zeroVolts = q.value(3).toString(),
                              .fullVolts = q.value(4).toString(),
                              .zeroValue = q.value(5).toString(),
                              .fullValue = q.value(6).toString()});
    }
    return all;
}

} // namespace

link::Result<std::optional<data::StationSensors>> readStationSensors(Database& db, qint64 stationId)
{
    auto rows = readSensorRows<qint64>(
        db,
        QStringLiteral("SELECT station_id, channel, name, zero_volts, full_volts, zero_value, full_value, "
                       "read_at FROM sensors WHERE station_id = %1 ORDER BY channel")
            .arg(stationId));
    if (!rows)
        return rows.error();
    if (rows->empty())
        return std::optional<data::StationSensors>();
    return std::optional(std::move(rows->begin()->second));
}

link::Result<std::map<QString, data::StationSensors>> readSensorsByFolder(Database& db)
{
    return readSensorRows<QString>(
        db, QStringLiteral("SELECT s.folder, n.channel, n.name, n.zero_volts, n.full_volts, n.zero_value, "
                           "n.full_value, n.read_at FROM sensors n JOIN stations s ON s.id = n.station_id "
                           "WHERE s.folder IS NOT NULL ORDER BY s.folder, n.channel"));
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
        for (const ValueCell& cell : rows.cells) {
            if (cell.channel >= 0 && size_t(cell.channel) >= seen.size())
                seen.resize(size_t(cell.channel) + 1);
            if (cell.channel >= 0)
                seen[size_t(cell.channel)] = true;
        }
        for (size_t c = 0; c < seen.size(); ++c) {
            if (seen[c])
                columns.push_back(int(c));
        }
    }

    std::optional<data::StationSensors> sensors;
    if (options.names) {
        auto named = readStationSensors(db, ids.front());
        if (!named)
            return named.error();
        sensors = std::move(*named);
    }
    QByteArray out = "time";
    for (int c : columns) {
        out += ',';
        data::appendText(out, data::channelLabel(c, sensors ? &*sensors : nullptr));
    }
    out += "\r\n";
    constexpr qsizetype kFlushAt = 1 << 20;
    out.reserve(kFlushAt + 4096);
    auto flush = [&] {
        const bool written = output.write(out) == out.size();
        out.resize(0); // keeps its capacity
        return written;
    };
    // The columns in the order of their channels, as a row's cells come: each row is one walk.
    const bool inOrder = std::is_sorted(columns.begin(), columns.end()) &&
                         std::adjacent_find(columns.begin(), columns.end()) == columns.end();
    size_t cell = 0;
    for (size_t r = 0; r < rows.times.size(); ++r) {
        const QByteArray& time = rows.times[r];
        const size_t end = rows.ends[r];
        // Room for the row's longest text, written in place and cut to what it took.
        const qsizetype begin = out.size();
        out.resize(begin + time.size() + qsizetype(columns.size()) * (1 + kLongestValue) + 2);
        char* at = out.data() + begin;
        std::memcpy(at, time.constData(), size_t(time.size()));
        at += time.size();
        const ValueCell* next = rows.cells.data() + cell;
        const ValueCell* last = rows.cells.data() + end;
        for (int c : columns) {
            *at++ = ',';
            const ValueCell* hit = nullptr;
            if (inOrder) {
                while (next != last && next->channel < c)
                    ++next;
                if (next != last && next->channel == c)
                    hit = next;
            } else {
                // --channels may name them in another order.
                hit = std::find_if(rows.cells.data() + cell, last,
                                   [c](const ValueCell& v) { return v.channel == c; });
                if (hit == last)
                    hit = nullptr;
            }
            if (hit != nullptr && hit->length > 0) {
                std::memcpy(at, rows.text.constData() + hit->at, size_t(hit->length));
                at += hit->length;
            } else if (hit != nullptr) {
                at = writeValue(at, hit->value);
            }
        }
        *at++ = '\r';
        *at++ = '\n';
        out.resize(at - out.constData());
        cell = end;
        if (out.size() > kFlushAt && !flush())
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
