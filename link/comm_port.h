#pragma once

#include "link/device.h"
#include "link/port_lock.h"
#include "link/port_resolver.h"
#include "link/result.h"
#include "link/trace.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QObject>

#include <chrono>
#include <memory>
#include <optional>
#include <vector>

namespace stazione::link {

// The program's one serial port object. It keeps the property semantics the rest of the program
// was written against: a port number that cannot change while open, a settings text, an input
// length that caps one read, DTR/RTS, a count of waiting characters that can be discarded, and
// error numbers for what went wrong. Data never disappears: the input length only limits how
// much one read hands out.
class CommPort : public QObject {
    Q_OBJECT
public:
    enum class Wait { Ready, TimedOut, Cancelled, LineLost };

    CommPort(std::unique_ptr<Device> device, PortResolver resolver, QObject* parent = nullptr);
    ~CommPort() override;

    Status setCommPort(int number);
    int commPort() const { return m_commPort; }

    Status setSettings(const QString& settings);
    QString settings() const { return m_settings.toString(); }

    // Most characters one input() returns; 0 means everything waiting.
    void setInputLen(int length) { m_inputLen = length < 0 ? 0 : length; }
    int inputLen() const { return m_inputLen; }

    Status setDtrEnable(bool on);
    bool dtrEnable() const { return m_dtr; }
    Status setRtsEnable(bool on);
    bool rtsEnable() const { return m_rts; }

    Status setPortOpen(bool open);
    bool portOpen() const;

    Result<qint64> inBufferCount() const;
    Status discardInput();
    // `part` only tells the trace whether the bytes begin a command or carry its parameters.
    Status output(const QByteArray& bytes, Trace::Part part = Trace::Part::Command);
    Result<QByteArray> input();    // up to inputLen() characters
    Result<QByteArray> inputAll(); // everything waiting, whatever inputLen()

    // Blocks until more input arrives, the deadline passes, the wait is cancelled or the line
    // is lost. The event loop runs meanwhile (the window repaints, a stop button works) but the
    // CPU sleeps. What is already waiting does not end the wait: callers take it first.
    // With a terminator, only input that holds it ends the wait (the rest stays waiting for the
    // next read), and on a slow stream the port gathers characters for a few hundredths before it
    // looks again, instead of waking for each one.
    Wait waitForMoreInput(QDeadlineTimer deadline, std::optional<char> terminator = std::nullopt);
    // Ends every wait that is pending now with Wait::Cancelled.
    void cancelWaits();
    bool waiting() const { return m_depth > 0; }

    // Whether an exchange was cut while the logger may still have been sending (a cancelled wait,
    // RESTORE, a reply that timed out): the next command first lets that stream's tail run out.
    bool cut() const { return m_cut; }
    void markCut() { m_cut = true; }
    void clearCut() { m_cut = false; }

    // A slow stream is gathered this long before the port looks at it again.
    static constexpr std::chrono::milliseconds kGatherTime{50};

    // How long an open waits for another Stazione program to give the port up (0: it fails at
    // once with kInUse, naming the holder).
    void setLockWait(int milliseconds) { m_lockWaitMs = milliseconds < 0 ? 0 : milliseconds; }

    // The device path the open port number resolved to ("" before the first open).
    const QString& devicePath() const { return m_devicePath; }
    const PortResolver& resolver() const { return m_resolver; }

    // Every byte sent and received is told to the trace while one is set (it is not owned).
    void setTrace(Trace* trace) { m_trace = trace; }
    Trace* trace() const { return m_trace; }

signals:
    void lineLost(const QString& reason);

private:
    class Waiter;

    Status openOrClose(bool open);
    Error notOpenError() const;
    void takeArrived();
    void onReadyRead();
    void noteArrival(qsizetype bytes);
    void gatherIfSlow(const Waiter& waiter);
    void forgetStream();

    std::unique_ptr<Device> m_device;
    PortResolver m_resolver;
    int m_commPort = 1;
    LineSettings m_settings;
    int m_inputLen = 0;
    bool m_dtr = false;
    bool m_rts = false;
    bool m_lost = false;
    QString m_lostReason;
    QString m_devicePath;
    // What the device had, taken in one read when it said so, not yet handed out.
    QByteArray m_arrived;
    // One waiter per nesting depth, made at the first wait that deep and kept: a wait costs no
    // event loop, timer or connection of its own.
    std::vector<Waiter*> m_waiters;
    int m_depth = 0;
    bool m_cut = false;
    // Whether the input arrives as a slow stream: how much came since the last command, and at
    // what pace the last of it came.
    qint64 m_sinceOutput = 0;
    qint64 m_lastArrivalNs = 0;
    int m_slowArrivals = 0;
    QElapsedTimer m_clock;
    PortLock m_lock;
    int m_lockWaitMs = 0;
    Trace* m_trace = nullptr;
};

// The port a program normally uses: QSerialPort behind the default port resolver.
std::unique_ptr<CommPort> makeSystemCommPort(QObject* parent = nullptr);

} // namespace stazione::link
