#pragma once

#include "link/comm_port.h"
#include "link/link.h"
#include "session/port_scan.h"

#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

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
    bool yes = false; // confirms a command that deletes data on the logger
    bool now = false; // set-clock: the PC's date and time
    bool gsm = false; // set-interval: a GSM station (the connection window's "Versione GSM")
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

// Messages for the operator go to stderr, results to stdout.
void message(const QString& text);
void out(const QString& text);

// The port and the link of one command, with the logger found on them.
struct Connected {
    std::unique_ptr<link::CommPort> port;
    std::unique_ptr<link::Link> link;
    session::Identification id;
};
// Finds the logger: on --port N that port only, else the connection window's scan. Prints why
// when there is none.
std::optional<Connected> connectLogger(const Options& options);
void addIdentification(Report& report, const session::Identification& id);

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

} // namespace stazione::cli
