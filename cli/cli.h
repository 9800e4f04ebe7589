#pragma once

#include <QJsonObject>
#include <QString>
#include <QStringList>

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

int runPorts(const Options& options);
int runIdentify(const Options& options);

enum class Destructive { Reset, Erase };
int runDestructive(const Options& options, Destructive what);

} // namespace stazione::cli
