#pragma once

#include <QElapsedTimer>
#include <QFile>
#include <QString>
#include <QThread>

#include <chrono>

namespace stazione::testing {

// The log a stazione-sim process writes with --log, read once the simulator has seen every
// client let its line go. A client that exits right after its last write (a hang-up, a setting
// that is not answered) is gone before the simulator has read those bytes: their log lines, and
// the line's close, are written a moment later, later still on a loaded machine. Waits at most
// `limit` (then returns the log as it is, for the test's own checks to show).
inline QString settledSimLog(const QString& path,
                             std::chrono::milliseconds limit = std::chrono::milliseconds(20000))
{
    auto read = [&path] {
        QFile f(path);
        f.open(QIODevice::ReadOnly);
        return QString::fromLocal8Bit(f.readAll());
    };
    // The modem's port and the logger's line (behind a modem: the call) each log their opening
    // and their close.
    auto settled = [](const QString& log) {
        const qsizetype ports = log.count(QLatin1String("port opened"));
        const qsizetype lines = log.count(QLatin1String("line opened"));
        return ports + lines > 0 && ports == log.count(QLatin1String("port closed")) &&
               lines == log.count(QLatin1String("line closed"));
    };
    QElapsedTimer waited;
    waited.start();
    QString log = read();
    while (!settled(log) && waited.elapsed() < limit.count()) {
        QThread::msleep(10);
        log = read();
    }
    return log;
}

} // namespace stazione::testing
