#pragma once

#include "link/result.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QTime>

namespace stazione::session {

// What the operator looks back on: every exchange with the logger and how it ended, newest last.
// The windows' title bars show only the latest result; this keeps them all, with the time.
class Activity : public QObject {
    Q_OBJECT

public:
    enum class Outcome {
        Done,      // the exchange did what was asked
        Refused,   // the logger refused the value, or the program did not start the exchange
        Failed,    // no answer, the line or the port failed
        Cancelled, // the operator stopped it; what it had received is kept where the line says
    };
    struct Entry {
        QTime time;
        QString text;
        Outcome outcome = Outcome::Done;
    };

    // The oldest entries go beyond this many: a day of continuous work stays well inside it.
    static constexpr qsizetype kMaxEntries = 5000;

    using QObject::QObject;

    void add(const QString& text, Outcome outcome = Outcome::Done);
    // "what: reason" for an exchange that stopped, followed by what of its work was kept. The
    // error's kind alone decides the outcome: a refusal, a cancel, or a failure.
    void failed(const QString& what, const link::Error& error);
    static Outcome outcomeOf(const link::Error& error);

    const QList<Entry>& entries() const { return m_entries; }
    void clear();

    // "14:03:07  text": the line as the pane shows and copies it.
    static QString line(const Entry& entry);

signals:
    void added(const stazione::session::Activity::Entry& entry);
    void cleared();

private:
    QList<Entry> m_entries;
};

} // namespace stazione::session
