#pragma once

#include "link/result.h"
#include "session/port_scan.h"
#include "session/retrieval.h"

#include <QObject>

namespace stazione::ui {
class Dialogs;
class Form1;
class Form2;
} // namespace stazione::ui

namespace stazione::session {

class Session;

// The connection window's buttons: the port scan, the connection without a scan, the modem
// connection and the logger reset.
class Connection : public QObject {
    Q_OBJECT

public:
    Connection(Session& session, ui::Form2& form2, ui::Form1& form1, ui::Dialogs& dialogs,
               QObject* parent = nullptr);

    // How one step of the retrieval after connection is done (the main window's reading buttons).
    void setRetrieval(std::function<link::Status(RetrievalStep)> step) { m_retrievalStep = std::move(step); }
    // The reads a model with GSM needs when the window is adapted to it (GPRS, then the numbers).
    void setGsmReads(std::function<link::Status()> reads) { m_gsmReads = std::move(reads); }

    // CONNESSIONE: finds the logger, adapts the main window to its model, reads its parameters
    // into it and hands over. False when no logger was found or a read of the retrieval failed
    // (the status text says which); the connection window then stays.
    link::Result<bool> Command1_Click();
    // Connessione Passo Passo: the saved port, no scan, no identification.
    void No_conn_Click();
    // CONNESSIONE CON MODEM.
    void Command2_Click();
    // Resetta QX455: after a confirmation resets the logger, then scans again.
    void Command3_Click();

    // Status texts for the serial component's error numbers.
    static QString portErrorMessage(int number);
    static QString notFoundText();

signals:
    // The main window took over after a scan found and identified the logger.
    void identified(const session::Identification& id);
    void modemRequested();

private:
    // CONNESSIONE as clicked: a failure is told to the operator.
    void Command1_Report();
    void handOver();
    void appendStatus(const QString& line);
    // The connection window's buttons are off while an exchange works on the port.
    void setButtonsEnabled(bool enabled);

public:
    // Lists the ports in the connection window again, the current one chosen.
    void refreshPorts();

private:
    Session& m_session;
    ui::Form2& m_form2;
    ui::Form1& m_form1;
    ui::Dialogs& m_dialogs;
    std::function<link::Status(RetrievalStep)> m_retrievalStep;
    std::function<link::Status()> m_gsmReads;
};

} // namespace stazione::session
