#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <utility>

namespace stazione::sim {

// The far end of the simulator's line, opened with plain POSIX calls: what the tests use to
// check the bytes on the wire without going through the client's own link code.
class RawLineClient {
public:
    using Clock = std::chrono::steady_clock;

    enum class End { Open, Closed }; // Closed: a read ended with EOF or EIO, the line is gone

    explicit RawLineClient(const QString& path)
    {
        m_fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        termios raw{};
        if (m_fd >= 0 && ::tcgetattr(m_fd, &raw) == 0) {
            ::cfmakeraw(&raw);
            ::tcsetattr(m_fd, TCSANOW, &raw);
        }
    }
    ~RawLineClient() { close(); }

    RawLineClient(const RawLineClient&) = delete;
    RawLineClient& operator=(const RawLineClient&) = delete;

    bool isOpen() const { return m_fd >= 0; }
    End end() const { return m_end; }

    void close()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }

    bool write(const QByteArray& bytes)
    {
        qsizetype done = 0;
        while (done < bytes.size()) {
            const ssize_t n =
                ::write(m_fd, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
            if (n < 0 && errno != EAGAIN && errno != EINTR)
                return false;
            if (n > 0)
                done += n;
        }
        return true;
    }

    // As the client's link writes: the command text in one piece, then each parameter
    // character alone after a pause.
    bool command(const QByteArray& text, const QByteArray& parameters = {},
                 std::chrono::microseconds pause = std::chrono::microseconds(500))
    {
        if (!write(text))
            return false;
        for (const char c : parameters) {
            std::this_thread::sleep_for(pause);
            if (!write(QByteArray(1, c)))
                return false;
        }
        return true;
    }

    // Reads until `count` bytes have come, the line ends, or the time is up.
    QByteArray read(qsizetype count, std::chrono::milliseconds timeout)
    {
        const Clock::time_point deadline = Clock::now() + timeout;
        while (m_pending.size() < count && m_end == End::Open && Clock::now() < deadline)
            fill(deadline);
        const QByteArray out = m_pending.left(count);
        m_pending.remove(0, out.size());
        return out;
    }

    // Everything that comes within `window`.
    QByteArray readFor(std::chrono::milliseconds window)
    {
        const Clock::time_point deadline = Clock::now() + window;
        while (m_end == End::Open && Clock::now() < deadline)
            fill(deadline);
        return std::exchange(m_pending, {});
    }

    // Reads (and drops) until the line ends or the time is up.
    End waitForEnd(std::chrono::milliseconds timeout)
    {
        const Clock::time_point deadline = Clock::now() + timeout;
        while (m_end == End::Open && Clock::now() < deadline)
            fill(deadline);
        return m_end;
    }

private:
    void fill(Clock::time_point deadline)
    {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        pollfd p{m_fd, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(std::max<long>(1, left.count()))) <= 0)
            return;
        char buffer[4096];
        const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
        if (n > 0)
            m_pending.append(buffer, n);
        else if (n == 0 || (errno != EAGAIN && errno != EINTR))
            m_end = End::Closed;
    }

    int m_fd = -1;
    End m_end = End::Open;
    QByteArray m_pending;
};

} // namespace stazione::sim
