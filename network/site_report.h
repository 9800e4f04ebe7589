#pragma once

#include "link/result.h"
#include "network/alerts.h"
#include "network/network_status.h"
#include "network/sensors.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

// The web report of the station network: a folder of static pages that need nothing but a
// browser (no script, no remote resource, charts drawn as inline SVG), readable from file:// and
// from any web server, and replaced whole at each build so that nobody sees it half written.
namespace stazione::data {

inline const QString kSiteFolderName = QStringLiteral("sito");

struct SiteOptions {
    QString dir;      // the data root: the stations' folders, the report
    QString out;      // the site's folder; empty: DIR/sito
    int days = 7;     // the measurements shown: the last days of each archive
    QString language; // "it" or "en"
    QDateTime now;    // the time the ages and the stale alerts count from
    // Where a station's measurements come from (a database); none: its archive under `dir`. A
    // source that fails builds no site.
    std::function<link::Result<struct RecentData>(const StationHistory& station, int days)> recent;
    std::vector<AlertChange> alertHistory; // every change of the alerts, oldest first
    AlertRules rules;                      // their thresholds are drawn on the battery and memory charts
    // The channels' names of a station (from a database); none: its folder's sensori.json.
    std::function<std::optional<StationSensors>(const StationHistory& station)> sensors;
    QString siteFolder() const;
};

// Each station counted once, by its last call that was not cancelled.
struct SiteSummary {
    QString folder;
    int stations = 0;
    int ok = 0;            // the last call succeeded
    int failed = 0;        // the last call failed
    int neverReached = 0;  // of the failed, those no call ever succeeded with
    int cancelledOnly = 0; // every call was cancelled
};

// The last days of an archive, read from its end: the rows when its lines read "date time,
// value, value...", else its last lines as they are.
struct RecentData {
    bool timed = false;
    QStringList channels;
    std::vector<qint64> times;               // wall-clock milliseconds, oldest first
    std::vector<std::vector<double>> values; // values[channel][row], NaN for a gap
    QList<QByteArray> lastLines;             // when not timed
    QString problem;                         // why the archive could not be read, if so
    qint64 unreadLines = 0;                  // lines among the rows that were no measurement
};
RecentData readRecent(const QString& archivePath, int days, int textLines = 40);

// The archive of a station: the one the report names, or where a collection puts it under `dir`;
// either only when it is the station's own, DIR/FOLDER/FOLDER_archivio.txt. Empty when neither is.
QString archiveOf(const StationHistory& station, const QString& dir);

// The language of the pages when none is asked: the windows' own, else the system's.
QString defaultSiteLanguage();

// Writes index.html, a page and a CSV per station into a new folder and puts it in the place of
// the old site in one step. A folder at `out` that holds anything a report did not write is never
// replaced, nor one that is, holds or lies in the data root's station folders or is the data root.
// The folders that killed runs left beside the site are removed first.
link::Result<SiteSummary> buildSite(const Network& network, const std::vector<Alert>& open,
                                    const SiteOptions& options);

// The file name of a station's page ("stazione-07.html"; on the cable the logger's name, hashed).
QString stationPageName(const StationHistory& station);

} // namespace stazione::data
