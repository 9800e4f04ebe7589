#pragma once

// What the benchmarks share: a pseudo-terminal pair, a link over it, a writer that pours bytes
// into it as fast as the other side takes them, and the process's CPU and memory figures.

#include "link/comm_port.h"
#include "link/link.h"
#include "link/qt_serial_device.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <pty.h>
#include <sys/resource.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace stazione::bench {

struct Pty {
    int master = -1;
    int slave = -1;
    QString slavePath;

    Pty()
    {
        char name[256] = {};
        if (openpty(&master, &slave, name, nullptr, nullptr) != 0) {
            std::perror("openpty");
            std::exit(1);
        }
        termios t{};
        tcgetattr(slave, &t);
        cfmakeraw(&t);
        tcsetattr(slave, TCSANOW, &t);
        slavePath = QString::fromLocal8Bit(name);
    }
    ~Pty()
    {
        ::close(master);
        ::close(slave);
    }
};

// A connection on COM1 that leads to the slave side of a pseudo-terminal.
struct Connection {
    QTemporaryDir folder;
    std::unique_ptr<link::CommPort> port;
    std::unique_ptr<link::Link> link;

    explicit Connection(const QString& device)
    {
        QFile::link(device, folder.filePath("COM1"));
        port = std::make_unique<link::CommPort>(std::make_unique<link::QtSerialDevice>(),
                                                link::PortResolver(folder.path(), false));
        link = std::make_unique<link::Link>(*port);
        if (!port->setCommPort(1).ok() || !port->setPortOpen(true).ok()) {
            std::fprintf(stderr, "cannot open %s\n", qPrintable(device));
            std::exit(1);
        }
        link->Porta = 1;
        link->Porta_Aperta = true;
    }
};

// Writes `data` into `fd` once `go` is set; `lastByte` gets the time the last write returned.
inline std::thread pour(int fd, const QByteArray& data, std::atomic<bool>& go, QElapsedTimer* clock = nullptr,
                        std::atomic<qint64>* lastByte = nullptr)
{
    return std::thread([fd, &data, &go, clock, lastByte] {
        while (!go.load())
            std::this_thread::yield();
        qsizetype sent = 0;
        while (sent < data.size()) {
            const ssize_t n = ::write(fd, data.constData() + sent, size_t(data.size() - sent));
            if (n > 0)
                sent += n;
            else if (n < 0 && errno != EINTR && errno != EAGAIN)
                return;
        }
        if (clock && lastByte)
            lastByte->store(clock->nsecsElapsed());
    });
}

// Writes `data` into `fd` a character at a time, 960 characters a second as a 9600 baud line
// delivers them, from when `go` is set until all is written or `stop` is set.
inline std::thread paceAt9600(int fd, const QByteArray& data, std::atomic<bool>& go, std::atomic<bool>& stop)
{
    return std::thread([fd, &data, &go, &stop] {
        while (!go.load())
            std::this_thread::yield();
        timespec next{};
        clock_gettime(CLOCK_MONOTONIC, &next);
        for (qsizetype i = 0; i < data.size() && !stop.load(); ++i) {
            next.tv_nsec += 1'000'000'000 / 960;
            if (next.tv_nsec >= 1'000'000'000) {
                next.tv_nsec -= 1'000'000'000;
                ++next.tv_sec;
            }
            clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr);
            if (::write(fd, data.constData() + i, 1) != 1)
                return;
        }
    });
}

inline double cpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// The calling thread's processor time: what its own work costs, whatever else the machine runs.
inline double threadCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// The process's resident set now and at its peak, in megabytes.
inline double residentMegabytes()
{
    QFile status(QStringLiteral("/proc/self/statm"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = status.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toDouble() * double(sysconf(_SC_PAGESIZE)) / 1048576.0 : 0;
}

inline double peakResidentMegabytes()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_maxrss) / 1024.0;
}

// One run over a fresh pseudo-terminal: the logger side pours `stream` once the command letter has
// arrived, while `receive` runs on this thread over the link. What is measured: this thread's CPU
// in `receive`, the seconds from the last byte poured to the end of `receive`, and the whole run.
struct Poured {
    double cpuSeconds = 0;
    double afterLastByteSeconds = 0;
    double seconds = 0;
};

template<typename Receive> Poured pourInto(const QByteArray& stream, Receive receive)
{
    using namespace std::chrono_literals;
    Pty pty;
    Connection c(pty.slavePath);
    c.link->setReplyTimeout(10s);
    QElapsedTimer clock;
    clock.start();
    std::atomic<qint64> lastByte{0};
    std::atomic<bool> go{false};
    std::thread logger([&] {
        char command;
        if (::read(pty.master, &command, 1) == 1)
            go = true;
    });
    std::thread w = pour(pty.master, stream, go, &clock, &lastByte);
    const double cpu0 = threadCpuSeconds();
    receive(*c.link);
    const double cpu = threadCpuSeconds() - cpu0;
    const qint64 done = clock.nsecsElapsed();
    logger.join();
    w.join();
    return {cpu, double(done - lastByte.load()) / 1e9, double(done) / 1e9};
}

} // namespace stazione::bench
