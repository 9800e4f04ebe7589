#include "session/activity.h"

#include "link/messages.h"

namespace stazione::session {

void Activity::add(const QString& text, Outcome outcome)
{
    Entry entry{QTime::currentTime(), text, outcome};
    if (m_entries.size() >= kMaxEntries)
        m_entries.removeFirst();
    m_entries.append(entry);
    emit added(entry);
}

void Activity::failed(const QString& what, const link::Error& error)
{
    add(what + QStringLiteral(": ") + link::operatorMessage(error),
        error.kind == link::ErrorKind::Cancelled || error.kind == link::ErrorKind::Refused ? Outcome::Refused
                                                                                           : Outcome::Failed);
}

void Activity::clear()
{
    m_entries.clear();
    emit cleared();
}

QString Activity::line(const Entry& entry)
{
    return entry.time.toString(QStringLiteral("HH:mm:ss")) + QStringLiteral("  ") + entry.text;
}

} // namespace stazione::session
