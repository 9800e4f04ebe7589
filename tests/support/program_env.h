#pragma once

#include <QProcessEnvironment>
#include <QString>

namespace stazione::testing {

// The environment of a program a test starts: the test's own folder of port links and settings
// folder, no system ports, the simulator's fast clock, and the test's own lock folder if given.
inline QProcessEnvironment programEnvironment(const QString& ports, const QString& config,
                                              const QString& locks = {})
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("STAZIONE_PORTS", ports);
    env.insert("XDG_CONFIG_HOME", config);
    env.insert("STAZIONE_SYSTEM_PORTS", "0");
    env.insert("STAZIONE_TIME_SCALE", "0.05");
    if (!locks.isEmpty())
        env.insert("STAZIONE_LOCK_DIR", locks);
    return env;
}

} // namespace stazione::testing
