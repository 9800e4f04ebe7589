#pragma once

#include "ui/handler.h"

namespace stazione::config {
class ClockScheduleHandlers;
}

namespace stazione::alarms {

// The GSM address book, the SMS, phone and GSM switches, e-mail and GPRS on the main window.
class MessagingHandlers : public ui::MainWindowHandler {
    Q_OBJECT

public:
    MessagingHandlers(session::Session& session, ui::Form1& form, ui::Dialogs& dialogs,
                      config::ClockScheduleHandlers& clock, QObject* parent = nullptr);

    Q_INVOKABLE link::Status LEGGI_GSM();
    Q_INVOKABLE link::Status SCRIVI_GSM();
    Q_INVOKABLE link::Status Abilita_SMS_MouseDown(bool checkedAtPress);
    Q_INVOKABLE link::Status Abilita_Telefono_MouseDown(bool checkedAtPress);
    Q_INVOKABLE link::Status Telefono_MouseDown(bool checkedAtPress);
    Q_INVOKABLE link::Status Leggi_Email();
    Q_INVOKABLE link::Status EMAIL_MouseDown(bool checkedAtPress);
    Q_INVOKABLE link::Status LeggiGPRS();
    Q_INVOKABLE link::Status ScriviGPRS();

private:
    QStringList gsmBoxes() const;
    config::ClockScheduleHandlers& m_clock;
};

} // namespace stazione::alarms
