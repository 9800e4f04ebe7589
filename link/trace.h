#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QFile>
#include <QLoggingCategory>
#include <QString>

#include <functional>

// The link's own logging category: "QT_LOGGING_RULES=stazione.link.debug=true" shows every
// command sent and every field read; opening, closing and failed waits are logged as info.
Q_DECLARE_LOGGING_CATEGORY(lcLink)

namespace stazione::link {

// A person-readable record of every byte that goes over the line, for when a logger misbehaves:
//
//     14:03:07.123 > q  POZZO1,
//     14:03:07.310 < OK,
//
// A line holds the bytes of one direction from the time stamp of its first byte; each command
// sent opens a new block after a blank line, and the command is set apart from its parameters by
// two blanks. Bytes outside printable Latin-1, and "<" itself, are written as <03>; a received LF
// ends its line.
// Bytes the program threw away unread end their line with "(dropped)".
class Trace {
public:
    // Where the trace goes: a path the user gave (a terminal or a pipe will do), or the file the
    // program names itself, which is only ever a regular file: a link in its place is replaced,
    // never followed, and a fifo or a device is refused.
    enum class Target { AsGiven, OwnFile };
    // Appends to the file, created when missing.
    explicit Trace(const QString& path, Target target = Target::AsGiven);
    ~Trace();
    Trace(const Trace&) = delete;
    Trace& operator=(const Trace&) = delete;

    bool isOpen() const { return m_file.isOpen(); }
    // A write fell short (a full disk): the trace has stopped, and says so once through this.
    void setOnFailure(std::function<void(const QString& why)> onFailure)
    {
        m_onFailure = std::move(onFailure);
    }
    bool failed() const { return m_failed; }
    QString errorString() const { return m_why.isEmpty() ? m_file.errorString() : m_why; }
    QString path() const { return m_file.fileName(); }

    enum class Part { Command, Parameters };
    void sent(QByteArrayView bytes, Part part);
    void received(QByteArrayView bytes);
    void dropped(QByteArrayView bytes);
    // A line of its own for what happened to the port: "14:03:07.000 - COM3 opened on /dev/pts/4".
    void note(const QString& text);

    // The time stamp of each line; the tests give a fixed clock.
    void setClock(std::function<QString()> clock) { m_clock = std::move(clock); }

    // One byte as the trace shows it: itself when printable, else "<hh>".
    static QString shown(char byte);

private:
    enum class Line { None, Sent, Received, Dropped };
    void startLine(Line kind, const char* arrow);
    void endLine();
    void write(const QString& text);

    QFile m_file;
    QString m_why; // why the file did not open
    Line m_line = Line::None;
    bool m_parametersInLine = false; // the parameters of the sent line's command have begun
    bool m_anyBlock = false;
    std::function<QString()> m_clock;
    std::function<void(const QString&)> m_onFailure;
    bool m_failed = false;
};

} // namespace stazione::link
