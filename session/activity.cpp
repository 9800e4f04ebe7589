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

Activity::Outcome Activity::outcomeOf(const link::Error& error)
{
    switch (error.kind) {
    case link::ErrorKind::Cancelled:
        return Outcome::Cancelled;
    case link::ErrorKind::Refused:
        return Outcome::Refused;
    default:
        return Outcome::Failed;
    }
}

void Activity::failed(const QString& what, const link::Error& error)
{
    // One line in the pane: a message of several sentences is joined.
    QString text;
    if (!error.kept.isEmpty()) {
        // A job cut short says why by its kind and what it kept: its notes would say that twice.
        link::Error plain = error;
        plain.shown.clear();
        plain.notes.clear();
        text = what + QStringLiteral(": ") + link::operatorMessage(plain).simplified() +
               QStringLiteral("; ") + error.kept;
    } else {
        text = what + QStringLiteral(": ") + link::operatorMessage(error).simplified();
    }
    add(text, outcomeOf(error));
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
