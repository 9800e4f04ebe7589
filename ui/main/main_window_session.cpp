#include "ui/main/main_window_session.h"

#include "data/file_names.h"
#include "link/exchange.h"
#include "link/messages.h"
#include "link/trace.h"
#include "modem/modem.h"
#include "session/session.h"
#include "session/session_log.h"
#include "ui/config/clock_schedule_handlers.h"
#include "ui/config/settings_handlers.h"
#include "ui/dialogs.h"
#include "ui/form1.h"
#include "ui/locking.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTimer>

namespace stazione::session {

MainWindowSession::MainWindowSession(Session& session, ui::Form1& form, config::ClockScheduleHandlers& clock,
                                     config::SettingsHandlers& settings, ui::Dialogs& dialogs,
                                     QObject* parent)
    : QObject(parent)
    , m_session(session)
    , m_form(form)
    , m_clock(clock)
    , m_settings(settings)
    , m_dialogs(dialogs)
{
    connect(form.Resetta, &QPushButton::clicked, this, [this] { run(&MainWindowSession::Resetta_Click); });
    connect(form.Azzera_memoria, &QPushButton::clicked, this,
            [this] { run(&MainWindowSession::Azzera_memoria_Click); });
    connect(form.RIPRISTINA_DA_ERRORI, &QPushButton::clicked, this,
            &MainWindowSession::RIPRISTINA_DA_ERRORI_Click);
    // leggifs stays enabled while other exchanges run: the guard refuses it then.
    connect(form.leggifs, &QPushButton::clicked, this, [this] { run(&MainWindowSession::leggifs_Click); });
    connect(form.TracciaComunicazione, &QCheckBox::toggled, this,
            &MainWindowSession::TracciaComunicazione_Click);
    connect(&form, &ui::Form1::closed, this, &MainWindowSession::Form_Unload);
    // Closing in the middle of an exchange cuts it (a download keeps only its .part): asked first.
    form.setCloseCheck([this] {
        if (!m_session.guard().busy())
            return true;
        return m_dialogs.askYesNo(&m_form, QStringLiteral("Attenzione"),
                                  tr("Uno scambio con il datalogger è in corso.\nInterromperlo e chiudere?"),
                                  ui::Dialogs::Icon::Question, false);
    });
}

MainWindowSession::~MainWindowSession()
{
    m_session.port().setTrace(nullptr);
}

void MainWindowSession::TracciaComunicazione_Click(bool on)
{
    m_session.port().setTrace(nullptr);
    m_trace.reset();
    if (!on)
        return;
    const data::DateParts today = data::dateParts(QDate::currentDate());
    const QString name = QStringLiteral("trace_%1_%2_%3.txt").arg(today.dd, today.mm, today.yy);
    m_trace =
        std::make_unique<link::Trace>(QDir(m_form.dataFolder()).filePath(name), link::Trace::Target::OwnFile);
    if (!m_trace->isOpen()) {
        const QString why = m_trace->errorString();
        m_trace.reset();
        const QSignalBlocker quiet(m_form.TracciaComunicazione);
        m_form.TracciaComunicazione->setChecked(false);
        m_dialogs.inform(&m_form, QStringLiteral("Attenzione"),
                         tr("Impossibile scrivere %1: %2").arg(name, why), ui::Dialogs::Icon::Information);
        return;
    }
    // A trace that stops (a full disk) is told once the exchange that wrote it is over.
    m_trace->setOnFailure([this](const QString& why) {
        QTimer::singleShot(0, this, [this, why] {
            m_session.port().setTrace(nullptr);
            const QSignalBlocker quiet(m_form.TracciaComunicazione);
            m_form.TracciaComunicazione->setChecked(false);
            m_dialogs.inform(&m_form, QStringLiteral("Attenzione"), why, ui::Dialogs::Icon::Information);
        });
    });
    m_session.port().setTrace(m_trace.get());
}

void MainWindowSession::run(link::Status (MainWindowSession::*operation)())
{
    const auto exchange = m_session.guard().begin();
    if (!exchange) {
        m_dialogs.beep();
        return;
    }
    const link::Status outcome = (this->*operation)();
    if (!outcome)
        ui::reportError(m_dialogs, &m_form, outcome.error());
}

link::Status MainWindowSession::Resetta_Click()
{
    const auto exchange = m_session.guard().hold();
    const bool yes =
        m_dialogs.askYesNo(&m_form, QStringLiteral("Attenzione"),
                           tr("Vuoi veramente resettare il datalogger?\r\nTu perderai tutti i dati"),
                           ui::Dialogs::Icon::Critical, false);
    if (!yes)
        return {};
    link::Link& link = m_session.link();
    if (auto s = link::send(link, link::cmd::resetLogger()); !s)
        return s;
    // The logger needs a moment after a reset before it answers again.
    link.Ritardo(20);
    link.Ritardo(20);
    if (auto s = m_clock.Aggiorna_acq(); !s)
        return s;
    link.Ritardo(20);
    if (auto s = m_settings.leggicanali(); !s)
        return s;
    link.Ritardo(20);
    if (auto s = m_clock.Command2(); !s)
        return s;
    link.Ritardo(20);
    if (auto s = m_settings.leggi_nome(); !s)
        return s;
    link.Ritardo(20);
    return m_clock.ReadSt();
}

link::Status MainWindowSession::Azzera_memoria_Click()
{
    const auto exchange = m_session.guard().hold();
    const bool yes =
        m_dialogs.askYesNo(&m_form, QStringLiteral("Attenzione"),
                           tr("Vuoi veramente canncellare la memoria?\r\nTutti i dati saranno persi."),
                           ui::Dialogs::Icon::Critical, false);
    if (!yes)
        return {};
    if (auto s = link::send(m_session.link(), link::cmd::eraseMemory()); !s)
        return s;
    m_session.link().Ritardo(20);
    return m_clock.Aggiorna_acq();
}

void MainWindowSession::RIPRISTINA_DA_ERRORI_Click()
{
    // Ends the pending wait and drops the half-received reply; nothing is sent. A handler waiting
    // for the logger unwinds on its own once its wait is cancelled (it lets a stream that it cut
    // short run out first) and gives the controls back when its exchange's last level lets go;
    // with no exchange running they come back now.
    const bool running = m_session.link().inWait();
    m_session.link().cancel();
    (void)m_session.link().Svuota_Buffer();
    // The operator sees that the press was heard, whether or not something was running.
    if (running)
        m_session.activity().add(tr("RESTORE: attesa del datalogger interrotta; il prossimo comando "
                                    "attende prima la fine dei dati in arrivo"),
                                 session::Activity::Outcome::Cancelled);
    else
        m_session.activity().add(tr("RESTORE: nessuno scambio in corso; il prossimo comando attende "
                                    "prima la fine dei dati in arrivo"));
    if (!m_session.guard().busy())
        ui::Accendi_Tasti(m_form);
}

link::Status MainWindowSession::leggifs_Click()
{
    const auto exchange = m_session.guard().hold();
    return readFsValues(m_session.link(), m_session.record);
}

void MainWindowSession::Form_Unload()
{
    link::Link& link = m_session.link();
    // A call still up is hung up before the program goes, or the station's line stays busy (and
    // paid for) until the modem notices. The window names the call while it is up.
    const bool onCall = m_form.InLinea->isVisible();
    // Nothing may still wait on the port when it closes. An operation under way (a wait, a pause)
    // ends now, and the window goes without the closing pause: the operator asked to leave.
    const bool waiting = link.inWait();
    if (waiting)
        link.abort();
    else
        link.cancel();
    if (onCall && !waiting) {
        // Closing in the middle of an exchange leaves no room for the escape's guard times:
        // there the modem sees DTR drop with the port.
        if (auto hungUp = modem::hangUp(link); !hungUp)
            m_session.activity().failed(tr("Chiamata"), hungUp.error());
        else
            m_session.activity().add(tr("Chiamata chiusa"));
        m_form.InLinea->setVisible(false);
        m_form.Riaggancia->setVisible(false);
    } else {
        link.Ritardo(100);
    }
    link.Porta_Off();
    m_session.port().setTrace(nullptr);
    m_trace.reset();

    SessionLogValues values;
    values.Nome_Centralina = m_session.record.Nome_Centralina;
    values.Acq_possibili = m_form.Acq_possibili->text();
    values.acq_disponibili = m_form.acq_disponibili->text();
    for (int i = 0; i < 3; ++i)
        values.conversione[i] = m_form.conversione[i]->text();
    values.preaccensione = m_form.preaccensione->text();
    const QString path = sessionLogPath(
        m_form.dataFolder(), sessionLogDataFileName(m_form.Nome_File_Dati->text(),
                                                    m_session.record.Nome_Centralina, QDate::currentDate()));
    if (auto written = writeSessionLog(path, values); !written) {
        m_dialogs.inform(&m_form, QStringLiteral("Attenzione"),
                         tr("Il file di log della sessione non è stato scritto.\n%1")
                             .arg(link::operatorSentence(written.error())),
                         ui::Dialogs::Icon::Warning);
    }
    emit finished();
}

} // namespace stazione::session
