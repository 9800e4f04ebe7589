#pragma once

#include "ui/handler.h"

namespace stazione::config {

// Pre-heating, channel count, station name, power supply, mini-panel, event counter and rain
// amount on the main window.
class SettingsHandlers : public ui::MainWindowHandler {
    Q_OBJECT

public:
    SettingsHandlers(session::Session& session, ui::Form1& form, ui::Dialogs& dialogs,
                     QObject* parent = nullptr);

    Q_INVOKABLE link::Status preacc();        // read the pre-heating time
    Q_INVOKABLE link::Status impostapreacc(); // write it
    Q_INVOKABLE link::Status leggicanali();   // read the channel count
    Q_INVOKABLE link::Status Scrivicanali();  // write it, after erasing the memory
    Q_INVOKABLE link::Status leggi_nome();
    Q_INVOKABLE link::Status imposta_nome();
    Q_INVOKABLE link::Status readBatteryVoltage(); // shows the battery voltage
    Q_INVOKABLE link::Status BATTPB_READ();        // battery type
    link::Status BATTPBX_Click();                  // write the battery type (any change of the box)
    Q_INVOKABLE link::Status minipan_read();
    link::Status minipan_Click(); // write the mini-panel switch (any change of the box)
    Q_INVOKABLE link::Status PLUVIOMETRO_MouseDown(bool checkedAtPress);
    Q_INVOKABLE link::Status mmpioggialeggi();
    Q_INVOKABLE link::Status mmpioggiatastoscrivi();
    Q_INVOKABLE link::Status CONTAIMP(); // event count

private:
    // A switch box changed: write it, unless the change came while another exchange waits.
    void onStateChange(QCheckBox* box, link::Status (SettingsHandlers::*write)());
};

} // namespace stazione::config
