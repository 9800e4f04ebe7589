#include "cli/cli.h"
#include "data/data_file.h"
#include "data/file_names.h"
#include "db/database.h"
#include "db/store.h"
#include "link/settings_file.h"
#include "network/data_root.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace stazione::cli {

namespace {

int refuse(const QString& text)
{
    message(QStringLiteral("stazione-cli: ") + text);
    return kExitUsage;
}

// query and check read a database: a SQLite file that is not there is not created empty, and
// nothing in it is changed (an older schema is refused, not migrated).
std::unique_ptr<db::Database> openDatabase(const QString& url, db::Access access = db::Access::Write)
{
    if (const auto parsed = db::parseDatabaseUrl(url);
        parsed && !parsed->postgres && access == db::Access::Read && !QFileInfo::exists(parsed->path)) {
        message(QStringLiteral("stazione-cli: there is no database ") + parsed->path +
                QStringLiteral("; db import creates it."));
        return nullptr;
    }
    auto opened = db::Database::open(url, access);
    if (!opened) {
        message(QStringLiteral("stazione-cli: ") + opened.error().message);
        return nullptr;
    }
    if (const QString note = (*opened)->migrationNote(); !note.isEmpty())
        message(QStringLiteral("stazione-cli: ") + note);
    return std::move(*opened);
}

int runMigrate(const Options& options)
{
    if (options.arguments.size() != 1)
        return refuse(QStringLiteral("db migrate takes no folder: stazione-cli db migrate --db URL."));
    const QString url = databaseUrl(options, options.dir);
    if (const auto parsed = db::parseDatabaseUrl(url);
        parsed && !parsed->postgres && !QFileInfo::exists(parsed->path)) {
        message(QStringLiteral("stazione-cli: there is no database ") + parsed->path +
                QStringLiteral("; db import creates it."));
        return kExitFailure;
    }
    auto opened = db::Database::open(url);
    if (!opened) {
        message(QStringLiteral("stazione-cli: ") + opened.error().message);
        return kExitFailure;
    }
    const auto& database = *opened;
    if (!database->migratedFrom())
        out(QStringLiteral("The database %1 has schema version %2 already.")
                .arg(database->url().shown(), QString::number(db::kSchemaVersion)));
    else
        out(database->migrationNote());
    return kExitOk;
}

int runImport(const Options& options)
{
    if (options.arguments.size() != 2 || !QFileInfo(options.arguments.at(1)).isDir())
        return refuse(
            QStringLiteral("db import takes a data root folder: stazione-cli db import DIR --db URL."));
    const QString dir = options.arguments.at(1);
    auto database = openDatabase(databaseUrl(options, dir));
    if (!database)
        return kExitFailure;
    auto imported = db::importFolder(*database, dir);
    if (!imported) {
        message(QStringLiteral("stazione-cli: ") + imported.error().message);
        return kExitFailure;
    }
    out(QStringLiteral("%1 stations, %2 lines added, %3 of %4 report lines added, into %5")
            .arg(imported->stations)
            .arg(imported->lines)
            .arg(imported->collections)
            .arg(imported->reportLines)
            .arg(database->url().shown()));
    return kExitOk;
}

int runCheck(const Options& options)
{
    if (options.arguments.size() != 2 || !QFileInfo(options.arguments.at(1)).isDir())
        return refuse(
            QStringLiteral("db check takes a data root folder: stazione-cli db check --db URL DIR."));
    const QString dir = options.arguments.at(1);
    auto database = openDatabase(databaseUrl(options, dir), db::Access::Read);
    if (!database)
        return kExitFailure;
    auto checked = db::checkFolder(*database, dir);
    if (!checked) {
        message(QStringLiteral("stazione-cli: ") + checked.error().message);
        return kExitFailure;
    }
    for (const QString& difference : *checked)
        out(printable(difference, false));
    if (!checked->isEmpty())
        return kExitFailure;
    out(QStringLiteral("Every archive of %1 matches the database.").arg(dir));
    return kExitOk;
}

int runQuery(const Options& options)
{
    if (options.arguments.size() != 1)
        return refuse(
            QStringLiteral("db query takes no folder: stazione-cli db query --db URL --station NAME."));
    if (options.stationName.isEmpty())
        return refuse(QStringLiteral("db query needs --station NAME."));
    db::QueryOptions what;
    what.station = options.stationName;
    if (!options.from.isEmpty()) {
        const auto from = wallTime(options.from, false);
        if (!from)
            return refuse(QStringLiteral("--from takes a date and time such as 2026-12-05T14:30:00."));
        what.from = QString::fromLatin1(data::isoText(*from));
    }
    if (!options.to.isEmpty()) {
        const auto to = wallTime(options.to, true);
        if (!to)
            return refuse(QStringLiteral("--to takes a date and time such as 2026-12-05T14:30:00."));
        what.to = QString::fromLatin1(data::isoText(*to));
    }
    if (!options.channels.isEmpty()) {
        const auto channels = channelList(options.channels);
        if (!channels)
            return refuse(QStringLiteral("--channels takes channel numbers such as 0,3."));
        what.channels = *channels;
    }
    what.names = options.names;
    auto database = openDatabase(databaseUrl(options, options.dir), db::Access::Read);
    if (!database)
        return kExitFailure;
    QFile console;
    if (!console.open(stdout, QIODevice::WriteOnly)) {
        message(QStringLiteral("The standard output cannot be written."));
        return kExitFailure;
    }
    auto rows = db::queryCsv(*database, what, console);
    // The table goes out through the file's own buffer: its last piece is written here.
    if (QString why; !link::flushWhole(console, &why))
        outputFailed(why);
    if (!rows) {
        message(QStringLiteral("stazione-cli: ") + rows.error().message);
        return rows.error().kind == link::ErrorKind::Data ? kExitUsage : kExitFailure;
    }
    return kExitOk;
}

} // namespace

QString databaseUrl(const Options& options, const QString& dir)
{
    if (options.db && !options.db->isEmpty())
        return *options.db;
    return QStringLiteral("sqlite:") +
           QDir(dir.isEmpty() ? QDir::currentPath() : dir).filePath(data::kDatabaseFileName);
}

CollectionDatabase::CollectionDatabase(const Options& options)
    : m_url(databaseUrl(options, options.dir))
{}

CollectionDatabase::~CollectionDatabase() = default;

void CollectionDatabase::store(const data::StationOutcome& outcome)
{
    if (m_failed)
        return;
    auto fail = [this](const QString& why) {
        message(
            QStringLiteral("stazione-cli: the database step failed; the archives and the report are kept, "
                           "the next collection (or db import) stores what is missing. ") +
            why);
        m_failed = true;
    };
    if (!m_database) {
        auto opened = db::Database::open(m_url);
        if (!opened)
            return fail(opened.error().message);
        m_database = std::move(*opened);
        if (const QString note = m_database->migrationNote(); !note.isEmpty())
            message(QStringLiteral("stazione-cli: ") + note);
    }
    // A server that stops answering, or a signal, ends the station's store within seconds.
    const db::CallLimit bound(*m_database, kStoreLimit);
    const auto failed = [&](const link::Error& error) {
        if (bound.cut())
            return fail(
                QStringLiteral("The database %1 did not answer within %2 s, or the collection is being "
                               "stopped: the connection was cut (%3).")
                    .arg(m_database->url().shown(), QString::number(kStoreLimit.count()), error.message));
        return fail(error.message);
    };
    db::Store store(*m_database);
    if (!outcome.archive.isEmpty() && QFileInfo(outcome.archive).isFile()) {
        auto id = store.station(db::stationKey(outcome));
        if (!id)
            return failed(id.error());
        if (auto added = store.storeArchive(*id, outcome.archive); !added)
            return failed(added.error());
    }
    if (auto stored = store.storeOutcome(outcome); !stored)
        return failed(stored.error());
}

int runDb(const Options& options)
{
    const QString what = options.arguments.value(0);
    if (!options.db || options.db->isEmpty())
        return refuse(QStringLiteral("db needs --db URL: sqlite:PATH or postgresql://host/dbname."));
    if (what == QLatin1String("import"))
        return runImport(options);
    if (what == QLatin1String("check"))
        return runCheck(options);
    if (what == QLatin1String("query"))
        return runQuery(options);
    if (what == QLatin1String("migrate"))
        return runMigrate(options);
    return refuse(
        QStringLiteral("db takes import, query, check or migrate: stazione-cli db import DIR --db URL."));
}

} // namespace stazione::cli
