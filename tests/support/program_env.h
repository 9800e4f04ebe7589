#pragma once

#include <QProcessEnvironment>
#include <QString>

#include <csignal>
#include <unistd.h>

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

// For QProcess::setChildProcessModifier: the child's standard output is a pipe nobody reads,
// and SIGPIPE is ignored, so that each write fails with EPIPE as it would behind a closed `| head`.
inline void stdoutToAClosedPipe()
{
    int ends[2];
    if (::pipe(ends) == 0) {
        ::close(ends[0]);
        ::dup2(ends[1], STDOUT_FILENO);
        ::close(ends[1]);
    }
    std::signal(SIGPIPE, SIG_IGN);
}

} // namespace stazione::testing
