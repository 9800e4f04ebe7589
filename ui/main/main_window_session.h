#pragma once

#include "link/result.h"

#include <QObject>

#include <memory>

namespace stazione::config {
class ClockScheduleHandlers;
class SettingsHandlers;
} // namespace stazione::config
namespace stazione::link {
class Trace;
}
namespace stazione::ui {
class Dialogs;
class Form1;
} // namespace stazione::ui

namespace stazione::session {

class Session;

// The main window's session buttons: reset and memory erase with their confirmations, the
// recovery button, the read behind "leggifs", and the end of the session when the window closes.
class MainWindowSession : public QObject {
    Q_OBJECT

public:
    MainWindowSession(Session& session, ui::Form1& form, config::ClockScheduleHandlers& clock,
                      config::SettingsHandlers& settings, ui::Dialogs& dialogs, QObject* parent = nullptr);
    ~MainWindowSession() override;

    link::Status Resetta_Click();
    link::Status Azzera_memoria_Click();
    // RESTORE: ends a wait that is still pending, drops half-received replies, unlocks.
    void RIPRISTINA_DA_ERRORI_Click();
    link::Status leggifs_Click();
    // Closes the port and writes the session log; reports a log that cannot be written.
    void Form_Unload();
    // "Traccia comunicazione": starts or ends the trace of the line in the data folder.
    void TracciaComunicazione_Click(bool on);

signals:
    // The main window closed and its work is done: the program ends.
    void finished();

private:
    // A click: the operation as one exchange, refused with a beep while another one waits.
    void run(link::Status (MainWindowSession::*operation)());

    Session& m_session;
    ui::Form1& m_form;
    config::ClockScheduleHandlers& m_clock;
    config::SettingsHandlers& m_settings;
    ui::Dialogs& m_dialogs;
    std::unique_ptr<link::Trace> m_trace;
};

} // namespace stazione::session
