#include "ui/main/connection.h"

#include "data/downloads.h"
#include "data/file_names.h"
#include "link/exchange.h"
#include "link/messages.h"
#include "link/models.h"
#include "link/port_resolver.h"
#include "session/session.h"
#include "ui/dialogs.h"
#include "ui/form1.h"
#include "ui/form2.h"
#include "ui/main/adaptation.h"
#include "ui/windows.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace stazione::session {

namespace {

const QColor kFoundGreen(0, 192, 0);
const QColor kResetMagenta(255, 0, 255);

} // namespace

Connection::Connection(Session& session, ui::Form2& form2, ui::Form1& form1, ui::Dialogs& dialogs,
                       QObject* parent)
    : QObject(parent)
    , m_session(session)
    , m_form2(form2)
    , m_form1(form1)
    , m_dialogs(dialogs)
{
    // The scan tries the saved port first; the connection without a scan uses it too.
    m_session.link().Porta = static_cast<qint16>(readSavedPort(savedPortFile()));

    // A second scan started while the first waits on the port would mix their exchanges: the
    // buttons rest while any exchange runs, and the guard refuses what gets through.
    connect(&session.guard(), &ExchangeGuard::started, this, [this] { setButtonsEnabled(false); });
    connect(&session.guard(), &ExchangeGuard::finished, this, [this] { setButtonsEnabled(true); });
    auto click = [this](void (Connection::*operation)()) {
        return [this, operation] {
            const auto exchange = m_session.guard().begin();
            if (!exchange) {
                m_dialogs.beep();
                return;
            }
            (this->*operation)();
        };
    };
    connect(form2.Command1, &QPushButton::clicked, this, click(&Connection::Command1_Report));
    connect(form2.No_conn, &QPushButton::clicked, this, click(&Connection::No_conn_Click));
    refreshPorts();
    connect(form2.Porta, &QComboBox::activated, this, [this](int index) {
        const int porta = m_form2.Porta->itemData(index).toInt();
        if (porta <= 0)
            return;
        // The scan starts from the saved port: the choice is saved as a found port would be.
        m_session.link().Porta = static_cast<qint16>(porta);
        writeSavedPort(savedPortFile(), porta);
        m_session.activity().add(tr("Porta scelta: %1").arg(m_form2.Porta->itemText(index)));
    });
    connect(form2.Command2, &QPushButton::clicked, this, click(&Connection::Command2_Click));
    connect(form2.Command3, &QPushButton::clicked, this, click(&Connection::Command3_Click));
}

void Connection::Command1_Report()
{
    auto outcome = Command1_Click();
    if (!outcome)
        ui::reportError(m_dialogs, &m_form2, outcome.error());
}

void Connection::refreshPorts()
{
    QComboBox* box = m_form2.Porta;
    box->clear();
    const int current = m_session.link().Porta;
    for (const link::PortChoice& choice : link::portChoices(link::PortResolver()))
        box->addItem(choice.label(), choice.number);
    if (box->count() == 0)
        box->addItem(tr("nessuna porta seriale trovata"), 0);
    const int index = box->findData(current);
    box->setCurrentIndex(index >= 0 ? index : 0);
}

void Connection::setButtonsEnabled(bool enabled)
{
    for (QWidget* w : {static_cast<QWidget*>(m_form2.Command1), static_cast<QWidget*>(m_form2.No_conn),
                       static_cast<QWidget*>(m_form2.Command2), static_cast<QWidget*>(m_form2.Command3)})
        w->setEnabled(enabled);
}

link::Result<bool> Connection::Command1_Click()
{
    const auto exchange = m_session.guard().hold();
    link::Link& link = m_session.link();
    link.clearAbort();
    const int ports = link::PortResolver::kHighestPort + 1;
    Progress::Scope progress(m_session.progress(), tr("Ricerca del datalogger"), ports,
                             [&link] { link.abort(); });
    int tried = 0;
    auto found = scanPorts(link, savedPortFile(), [&](const QString& s) {
        m_form2.setStatus(s);
        m_session.progress().step(tried,
                                  tr("Ricerca del datalogger: porta %1 di %2").arg(tried + 1).arg(ports));
        ++tried;
    });
    if (!found) {
        m_session.activity().failed(tr("Ricerca del datalogger"), found.error());
        return found.error();
    }
    if (!*found) {
        m_session.activity().add(tr("Ricerca del datalogger: nessun datalogger trovato"),
                                 Activity::Outcome::Failed);
        return false;
    }

    const Identification& id = **found;
    m_session.record.Modello = id.Modello;
    m_session.record.Versione = id.Versione;
    m_form1.restoreModelVisibility();
    adattaForm1(m_form1, id.Modello);
    const QString caption = link::shortModelName(id.Modello) + QLatin1Char(' ') + id.Versione;
    m_form2.setWindowTitle(caption);
    m_form1.setWindowTitle(caption);
    m_session.activity().add(tr("Datalogger %1 rilevato su %2")
                                 .arg(caption, link::portName(id.Porta, m_session.port().devicePath())));
    emit identified(id);

    // A read that fails leaves the connection window in charge: the port is closed again, so that
    // a new scan, the connection without a scan and the reset all find it free.
    if (m_gsmReads && hasGsm(id.Modello)) {
        if (auto read = m_gsmReads(); !read) {
            appendStatus(tr("GSM/GPRS: NON RIUSCITO - ") + link::operatorMessage(read.error()));
            m_session.activity().failed(QStringLiteral("GSM/GPRS"), read.error());
            m_session.link().Porta_Off();
            return false;
        }
    }

    if (m_retrievalStep) {
        auto retrieved = runRetrieval(
            m_session.link(), id.Modello, m_retrievalStep,
            [this](const QString& line) { appendStatus(line); }, RetrievalKind::Direct, &m_session.activity(),
            &m_session.progress());
        // The status text names the read that failed; the operator can scan again from here.
        if (!retrieved) {
            m_session.link().Porta_Off();
            return false;
        }
    }
    // The reads may have written a box back and put their status in the caption; the window
    // opens naming the logger it is connected to.
    m_form1.setWindowTitle(caption);
    handOver();
    // "Nome File" names the file "Acquisisci" writes for this logger today.
    m_form1.Nome_File_Dati->setText(
        data::sensorFileName(m_session.record.Nome_Centralina, QDate::currentDate()));
    return true;
}

void Connection::appendStatus(const QString& line)
{
    m_form2.Label2->setText(m_form2.Label2->text() + QLatin1Char('\n') + line);
}

void Connection::No_conn_Click()
{
    const auto exchange = m_session.guard().hold();
    link::Link& link = m_session.link();
    writeSavedPort(savedPortFile(), link.Porta);
    // Opening waits for the logger to wake up: seconds that say what they wait for.
    m_form2.setStatus(
        tr("Connessione Passo Passo: attendo il datalogger su %1...").arg(link::portName(link.Porta, {})));
    auto spoke = link.Apri_Porta(link.Porta);
    if (!spoke) {
        m_session.activity().failed(tr("Connessione Passo Passo"), spoke.error());
        if (spoke.error().kind == link::ErrorKind::Port) {
            m_form2.setStatus(portErrorMessage(spoke.error().number));
        } else {
            // The status no longer says it waits.
            m_form2.setStatus(link::operatorSentence(spoke.error()));
            ui::reportError(m_dialogs, &m_form2, spoke.error());
        }
        return;
    }
    if (!*spoke) {
        m_form2.setStatus(notFoundText());
        m_session.activity().add(
            tr("Connessione Passo Passo: nessuna risposta da %1").arg(link::portName(link.Porta, {})),
            Activity::Outcome::Failed);
        link.Porta_Off();
        return;
    }
    m_session.activity().add(tr("Connessione Passo Passo: datalogger presente su %1")
                                 .arg(link::portName(link.Porta, m_session.port().devicePath())));
    m_form2.setStatus(tr(" Telemonitor trovato"), kFoundGreen);
    handOver();
}

void Connection::Command2_Click()
{
    m_session.link().Porta_Aperta = true;
    emit modemRequested();
}

void Connection::Command3_Click()
{
    const auto exchange = m_session.guard().hold();
    link::Link& link = m_session.link();
    // Opening the port wakes the logger so that it hears the reset.
    (void)link.Apri_Porta(link.Porta);
    const bool yes = m_dialogs.askYesNo(
        &m_form2, QStringLiteral("Attenzione"),
        tr("Vuoi veramente resettare il datalogger?\r\nPerderai tutti i dati e tutte le impostazioni!"),
        ui::Dialogs::Icon::Critical, false);
    if (!yes) {
        // No leaves the logger as it was: nothing is sent, no connection is made behind the
        // operator's back (the scan would write back what it reads).
        link.Porta_Off();
        m_session.activity().add(tr("Reset del datalogger: annullato"),
                                 session::Activity::Outcome::Cancelled);
        return;
    }
    if (auto sent = link::send(link, link::cmd::resetLogger()); !sent) {
        m_session.activity().failed(tr("Reset del datalogger"), sent.error());
        ui::reportError(m_dialogs, &m_form2, sent.error());
    } else {
        m_session.activity().add(tr("Reset del datalogger inviato"));
        m_form2.setStatus(tr(" QX455 Resettato"), kResetMagenta);
        link.Ritardo(50);
    }
    link.Porta_Off();
    Command1_Report();
}

void Connection::handOver()
{
    m_form2.hide();
    m_form2.setEnabled(false);
    m_form1.setEnabled(true);
    ui::centreOnScreen(&m_form1);
    m_form1.show();
    m_form1.raise();
    m_form1.activateWindow();
}

QString Connection::portErrorMessage(int number)
{
    switch (number) {
    case link::port_error::kInvalidPort:
    case link::port_error::kNotAvailable:
        return tr("Il dispositivo non è presente nel sistema.");
    case link::port_error::kAlreadyOpen:
    case link::port_error::kInUse:
        return tr("Il dispositivo è già in uso.");
    case link::port_error::kNoPermission:
        return tr("Accesso al dispositivo negato: esegui \"sudo adduser $USER dialout\", poi esci "
                  "e rientra nella sessione.");
    case link::port_error::kNotOpen:
        return tr(" Impossibile trovare il Telemonitor.");
    default:
        return notFoundText();
    }
}

QString Connection::notFoundText()
{
    return tr("Telemonitor non trovato. Controlla che sia acceso e il collegamento");
}

} // namespace stazione::session
