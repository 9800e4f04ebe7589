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

// The state of the station network as the collection report tells it (every call of every
// station, oldest first), and the alerts drawn from it: a rule per kind, an alert raised once when
// its condition starts to hold and cleared once when it stops, each change kept as a line of
// DIR/allarmi.jsonl.
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

enum class AlertKind { Battery, Memory, Drift, Failures, Stale };
inline constexpr AlertKind kAlertKinds[] = {AlertKind::Battery, AlertKind::Memory, AlertKind::Drift,
                                            AlertKind::Failures, AlertKind::Stale};
// "battery", "memory", "drift", "failures", "stale"
QString alertKindText(AlertKind kind);
std::optional<AlertKind> alertKindFromText(const QString& text);

struct AlertRules {
    std::optional<double> battery;   // volts: below
    std::optional<double> memory;    // percent used: above
    std::optional<double> drift;     // seconds, absolute, uncorrected: above
    std::optional<int> failures;     // failed collections in a row: at least
    std::optional<double> staleDays; // days without a new line: more than
    std::optional<double> threshold(AlertKind kind) const;
    bool any() const;
};

struct Alert {
    int station = 0;
    QString key;
    QString name;
    AlertKind kind = AlertKind::Battery;
    double value = 0;
    double threshold = 0;
    QDateTime since;
    QString folder; // of its station; empty in a line of an earlier version
    QJsonObject toJson() const;
};

// What the station's latest data say about one rule: nothing when the data to judge are missing
// (no call carried a battery reading yet), else whether the condition holds and the value.
struct Judgement {
    bool holds = false;
    double value = 0;
};
std::optional<Judgement> judge(const StationHistory& station, AlertKind kind, double threshold,
                               const QDateTime& now);

inline const QString kAlertsFileName = QStringLiteral("allarmi.jsonl");

// A line of the alerts' log.
struct AlertChange {
    QDateTime time;
    int station = 0;
    QString key;
    QString name;
    AlertKind kind = AlertKind::Battery;
    bool raised = true;
    double value = 0;
    double threshold = 0;
    QString folder; // of its station
    QJsonObject toJson() const;
};

// The alerts open after the changes of the log at `path`, in the order raised; none when there is
// no log. A log that cannot be read (a link, a folder, a read error) is an error: nothing may be
// told as "no open alert" on it.
link::Result<std::vector<Alert>> readOpenAlerts(const QString& path);
// The same, with nothing for a log that cannot be read.
std::vector<Alert> openAlerts(const QString& path);

struct AlertUpdate {
    std::vector<AlertChange> changes; // appended to the log now
    std::vector<Alert> open;          // open afterwards, problems of the network at a glance
};

// Judges every station by the rules that are set and appends to the log at `path` each alert that
// starts or stops holding; kinds without a rule, and stations without the data to judge, keep
// their state. Nothing is written when nothing changed.
link::Result<AlertUpdate> updateAlerts(const QString& path, const Network& network, const AlertRules& rules,
                                       const QDateTime& now);

// Runs `command` through the shell with `change` as one JSON line on its standard input. A command
// that does not end within `limit` is killed. The error tells what went wrong; the caller reports
// it and goes on.
link::Status runAlertCommand(const QString& command, const AlertChange& change,
                             std::chrono::milliseconds limit = std::chrono::seconds(30));
link::Status runAlertCommand(const QString& command, const QJsonObject& change,
                             std::chrono::milliseconds limit = std::chrono::seconds(30));

// The changes the alert command has not yet taken, kept in the data root from run to run: a line
// each, the change's line of the alerts' log with "tries" and the last "error" added.
inline const QString kUndeliveredFileName = QStringLiteral("allarmi.da_inviare.jsonl");
// A change is passed to the command at most this many times, once a run: in the run that raised
// or cleared it, then in each following run until the command takes it.
inline constexpr int kAlertCommandTries = 5;

struct Delivery {
    QJsonObject change; // as in the alerts' log
    int tries = 0;      // the command's runs for it, this one included
    QString error;      // why the last one failed; empty once delivered
};
struct Deliveries {
    std::vector<Delivery> delivered;
    std::vector<Delivery> pending; // failed now, kept for the next run
    std::vector<Delivery> givenUp; // failed for the last time: dropped from the file
    // The file could not be read or written: the changes failed on now are not kept for later.
    std::optional<link::Error> fileError;
};

// Passes to `run` each change still undelivered from earlier runs (in the file at `path`), oldest
// first, then each of `changes`; keeps in the file those `run` failed on, with their tries, until
// kAlertCommandTries. A file that cannot be read is left as it is (`fileError`); `changes` are
// passed on all the same.
Deliveries deliverAlerts(const QString& path, const std::vector<AlertChange>& changes,
                         const std::function<link::Status(const QJsonObject&)>& run);

} // namespace stazione::data
