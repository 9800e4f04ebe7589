#pragma once

#include "ui/handler.h"

class QTimer;

namespace stazione::live {

// The tab "LETTURA CONTINUA": the live readings of the channels, until "Termina la misura continua".
class ContinuousReadingHandlers : public ui::MainWindowHandler {
    Q_OBJECT

public:
    ContinuousReadingHandlers(session::Session& session, ui::Form1& form, ui::Dialogs& dialogs,
                              QObject* parent = nullptr);

    Q_INVOKABLE link::Status MISCONTINUA(int g);
    link::Status constop();
    bool reading() const { return m_reading; }

private:
    bool m_reading = false;
    // After the stop the logger finishes its group; if it does not, the wait ends after this.
    QTimer* m_grace;
};

} // namespace stazione::live
