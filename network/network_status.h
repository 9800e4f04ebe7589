#pragma once

#include "link/result.h"
#include "link/settings_file.h"
#include "network/collection_report.h"

#include <QDateTime>
#include <QJsonObject>
#include <QString>

#include <chrono>
#include <functional>
#include <optional>
#include <vector>

// The state of the station network as the collection report tells it: every call of every
// station, oldest first. The alerts drawn from it are in network/alerts.h.
namespace stazione::data {

// One line of the report. Battery and memory are read as numbers whether the line carries them as
// numbers or as the logger's texts.
struct Call {
    StationOutcome outcome;
    QString result;                   // as written ("ok", "busy", ..., or a word this build does not know)
    std::optional<double> battery;    // volts
    std::optional<double> memoryUsed; // percent of the memory in use
    bool ok() const { return result == QLatin1String("ok"); }
    // A collection stopped by the operator or by the system says nothing about the station.
    bool counts() const { return result != QLatin1String("cancelled"); }
};

struct StationHistory {
    int row = 0;
    QString name;   // the latest
    QString number; // the latest
    QString archive;
    QString folder;          // the station's folder under the data root; empty when never known
    bool rowShared = false;  // another station of the network had the same directory row
    std::vector<Call> calls; // oldest first

    // What makes it one station, for the alerts' log and the pages: its folder; when no call of it
    // named one (report lines of an earlier version), its directory number, on the cable the
    // logger's name.
    QString key() const;
    const Call* lastCall() const;
    const Call* lastSuccess() const;
    int failuresInRow() const; // failed calls since the last success (cancelled ones not counted)
    // The end of the last call that brought new lines; else the start of the first call.
    QDateTime lastNewLines() const;
};

struct Network {
    std::vector<StationHistory> stations; // by directory number, the cable's logger first
    qint64 lines = 0;                     // report lines read
    qint64 skipped = 0;                   // lines that were not a report line (cut short, foreign)
};

// How a refused network report, alerts' log or archive read for a site report is told: "PATH is
// not a regular file." or the system's words after the path.
link::Error reportRefusal(const QString& path, const link::FileRefusal& refusal);

// The report at `path`, whole. A missing report is an empty network; an unreadable one an error.
link::Result<Network> readNetwork(const QString& path);

// A call from the figures of its report line (the battery and memory counters as the logger
// gave them, or as numbers).
Call callOf(StationOutcome outcome, const QString& result, std::optional<double> battery,
            std::optional<double> memoryPossible, std::optional<double> memoryAvailable);

// The stations of these calls, given oldest first: each call under its station (its folder;
// a line of an earlier version without one under the folder its directory row had then, else
// the row, on the cable the logger's name), whose row, name, number and archive are its latest
// calls'. Two directory rows of one name have two folders, and a row given to another station
// is another folder: neither merges two stations.
Network networkOf(std::vector<Call> calls);

// A longer line is no line of ours (the report's and the alerts' lines are a few hundred bytes).
inline constexpr qsizetype kMaxLineBytes = 1 << 16;

// The key of a station (StationHistory::key) from the figures of a line: its folder; without one
// (a line of an earlier version) its directory row, on the cable its name.
QString stationKeyOf(int row, const QString& name, const QString& folder);

} // namespace stazione::data
