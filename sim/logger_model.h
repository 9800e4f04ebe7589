#pragma once

#include "sim/logger_state.h"
#include "sim/options.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QList>
#include <QRandomGenerator>
#include <QString>
#include <QStringList>

#include <chrono>
#include <deque>
#include <functional>
#include <optional>

namespace stazione::sim {

using Clock = std::chrono::steady_clock;
using Instant = Clock::time_point;

// One transmission the logger understood: a command with its values, or the second step of a
// two-step command.
struct Transmission {
    Instant at;         // when the logger took it
    QString command;    // the command text as written (one or more characters), or the text of a second step
    QStringList values; // the parameter values without their commas, untrimmed
    QByteArray raw;     // every byte of the transmission as it arrived
    QByteArray reply;   // what the logger queued in answer (first set of a stream); may be empty
    QString partOf;     // for a second step, the command text of its first step ("o", "h", "A", "x")
};

struct LogEntry {
    Instant at;
    QString text;
};

enum class Stream {
    None,
    Measurement, // "P": sets of time stamp, marker, unit and value; "a" ends it
    Reading,     // "p": triples of index, label and value; "B" ends it
};

// The logger, without any I/O: bytes go in with the time they arrived, bytes come out with
// the time each may go on the wire. Everything time-driven (the end-of-command gap, the
// greeting, streams, pacing) happens in tick() and is announced by nextWakeup(), so a test
// can drive it with a clock of its own.
class LoggerModel {
public:
    // What the logger does with a command it has taken whole. A two-step command has no handler
    // of its own, which only makes the logger wait for the second step; `secondStep` handles that
    // and says whether it was kept (false: dropped).
    using Handler = std::function<void(LoggerModel&, Transmission&)>;
    using SecondStepHandler = std::function<bool(LoggerModel&, Transmission&)>;

    // One row of the command table for each command the logger knows, keyed by the command's
    // text as the client writes it ("V", "<", or several characters). The logger reads the longest
    // text of the table that the bytes spell: while a text may still grow into a longer one, it
    // waits for the next byte or for the end-of-command gap before it settles for the shorter one.
    struct CommandEntry {
        QByteArray text;
        quint32 counts; // takes(n) for each count of values the command may carry
        Handler run;
        SecondStepHandler secondStep;
    };
    // The table of the stock logger (logger_commands.cpp).
    static const QList<CommandEntry>& stockCommands();

    // `start` and `hostTimeAtStart` tie the monotonic clock to the host's local time; the
    // logger's clock runs from there plus the offset that "g" sets.
    LoggerModel(Options options, Instant start,
                const QDateTime& hostTimeAtStart = QDateTime::currentDateTime());

    const Options& options() const { return m_options; }
    const State& state() const { return m_state; }
    State& state() { return m_state; }

    void lineOpened(Instant now);
    void lineClosed(Instant now);
    bool isLineOpen() const { return m_lineOpen; }

    // `now` is when the bytes were read, `since` the earliest they can have come: the moment the
    // line was last looked at before (on a loaded host the bytes may wait a while to be read).
    void receive(QByteArrayView bytes, Instant now, std::optional<Instant> since = std::nullopt);
    void tick(Instant now);
    std::optional<Instant> nextWakeup() const;

    // Removes and returns the bytes whose time has come.
    QByteArray takeOutput(Instant now);
    std::optional<Instant> nextOutputAt() const;
    qsizetype pendingOutputSize() const;

    const QList<Transmission>& transcript() const { return m_transcript; }
    void clearTranscript() { m_transcript.clear(); }
    QList<LogEntry> takeLog();

    // True once after a command that the logger answers by dropping the line.
    bool takeHangUpRequest();

    Stream activeStream() const { return m_stream; }
    bool isBusy(Instant now) const { return m_busyUntil && now < *m_busyUntil; }
    QDateTime loggerClock(Instant now) const; // Qt::UTC carrying the logger's wall time
    QDateTime hostTime(Instant at) const;     // the host's local time at a monotonic instant

    Clock::duration wakeDelay() const;
    Clock::duration endOfCommandGap() const;
    Clock::duration secondStepTimeout() const;
    Clock::duration streamPeriod() const;
    Clock::duration resetBusyTime() const;
    static Clock::duration characterTime(); // one character at 9600 baud, 8N1

    static constexpr char kEndOfText = '\x03';
    // How much of a long stream the logger holds ready for the line at a time.
    static constexpr qsizetype kDownloadBlock = 65536;

    // Bit n set: a command may take n values.
    static constexpr quint32 takes(int n) { return 1u << n; }

    // A row more in this logger's table, or one that answers an existing text in another way.
    void addCommand(CommandEntry entry);

    // For handlers: queues `fields` as the answer to `t`, with the faults of the options applied.
    void reply(Transmission& t, const QByteArray& fields);
    bool refusesWrites() const;

private:
    enum class Phase {
        Idle,
        Text, // a command text that a longer one of the table may still continue
        Values,
        SecondStep,
    };

    const CommandEntry* findCommand(QByteArrayView text) const;
    bool continuesCommand(QByteArrayView text) const; // a longer text of the table begins so
    bool startsCommand(char byte) const;

    struct Command {
        QByteArray text;
        quint32 counts = 0; // bit n set: the command may take n values
        QStringList values;
        QByteArray current;
        QByteArray raw;
        Instant lastByte;
    };

    struct SecondStep {
        QByteArray command; // the text of the first step
        QByteArray text;
        QByteArray raw;
        QStringList lines; // "x" collects five
        Instant deadline;
    };

    struct Chunk {
        Instant start;
        QByteArray bytes;
        qsizetype sent = 0;
    };

    Clock::duration scaled(std::chrono::milliseconds base, std::chrono::milliseconds floor) const;
    void log(Instant at, const QString& text);

    void update(Instant now, bool expireCommand);
    void receiveByte(char byte, Instant now);
    void receiveText(char byte, Instant now);
    void settleText(Instant lastByte, Instant at);
    void startCommand(const CommandEntry& entry, Instant lastByte, Instant at);
    bool startsNextCommand(char byte) const;
    void receiveSecondStep(char byte, Instant now);
    void expire(Instant now);
    void complete(Instant at);
    void beginSecondStep(const QByteArray& command, Instant at);
    void finishSecondStep(Instant at);

    void accept(Transmission& t); // "OK,"
    void refuse(Transmission& t); // "ER,"
    void ignore(const QString& why);
    bool confirmedDestructive(const Transmission& t);

    void sendIdentification(Transmission& t);
    void sendAcquisitionEnabled(Transmission& t);
    bool setAcquisitionEnabled(Transmission& t);
    void stopAcquisitionOrReading(Transmission& t);
    void sendClock(Transmission& t);
    void setClock(Transmission& t);
    void sendNextAcquisition(Transmission& t);
    void sendInterval(Transmission& t);
    void setIntervalPart(Transmission& t);
    void sendMemoryState(Transmission& t);
    void sendPreheating(Transmission& t);
    void setPreheating(Transmission& t);
    void sendChannelCount(Transmission& t);
    bool setChannelCount(Transmission& t);
    void eraseMemory(Transmission& t);
    void resetLogger(Transmission& t);
    void sendProperty(Transmission& t);
    void setProperty(Transmission& t);
    void sendStationName(Transmission& t);
    void setStationName(Transmission& t);
    void sendBatteryVoltage(Transmission& t);
    void sendBatteryType(Transmission& t);
    void setBatteryTypeOrPhoneAlarm(Transmission& t);
    void sendMiniPanel(Transmission& t);
    void setMiniPanel(Transmission& t);
    void sendRainAmount(Transmission& t);
    void setRainAmount(Transmission& t);
    void sendEventCount(Transmission& t);
    void sendFsValues(Transmission& t);
    void sendGsmEntry(Transmission& t);
    void setGsmEntries(Transmission& t);
    void setGsmEnabledOrAlarmEntry(Transmission& t);
    void sendAlarmEntry(Transmission& t);
    void sendPersonalText(Transmission& t);
    bool takePersonalLine(Transmission& t);
    void sendEmailEnabledOrStartDate(Transmission& t);
    void setEmailEnabledOrStartDate(Transmission& t);
    void sendGprsSetting(Transmission& t);
    void setGprsSetting(Transmission& t);
    bool downloadRecords(Transmission& t);
    void downloadCountedOrEndMeasurement(Transmission& t);
    void startContinuousMeasurement(Transmission& t);
    void startContinuousReading(Transmission& t);

    // Queues an answer with the faults applied; returns what was queued.
    QByteArray answer(const QByteArray& fields, Instant at);
    // Queues part of a stream; `budget` counts down the bytes left before the stream falls silent.
    QByteArray sendStream(const QByteArray& bytes, Instant at, qint64& budget);
    void enqueue(const QByteArray& bytes, Instant at);
    QByteArray garble(const QByteArray& bytes);
    void record(Transmission t);

    QByteArray clockReply(const QDateTime& time, bool full) const;
    QByteArray nextAcquisitionReply(Instant at) const;
    QByteArray channelReply() const;
    QByteArray downloadLine(const QDateTime& stamp) const;
    void refillDownload(Instant now);
    QByteArray countedDownload() const;
    QByteArray measurementSet(Instant at);
    QByteArray readingGroup();
    void startStream(Stream stream, Instant at, Transmission& t);
    void emitStreamSets(Instant now);

    Options m_options;
    State m_state;
    Instant m_start;
    QDateTime m_hostAtStart;
    QRandomGenerator m_random;

    bool m_lineOpen = false;
    std::optional<Instant> m_greetAt;
    std::optional<Instant> m_busyUntil;
    Instant m_heardSince; // receive()'s `since`, while it runs
    QList<CommandEntry> m_commands;
    Phase m_phase = Phase::Idle;
    QByteArray m_text; // Phase::Text: the command text so far
    Instant m_textAt;  // when its last byte came
    Command m_command;
    SecondStep m_second;

    Stream m_stream = Stream::None;
    Instant m_nextSet;
    int m_setsSent = 0;
    qint64 m_streamBudget = -1;

    std::deque<Chunk> m_output;
    Instant m_lineFreeAt;

    // The "A" text of a full memory runs to megabytes: it is formatted a block at a time, as the
    // line takes it, so that the first byte goes out at once.
    struct Download {
        QList<QDateTime> records; // in the order sent
        qsizetype next = 0;       // the next record to format
        qint64 budget = -1;       // bytes left before the stream falls silent; -1: never
    };
    std::optional<Download> m_download;

    QList<Transmission> m_transcript;
    QList<LogEntry> m_log;
    QStringList m_notes; // said about the transmission being recorded, logged on its line
    bool m_hangUp = false;
};

// Control characters shown as escapes, the whole in double quotes: "OK,\r\n".
QString quotedForLog(const QByteArray& bytes, qsizetype limit = 160);

// The log line of a transmission, without the time: < G "," | > "05,12,2026,14,07,09,"
QString describe(const Transmission& transmission);

} // namespace stazione::sim
