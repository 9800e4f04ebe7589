#pragma once

#include "ui/handler.h"

namespace stazione::alarms {

// The start date on the main window: read, write, and "Esegui Subito La Misura".
class StartDateHandlers : public ui::MainWindowHandler {
    Q_OBJECT

public:
    StartDateHandlers(session::Session& session, ui::Form1& form, ui::Dialogs& dialogs,
                      QObject* parent = nullptr);

    Q_INVOKABLE link::Status LeggiDataAllarme();
    Q_INVOKABLE link::Status ScriviDataAllarme();
    Q_INVOKABLE link::Status Subito();

private:
    bool timeBoxesValid(bool beep);
};

} // namespace stazione::alarms
