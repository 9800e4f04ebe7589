#pragma once

#include "ui/handler.h"

namespace stazione::ui {
class Allarmi_An;
}

namespace stazione::alarms {

// The analog-alarm window: opened from the main window (which hides meanwhile), it reads and
// writes the alarm rows of each channel group and the personal SMS text.
class AnalogAlarmsWindow : public ui::MainWindowHandler {
    Q_OBJECT

public:
    AnalogAlarmsWindow(session::Session& session, ui::Form1& form, ui::Allarmi_An& window,
                       ui::Dialogs& dialogs, QObject* parent = nullptr);

    void Leggi_Allarmi(); // open the window
    void Form_Unload();
    link::Status Leggi_all(int k);
    link::Status ScriviAll(int k);
    link::Status MESSAGGIO_PERSONALE_LEGGI();
    link::Status MESSAGGIO_PERSONALE_SCRIVI();

private:
    int rowsOf(int k) const; // the row count in MUX (k) of the main window
    void setButtonsEnabled(bool enabled);

    ui::Allarmi_An& m_alarms;
};

} // namespace stazione::alarms
