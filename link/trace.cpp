#include "link/trace.h"

#include "link/settings_file.h"

#include <QTime>

Q_LOGGING_CATEGORY(lcLink, "stazione.link", QtWarningMsg)

namespace stazione::link {

Trace::Trace(const QString& path, Target target)
    : m_file(path)
    , m_clock([] { return QTime::currentTime().toString(QStringLiteral("hh:mm:ss.zzz")); })
{
    bool opened = false;
    if (target == Target::OwnFile) {
        opened = openAppendFile(m_file, path, &m_why);
    } else {
        opened = m_file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text);
    }
    if (!opened)
        qCWarning(lcLink) << "cannot open the trace" << path << errorString();
}

Trace::~Trace()
{
    endLine();
}

QString Trace::shown(char byte)
{
    const auto c = static_cast<unsigned char>(byte);
    // "<" itself is written as an escape too, so that every "<" in a line starts one.
    if (((c >= 0x20 && c < 0x7f) || c >= 0xa0) && c != '<')
        return QString(QChar(c));
    return QLatin1Char('<') + QString::number(c, 16).toUpper().rightJustified(2, QLatin1Char('0')) +
           QLatin1Char('>');
}

void Trace::sent(QByteArrayView bytes, Part part)
{
    if (bytes.isEmpty() || !m_file.isOpen())
        return;
    if (part == Part::Command || m_line != Line::Sent) {
        endLine();
        if (m_anyBlock)
            write(QStringLiteral("\n"));
        m_anyBlock = true;
        startLine(Line::Sent, ">");
        m_parametersInLine = part == Part::Parameters;
    } else if (!m_parametersInLine) {
        write(QStringLiteral("  "));
        m_parametersInLine = true;
    }
    QString text;
    for (char b : bytes)
        text += shown(b);
    write(text);
}

void Trace::received(QByteArrayView bytes)
{
    if (bytes.isEmpty() || !m_file.isOpen())
        return;
    QString text;
    for (char b : bytes) {
        if (m_line != Line::Received) {
            write(text);
            text.clear();
            startLine(Line::Received, "<");
        }
        text += shown(b);
        if (b == '\n') {
            write(text);
            text.clear();
            endLine();
        }
    }
    write(text);
}

void Trace::dropped(QByteArrayView bytes)
{
    if (bytes.isEmpty() || !m_file.isOpen())
        return;
    if (m_line != Line::Dropped)
        startLine(Line::Dropped, "<");
    QString text;
    for (char b : bytes)
        text += shown(b);
    write(text);
    endLine();
}

void Trace::note(const QString& text)
{
    if (!m_file.isOpen())
        return;
    endLine();
    if (m_anyBlock)
        write(QStringLiteral("\n"));
    m_anyBlock = true;
    write(m_clock() + QStringLiteral(" - ") + text + QLatin1Char('\n'));
}

void Trace::startLine(Line kind, const char* arrow)
{
    endLine();
    m_line = kind;
    write(m_clock() + QLatin1Char(' ') + QLatin1String(arrow) + QLatin1Char(' '));
}

void Trace::endLine()
{
    if (m_line == Line::None)
        return;
    write(m_line == Line::Dropped ? QStringLiteral(" (dropped)\n") : QStringLiteral("\n"));
    m_line = Line::None;
    m_parametersInLine = false;
}

void Trace::write(const QString& text)
{
    if (text.isEmpty() || !m_file.isOpen())
        return;
    const QByteArray bytes = text.toUtf8();
    // A full disk takes only part of a write; the trace then stops rather than leave gaps.
    if (m_file.write(bytes) == bytes.size() && m_file.flush())
        return;
    const QString why =
        QStringLiteral("The trace %1 could not be written: %2").arg(path(), m_file.errorString());
    qCWarning(lcLink).noquote() << why;
    m_failed = true;
    m_line = Line::None;
    m_file.close();
    if (m_onFailure)
        m_onFailure(why);
}

} // namespace stazione::link
