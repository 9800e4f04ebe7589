#include "db/database.h"

#include "data/data_file.h"
#include "db/bulk.h"
#include "network/outcome_fields.h"

#include <QAtomicInt>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>
#include <QUrlQuery>
#include <QVariant>

#include <algorithm>
#include <array>
#include <atomic>
#include <condition_variable>
#include <libpq-fe.h>
#include <mutex>
#include <sys/socket.h>
#include <thread>
#include <utility>

namespace stazione::db {

namespace {

// The sockets of the limits alive now, each plus one (0: a free place), for cutLimitedCalls,
// which may run inside a signal handler and so only reads these and shuts sockets down.
std::array<std::atomic<int>, 8> g_limited{};
std::atomic<bool> g_cutAll{false};
static_assert(std::atomic<int>::is_always_lock_free && std::atomic<bool>::is_always_lock_free);

// The setting up of a connection (the schema's check, its migration) takes a moment.
constexpr std::chrono::seconds kSetUpLimit{120};

// The socket of a PostgreSQL connection Qt holds (Qt 6.4 names the handle "pg_conn*"); -1 if none.
int socketOf(Database& db)
{
    const QVariant handle = db.sql().driver()->handle();
    if (!handle.isValid() ||
        (qstrcmp(handle.typeName(), "PGconn*") != 0 && qstrcmp(handle.typeName(), "pg_conn*") != 0))
        return -1;
    PGconn* connection = *static_cast<PGconn* const*>(handle.constData());
    return connection ? PQsocket(connection) : -1;
}

link::Error usage(const QString& text)
{
    return link::Error::data(text);
}

// The columns of version 1 that the outcome's fields kept in `stored` give, as "name TYPE, ...".
QString version1Columns(std::initializer_list<data::StoredIn> stored)
{
    QStringList columns;
    for (const data::OutcomeField& f : data::kOutcomeFields) {
        if (f.version == 1 && std::find(stored.begin(), stored.end(), f.stored) != stored.end())
            columns << QLatin1String(f.column) + QLatin1Char(' ') + QLatin1String(f.type);
    }
    return columns.join(QStringLiteral(", "));
}

// The statements that make schema version 1. The same text for both drivers but for the key
// of the numbered tables and SQLite's tables without a row id (their key is their only index).
QStringList schemaVersion1(bool postgres)
{
    const QString id =
        postgres ? QStringLiteral("BIGSERIAL PRIMARY KEY") : QStringLiteral("INTEGER PRIMARY KEY");
    const QString keyed = postgres ? QString() : QStringLiteral(" WITHOUT ROWID");
    return {
        QStringLiteral("CREATE TABLE IF NOT EXISTS stations (id %1, %2)")
            .arg(id, version1Columns({data::StoredIn::StationKey, data::StoredIn::Station})),
        QStringLiteral("CREATE TABLE IF NOT EXISTS collections (id %1, station_id BIGINT REFERENCES "
                       "stations(id), %2)")
            .arg(id, version1Columns({data::StoredIn::Collections})),
        // A report line is stored once, however often the report is imported.
        QStringLiteral("CREATE UNIQUE INDEX IF NOT EXISTS collections_once ON collections "
                       "(COALESCE(station_id, 0), started, ended, result)"),
        QStringLiteral(
            "CREATE TABLE IF NOT EXISTS lines (station_id BIGINT NOT NULL REFERENCES stations(id), "
            "seq BIGINT NOT NULL, text TEXT NOT NULL, PRIMARY KEY (station_id, seq))%1")
            .arg(keyed),
        QStringLiteral(
            "CREATE TABLE IF NOT EXISTS measurements (station_id BIGINT NOT NULL REFERENCES "
            "stations(id), time TEXT NOT NULL, channel INTEGER NOT NULL, value DOUBLE PRECISION NOT "
            "NULL, PRIMARY KEY (station_id, time, channel))%1")
            .arg(keyed),
    };
}

// Version 3, before its values are converted: the readings (a line's values in one row, keyed by
// station and time, the time a timestamp in PostgreSQL and ISO text in SQLite) and the lines
// once each, by their text (PostgreSQL keys a text by its digest: a line of noise may be longer
// than a key can be).
QStringList readingsBefore(bool postgres)
{
    if (postgres)
        return {
            QStringLiteral("CREATE TABLE readings (station_id BIGINT NOT NULL, time TIMESTAMP NOT NULL, vals "
                           "DOUBLE PRECISION[] NOT NULL, PRIMARY KEY (station_id, time), CONSTRAINT "
                           "readings_station FOREIGN KEY (station_id) REFERENCES stations(id))"),
            QStringLiteral("CREATE TABLE lines_by_text (station_id BIGINT NOT NULL, text TEXT NOT NULL, "
                           "CONSTRAINT lines_station FOREIGN KEY (station_id) REFERENCES stations(id))"),
            QStringLiteral("CREATE UNIQUE INDEX lines_once ON lines_by_text (station_id, md5(text))"),
            QStringLiteral("INSERT INTO lines_by_text (station_id, text) SELECT station_id, text FROM lines "
                           "ORDER BY station_id, seq ON CONFLICT DO NOTHING"),
        };
    return {
        QStringLiteral("CREATE TABLE readings (station_id BIGINT NOT NULL REFERENCES stations(id), time TEXT "
                       "NOT NULL, vals TEXT NOT NULL, PRIMARY KEY (station_id, time)) WITHOUT ROWID"),
        QStringLiteral("CREATE TABLE lines_by_text (station_id BIGINT NOT NULL REFERENCES stations(id), text "
                       "TEXT NOT NULL, PRIMARY KEY (station_id, text)) WITHOUT ROWID"),
        // "WHERE true": SQLite would read ON CONFLICT as part of the SELECT's join.
        QStringLiteral("INSERT INTO lines_by_text (station_id, text) SELECT station_id, text FROM lines "
                       "WHERE true ORDER BY station_id, seq ON CONFLICT DO NOTHING"),
    };
}

// Version 3, once the values are in the readings: "measurements" becomes a view of them, with the
// columns it had (a gap is no row), and the marks of the archives stored whole are kept. The view
// takes one element of a reading by its channel's number, so that a query of one channel reads
// one element a row: the numbers a line may have are a table of their own.
QStringList readingsAfter(bool postgres)
{
    QStringList statements{
        QStringLiteral("DROP TABLE measurements"),
        QStringLiteral("DROP TABLE lines"),
        QStringLiteral("ALTER TABLE lines_by_text RENAME TO lines"),
        QStringLiteral("CREATE TABLE channel_numbers (channel INTEGER PRIMARY KEY)"),
        QStringLiteral(
            "INSERT INTO channel_numbers (channel) WITH RECURSIVE n(c) AS (SELECT 0 UNION ALL SELECT "
            "c + 1 FROM n WHERE c < %1) SELECT c FROM n")
            .arg(data::kMaxFileChannels - 1),
    };
    statements << (postgres
                       ? QStringLiteral(
                             "CREATE VIEW measurements AS SELECT r.station_id, r.time, n.channel, "
                             "r.vals[n.channel + 1] AS value FROM readings r CROSS JOIN channel_numbers n "
                             "WHERE n.channel < cardinality(r.vals) AND r.vals[n.channel + 1] IS NOT NULL")
                       : QStringLiteral(
                             "CREATE VIEW measurements AS SELECT r.station_id AS station_id, r.time AS time, "
                             "n.channel AS channel, CAST(r.vals ->> n.channel AS REAL) AS value FROM "
                             "readings r CROSS JOIN channel_numbers n WHERE n.channel < "
                             "json_array_length(r.vals) AND (r.vals ->> n.channel) IS NOT NULL"));
    const QString keyed = postgres ? QString() : QStringLiteral(" WITHOUT ROWID");
    statements << QStringLiteral(
                      "CREATE TABLE archive_marks (station_id BIGINT NOT NULL REFERENCES stations(id), "
                      "lines BIGINT NOT NULL, digest TEXT NOT NULL, PRIMARY KEY (station_id, lines, "
                      "digest))%1")
                      .arg(keyed);
    return statements;
}

// Version 4: the network's alerts, an open one at most per station and kind, whichever PC or
// report judged it (the unique index decides between two that judge it at once).
QStringList alertsTable(bool postgres)
{
    const QString id =
        postgres ? QStringLiteral("BIGSERIAL PRIMARY KEY") : QStringLiteral("INTEGER PRIMARY KEY");
    return {
        QStringLiteral("CREATE TABLE alerts (id %1, station_id BIGINT NOT NULL REFERENCES stations(id), kind "
                       "TEXT NOT NULL, raised TEXT NOT NULL, value DOUBLE PRECISION NOT NULL, threshold "
                       "DOUBLE PRECISION NOT NULL, cleared TEXT, cleared_value DOUBLE PRECISION)")
            .arg(id),
        QStringLiteral("CREATE UNIQUE INDEX alerts_open ON alerts (station_id, kind) WHERE cleared IS NULL"),
    };
}

// Version 5: each station's channels, named and scaled as its logger last gave them.
QStringList sensorsTable()
{
    return {QStringLiteral(
        "CREATE TABLE sensors (station_id BIGINT NOT NULL REFERENCES stations(id), channel INTEGER NOT NULL, "
        "name TEXT NOT NULL, zero_volts TEXT NOT NULL, full_volts TEXT NOT NULL, zero_value TEXT NOT NULL, "
        "full_value TEXT NOT NULL, read_at TEXT NOT NULL, PRIMARY KEY (station_id, channel))")};
}

// The statements that make schema `version` from the one before it (but for version 3's
// conversion): each later version adds the columns of the outcome's fields that name it.
QStringList columnSteps(int version, bool postgres)
{
    if (version == 1)
        return schemaVersion1(postgres);
    QStringList statements;
    for (const data::OutcomeField& f : data::kOutcomeFields) {
        if (f.version != version || f.stored == data::StoredIn::ReportOnly)
            continue;
        const bool station = f.stored == data::StoredIn::Station || f.stored == data::StoredIn::StationKey;
        statements << QStringLiteral("ALTER TABLE %1 ADD COLUMN %2 %3")
                          .arg(station ? QStringLiteral("stations") : QStringLiteral("collections"),
                               QLatin1String(f.column), QLatin1String(f.type));
    }
    return statements;
}

// True when this program may change the file or make one beside it.
bool writableByUs(const QString& path)
{
    const QFileInfo file(path);
    return file.isWritable() && QFileInfo(file.absolutePath()).isWritable();
}

} // namespace

QString DatabaseUrl::shown() const
{
    if (!postgres)
        return QStringLiteral("sqlite:") + path;
    QUrl url;
    url.setScheme(QStringLiteral("postgresql"));
    url.setUserName(user);
    if (!host.startsWith(QLatin1Char('/')))
        url.setHost(host);
    url.setPort(port);
    url.setPath(QLatin1Char('/') + name);
    if (host.startsWith(QLatin1Char('/')))
        url.setQuery(QStringLiteral("host=") + host);
    return url.toString();
}

namespace {

// Where the password of a URL as typed lies: from the first ":" after the scheme to the last "@"
// (a password may hold "@" and "/"); an empty range when there is none.
std::pair<qsizetype, qsizetype> passwordRange(const QString& text)
{
    const qsizetype start = text.indexOf(QLatin1String("://"));
    const qsizetype at = text.lastIndexOf(QLatin1Char('@'));
    if (start < 0 || at <= start + 3)
        return {0, 0};
    const qsizetype colon = text.indexOf(QLatin1Char(':'), start + 3);
    if (colon < 0 || colon >= at)
        return {0, 0};
    return {colon + 1, at};
}

} // namespace

QString withoutPassword(const QString& text)
{
    QString shown = text;
    if (const auto [from, to] = passwordRange(text); to > from)
        shown = text.left(from) + QStringLiteral("***") + text.mid(to);
    static const QRegularExpression kPasswordItem(QStringLiteral("([?&]password=)[^&#]*"),
                                                  QRegularExpression::CaseInsensitiveOption);
    return shown.replace(kPasswordItem, QStringLiteral("\\1***"));
}

link::Result<DatabaseUrl> parseDatabaseUrl(const QString& text)
{
    DatabaseUrl out;
    if (text.startsWith(QLatin1String("sqlite:"))) {
        out.path = text.mid(7);
        if (out.path.isEmpty())
            return usage(
                QStringLiteral("sqlite: needs the path of the database file, e.g. sqlite:/srv/dati.sqlite."));
        return out;
    }
    // The URL is shown without its password: these messages end up in the system's journal.
    const QString shown = withoutPassword(text);
    if (!text.startsWith(QLatin1String("postgresql://")) && !text.startsWith(QLatin1String("postgres://")))
        return usage(shown + QStringLiteral(" is not a database URL: sqlite:PATH or "
                                            "postgresql://[user[:password]@]host[:port]/dbname."));
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid()) {
        // QUrl's own text quotes the whole URL after the reason.
        QString reason = url.errorString().section(QLatin1Char(';'), 0, 0);
        if (const auto [from, to] = passwordRange(text); to > from)
            reason.replace(text.mid(from, to - from), QStringLiteral("***"));
        return usage(shown + QStringLiteral(" is not a valid URL: ") + reason +
                     QStringLiteral(" (a \"%\", \"@\" or \"/\" in the user or the password is written "
                                    "%25, %40, %2F)."));
    }
    out.postgres = true;
    out.user = url.userName(QUrl::FullyDecoded);
    out.password = url.password(QUrl::FullyDecoded);
    out.host = url.host(QUrl::FullyDecoded);
    out.port = url.port(-1);
    out.name = url.path(QUrl::FullyDecoded).mid(1);
    const QUrlQuery query(url);
    if (query.hasQueryItem(QStringLiteral("host")))
        out.host = query.queryItemValue(QStringLiteral("host"), QUrl::FullyDecoded);
    if (out.name.isEmpty() || out.name.contains(QLatin1Char('/')))
        return usage(shown + QStringLiteral(" names no database: postgresql://host/dbname."));
    if (out.host.isEmpty())
        return usage(shown +
                     QStringLiteral(" names no host: postgresql://host/dbname or ?host=/socket/dir."));
    return out;
}

struct CallLimit::Watch {
    int socket = -1;
    int place = -1;
    std::mutex mutex;
    std::condition_variable wake;
    bool ended = false;
    std::atomic<bool> cut{false};
    std::thread thread;
};

CallLimit::CallLimit(Database& db, std::chrono::milliseconds limit)
    : m_watch(std::make_unique<Watch>())
{
    if (!db.postgres())
        return;
    Watch& w = *m_watch;
    w.socket = socketOf(db);
    if (w.socket < 0)
        return;
    for (int i = 0; i < int(g_limited.size()); ++i) {
        int free = 0;
        if (g_limited[size_t(i)].compare_exchange_strong(free, w.socket + 1)) {
            w.place = i;
            break;
        }
    }
    if (g_cutAll.load()) {
        w.cut = true;
        ::shutdown(w.socket, SHUT_RDWR);
        return;
    }
    w.thread = std::thread([&w, limit] {
        std::unique_lock lock(w.mutex);
        if (!w.wake.wait_for(lock, limit, [&w] { return w.ended; })) {
            w.cut = true;
            ::shutdown(w.socket, SHUT_RDWR);
        }
    });
}

CallLimit::~CallLimit()
{
    Watch& w = *m_watch;
    {
        const std::lock_guard lock(w.mutex);
        w.ended = true;
    }
    w.wake.notify_all();
    if (w.thread.joinable())
        w.thread.join();
    if (w.place >= 0)
        g_limited[size_t(w.place)].store(0);
}

bool CallLimit::cut() const
{
    return m_watch->cut.load() || (m_watch->socket >= 0 && g_cutAll.load());
}

void cutLimitedCalls()
{
    g_cutAll.store(true);
    for (const std::atomic<int>& place : g_limited) {
        if (const int socket = place.load(); socket > 0)
            ::shutdown(socket - 1, SHUT_RDWR);
    }
}

Database::Database(DatabaseUrl url, QString connection)
    : m_url(std::move(url))
    , m_connection(std::move(connection))
{
    m_db = QSqlDatabase::addDatabase(m_url.postgres ? QStringLiteral("QPSQL") : QStringLiteral("QSQLITE"),
                                     m_connection);
}

Database::~Database()
{
    m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_connection);
}

link::Error Database::failure(const QString& what, const QSqlError& error) const
{
    // The driver may quote what it was given; the password is never shown.
    QString said = error.text().trimmed();
    if (!m_url.password.isEmpty())
        said.replace(m_url.password, QStringLiteral("***"));
    return link::Error::file(what + QStringLiteral(" (") + m_url.shown() + QStringLiteral("): ") + said);
}

QString Database::migrationNote() const
{
    if (!m_migratedFrom || *m_migratedFrom == 0)
        return {};
    return QStringLiteral("The database %1 was brought from schema version %2 to %3.")
        .arg(m_url.shown(), QString::number(*m_migratedFrom), QString::number(kSchemaVersion));
}

link::Result<std::unique_ptr<Database>> Database::open(const QString& text, Access access)
{
    auto url = parseDatabaseUrl(text);
    if (!url)
        return url.error();
    static QAtomicInt counter;
    std::unique_ptr<Database> db(
        new Database(*url, QStringLiteral("stazione-db-%1").arg(counter.fetchAndAddRelaxed(1))));
    QSqlDatabase& sql = db->m_db;
    if (!sql.isValid())
        return link::Error::file(QStringLiteral("The Qt SQL driver %1 is not installed (Debian: %2).")
                                     .arg(url->postgres ? QStringLiteral("QPSQL") : QStringLiteral("QSQLITE"),
                                          url->postgres ? QStringLiteral("libqt6sql6-psql")
                                                        : QStringLiteral("libqt6sql6-sqlite")));
    if (url->postgres) {
        sql.setHostName(url->host);
        if (url->port > 0)
            sql.setPort(url->port);
        sql.setUserName(url->user);
        sql.setPassword(url->password);
        sql.setDatabaseName(url->name);
        // A server that does not answer fails the step rather than hanging the night's run: the
        // connection is given 10 s, a statement 10 minutes on the server, and a TCP connection
        // whose far end is gone is found within a minute or two (keep-alives, and unacknowledged
        // data given up after 60 s). A stopped server is bounded by CallLimit.
        sql.setConnectOptions(QStringLiteral(
            "connect_timeout=10;options='-c statement_timeout=600000';keepalives=1;keepalives_idle=30;"
            "keepalives_interval=10;keepalives_count=3;tcp_user_timeout=60000"));
    } else {
        sql.setDatabaseName(url->path);
        // Another program writing (an import during a collection) is waited for, not failed on.
        sql.setConnectOptions(access == Access::Read
                                  ? QStringLiteral("QSQLITE_BUSY_TIMEOUT=30000;QSQLITE_OPEN_READONLY")
                                  : QStringLiteral("QSQLITE_BUSY_TIMEOUT=30000"));
    }
    if (!sql.open())
        return db->failure(QStringLiteral("The database cannot be opened"), sql.lastError());
    if (!url->postgres) {
        // Nothing is bounded on SQLite, whose waits are its own busy time-out.
        auto set = db->setUp(access);
        if (!set && access == Access::Read && !writableByUs(url->path)) {
            // SQLite reads a database in WAL mode through a shared-memory file next to it, which
            // it cannot make beside a read-only copy (a backup, a copy on a read-only mount). A
            // file we may not write, in a folder we may not write, is taken for such a copy and
            // read as a file that does not change.
            sql.close();
            QUrl file = QUrl::fromLocalFile(QFileInfo(url->path).absoluteFilePath());
            file.setQuery(QStringLiteral("immutable=1"));
            sql.setDatabaseName(file.toString(QUrl::FullyEncoded));
            sql.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_OPEN_URI"));
            if (!sql.open())
                return db->failure(QStringLiteral("The database cannot be opened"), sql.lastError());
            set = db->setUp(access);
        }
        if (!set)
            return set.error();
        return db;
    }
    {
        const CallLimit bound(*db, kSetUpLimit);
        if (auto migrated = db->setUp(access); !migrated) {
            if (bound.cut())
                return link::Error::file(QStringLiteral("The database %1 did not answer in time while being "
                                                        "set up (or the program is being stopped): %2")
                                             .arg(db->url().shown(), migrated.error().message));
            return migrated.error();
        }
    }
    return db;
}

link::Status Database::setUp(Access access)
{
    QSqlQuery q(m_db);
    // Readers (a dashboard, "db query") never wait for the writer.
    if (!m_url.postgres && access == Access::Write &&
        (!q.exec(QStringLiteral("PRAGMA journal_mode=WAL")) ||
         !q.exec(QStringLiteral("PRAGMA synchronous=NORMAL"))))
        return failure(QStringLiteral("The database cannot be set up"), q.lastError());
    if (!m_url.postgres && !q.exec(QStringLiteral("PRAGMA cache_size=-65536")))
        return failure(QStringLiteral("The database cannot be set up"), q.lastError());
    // "relation already exists, skipping" is no news on every run. Texts are written as standard
    // strings (a backslash is a backslash), times as ISO 8601.
    if (m_url.postgres && (!q.exec(QStringLiteral("SET client_min_messages = warning")) ||
                           !q.exec(QStringLiteral("SET standard_conforming_strings = on")) ||
                           !q.exec(QStringLiteral("SET DateStyle = ISO"))))
        return failure(QStringLiteral("The database cannot be set up"), q.lastError());
    if (access == Access::Write)
        return migrate();
    // Read and Update: the schema as it is.
    const auto version = storedVersion();
    if (!version)
        return version.error();
    if (*version == 0)
        return link::Error::file(
            QStringLiteral("The database %1 holds no data of this program.").arg(m_url.shown()));
    if (*version < kSchemaVersion)
        return link::Error::file(
            QStringLiteral(
                "The database %1 has schema version %2; this program reads version %3. Bring it up "
                "to date with: stazione-cli db migrate --db URL (db import and collect --db do it "
                "too).")
                .arg(m_url.shown(), QString::number(*version), QString::number(kSchemaVersion)));
    return {};
}

// The version in "schema_version": 0 when the database has none yet, an error when it is newer
// than this program's.
link::Result<int> Database::storedVersion()
{
    QSqlQuery q(m_db);
    const QString exists = m_url.postgres
                               ? QStringLiteral("SELECT 1 FROM pg_catalog.pg_tables WHERE tablename = "
                                                "'schema_version' AND schemaname = current_schema()")
                               : QStringLiteral("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = "
                                                "'schema_version'");
    if (!q.exec(exists))
        return failure(QStringLiteral("The schema version cannot be read"), q.lastError());
    if (!q.next())
        return 0;
    if (!q.exec(QStringLiteral("SELECT version FROM schema_version")))
        return failure(QStringLiteral("The schema version cannot be read"), q.lastError());
    const int version = q.next() ? q.value(0).toInt() : 0;
    if (version > kSchemaVersion)
        return link::Error::file(
            QStringLiteral(
                "The database %1 has schema version %2; this program knows up to %3: update Stazione.")
                .arg(m_url.shown(), QString::number(version), QString::number(kSchemaVersion)));
    return version;
}

link::Status Database::migrate()
{
    // The version is looked at first without a lock: a database already up to date is not
    // locked for writing just to be opened (an import running meanwhile is not waited for).
    if (const auto version = storedVersion(); !version)
        return version.error();
    else if (*version == kSchemaVersion)
        return {};
    QSqlQuery q(m_db);
    if (!q.exec(m_url.postgres ? QStringLiteral("BEGIN") : QStringLiteral("BEGIN IMMEDIATE")))
        return failure(QStringLiteral("The database cannot be set up"), q.lastError());
    auto fail = [&](const QString& what) {
        const QSqlError error = q.lastError();
        QSqlQuery(m_db).exec(QStringLiteral("ROLLBACK"));
        return failure(what, error);
    };
    auto failWith = [&](const link::Error& error) {
        QSqlQuery(m_db).exec(QStringLiteral("ROLLBACK"));
        return error;
    };
    // Two PCs starting at once against a new server create the tables one after the other.
    if (m_url.postgres && !q.exec(QStringLiteral("SELECT pg_advisory_xact_lock(7308221)")))
        return fail(QStringLiteral("The database cannot be locked"));
    if (!q.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS schema_version (version INTEGER NOT NULL)")))
        return fail(QStringLiteral("The schema cannot be created"));
    // Read again under the lock: another PC may have brought it up to date meanwhile.
    const auto version = storedVersion();
    if (!version)
        return failWith(version.error());
    for (int step = *version + 1; step <= kSchemaVersion; ++step) {
        if (auto stepped = stepTo(step); !stepped)
            return failWith(stepped.error());
    }
    if (*version == 0 &&
        !q.exec(QStringLiteral("INSERT INTO schema_version (version) VALUES (%1)").arg(kSchemaVersion)))
        return fail(QStringLiteral("The schema version cannot be written"));
    if (*version > 0 && *version < kSchemaVersion &&
        !q.exec(QStringLiteral("UPDATE schema_version SET version = %1").arg(kSchemaVersion)))
        return fail(QStringLiteral("The schema version cannot be written"));
    if (!q.exec(QStringLiteral("COMMIT")))
        return fail(QStringLiteral("The schema cannot be committed"));
    if (*version < kSchemaVersion)
        m_migratedFrom = *version;
    return {};
}

link::Status Database::stepTo(int version)
{
    QSqlQuery q(m_db);
    const QString what = version == 1 ? QStringLiteral("The schema cannot be created")
                                      : QStringLiteral("The schema cannot be updated");
    auto run = [&](const QStringList& statements) -> link::Status {
        for (const QString& statement : statements) {
            if (!q.exec(statement))
                return failure(what, q.lastError());
        }
        return {};
    };
    if (auto done = run(columnSteps(version, m_url.postgres)); !done)
        return done;
    if (version == kAlertsVersion)
        return run(alertsTable(m_url.postgres));
    if (version == kSensorsVersion)
        return run(sensorsTable());
    if (version != kReadingsVersion)
        return {};
    if (auto done = run(readingsBefore(m_url.postgres)); !done)
        return done;
    if (auto converted = convertMeasurements(*this); !converted)
        return converted;
    return run(readingsAfter(m_url.postgres));
}

} // namespace stazione::db
