#pragma once

#include <QByteArray>
#include <QString>

#include <utility>
#include <variant>

namespace stazione::link {

// Why an exchange with the logger did not produce what was asked for.
enum class ErrorKind {
    TimedOut,  // the logger did not answer within the reply time-out
    Cancelled, // the operator (or the program ending) stopped the wait
    LineLost,  // the port went away while it was in use (cable pulled, device gone)
    Port,      // the serial component refused an operation; see Error::number
    File,      // a file of the program could not be created, written or read
    Data,      // the logger sent something the program cannot take (too much, out of shape)
    Refused,   // a typed value the line cannot carry; nothing of its write was sent
};

// Numbers of the serial component's errors, as the connection window reports them.
namespace port_error {
inline constexpr int kInvalidPort = 8002;    // no such port number
inline constexpr int kAlreadyOpen = 8005;    // the port is open already (in this program)
inline constexpr int kNotAvailable = 8006;   // the port number maps to a device that is not there
inline constexpr int kInUse = 8010;          // held by another program
inline constexpr int kNoPermission = 70;     // this user may not open the device
inline constexpr int kNotOpen = 8012;        // an operation on a closed port
inline constexpr int kInvalidSettings = 380; // a settings text that cannot be applied
} // namespace port_error

// Error::number of a time-out: the reply did not come (0), or a stream would not end.
namespace timeout_reason {
inline constexpr int kNoReply = 0;
inline constexpr int kStillSending = 1;
} // namespace timeout_reason

struct Error {
    ErrorKind kind = ErrorKind::Port;
    int number = 0; // the component's error number when kind is Port
    // One line: for the command line and the trace when the kind is a link's own (time-out,
    // cancel, lost line, port); already the operator's words for File, Data and Refused. Windows
    // show operatorMessage(error) (link/messages.h), never this text of a link error.
    QString message;
    QString box; // the box whose value was refused (kind Refused), as the window names it
    // What the operator's message names: the port, the device it leads to, how long was waited
    // and what had arrived when the wait ended.
    int comPort = 0;
    QString device;
    qint64 waitedMs = 0;
    QByteArray partial;
    // What of the job survived the stop, in the operator's words ("563 righe salvate in
    // x_SENS.txt.part"); empty when nothing was kept.
    QString kept;
    // The window told the operator already (a message of its own before it gave up).
    bool told = false;
    // The operator's words in the run's language, for any kind, where the place the error arose
    // knows better than its kind: a refused typed value is said without the control's internal
    // name, a cut download says how it was cut.
    QString shown;
    // Further lines for the operator in the run's language, after the words of a link's own
    // error (whose `message` the windows do not show): where the data of a cut download went.
    QString notes;

    static Error make(ErrorKind kind, int number, const QString& message)
    {
        Error error;
        error.kind = kind;
        error.number = number;
        error.message = message;
        return error;
    }
    static Error timedOut(const QString& message) { return make(ErrorKind::TimedOut, 0, message); }
    static Error cancelled(const QString& message) { return make(ErrorKind::Cancelled, 0, message); }
    static Error lineLost(const QString& message) { return make(ErrorKind::LineLost, 0, message); }
    static Error port(int number, const QString& message) { return make(ErrorKind::Port, number, message); }
    static Error file(const QString& message) { return make(ErrorKind::File, 0, message); }
    static Error data(const QString& message) { return make(ErrorKind::Data, 0, message); }
    static Error refused(const QString& box, const QString& message)
    {
        Error error = make(ErrorKind::Refused, 0, message);
        error.box = box;
        return error;
    }
    // A value the window refused before anything was sent, with the message it showed.
    static Error refusedAndTold(const QString& box, const QString& message)
    {
        Error error = refused(box, message);
        error.told = true;
        return error;
    }
};

// A value, or the reason there is none. Exchanges return this so that a time-out can never
// pass for an empty reply.
template<class T> class [[nodiscard]] Result {
public:
    Result(T value)
        : m_v(std::in_place_index<0>, std::move(value))
    {}
    Result(Error error)
        : m_v(std::in_place_index<1>, std::move(error))
    {}

    bool ok() const { return m_v.index() == 0; }
    explicit operator bool() const { return ok(); }

    const T& value() const& { return std::get<0>(m_v); }
    T& value() & { return std::get<0>(m_v); }
    T&& value() && { return std::get<0>(std::move(m_v)); }
    const T& operator*() const& { return value(); }
    T& operator*() & { return value(); }
    const T* operator->() const { return &value(); }
    T* operator->() { return &value(); }
    T valueOr(T fallback) const { return ok() ? value() : std::move(fallback); }

    const Error& error() const { return std::get<1>(m_v); }

private:
    std::variant<T, Error> m_v;
};

template<> class [[nodiscard]] Result<void> {
public:
    Result() = default;
    Result(Error error)
        : m_error(std::move(error))
        , m_failed(true)
    {}

    bool ok() const { return !m_failed; }
    explicit operator bool() const { return ok(); }
    const Error& error() const { return m_error; }

private:
    Error m_error;
    bool m_failed = false;
};

using Status = Result<void>;

} // namespace stazione::link
