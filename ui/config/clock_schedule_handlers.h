#pragma once

#include "config/date_fields.h"
#include "ui/handler.h"

#include <array>

class QCheckBox;
class QLineEdit;

namespace stazione::config {

// The main window's clock, next acquisition, interval, acquisition switch and memory controls.
class ClockScheduleHandlers : public ui::MainWindowHandler {
    Q_OBJECT

public:
    // `gsmStation` is the connection window's "Versione GSM" box: it sets the minimum interval.
    ClockScheduleHandlers(session::Session& session, ui::Form1& form, ui::Dialogs& dialogs,
                          const QCheckBox& gsmStation, QObject* parent = nullptr);

    Q_INVOKABLE link::Status leggidata();   // read the clock
    Q_INVOKABLE link::Status impostadata(); // write the clock
    void dataPC();                          // the PC's date and time into the clock boxes
    Q_INVOKABLE link::Status leggiprox();   // next acquisition
    Q_INVOKABLE link::Status Command2();    // read the interval
    Q_INVOKABLE link::Status Command1();    // write the interval
    Q_INVOKABLE link::Status data_logging_MouseDown(bool checkedAtPress);
    Q_INVOKABLE link::Status ReadSt(); // read the acquisition switch
    Q_INVOKABLE link::Status stopacq();
    Q_INVOKABLE link::Status Aggiorna_acq(); // memory state

private:
    const QCheckBox& m_gsmStation;
};

// Fills six date boxes and colours them light green.
void showDate(const std::array<QLineEdit*, 6>& boxes, const DateFields& fields);

} // namespace stazione::config
