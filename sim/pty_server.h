#pragma once

#include "sim/logger_model.h"
#include "sim/modem_model.h"

#include <QByteArray>
#include <QString>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

namespace stazione::sim {

// The simulated logger on a pseudo-terminal. The client opens the slave side (or a COMn link
// to it) like a serial port; an I/O thread feeds the model with what arrives on the master and
// writes back what the model says, in time.
//
// With Options::modem a Hayes modem stands between the line and the logger (ModemModel): the
// client dials, and the logger is reached, and sees its line open, only while a call is up.
//
// The accessors below are safe to call from any thread while the server runs; tests use them
// to see what went over the wire and to change the logger's memory behind the client's back.
class PtyServer {
public:
    explicit PtyServer(Options options = Options::fromEnvironment());
    ~PtyServer();

    PtyServer(const PtyServer&) = delete;
    PtyServer& operator=(const PtyServer&) = delete;

    // Creates the pseudo-terminal and starts serving it. With a links folder, also creates
    // <folder>/COM<port> pointing at the slave (an older link of that name is replaced).
    bool start(const QString& linksFolder = {}, int port = 3);
    // Stops the thread, closes the pseudo-terminal and removes the link that start() made.
    void stop();
    bool isRunning() const;

    QString errorString() const;
    QString slavePath() const;
    QString linkPath() const; // empty without a links folder

    // Receives every log line (time stamp included) on the I/O thread. Set before start().
    void setLogSink(std::function<void(const QString& line)> sink);

    QList<Transmission> transcript() const;
    void clearTranscript();
    QByteArray received() const;     // every byte that reached the logger since start
    QByteArray lineReceived() const; // every byte that arrived on the line, AT commands included
    void clearReceived();            // clears both
    int timesOpened() const;
    qint64 bytesSent() const; // every byte written to the line since start
    bool isLineOpen() const;  // a client has the line open (with a modem: the port, call or not)
    Stream activeStream() const;
    QDateTime loggerClock() const;

    State state() const;
    // Runs `change` on the logger's memory with the I/O thread held off.
    void withState(const std::function<void(State&)>& change);

    // Drops the line now, as a pulled cable would: the master is closed, the client's reads
    // end with EOF or EIO, and the server stops serving (the link stays, dangling, until stop()).
    void hangUp();

    // Wait until at least `count` transmissions are in the transcript / the line is in the
    // given state. False on time-out.
    bool waitForTransmissions(qsizetype count, std::chrono::milliseconds timeout) const;
    bool waitForLineOpen(bool open, std::chrono::milliseconds timeout) const;

    // The modem in front of the logger; without Options::modem there is no call, no command and
    // no dialled number, and waitForCall() fails.
    bool isCallUp() const;
    bool isModemOnline() const; // the call is up and the modem passes data on
    int callsMade() const;
    QList<AtCommand> modemCommands() const;
    QStringList dialledNumbers() const;
    void clearModemCommands();
    bool waitForCall(bool up, std::chrono::milliseconds timeout) const;
    bool waitForModemCommands(qsizetype count, std::chrono::milliseconds timeout) const;

    const Options& options() const { return m_options; }

private:
    // Runs `f` on what the line reaches first: the modem, or the logger when there is none.
    template<typename F> decltype(auto) front(F&& f) { return m_modem ? f(*m_modem) : f(m_model); }
    template<typename F> decltype(auto) front(F&& f) const { return m_modem ? f(*m_modem) : f(m_model); }

    void run();
    void poke();
    void waitForPoke(std::chrono::milliseconds timeout);
    void flushSlaveInput();
    // Counts the clients' opens and closes of the slave that happened since the last call.
    void readOpens();
    void emitLog(const QList<LogEntry>& entries);
    void closeFds();
    void removeLink();

    const Options m_options;

    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    LoggerModel m_model;
    std::optional<ModemModel> m_modem; // refers to m_model
    QByteArray m_received;
    QByteArray m_lineReceived;
    int m_timesOpened = 0;
    std::atomic<qint64> m_bytesSent{0};
    QString m_error;

    std::function<void(const QString&)> m_logSink;
    QString m_slavePath;
    QString m_linkPath;
    int m_master = -1;
    int m_wake = -1;
    int m_opens = -1; // inotify on the slave: its opens and closes
    // Run-thread state: clients holding the slave, own opens and closes still to come as events,
    // and whether the last client closed since the session began.
    int m_clients = 0;
    int m_ownOpens = 0;
    int m_ownCloses = 0;
    bool m_lastClientClosed = false;
    std::thread m_thread;
    std::atomic<bool> m_stopRequested{false};
    std::atomic<bool> m_hangUpRequested{false};
    std::atomic<bool> m_running{false};
};

} // namespace stazione::sim
