#pragma once

#include <QObject>

class QSocketNotifier;

namespace stazione::cli {

// Turns Ctrl-C (SIGINT) and SIGTERM into a Qt signal delivered by the event loop, so that a
// running session can finish its set, tell the logger to stop and close its file.
class Interrupt : public QObject {
    Q_OBJECT

public:
    explicit Interrupt(QObject* parent = nullptr);
    ~Interrupt() override;

    bool requested() const { return m_requested; }

signals:
    void triggered();

private:
    QSocketNotifier* m_notifier = nullptr;
    bool m_requested = false;
};

} // namespace stazione::cli
