#pragma once

#include <QList>
#include <QObject>
#include <QString>

#include <functional>

namespace stazione::session {

// What a long wait shows while it runs: a text, how far it got (k of n, or only that it goes on)
// and a way to cancel it. Operations nest (the scan runs the retrieval): the outermost begin and
// end bound the display, the innermost text and count show.
class Progress : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    // `maximum` 0: no known end (a download of unknown length). `cancel` is what "Annulla" does.
    void begin(const QString& text, qint64 maximum, std::function<void()> cancel);
    void step(qint64 value, const QString& text = {});
    void end();

    bool active() const { return m_depth > 0; }
    QString text() const { return m_text; }
    qint64 value() const { return m_value; }
    qint64 maximum() const { return m_maximum; }

    // "Annulla": ends the operation under way (nothing when none runs).
    void cancel();

    // Keeps a progress open for a scope.
    class Scope {
    public:
        Scope(Progress& progress, const QString& text, qint64 maximum, std::function<void()> cancel)
            : m_progress(progress)
        {
            progress.begin(text, maximum, std::move(cancel));
        }
        ~Scope() { m_progress.end(); }
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        Progress& m_progress;
    };

signals:
    void changed();
    void ended();

private:
    struct Level {
        QString text;
        qint64 maximum = 0;
        std::function<void()> cancel;
    };
    int m_depth = 0;
    QList<Level> m_levels;
    QString m_text;
    qint64 m_value = 0;
    qint64 m_maximum = 0;
};

} // namespace stazione::session
