#pragma once

#include "link/result.h"
#include "network/outcome_fields.h"

#include <QSqlDatabase>
#include <QString>

#include <algorithm>
#include <chrono>
#include <memory>
#include <optional>

// Where the collected data is kept: "sqlite:PATH" on one PC, or
// "postgresql://[user[:password]@]host[:port]/dbname" (with "?host=/socket/dir" for a Unix
// socket) when several PCs share one server. The connection is opened and the schema created or
// brought up to date before anything else is done with it.
namespace stazione::db {

// Version 2 added the stations' directory rows; version 3 keeps a line's values in one row of
// "readings" (and "measurements" became a view of them) and a line once, by its text; version 4
// keeps the network's alerts; version 5 the channels' names and scaling. A version is the newest of its
// fields' or of the steps that add something other than a field's column.
inline constexpr int kReadingsVersion = 3;
inline constexpr int kAlertsVersion = 4;
inline constexpr int kSensorsVersion = 5;
inline constexpr int kSchemaVersion =
    std::max({data::kOutcomeFieldsVersion, kReadingsVersion, kAlertsVersion, kSensorsVersion});

// What a connection is opened for. A reader (a query, a check, a report) takes no write lock and
// changes nothing: a database of an older schema is refused, naming "db migrate". A report that
// judges alerts records them (Update) but never changes the schema either.
enum class Access { Write, Read, Update };

struct DatabaseUrl {
    bool postgres = false;
    QString path; // SQLite: the file
    QString host; // PostgreSQL: a host name or a socket folder
    int port = -1;
    QString user;
    QString password;
    QString name;

    // The URL with the password left out, for messages.
    QString shown() const;
};

// The URL as typed with its password replaced by "***", for messages about a URL that may not
// even parse.
QString withoutPassword(const QString& text);

// The URL, or why it cannot be used (an error of kind Data; its text never holds the password).
link::Result<DatabaseUrl> parseDatabaseUrl(const QString& text);

class Database;

// While it lives, the calls to a PostgreSQL server on `db` are bounded: a call still waiting for
// the server after `limit`, or once cutLimitedCalls() was called, fails at once, as on a lost
// connection (its socket is shut down, which wakes the wait on a Unix socket as on TCP). The
// server-side limits (statement_timeout, TCP keep-alives) do not help against a server that is
// stopped or whose host is gone: the kernel still takes the bytes, nothing answers. Nothing is
// bounded on SQLite, whose waits are its own busy time-out.
class CallLimit {
public:
    CallLimit(Database& db, std::chrono::milliseconds limit);
    ~CallLimit();
    CallLimit(const CallLimit&) = delete;
    CallLimit& operator=(const CallLimit&) = delete;
    // True when this limit cut the connection (its time ran out, or cutLimitedCalls()).
    bool cut() const;

private:
    struct Watch;
    std::unique_ptr<Watch> m_watch;
};

// Cuts the connection of every limit alive now, and of every one made later: the program is
// being stopped. Safe inside a signal handler (it only shuts sockets down).
void cutLimitedCalls();

// One open connection, closed and removed with the object.
class Database {
public:
    // Connects and, to write, creates or migrates the schema. A failure names the URL (without
    // its password) and what the server or the file said.
    static link::Result<std::unique_ptr<Database>> open(const QString& url, Access access = Access::Write);
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    QSqlDatabase& sql() { return m_db; }
    bool postgres() const { return m_url.postgres; }
    const DatabaseUrl& url() const { return m_url; }

    // The schema version this opening brought up to date (0: a new database); none when the
    // database had the current one.
    std::optional<int> migratedFrom() const { return m_migratedFrom; }
    // "The database URL was brought from schema version 2 to 3." when it was; else empty.
    QString migrationNote() const;

    // "what: the driver's text", as an error of kind File.
    link::Error failure(const QString& what, const class QSqlError& error) const;

private:
    Database(DatabaseUrl url, QString connection);
    link::Status setUp(Access access);
    link::Result<int> storedVersion();
    link::Status migrate();
    link::Status stepTo(int version);

    DatabaseUrl m_url;
    QString m_connection;
    QSqlDatabase m_db;
    std::optional<int> m_migratedFrom;
};

} // namespace stazione::db
