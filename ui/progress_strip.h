#pragma once

#include <QWidget>

#include <chrono>

class QElapsedTimer;
class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

namespace stazione::link {
class Link;
}
namespace stazione::session {
class Progress;
}

namespace stazione::ui {

// A long wait as the operator sees it: what runs, how far it got, the logger's pause filling up,
// and "Annulla". Shown only while something runs.
class ProgressStrip : public QWidget {
    Q_OBJECT

public:
    ProgressStrip(session::Progress& progress, link::Link& link, QWidget* parent = nullptr);
    ~ProgressStrip() override;

    QLabel* Avanzamento = nullptr;
    QProgressBar* Barra = nullptr;
    QProgressBar* Pausa = nullptr; // the logger's pause, filling
    QLabel* PausaTesto = nullptr;  // its label
    QPushButton* Annulla = nullptr;

private:
    void refresh();
    void startPause(std::chrono::milliseconds duration);

    session::Progress& m_progress;
    QTimer* m_pauseTimer = nullptr;
    QElapsedTimer* m_pauseClock = nullptr;
    qint64 m_pauseMs = 0;
};

} // namespace stazione::ui
