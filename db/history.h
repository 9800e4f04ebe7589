#pragma once

#include "db/database.h"
#include "link/result.h"
#include "network/network_status.h"
#include "network/site_report.h"

#include <QString>

// The history of the station network as the database holds it, for the web report and the
// alerts: the same network the collection report gives when both hold the same collections.
namespace stazione::db {

// Every row of "collections", in the order stored, as a call of its station of "stations" (its
// directory row, name and number, and the archive of its folder under `dir`). Read in one
// statement, so a collection being stored meanwhile is either whole or not there. A station
// whose directory row is not known (stored by an earlier version) is an error, as is a database
// that fails midway: part of the history is no report. Collections of no known station are left
// out and counted in `skipped`.
link::Result<data::Network> readNetwork(Database& db, const QString& dir);

// The last `days` of the station's readings, counted back from its newest, as the site shows the
// last days of an archive: a row per time, a column per channel up to the widest reading. Nothing
// when the database holds no reading of the station.
link::Result<data::RecentData> readRecentReadings(Database& db, const data::StationHistory& station,
                                                  int days);

} // namespace stazione::db
