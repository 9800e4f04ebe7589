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

    link::Status preacc();        // read the pre-heating time
    link::Status impostapreacc(); // write it
    link::Status leggicanali();   // read the channel count
    link::Status Scrivicanali();  // write it, after erasing the memory
    link::Status leggi_nome();
    link::Status imposta_nome();
    link::Status readBatteryVoltage(); // shows the battery voltage
    link::Status BATTPB_READ();        // battery type
    link::Status BATTPBX_Click();      // write the battery type (any change of the box)
    link::Status minipan_read();
    link::Status minipan_Click(); // write the mini-panel switch (any change of the box)
    link::Status PLUVIOMETRO_MouseDown(bool checkedAtPress);
    link::Status mmpioggialeggi();
    link::Status mmpioggiatastoscrivi();
    link::Status CONTAIMP(); // event count

private:
    // A switch box changed: write it, unless the change came while another exchange waits.
    void onStateChange(QCheckBox* box, link::Status (SettingsHandlers::*write)());
};

} // namespace stazione::config
