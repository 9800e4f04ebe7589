#pragma once

#include "ui/handler.h"

namespace stazione::ui {
class Grafici;
class MisCont;
} // namespace stazione::ui

namespace stazione::live {

class SessionTable;

// The continuous measurement window and its chart, opened from the tab "LETTURA CONTINUA".
class MeasurementWindow : public ui::MainWindowHandler {
    Q_OBJECT

public:
    MeasurementWindow(session::Session& session, ui::Form1& form, ui::MisCont& window, ui::Grafici& chart,
                      ui::Dialogs& dialogs, QObject* parent = nullptr);
    ~MeasurementWindow() override;

    Q_INVOKABLE void cmdGrafico(); // the warning, then the window
    link::Status cmdStart();
    void cmdStop();
    void cmdGraf();
    void cmdChiudi();
    // Draws the latest n rows (0: all of them).
    void popola_grafico(int n);

    bool GraficoAperto = false;
    int Visualizzate = 1000;

    SessionTable& table() { return *m_table; }
    bool running() const { return m_running; }

private:
    void setRunning(bool running);

    ui::MisCont& m_mis;
    ui::Grafici& m_chart;
    std::unique_ptr<SessionTable> m_table;
    bool m_stop = false;
    bool m_running = false;
};

inline const QString kEnergyWarning = QStringLiteral(QT_TRANSLATE_NOOP(
    "stazione::ui::Messages",
    "Per consentire un continuo flusso di dati si consiglia di disabilitare lo spegnimento automatico del "
    "computer, il salvaschermo e le opzioni di risparmio energia."));

} // namespace stazione::live
