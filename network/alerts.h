#pragma once

#include "link/result.h"
#include "network/network_status.h"

#include <QDateTime>
#include <QJsonObject>
#include <QString>

#include <chrono>
#include <functional>
#include <optional>
#include <span>
#include <vector>

// The alerts drawn from the state of the network: a rule per kind, an alert raised once when its
// condition starts to hold and cleared once when it stops, each change kept as a line of
// DIR/allarmi.jsonl and passed to the alert command.
namespace stazione::data {

// The kinds of alert, one for each row of alertRuleRows().
enum class AlertKind { Battery, Memory, Drift, Failures, Stale };

// The rules given (collect, report): a threshold for each kind that is judged, none for the others.
struct AlertRules {
    std::optional<double> battery;   // volts: below
    std::optional<double> memory;    // percent used: above
    std::optional<double> drift;     // seconds, absolute, uncorrected: above
    std::optional<double> failures;  // failed collections in a row: at least
    std::optional<double> staleDays; // days without a new line: more than
    std::optional<double> threshold(AlertKind kind) const;
    bool any() const;
};

// What the station's latest data say about one rule: nothing when the data to judge are missing
// (no call carried a battery reading yet), else whether the condition holds and the value.
struct Judgement {
    bool holds = false;
    double value = 0;
};

// A kind of alert, all of it in one row: its name, its option, the threshold it takes, how it is
// judged and how it reads. The command line's options, help and usage errors, the completion, the
// alerts' log, the pages and the modem window all come from these rows.
struct AlertRuleRow {
    AlertKind kind;
    const char* name;                             // in the log and the pages; the option is --alert-<name>
    std::optional<double> AlertRules::*threshold; // where the rule's threshold is kept
    const char* valueName;                        // the option's value in the help: "V"
    double lowest;                                // the thresholds the option takes
    double highest;
    bool whole;        // whole numbers only
    const char* takes; // the usage error: "--alert-<name> takes <takes>."
    const char* help;  // the option's help, after "collect, report: "
    std::optional<Judgement> (*judge)(const StationHistory& station, double threshold, const QDateTime& now);
    // The alert in words, %1 its value and %2 its threshold, and the decimals the site shows them with.
    const char* italian;
    const char* english;
    int valueDecimals;
    int thresholdDecimals;
};

// Every kind, in the order the help and the pages list them.
std::span<const AlertRuleRow> alertRuleRows();
const AlertRuleRow& alertRule(AlertKind kind);

// "battery", "memory", "drift", "failures", "stale"
QString alertKindText(AlertKind kind);
std::optional<AlertKind> alertKindFromText(const QString& text);

// The alert in words, in "it" or "en" (else Italian), with its value and threshold as given.
QString alertWords(AlertKind kind, const QString& language, const QString& value, const QString& threshold);

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

// The station judged by the rule of `kind` (its row's judge).
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
// Every change of the log at `path`, in its order; none when there is no log.
link::Result<std::vector<AlertChange>> readAlertChanges(const QString& path);

struct AlertUpdate {
    std::vector<AlertChange> changes; // appended to the log now
    std::vector<Alert> open;          // open afterwards, problems of the network at a glance
};

// Judges every station by the rules that are set against the alerts `open` now: the alerts that
// start or stop holding, in order, with `open` brought up to date (the values of those that stay
// open refreshed). Kinds without a rule, and stations without the data to judge, keep their state.
std::vector<AlertChange> judgeAlerts(const Network& network, const AlertRules& rules, const QDateTime& now,
                                     std::vector<Alert>& open);

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
    QString error{};    // why the last one failed; empty once delivered
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
