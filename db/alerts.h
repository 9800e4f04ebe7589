#pragma once

#include "db/database.h"
#include "link/result.h"
#include "network/alerts.h"
#include "network/network_status.h"

#include <QDateTime>
#include <QString>

#include <vector>

// The network's alerts kept in the database: the table "alerts" holds a row per alert raised,
// its clearing written into it, and at most one open alert per station and kind (a unique index),
// so that the PCs and the reports sharing the database raise and clear each alert once between
// them, whichever judges it first.
namespace stazione::db {

// The alerts open now, in the order raised.
link::Result<std::vector<data::Alert>> readOpenAlerts(Database& db);

// Judges the network (read from this database) against the alerts open in it and records each
// change. A change is this run's only when the database took it from this run: one that another
// PC or report recorded first (it judged the same change at the same moment) is neither recorded
// again nor among `changes`, and the alerts open afterwards are read back from the table.
link::Result<data::AlertUpdate> updateAlerts(Database& db, const data::Network& network,
                                             const data::AlertRules& rules, const QDateTime& now);

// Every change of the alerts, oldest first: each raise, and its clearing once cleared.
link::Result<std::vector<data::AlertChange>> alertChanges(Database& db);

} // namespace stazione::db
