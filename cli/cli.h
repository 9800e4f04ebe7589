#pragma once

#include "link/comm_port.h"
#include "link/link.h"
#include "link/trace.h"
#include "link/typed_values.h"
#include "network/alerts.h"
#include "network/network_status.h"
#include "session/exchange_guard.h"
#include "session/port_scan.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <array>
#include <functional>
#include <iterator>
#include <memory>
#include <optional>
#include <vector>

namespace stazione::data {
struct StationOutcome;
}
namespace stazione::db {
class Database;
}

namespace stazione::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1; // the device or the link failed
inline constexpr int kExitUsage = 2;   // the command line was wrong

struct Options {
    QString verb;
    QStringList arguments; // positional arguments after the verb
    std::optional<int> port;
    std::optional<double> timeoutSeconds;
    bool json = false;
    bool yes = false;               // confirms a command that deletes data on the logger
    bool now = false;               // set-clock: the PC's date and time
    bool gsm = false;               // set-interval: a GSM station (the connection window's "Versione GSM")
    QStringList sets;               // --set NAME=VALUE: boxes to change before a write
    std::optional<int> rows;        // alarms: how many channel rows
    bool temp = false;              // download: the counted download into the temperature file
    bool fromEnd = false;           // download: from the end of the memory
    bool readSensors = false;       // collect: the channels' names at every call
    int sensorsEveryDays = 7;       // collect: else once they are this old
    bool names = false;             // db query: the channels' names in the header
    QString dir;                    // download: the folder of the file
    QString file;                   // monitor: the session file
    int count = 0;                  // monitor: sets, live: groups; 0 until stopped
    std::optional<int> modemPort;   // the modem's port, to reach the logger by a call
    QString dial;                   // the number to call
    std::optional<int> station;     // or the row of the station directory to call
    bool dialPause = false;         // dial with a pause after the first digit ("Download and Go")
    bool remoteStartup = true;      // after CONNECT, wake and identify the logger (not for "retry")
    double callTimeoutSeconds = 90; // how long the call may take to come up
    QString trace;                  // --trace FILE: every byte of the line, with its time
    QString out;                    // export: the CSV file (default: standard output)
    QString from;                   // export: the first time, ISO 8601
    QString to;                     // export: the last time, ISO 8601
    QString channels;               // export: "0,3"
    QString png;                    // plot: the picture
    std::optional<int> width;       // plot: pixels
    std::optional<int> height;
    // collect
    QList<int> modemPorts;               // --modem-port, repeatable: the modems to call with
    QList<int> stations;                 // directory numbers from 1; empty: all with a number
    int retries = 2;                     // further calls after a failure worth retrying
    double retryWaitSeconds = 60;        // between calls to one station
    std::optional<int> syncClockSeconds; // correct a logger clock off by more than this
    // report, and collect once the stations are done
    data::AlertRules alerts;
    QString onAlert;     // run once per change of an alert, the change on its standard input
    bool report = false; // collect: build the web report at the end
    int days = 7;        // the measurements the report shows
    QString language;    // of the report: "it", "en"; empty: the windows' own
    // db; collect --db
    std::optional<QString> db; // the database URL; empty: DIR/stazione.sqlite
    QString stationName;       // db query --station
};

// Prints results as "key: value" lines, or as one JSON object with --json.
class Report {
public:
    explicit Report(bool json)
        : m_json(json)
    {}
    void add(const QString& key, const QJsonValue& value);
    void print() const;

private:
    bool m_json;
    QJsonObject m_object;
    QStringList m_keys; // in the order added
};

// Messages for the operator go to stderr, results to stdout. Control characters other than line
// breaks and tabs are shown escaped (ESC as \x1b), so that what a logger sends can never drive
// the terminal; printable() with keepLineBreaks false escapes line breaks too, for one value that
// must stay on its line.
void message(const QString& text);
void out(const QString& text);
QString printable(const QString& text, bool keepLineBreaks);
// Flushes the standard output; why something written to it was lost (a full disk, a closed
// pipe), or empty when all of it went out.
QString standardOutputProblem();
// Keeps why a write to the standard output through another way than out() failed.
void outputFailed(const QString& why);

// The port and the link of one command, with the logger found on them. Over a modem call the
// call is hung up when the command is done with the logger, whatever happened. The whole
// command is one exchange of its guard, from the search for the logger to the close.
struct Connected {
    std::unique_ptr<link::Trace> trace; // first: it outlives the port that writes to it
    std::unique_ptr<link::CommPort> port;
    std::unique_ptr<link::Link> link;
    std::unique_ptr<session::ExchangeGuard> guard;
    std::optional<session::ExchangeGuard::Hold> exchange;
    session::Identification id;
    bool call = false; // reached through a modem call

    Connected() = default;
    Connected(Connected&&) = default;
    Connected& operator=(Connected&&) = default;
    ~Connected() { close(); }
    // Hangs up a call, then closes the port.
    void close();
};
// The port and the link of a command, with the reply time-out and the trace it asked for; no
// port is opened yet. Nothing, and why told, when the trace cannot be written.
std::optional<Connected> openConnection(const Options& options);
// Finds the logger: over a modem call with --modem-port and --dial; on --port N that port only;
// else the connection window's scan. Prints why when there is none.
std::optional<Connected> connectLogger(const Options& options);
void addIdentification(Report& report, const session::Identification& id);

// How a verb's work on the logger ended, and so what is printed and with which exit status.
enum class Verdict {
    Done,       // the report is printed; exit 0
    Printed,    // the verb printed its own lines; nothing more; exit 0
    Refused,    // the report is printed, then "Parametro non registrato"; exit 1
    Incomplete, // the report is printed; the verb told why it is incomplete; exit 1
    Failed,     // the verb told why; nothing is printed; exit 1
    Refusal,    // a value the window would refuse, seen once the logger was asked; the verb told
                // why; nothing is printed; exit 2
};

// What a verb works with once the logger is found.
struct Run {
    const Options& options;
    Connected& logger;
    link::Link& link;
    Report report;
};

// The one preamble of every verb that talks to the logger: finds it as "identify" does, puts its
// identification into the report, runs the verb, hangs up or closes the port, then prints.
int onLogger(const Options& options, const std::function<Verdict(Run&)>& verb);

inline Verdict acceptedIf(bool accepted)
{
    return accepted ? Verdict::Done : Verdict::Refused;
}
// Tells why the exchange failed: a value the line cannot carry is a Refusal (exit 2).
Verdict fail(const link::Error& error);

// Typed values the line cannot carry (a comma, a control character, a character outside
// Latin-1): prints the window's message for the first one and returns true. Checked before the
// logger is even looked for, so that nothing is written.
// One of the core's fixed messages (written for the windows, marked for translation) in the
// command line's language.
QString coreText(const QString& text);

// Why --dir cannot take the data: "the folder X does not exist", "X is not a folder"; empty when
// it can.
QString folderProblem(const QString& dir);

bool refused(const QList<link::TypedValue>& values, link::TypedFor target = link::TypedFor::Logger);

// The six values of a date for the logger, D M Y h m s, each a whole number within its range
// (hour and minute up to 99: the window's own check of them follows, with its message): prints
// why the first one is not and returns true.
bool dateRefused(const QString& verb, const std::array<QString, 6>& boxes);

template<class Flags> bool allAccepted(const Flags& accepted)
{
    return std::all_of(std::begin(accepted), std::end(accepted), [](bool a) { return a; });
}

// Prints why an exchange failed; true when it did.
template<class T> bool failed(const link::Result<T>& outcome)
{
    if (outcome)
        return false;
    message(outcome.error().message);
    return true;
}

// A list of texts as a JSON array (printed as a line of values without --json).
template<class Texts> QJsonArray textArray(const Texts& texts)
{
    QJsonArray out;
    for (const QString& t : texts)
        out.append(t);
    return out;
}

int runPorts(const Options& options);
int runIdentify(const Options& options);

enum class Destructive { Reset, Erase };
int runDestructive(const Options& options, Destructive what);

int runParams(const Options& options);
int runSetClock(const Options& options);
int runSetInterval(const Options& options);
int runSetName(const Options& options);
int runSetChannels(const Options& options);
int runSetEnabled(const Options& options, bool enabled);

int runDownload(const Options& options);
int runMonitor(const Options& options);
int runLive(const Options& options);

int runStations(const Options& options);

// A time of --from or --to: "2026-12-05T14:30:00", "2026-12-05 14:30" or a day, "2026-12-05"
// (from its start, or to its end), as wall-clock milliseconds.
std::optional<qint64> wallTime(const QString& text, bool endOfDay);
// "0,3": the channels of --channels, or nothing when one is not a channel number.
std::optional<std::vector<int>> channelList(const QString& text);

// The database of --db; "--db" alone: stazione.sqlite in the data root.
QString databaseUrl(const Options& options, const QString& dir);

// The database step of a collection (collect --db): after each station, its report line and the
// lines its archive has beyond those stored. The database is opened at the first station; once
// it fails, the step is failed for the run (told once) and the archives and report stay as they
// are: the next run stores what this one could not.
class CollectionDatabase {
public:
    // The longest store of one station's outcome and new archive lines.
    static constexpr std::chrono::seconds kStoreLimit{300};

    explicit CollectionDatabase(const Options& options);
    ~CollectionDatabase();
    CollectionDatabase(const CollectionDatabase&) = delete;
    CollectionDatabase& operator=(const CollectionDatabase&) = delete;

    void store(const data::StationOutcome& outcome);
    bool failed() const { return m_failed; }

private:
    QString m_url;
    std::unique_ptr<db::Database> m_database;
    bool m_failed = false;
};

int runExport(const Options& options);
int runDb(const Options& options);
int runPlot(const Options& options);
int runCollect(const Options& options);
int runReport(const Options& options);
// The alerts of the network under `dir` judged by the rules of `options` (each change logged and
// passed to --on-alert), then the web report built and the open alerts printed, as asked. False
// when something could not be done; that was told on stderr.
bool reportNetwork(const Options& options, const QString& dir, bool buildPages, bool printAlerts);
int runFindModem(const Options& options);
int runHangUp(const Options& options);
int runRetry(const Options& options);

int runSetPreheating(const Options& options);
int runSetBattery(const Options& options);
int runSetMiniPanel(const Options& options);
int runSetCounter(const Options& options);
int runRain(const Options& options);
int runSetRain(const Options& options);
int runEvents(const Options& options);
int runStop(const Options& options);
int runSetStart(const Options& options);
int runStartNow(const Options& options);
enum class AlarmSwitch { Sms, Phone };
int runAlarmSwitch(const Options& options, AlarmSwitch which);
int runSetGsm(const Options& options);
int runFullScale(const Options& options);
// A simple read of the main window (a row of kind Query): prints its box and the value.
int runQueryVerb(const Options& options);

int runSensors(const Options& options);
int runGsm(const Options& options);
int runGprs(const Options& options);
int runAlarms(const Options& options);
int runSmsText(const Options& options);

} // namespace stazione::cli
