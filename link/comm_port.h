#pragma once

#include "link/device.h"
#include "link/port_lock.h"
#include "link/port_resolver.h"
#include "link/result.h"
#include "link/trace.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QObject>

#include <memory>
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
    Wait waitForMoreInput(QDeadlineTimer deadline);
    // Ends every wait that is pending now with Wait::Cancelled.
    void cancelWaits();
    bool waiting() const { return !m_waits.empty(); }

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
    Status openOrClose(bool open);
    Error notOpenError() const;

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
    std::vector<QEventLoop*> m_waits;
    PortLock m_lock;
    int m_lockWaitMs = 0;
    Trace* m_trace = nullptr;
};

// The port a program normally uses: QSerialPort behind the default port resolver.
std::unique_ptr<CommPort> makeSystemCommPort(QObject* parent = nullptr);

} // namespace stazione::link
