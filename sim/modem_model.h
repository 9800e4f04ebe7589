#pragma once

#include "sim/logger_model.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>

#include <deque>
#include <memory>
#include <optional>
#include <vector>

namespace stazione::sim {

// One command line the modem took, with its answer. The escape from a call appears as the line
// "+++" with its OK.
struct AtCommand {
    Instant at;       // when its CR came (for the escape: when the guard time after it ran out)
    QByteArray line;  // from the "AT" on, as received, without the CR and any LF
    QByteArray reply; // the answer; for a dial, its result code once it has come
    std::optional<Instant> answeredAt;
};

// A Hayes modem with the logger at the far end of its calls, without any I/O. It has the
// interface of LoggerModel that the pty server drives (the line, bytes in, ticks, bytes out,
// the log), so a test drives it with a clock of its own in the same way.
//
// In command mode it takes lines ended by CR and answers with result codes framed by CR LF.
// A dial brings the call up after a delay; from then on every byte goes to the logger and
// everything the logger sends comes back, until the guarded "+++" escape returns it to command
// mode with the call still up. The logger sees its line open when the call comes up and close
// when it goes down.
class ModemModel {
public:
    // The logger's options (the modem's included) rule both; `logger` must outlive the modem.
    // With a network in the options, the modem makes a logger for each of its numbers and
    // `logger` only lends its options.
    explicit ModemModel(LoggerModel& logger);
    ~ModemModel();

    const Options& options() const { return m_default.options(); }
    // The logger at the far end of the call under way, or of the last one.
    LoggerModel& logger() { return *m_logger; }
    const LoggerModel& logger() const { return *m_logger; }
    // The logger of a network number; nothing for a number that is not in the network.
    LoggerModel* stationLogger(const QString& number);

    // The line between the client and the modem: the port the client opens.
    void lineOpened(Instant now);
    void lineClosed(Instant now);
    bool isLineOpen() const { return m_lineOpen; }

    // As LoggerModel::receive: `since` is the earliest the bytes can have come.
    void receive(QByteArrayView bytes, Instant now, std::optional<Instant> since = std::nullopt);
    void tick(Instant now);
    std::optional<Instant> nextWakeup() const;
    QByteArray takeOutput(Instant now);

    // The modem's own log lines and the logger's, in the order they happened.
    QList<LogEntry> takeLog();
    // Never set: a call the logger drops ends in NO CARRIER, the port stays.
    bool takeHangUpRequest() { return false; }

    // Removes and returns the bytes that went on to the logger since the last call.
    QByteArray takeForwarded() { return std::exchange(m_forwarded, {}); }

    bool isCallUp() const { return m_callUp; }
    bool isOnline() const { return m_mode == Mode::Online; }
    bool isDialling() const { return m_mode == Mode::Dialling; }
    bool echo() const { return m_echo; }
    int callsMade() const { return m_callsMade; } // calls that came up

    const QList<AtCommand>& commands() const { return m_commands; }
    const QStringList& dialledNumbers() const { return m_dialled; } // as they followed "ATD"
    void clearCommands();

    Clock::duration dialDelay() const { return dialDelayFor(options()); }
    Clock::duration escapeGuard() const { return escapeGuardFor(options()); }
    static Clock::duration dialDelayFor(const Options& options);
    static Clock::duration escapeGuardFor(const Options& options);

    static constexpr qsizetype kMaxLine = 80;

private:
    enum class Mode { Command, Dialling, Online };

    struct Chunk {
        Instant at;
        QByteArray bytes;
    };

    void log(Instant at, const QString& text);
    void absorbLoggerLog();
    void send(const QByteArray& bytes, Instant at);

    void receiveCommandByte(char byte, Instant now);
    void execute(const QByteArray& line, Instant now);
    void startDial(const QByteArray& line, const QByteArray& number, Instant now);
    void finishDial(Instant at);
    void abortDial(Instant now);
    void callUp(Instant at);
    void callDown(Instant at, const QString& why);
    void record(AtCommand command, const QString& note = {});

    void receiveOnline(QByteArrayView bytes, Instant now);
    void forward(const QByteArray& bytes, Instant now);
    void releaseHeldPluses(Instant now);
    void escape(Instant at);
    void checkLoggerHangUp(Instant now);
    void flushNoise(Instant now);

    struct Remote {
        QByteArray digits;
        std::unique_ptr<LoggerModel> logger;
        int busyLeft = 0; // -1: always busy
        Instant recordsUntil;
    };
    // The network's verdict on a dial: the word the modem answers, and the logger reached.
    LoggerModel* reach(const QByteArray& digits, QByteArray& word, QString& note);
    void growRecords(Remote& remote, Instant now);

    LoggerModel& m_default;
    LoggerModel* m_logger; // the logger of the call under way, or of the last one
    std::vector<Remote> m_network;

    bool m_lineOpen = false;
    Mode m_mode = Mode::Command;
    bool m_echo = true;
    bool m_callUp = false;
    int m_callsMade = 0;

    QByteArray m_line;  // the command line so far, from its "A" on
    QByteArray m_noise; // what came in command mode outside an "AT" line

    qsizetype m_dialCommand = -1; // index in m_commands of the dial under way
    QByteArray m_dialNumber;
    Instant m_dialAt;
    Instant m_dialResultAt;

    // The escape: "+" characters held back from the logger until they turn out to be data.
    Instant m_lastOnlineByte; // or the moment the line went online
    int m_pluses = 0;
    Instant m_lastPlus;

    std::optional<Instant> m_heardSince; // receive()'s `since`, while it runs
    std::deque<Chunk> m_output;
    QByteArray m_forwarded;
    QList<AtCommand> m_commands;
    QStringList m_dialled;
    QList<LogEntry> m_log;
};

// Only what dialling a number depends on: digits, "*", "#" and "+"; pauses, blanks and dashes
// are left out, so "1,234567" reaches 1234567.
QByteArray dialledDigits(QByteArrayView number);

} // namespace stazione::sim
