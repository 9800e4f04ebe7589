#pragma once

#include "link/result.h"
#include "network/alerts.h"
#include "network/collection_report.h"
#include "network/network_status.h"
#include "session/retrieval.h"

#include <QObject>

#include <functional>

class QTimer;

namespace stazione::session {
class Session;
}
namespace stazione::ui {
class Dialogs;
class Form1;
class Form2;
class ModemWindow;
} // namespace stazione::ui

namespace stazione::modem {

// The modem window: the station directory, finding the modem, dialling, watching the call come up,
// the start of the session over it, the retry read and the hang-up.
class ModemHandlers : public QObject {
    Q_OBJECT

public:
    struct Steps {
        // One step of the parameter retrieval, as the main window's buttons do it.
        std::function<link::Status(session::RetrievalStep)> retrieval;
        // The GPRS settings and the GSM numbers, read when the window is adapted to a GSM model.
        std::function<link::Status()> gsmReads;
    };

    ModemHandlers(session::Session& session, ui::Form2& form2, ui::Form1& form1, ui::ModemWindow& window,
                  ui::Dialogs& dialogs, Steps steps, QObject* parent = nullptr);

    void open(); // from the connection window: shows the window and loads its files
    void Form_Load();
    void Form_Unload();
    // Marks each row with the outcome of its station's last collection, read from the report.
    void showCollections();
    void SERMODEM_Change();
    void CERCAMODEM_Click();
    void Sel_Click(int row);
    void Salva_Click();
    link::Status Connetti_Click();
    link::Status Scarica_Vai_Click();
    void Timer1_Timer();
    link::Status Interrompi_Click();
    link::Status Riprova_Click();
    // Builds the web report of the last collection's folder when the report or the alerts are
    // newer than it, then opens its index.html with `openPage`.
    void Rapporto_Click();
    std::function<bool(const QString& path)> openPage;

    int Stazione_Scelta = 0;
    QString Ricevuto;
    QTimer* Timer1 = nullptr;

signals:
    // The main window took over the call (after the start-up or the retry read).
    void handedOver();

private:
    link::Status dial(bool pauseAfterFirstDigit);
    link::Status startUp(); // after CONNECT
    void handOver();
    void show(const QString& text);
    static QString alertText(const data::Alert& alert);
    // The port of the logger's cable connection, never probed with AT text.
    bool isCablePort(int port) const;
    // The ports there are, the cable's left out.
    QList<int> portsBesidesCable() const;
    int firstPortBesidesCable() const;
    static QString cablePortText(int port);
    static QString resultWords(data::CollectResult result);

    session::Session& m_session;
    ui::Form2& m_form2;
    ui::Form1& m_form1;
    ui::ModemWindow& m_window;
    ui::Dialogs& m_dialogs;
    Steps m_steps;
    bool m_loading = false;
};

} // namespace stazione::modem
