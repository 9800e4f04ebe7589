#include "cli/cli.h"
#include "db/alerts.h"
#include "db/history.h"
#include "db/store.h"
#include "network/alerts.h"
#include "network/network_status.h"
#include "network/site_report.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>

#include <map>

namespace stazione::cli {

namespace {

QString alertLine(const data::Alert& a)
{
    return QStringLiteral("%1 %2: %3 %4 (threshold %5) since %6")
        .arg(a.station)
        .arg(a.name, data::alertKindText(a.kind), QString::number(a.value), QString::number(a.threshold),
             // With its offset, as the alerts' log holds it: an alert raised now reads as it will
             // read when the next run replays it from the log.
             a.since.toOffsetFromUtc(a.since.offsetFromUtc()).toString(Qt::ISODate));
}

// The database of --db, open to read (and to record alerts, when rules are given). A report never
// changes the schema: an older one is refused, naming db migrate.
link::Result<std::unique_ptr<db::Database>> reportDatabase(const Options& options, const QString& dir)
{
    const QString url = databaseUrl(options, dir);
    // Opening a missing SQLite file would make an empty database, and an empty report of it.
    if (auto parsed = db::parseDatabaseUrl(url);
        parsed && !parsed->postgres && !QFileInfo::exists(parsed->path))
        return link::Error::file(QStringLiteral("There is no database %1.").arg(parsed->path));
    return db::Database::open(url, options.alerts.any() ? db::Access::Update : db::Access::Read);
}

// The history of --db. A database that cannot be read whole gives no network: a report of part
// of the history would pass for the whole of it.
link::Result<data::Network> networkOfDatabase(db::Database& database, const QString& dir)
{
    auto network = db::readNetwork(database, dir);
    if (network && network->skipped > 0)
        message(QStringLiteral("stazione-cli: %1 of %2 collections in %3 name no station and were left out.")
                    .arg(network->skipped)
                    .arg(network->lines)
                    .arg(database.url().shown()));
    return network;
}

QString changeText(const QJsonObject& c)
{
    return QStringLiteral("station %1 %2 %3 %4 %5")
        .arg(QString::number(c.value(QStringLiteral("station")).toInt()),
             c.value(QStringLiteral("name")).toString(), c.value(QStringLiteral("kind")).toString(),
             c.value(QStringLiteral("state")).toString(), c.value(QStringLiteral("time")).toString());
}

// False when a change could not be passed on (it is told on stderr, and kept when it can be).
bool deliverChanges(const Options& options, const QString& dir, const std::vector<data::AlertChange>& changes)
{
    const QString queue = QDir(dir).filePath(data::kUndeliveredFileName);
    const data::Deliveries d = data::deliverAlerts(queue, changes, [&options](const QJsonObject& c) {
        return data::runAlertCommand(options.onAlert, c);
    });
    for (const data::Delivery& p : d.pending)
        message(
            QStringLiteral("stazione-cli: %1 (%2): not passed on, try %3 of %4; kept in %5 for the next run.")
                .arg(p.error, changeText(p.change), QString::number(p.tries),
                     QString::number(data::kAlertCommandTries), queue));
    for (const data::Delivery& g : d.givenUp)
        message(
            QStringLiteral("stazione-cli: %1 (%2): not passed on after %3 tries; given up (it stays in %4).")
                .arg(g.error, changeText(g.change), QString::number(g.tries),
                     QDir(dir).filePath(data::kAlertsFileName)));
    if (d.fileError)
        message(QStringLiteral("stazione-cli: the alerts not yet passed on cannot be kept: %1")
                    .arg(d.fileError->message));
    return d.pending.empty() && d.givenUp.empty() && !d.fileError;
}

// The alerts judged and recorded where they are kept: in the database when there is one (the
// whole network's, once for every PC and report sharing it), else in DIR/allarmi.jsonl.
struct Judged {
    std::vector<data::Alert> open;
    std::vector<data::AlertChange> changes; // recorded by this run
};

link::Result<Judged> judgeAndRecord(const Options& options, const QString& dir, const data::Network& network,
                                    db::Database* database, const QDateTime& now)
{
    Judged judged;
    if (database && options.alerts.any()) {
        auto update = db::updateAlerts(*database, network, options.alerts, now);
        if (!update)
            return update.error();
        judged.open = std::move(update->open);
        judged.changes = std::move(update->changes);
        return judged;
    }
    if (database) {
        auto open = db::readOpenAlerts(*database);
        if (!open)
            return open.error();
        judged.open = std::move(*open);
        return judged;
    }
    const QString log = QDir(dir).filePath(data::kAlertsFileName);
    // Alerts that could not be read or recorded are not known: no site and no list is made on
    // them, which would tell "no open alert" while some are open.
    auto logged = data::readOpenAlerts(log);
    if (!logged)
        return logged.error();
    if (!options.alerts.any()) {
        judged.open = std::move(*logged);
        return judged;
    }
    auto update = data::updateAlerts(log, network, options.alerts, now);
    if (!update)
        return update.error();
    judged.open = std::move(update->open);
    judged.changes = std::move(update->changes);
    return judged;
}

bool reportOn(const Options& options, const QString& dir, const data::Network& network, bool buildPages,
              bool printAlerts, db::Database* database)
{
    const QDateTime now = QDateTime::currentDateTime();
    bool ok = true;
    auto judged = judgeAndRecord(options, dir, network, database, now);
    if (!judged) {
        message(QStringLiteral("stazione-cli: %1").arg(judged.error().message));
        // A change recorded by an earlier run and not yet passed on is passed on all the same.
        if (options.alerts.any() && !options.onAlert.isEmpty())
            (void)deliverChanges(options, dir, {});
        if (buildPages)
            message(QStringLiteral("stazione-cli: no site was built: the open alerts are not known."));
        return false;
    }
    const std::vector<data::Alert>& open = judged->open;
    for (const data::AlertChange& change : judged->changes) {
        message(QStringLiteral("Alert %1: station %2 %3 %4 %5")
                    .arg(change.raised ? QStringLiteral("raised") : QStringLiteral("cleared"))
                    .arg(change.station)
                    .arg(change.name, data::alertKindText(change.kind), QString::number(change.value)));
    }
    // The person is told by the command: a change it failed on is kept and passed on again by
    // the next runs, and the earlier ones it failed on come first.
    if (options.alerts.any() && !options.onAlert.isEmpty() && !deliverChanges(options, dir, judged->changes))
        ok = false;
    if (buildPages) {
        data::SiteOptions site;
        site.dir = dir;
        site.out = options.out;
        site.days = options.days;
        site.language = options.language.isEmpty() ? data::defaultSiteLanguage() : options.language;
        site.now = now;
        site.rules = options.alerts;
        auto history = database ? db::alertChanges(*database)
                                : data::readAlertChanges(QDir(dir).filePath(data::kAlertsFileName));
        if (history)
            site.alertHistory = std::move(*history);
        std::map<QString, data::StationSensors> sensors;
        if (database && history) {
            site.recent = [database](const data::StationHistory& s, int days) {
                return db::readRecentReadings(*database, s, days);
            };
            auto read = db::readSensorsByFolder(*database);
            if (!read)
                history = read.error();
            else
                sensors = std::move(*read);
            site.sensors = [&sensors](const data::StationHistory& s) -> std::optional<data::StationSensors> {
                const auto found = s.folder.isEmpty() ? sensors.end() : sensors.find(s.folder);
                if (found == sensors.end())
                    return std::nullopt;
                return found->second;
            };
        }
        auto built =
            history ? data::buildSite(network, open, site) : link::Result<data::SiteSummary>(history.error());
        if (!built) {
            message(QStringLiteral("stazione-cli: %1").arg(built.error().message));
            ok = false;
        } else {
            // The folder first, put in as it is: a path may hold "%1".
            QString counts = QStringLiteral(": %1 stations, %2 ok, %3 failed (%4 of them never reached)")
                                 .arg(QString::number(built->stations), QString::number(built->ok),
                                      QString::number(built->failed), QString::number(built->neverReached));
            if (built->cancelledOnly > 0)
                counts += QStringLiteral(", %1 with only cancelled collections").arg(built->cancelledOnly);
            message(QDir(built->folder).filePath(QStringLiteral("index.html")) + counts + QLatin1Char('.'));
        }
    }
    if (printAlerts) {
        for (const data::Alert& a : open)
            out(options.json ? QString::fromUtf8(QJsonDocument(a.toJson()).toJson(QJsonDocument::Compact))
                             : alertLine(a));
    }
    return ok;
}

} // namespace

bool reportNetwork(const Options& options, const QString& dir, bool buildPages, bool printAlerts)
{
    if (options.db) {
        auto database = reportDatabase(options, dir);
        auto network =
            database ? networkOfDatabase(**database, dir) : link::Result<data::Network>(database.error());
        if (!network) {
            message(QStringLiteral("stazione-cli: no report was built: %1").arg(network.error().message));
            return false;
        }
        return reportOn(options, dir, *network, buildPages, printAlerts, database->get());
    }
    auto network = data::readNetwork(QDir(dir).filePath(data::kReportFileName));
    if (!network) {
        message(QStringLiteral("stazione-cli: %1").arg(network.error().message));
        return false;
    }
    if (network->skipped > 0)
        message(QStringLiteral("stazione-cli: %1 lines of %2 are not report lines and were skipped.")
                    .arg(network->skipped)
                    .arg(data::kReportFileName));
    return reportOn(options, dir, *network, buildPages, printAlerts, nullptr);
}

int runReport(const Options& options)
{
    // Never the current folder by default: a site built there by mistake lands among other files.
    const QString dir = options.arguments.value(0);
    if (options.arguments.size() != 1 || dir.isEmpty() || !QFileInfo(dir).isDir()) {
        message(QStringLiteral("stazione-cli: report takes one folder, the data root of a collection."));
        return kExitUsage;
    }
    return reportNetwork(options, dir, true, true) ? kExitOk : kExitFailure;
}

} // namespace stazione::cli
