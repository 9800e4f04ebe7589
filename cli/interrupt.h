#pragma once

#include <QObject>
#include <QString>

class QSocketNotifier;

namespace stazione::cli {

// Turns Ctrl-C (SIGINT) and SIGTERM into a Qt signal delivered by the event loop, so that a
// running session can finish its set, tell the logger to stop and close its file.
class Interrupt : public QObject {
    Q_OBJECT

public:
    // What a second signal does. A session ends at once on a second Ctrl-C; a collection ignores
    // it, since its hang-up is bounded and a signal may reach it twice (systemd signals every
    // process of the unit, and a parent passes the signal on to its children as well).
    enum class Repeat { EndsAtOnce, Ignored };

    explicit Interrupt(QObject* parent = nullptr, Repeat repeat = Repeat::EndsAtOnce);
    ~Interrupt() override;

    bool requested() const { return m_requested; }
    // SIGINT or SIGTERM, the first that came; 0 before.
    int signalNumber() const { return m_signal; }
    // The conventional exit status of a program ended by that signal: 130, 143.
    int exitStatus() const { return 128 + m_signal; }
    // "SIGINT", "SIGTERM".
    QString signalName() const;
    // Takes a signal that came while no event loop ran (a call blocked in the kernel) at once, as
    // the event loop would have: `requested` is true afterwards and `triggered` was emitted.
    void check();

signals:
    void triggered();

private:
    void take(Repeat repeat);

    QSocketNotifier* m_notifier = nullptr;
    Repeat m_repeat = Repeat::EndsAtOnce;
    bool m_requested = false;
    int m_signal = 0;
};

} // namespace stazione::cli
