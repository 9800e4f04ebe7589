#pragma once

#include "link/comm_port.h"
#include "link/result.h"
#include "link/timing.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <optional>

namespace stazione::link {

// The exchange of commands and comma-terminated reply fields with the logger, over the one
// serial port of the program. Every window and the command line go through these routines.
//
// The connection state is kept here as the rest of the program knows it: the port number, whether
// the connection holds the port open between exchanges, the last field read, the received text
// not yet consumed, and the parameter text of the next command.
// A time-out the operator gives in seconds (a reply, a call): 0.1 s to 3600 s. Nothing for any
// other value, nan and infinities included.
std::optional<std::chrono::milliseconds> timeoutFromSeconds(double seconds);
inline constexpr double kMinTimeoutSeconds = 0.1;
inline constexpr double kMaxTimeoutSeconds = 3600;

class Link : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds kDefaultReplyTimeout{10000};
    static constexpr std::chrono::milliseconds kMaxTimeout{3600 * 1000};

    explicit Link(CommPort& port, QObject* parent = nullptr);

    qint16 Porta = 0;          // port number of the connection, COMn
    bool Porta_Aperta = false; // a connection was made: the port stays open between exchanges
    QString Risposta;          // the last field read

    // Received text not yet consumed as fields.
    QByteArray Accumulo() const { return m_accumulo.mid(m_head); }

    // Opens port n at 9600,N,8,1 with DTR raised and listens whether the logger says anything:
    // true when it did, false when it stayed silent (the port then stays open). An error (no
    // such port, port in use) closes the port; its number tells which.
    Result<bool> Apri_Porta(qint16 porta);

    // Writes the command text in one piece, then each parameter character alone followed by a
    // pause of one hundredth: the logger takes parameters a character at a time. What was received
    // before is dropped first, unless `input` says to keep it: a stop sent into a stream that is
    // still being read must not throw away the half-read field.
    enum class Input { Discard, Keep };
    Status Invia_Comando(const QString& comando, const QString& parametri, Input input = Input::Discard);

    // The next reply field, without its comma. Text after the comma stays for the next call.
    // Waits at most the reply time-out for the field to complete.
    Result<QString> Leggi_Risposta();

    // Every reply field received in full so far, as Leggi_Risposta would cut them one by one, in
    // one text that ends with the last one's comma: a long counted stream is cut into fields
    // without a string or a call for each. It waits (at most the reply time-out) only when no
    // field is complete yet, and does not touch Risposta. The text stays valid only until the
    // next read from this link; the half field after the last comma stays for that read.
    Result<QByteArrayView> nextFields();
    // The same without reading the port or waiting: empty when no field is complete.
    QByteArrayView waitingFields()
    {
        const char* const from = m_accumulo.constData() + m_head;
        const qsizetype n = m_accumulo.size() - m_head;
        const void* const last = n > 0 ? ::memrchr(from, ',', size_t(n)) : nullptr;
        if (!last)
            return {};
        const QByteArrayView fields(from, static_cast<const char*>(last) + 1 - from);
        consumeTo(m_head + fields.size());
        return fields;
    }
    // The last n characters nextFields or waitingFields gave were not used: they stay for the next
    // read. Only before that read.
    void putBack(qsizetype n) { consumeTo(m_head - std::clamp<qsizetype>(n, 0, m_head)); }

    // Drops everything received so far, in the port and in Accumulo.
    Status Svuota_Buffer();

    // Pauses for more than n hundredths of a second (scaled by STAZIONE_TIME_SCALE).
    void Ritardo(int centesimi);

    Status Porta_On();
    void Porta_Off();

    // Discards pending input, writes the text, waits for at least n received characters and
    // returns all that is waiting. For replies of known length.
    Result<QString> Invia_Attendi(const QString& testo, int n);

    // Longer than an hour is taken as an hour: the timers behind the waits count milliseconds in
    // an int, and a wait must stay bounded.
    void setReplyTimeout(std::chrono::milliseconds timeout)
    {
        m_replyTimeout = std::clamp(timeout, std::chrono::milliseconds(1), kMaxTimeout);
    }
    std::chrono::milliseconds replyTimeout() const { return m_replyTimeout; }

    // Ends the reply wait that is pending, if any, with ErrorKind::Cancelled.
    void cancel() { m_port.cancelWaits(); }
    // Ends the operation under way: the pending wait and pause, and every wait and pause that
    // follows until clearAbort() (the operation's end, or the next operation's start).
    void abort();
    void clearAbort();
    // True while a routine waits for the logger or pauses: the event loop runs below it.
    bool inWait() const { return m_pauses > 0 || m_port.waiting(); }

    CommPort& port() { return m_port; }

signals:
    // A pause of the logger's timing begins (one of a second or more): a window shows it filling.
    void pauseStarted(std::chrono::milliseconds duration);
    // Before a command, the tail of a stream cut short on this side is waited out: the windows
    // show the wait, how long it may still take (about once a second) and its "Annulla".
    void drainStarted();
    void drainTick(qint64 secondsLeft);
    void drainEnded();

private:
    // Opens the port around one routine while no connection holds it open.
    class Around;

    // Reads until the unconsumed text holds a comma and gives its index, or the wait's failure.
    Result<qsizetype> readToComma();
    void consumeTo(qsizetype next)
    {
        m_head = next;
        ++m_accumuloChanges;
    }
    void dropConsumed();
    Error waitFailure(CommPort::Wait wait, const QByteArray& partial) const;
    // A pause of the logger's timing; Announce::Yes tells the windows (pauseStarted). False when
    // the operation was aborted before the pause was over.
    enum class Announce { No, Yes };
    bool pause(std::chrono::milliseconds duration, Announce announce);
    void discardAccumulo();

    CommPort& m_port;
    QByteArray m_accumulo;
    qsizetype m_head = 0; // consumed prefix of m_accumulo
    // Counts every consumption, compaction and discard of m_accumulo: a wait that finds it changed
    // searches the unconsumed text again instead of where it had stopped.
    quint64 m_accumuloChanges = 0;
    int m_pauses = 0; // pauses running now (nested ones count each)
    std::chrono::milliseconds m_replyTimeout;
};

} // namespace stazione::link
