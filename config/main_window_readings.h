#pragma once

#include "link/result.h"

#include <QObject>

namespace stazione::session {
class Session;
}
namespace stazione::ui {
class Dialogs;
class Form1;
} // namespace stazione::ui

namespace stazione::config {

// The main window's reading buttons for channels, memory, interval, station name and the
// acquisition state. Each operation locks the controls for its exchange and can be run by other
// operations (the reset, the retrieval after connection); it returns how the exchange ended so
// that a caller stops at the first failure.
class MainWindowReadings : public QObject {
    Q_OBJECT

public:
    MainWindowReadings(session::Session& session, ui::Form1& form, ui::Dialogs& dialogs,
                       QObject* parent = nullptr);

    link::Status leggicanali();  // channel count into MUX (0)
    link::Status Aggiorna_acq(); // memory state
    link::Status Command2();     // acquisition interval
    link::Status leggi_nome();   // station name
    link::Status ReadSt();       // acquisition enabled

private:
    void run(const link::Status& outcome);

    session::Session& m_session;
    ui::Form1& m_form;
    ui::Dialogs& m_dialogs;
};

} // namespace stazione::config
