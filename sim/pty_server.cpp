#include "sim/pty_server.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <termios.h>
#include <unistd.h>
#include <utility>

namespace stazione::sim {

using namespace std::chrono_literals;

namespace {

QString systemError(const char* what)
{
    return QStringLiteral("%1: %2").arg(QLatin1String(what), QString::fromLocal8Bit(std::strerror(errno)));
}

// Bytes the loop holds for the client before it stops taking the logger's output.
constexpr qsizetype kBacklog = 65536;

timespec toTimespec(Clock::duration d)
{
    const auto ns =
        std::chrono::duration_cast<std::chrono::nanoseconds>(std::max(d, Clock::duration::zero()));
    return timespec{static_cast<time_t>(ns.count() / 1'000'000'000),
                    static_cast<long>(ns.count() % 1'000'000'000)};
}

} // namespace

PtyServer::PtyServer(Options options)
    : m_options(options)
    , m_model(std::move(options), Clock::now())
{
    m_model.state().clockOffsetMs = m_options.clockOffsetSeconds * 1000;
    if (m_options.modem)
        m_modem.emplace(m_model);
}

PtyServer::~PtyServer()
{
    stop();
}

bool PtyServer::start(const QString& linksFolder, int port)
{
    if (m_running || m_thread.joinable()) {
        m_error = QStringLiteral("already started");
        return false;
    }
    m_stopRequested = false;
    m_hangUpRequested = false;

    m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_master < 0) {
        m_error = systemError("posix_openpt");
        return false;
    }
    char name[128];
    if (::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0 ||
        ::ptsname_r(m_master, name, sizeof name) != 0) {
        m_error = systemError("pseudo-terminal setup");
        closeFds();
        return false;
    }
    m_slavePath = QString::fromLocal8Bit(name);

    // A fresh slave echoes and translates line ends until it is made raw; no client may see
    // it in that state. Closing our own slave afterwards is what lets the master report,
    // through POLLHUP, whether a client has the line open.
    const int slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave < 0) {
        m_error = systemError("opening the slave");
        closeFds();
        return false;
    }
    termios raw{};
    const bool rawSet =
        ::tcgetattr(slave, &raw) == 0 && (::cfmakeraw(&raw), ::tcsetattr(slave, TCSANOW, &raw) == 0);
    if (!rawSet)
        m_error = systemError("setting the slave raw");
    ::close(slave);
    if (!rawSet) {
        closeFds();
        return false;
    }

    m_wake = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (m_wake < 0) {
        m_error = systemError("eventfd");
        closeFds();
        return false;
    }

    // A client that closes the line and opens it again at once (a scan after a reset) leaves
    // the master nothing to see if this thread looks only afterwards: the kernel keeps no mark of
    // the close once the slave is open again. The slave's opens and closes are counted from its
    // inotify events instead, which wait in their queue however late the thread looks.
    m_opens = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_opens < 0 || ::inotify_add_watch(m_opens, name, IN_OPEN | IN_CLOSE_WRITE | IN_CLOSE_NOWRITE) < 0) {
        m_error = systemError("watching the slave's opens");
        closeFds();
        return false;
    }
    m_clients = 0;
    m_lastClientClosed = false;

    if (!linksFolder.isEmpty()) {
        if (!QDir().mkpath(linksFolder)) {
            m_error = QStringLiteral("cannot create the ports folder %1").arg(linksFolder);
            closeFds();
            return false;
        }
        const QString link = QDir(linksFolder).filePath(QStringLiteral("COM%1").arg(port));
        const QFileInfo existing(link);
        if (existing.isSymLink()) {
            QFile::remove(link); // left behind by a simulator that did not end cleanly
        } else if (existing.exists()) {
            m_error = QStringLiteral("%1 exists and is not a link").arg(link);
            closeFds();
            return false;
        }
        if (::symlink(name, QFile::encodeName(link).constData()) != 0) {
            m_error = systemError("creating the port link");
            closeFds();
            return false;
        }
        m_linkPath = link;
    }

    m_running = true;
    m_thread = std::thread(&PtyServer::run, this);
    return true;
}

void PtyServer::stop()
{
    m_stopRequested = true;
    poke();
    if (m_thread.joinable())
        m_thread.join();
    m_running = false;
    closeFds();
    removeLink();
}

bool PtyServer::isRunning() const
{
    return m_running;
}

QString PtyServer::errorString() const
{
    return m_error;
}

QString PtyServer::slavePath() const
{
    return m_slavePath;
}

QString PtyServer::linkPath() const
{
    return m_linkPath;
}

void PtyServer::setLogSink(std::function<void(const QString&)> sink)
{
    m_logSink = std::move(sink);
}

QList<Transmission> PtyServer::transcript() const
{
    std::lock_guard lock(m_mutex);
    return m_model.transcript();
}

void PtyServer::clearTranscript()
{
    std::lock_guard lock(m_mutex);
    m_model.clearTranscript();
}

QByteArray PtyServer::received() const
{
    std::lock_guard lock(m_mutex);
    return m_received;
}

QByteArray PtyServer::lineReceived() const
{
    std::lock_guard lock(m_mutex);
    return m_lineReceived;
}

void PtyServer::clearReceived()
{
    std::lock_guard lock(m_mutex);
    m_received.clear();
    m_lineReceived.clear();
}

qint64 PtyServer::bytesSent() const
{
    return m_bytesSent.load();
}

int PtyServer::timesOpened() const
{
    std::lock_guard lock(m_mutex);
    return m_timesOpened;
}

bool PtyServer::isLineOpen() const
{
    std::lock_guard lock(m_mutex);
    return front([](const auto& line) { return line.isLineOpen(); });
}

Stream PtyServer::activeStream() const
{
    std::lock_guard lock(m_mutex);
    return m_model.activeStream();
}

QDateTime PtyServer::loggerClock() const
{
    std::lock_guard lock(m_mutex);
    return m_model.loggerClock(Clock::now());
}

State PtyServer::state() const
{
    std::lock_guard lock(m_mutex);
    return m_model.state();
}

void PtyServer::withState(const std::function<void(State&)>& change)
{
    {
        std::lock_guard lock(m_mutex);
        change(m_model.state());
    }
    poke();
}

void PtyServer::hangUp()
{
    if (!m_thread.joinable())
        return;
    m_hangUpRequested = true;
    poke();
    m_thread.join();
}

bool PtyServer::waitForTransmissions(qsizetype count, std::chrono::milliseconds timeout) const
{
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, timeout, [&] { return m_model.transcript().size() >= count; });
}

bool PtyServer::waitForLineOpen(bool open, std::chrono::milliseconds timeout) const
{
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(
        lock, timeout, [&] { return front([](const auto& line) { return line.isLineOpen(); }) == open; });
}

bool PtyServer::isCallUp() const
{
    std::lock_guard lock(m_mutex);
    return m_modem && m_modem->isCallUp();
}

bool PtyServer::isModemOnline() const
{
    std::lock_guard lock(m_mutex);
    return m_modem && m_modem->isOnline();
}

int PtyServer::callsMade() const
{
    std::lock_guard lock(m_mutex);
    return m_modem ? m_modem->callsMade() : 0;
}

QList<AtCommand> PtyServer::modemCommands() const
{
    std::lock_guard lock(m_mutex);
    return m_modem ? m_modem->commands() : QList<AtCommand>();
}

QStringList PtyServer::dialledNumbers() const
{
    std::lock_guard lock(m_mutex);
    return m_modem ? m_modem->dialledNumbers() : QStringList();
}

void PtyServer::clearModemCommands()
{
    std::lock_guard lock(m_mutex);
    if (m_modem)
        m_modem->clearCommands();
}

bool PtyServer::waitForCall(bool up, std::chrono::milliseconds timeout) const
{
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, timeout, [&] { return m_modem && m_modem->isCallUp() == up; });
}

bool PtyServer::waitForModemCommands(qsizetype count, std::chrono::milliseconds timeout) const
{
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, timeout, [&] { return m_modem && m_modem->commands().size() >= count; });
}

void PtyServer::poke()
{
    if (m_wake >= 0) {
        const quint64 one = 1;
        [[maybe_unused]] const ssize_t n = ::write(m_wake, &one, sizeof one);
    }
}

void PtyServer::waitForPoke(std::chrono::milliseconds timeout)
{
    pollfd wake{m_wake, POLLIN, 0};
    if (::poll(&wake, 1, static_cast<int>(timeout.count())) > 0) {
        quint64 value = 0;
        [[maybe_unused]] const ssize_t n = ::read(m_wake, &value, sizeof value);
    }
}

void PtyServer::flushSlaveInput()
{
    // Bytes written to the master that the client never read would greet the next client: the
    // kernel keeps them in the slave's input across the close. Flushing the slave's input drops
    // them; flushing the master's output drops any that are still on their way there.
    ::tcflush(m_master, TCOFLUSH);
    const int slave =
        ::open(QFile::encodeName(m_slavePath).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (slave >= 0) {
        // Our own open and close are no client's.
        ++m_ownOpens;
        ++m_ownCloses;
        ::tcflush(slave, TCIFLUSH);
        ::close(slave);
    }
}

void PtyServer::readOpens()
{
    alignas(inotify_event) char events[4096];
    for (;;) {
        const ssize_t n = ::read(m_opens, events, sizeof events);
        if (n <= 0)
            return; // EAGAIN: every event read
        for (ssize_t at = 0; at < n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(events + at);
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            if (event->mask & IN_OPEN) {
                if (m_ownOpens > 0)
                    --m_ownOpens;
                else
                    ++m_clients;
            } else if (event->mask & (IN_CLOSE_WRITE | IN_CLOSE_NOWRITE)) {
                if (m_ownCloses > 0) {
                    --m_ownCloses;
                } else if (m_clients > 0 && --m_clients == 0) {
                    m_lastClientClosed = true;
                }
            }
        }
    }
}

void PtyServer::emitLog(const QList<LogEntry>& entries)
{
    if (!m_logSink)
        return;
    for (const LogEntry& entry : entries)
        m_logSink(m_model.hostTime(entry.at).toString(QStringLiteral("hh:mm:ss.zzz")) + QLatin1Char(' ') +
                  entry.text);
}

void PtyServer::run()
{
    bool open = false;
    QByteArray pending;
    char buffer[4096];
    // When the last read of the line began: whatever a later read finds came after it.
    Instant lastLook = Clock::now();

    while (!m_stopRequested && !m_hangUpRequested) {
        if (!open) {
            // POLLHUP stays up for as long as no client holds the slave, so polling the master
            // would spin; look again every 10 ms instead.
            const Instant probed = Clock::now();
            pollfd probe{m_master, POLLIN, 0};
            ::poll(&probe, 1, 0);
            // The opens and closes of earlier clients are behind us; a close from now on ends
            // the session that begins here.
            readOpens();
            if ((probe.revents & POLLHUP) && !(probe.revents & POLLIN)) {
                lastLook = probed; // a client that opens the line from now on writes after it
                waitForPoke(10ms);
                continue;
            }
            m_lastClientClosed = false;
            open = true;
            QList<LogEntry> entries;
            {
                std::lock_guard lock(m_mutex);
                front([](auto& line) { line.lineOpened(Clock::now()); });
                ++m_timesOpened;
                entries = front([](auto& line) { return line.takeLog(); });
            }
            m_changed.notify_all();
            emitLog(entries);
        }

        std::optional<Instant> wakeup;
        {
            std::lock_guard lock(m_mutex);
            wakeup = front([](const auto& line) { return line.nextWakeup(); });
        }
        // While the client is behind, the logger's output waits in the model and the loop sleeps
        // until the line takes more; the model's other timings then run a few milliseconds late.
        const bool behind = pending.size() >= kBacklog;
        if (behind && wakeup)
            wakeup = std::max(*wakeup, Clock::now() + 5ms);
        timespec timeout{};
        if (wakeup)
            timeout = toTimespec(*wakeup - Clock::now());
        pollfd fds[3] = {{m_master, static_cast<short>(POLLIN | (pending.isEmpty() ? 0 : POLLOUT)), 0},
                         {m_wake, POLLIN, 0},
                         {m_opens, POLLIN, 0}};
        if (::ppoll(fds, 3, wakeup ? &timeout : nullptr, nullptr) < 0 && errno != EINTR)
            break;
        if (fds[1].revents & POLLIN) {
            quint64 value = 0;
            [[maybe_unused]] const ssize_t n = ::read(m_wake, &value, sizeof value);
        }

        QByteArray in;
        bool lost = false;
        Instant heardSince = lastLook;
        if (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) {
            heardSince = std::exchange(lastLook, Clock::now());
            for (;;) {
                const ssize_t n = ::read(m_master, buffer, sizeof buffer);
                if (n > 0) {
                    in.append(buffer, n);
                    continue;
                }
                if (n < 0 && errno == EINTR)
                    continue;
                // EAGAIN: all read, the client is still there. EIO or 0: the client closed
                // the slave and everything it wrote before that has been read.
                lost = !(n < 0 && errno == EAGAIN);
                break;
            }
        }

        // A client that closed and opened again before this look ended its session all the same.
        readOpens();
        if (std::exchange(m_lastClientClosed, false))
            lost = true;

        // The line is declared closed only once nothing of the old session can reach a new client.
        if (lost)
            flushSlaveInput();

        const Instant now = Clock::now();
        bool hangUp = false;
        QList<LogEntry> entries;
        {
            std::lock_guard lock(m_mutex);
            m_lineReceived += in;
            if (!in.isEmpty())
                front([&](auto& line) { line.receive(in, now, heardSince); });
            front([&](auto& line) { line.tick(now); });
            // Behind a modem the logger gets only what a call passes on, and later than it
            // arrived when "+" characters were held back as a possible escape.
            m_received += m_modem ? m_modem->takeForwarded() : in;
            hangUp = front([](auto& line) { return line.takeHangUpRequest(); });
            if (lost || hangUp)
                front([&](auto& line) { line.lineClosed(now); });
            else if (!behind)
                pending += front([&](auto& line) { return line.takeOutput(now); });
            entries = front([](auto& line) { return line.takeLog(); });
        }
        m_changed.notify_all();
        emitLog(entries);

        if (hangUp) {
            m_hangUpRequested = true;
            break;
        }
        if (lost) {
            open = false;
            pending.clear();
            continue;
        }
        if (!pending.isEmpty()) {
            const ssize_t n = ::write(m_master, pending.constData(), static_cast<size_t>(pending.size()));
            if (n > 0)
                m_bytesSent += n;
            if (n > 0)
                pending.remove(0, n);
            // EAGAIN: the client is not reading; POLLOUT tells when it does. EIO: the client
            // has gone, and the next poll reports it.
        }
    }

    if (m_hangUpRequested) {
        QList<LogEntry> entries;
        {
            std::lock_guard lock(m_mutex);
            front([](auto& line) { line.lineClosed(Clock::now()); });
            entries = front([](auto& line) { return line.takeLog(); });
            entries.append({Clock::now(), QStringLiteral("hung up: the line is gone")});
        }
        emitLog(entries);
        ::close(m_master);
        m_master = -1;
    }
    m_running = false;
    m_changed.notify_all();
}

void PtyServer::closeFds()
{
    if (m_master >= 0)
        ::close(m_master);
    if (m_wake >= 0)
        ::close(m_wake);
    if (m_opens >= 0)
        ::close(m_opens);
    m_master = -1;
    m_wake = -1;
    m_opens = -1;
}

void PtyServer::removeLink()
{
    if (m_linkPath.isEmpty())
        return;
    // Only our own link: another simulator may have taken the name over since.
    char target[256];
    const QByteArray link = QFile::encodeName(m_linkPath);
    const ssize_t n = ::readlink(link.constData(), target, sizeof target);
    if (n > 0 && QFile::decodeName(QByteArray(target, n)) == m_slavePath)
        ::unlink(link.constData());
    m_linkPath.clear();
}

} // namespace stazione::sim
