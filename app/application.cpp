#include "app/application.h"

#include "config/clock_schedule.h"
#include "config/station.h"
#include "link/comm_port.h"
#include "link/timing.h"
#include "session/session.h"
#include "ui/activity_pane.h"
#include "ui/alarms/alarm_window.h"
#include "ui/alarms/messaging_handlers.h"
#include "ui/alarms/start_date_handlers.h"
#include "ui/allarmi_an.h"
#include "ui/config/clock_schedule_handlers.h"
#include "ui/config/sensor_window.h"
#include "ui/config/settings_handlers.h"
#include "ui/data/download_handlers.h"
#include "ui/data_viewer.h"
#include "ui/form1.h"
#include "ui/form2.h"
#include "ui/grafici.h"
#include "ui/handler.h"
#include "ui/ini.h"
#include "ui/live/measurement_window.h"
#include "ui/live/reading_handlers.h"
#include "ui/locking.h"
#include "ui/main/connection.h"
#include "ui/main/main_window_session.h"
#include "ui/mis_cont.h"
#include "ui/modem/modem_handlers.h"
#include "ui/modem/modem_window.h"
#include "ui/progress_strip.h"
#include "ui/sensori_an.h"
#include "ui/windows.h"

#include <QCheckBox>
#include <QTimer>

namespace stazione::session {

using namespace std::chrono_literals;

Application::Application(std::unique_ptr<link::CommPort> port, ui::Dialogs& dialogs, QObject* parent)
    : QObject(parent)
    , m_session(std::make_unique<Session>(std::move(port)))
    , m_ini(std::make_unique<ui::Ini>())
    , m_form2(std::make_unique<ui::Form2>())
    , m_form1(std::make_unique<ui::Form1>())
    , m_sensori(std::make_unique<ui::Sensori_An>())
    , m_allarmi(std::make_unique<ui::Allarmi_An>())
    , m_misCont(std::make_unique<ui::MisCont>())
    , m_grafici(std::make_unique<ui::Grafici>())
    , m_dataViewer(std::make_unique<ui::DataViewer>(dialogs))
    , m_modemWindow(std::make_unique<ui::ModemWindow>())
{
    // Whichever window starts an exchange, the main window's command controls rest until it ends.
    connect(&m_session->guard(), &ExchangeGuard::started, m_form1.get(), [this] {
        m_focusKeeper.remember();
        ui::Spegni_Tasti(*m_form1);
    });
    connect(&m_session->guard(), &ExchangeGuard::finished, m_form1.get(), [this] {
        ui::Accendi_Tasti(*m_form1);
        m_focusKeeper.giveBack();
    });
    m_clock = std::make_unique<config::ClockScheduleHandlers>(*m_session, *m_form1, dialogs, *m_form2->GSM);
    m_settings = std::make_unique<config::SettingsHandlers>(*m_session, *m_form1, dialogs);
    m_startDate = std::make_unique<alarms::StartDateHandlers>(*m_session, *m_form1, dialogs);
    m_connection = std::make_unique<Connection>(*m_session, *m_form2, *m_form1, dialogs);
    m_messaging = std::make_unique<alarms::MessagingHandlers>(*m_session, *m_form1, dialogs, *m_clock);
    m_sensorWindow =
        std::make_unique<config::SensorPropertiesWindow>(*m_session, *m_form1, *m_sensori, dialogs);
    m_alarmWindow = std::make_unique<alarms::AnalogAlarmsWindow>(*m_session, *m_form1, *m_allarmi, dialogs);
    m_downloads = std::make_unique<data::DownloadHandlers>(*m_session, *m_form1, dialogs);
    connect(m_downloads.get(), &data::DownloadHandlers::chartRequested, this, [this](const QString& path) {
        m_dataViewer->setFolder(m_form1->dataFolder());
        // Read again even when it is the file on show: a download may have rewritten it.
        if (!path.isEmpty())
            m_dataViewer->openFile(path);
        if (!m_dataViewer->isVisible())
            ui::centreOnScreen(m_dataViewer.get());
        m_dataViewer->show();
        m_dataViewer->raise();
    });
    m_liveReading = std::make_unique<live::ContinuousReadingHandlers>(*m_session, *m_form1, dialogs);
    m_measurement =
        std::make_unique<live::MeasurementWindow>(*m_session, *m_form1, *m_misCont, *m_grafici, dialogs);
    m_form1->setActivityPane(new ui::ActivityPane(m_session->activity()));
    m_form2->setActivityPane(new ui::ActivityPane(m_session->activity()));
    m_form1->setProgressStrip(new ui::ProgressStrip(m_session->progress(), m_session->link()));
    m_form2->setProgressStrip(new ui::ProgressStrip(m_session->progress(), m_session->link()));
    m_modemWindow->setProgressStrip(new ui::ProgressStrip(m_session->progress(), m_session->link()));
    m_connection->setRetrieval([this](RetrievalStep step) { return retrievalStep(step); });
    auto gsmReads = [this]() -> link::Status {
        if (auto s = m_messaging->LeggiGPRS(); !s)
            return s;
        return m_messaging->LEGGI_GSM();
    };
    m_connection->setGsmReads(gsmReads);
    m_modem = std::make_unique<modem::ModemHandlers>(
        *m_session, *m_form2, *m_form1, *m_modemWindow, dialogs,
        modem::ModemHandlers::Steps{[this](RetrievalStep step) { return retrievalStep(step); }, gsmReads});
    connect(m_connection.get(), &Connection::modemRequested, m_modem.get(), &modem::ModemHandlers::open);
    m_mainWindow = std::make_unique<MainWindowSession>(*m_session, *m_form1, *m_clock, *m_settings, dialogs);

    connect(m_form2.get(), &ui::Form2::closed, this, [this] {
        // Closing the connection window ends the program at once; a scan still waiting on the
        // port or pausing is told to stop first.
        m_session->link().abort();
        emit finished();
    });
    connect(m_mainWindow.get(), &MainWindowSession::finished, this, &Application::finished);
}

Application::~Application()
{
    // Handlers first: they refer to the windows and the session.
    m_mainWindow.reset();
    m_connection.reset();
    m_modem.reset();
    m_measurement.reset();
    m_liveReading.reset();
    m_downloads.reset();
    m_alarmWindow.reset();
    m_sensorWindow.reset();
    m_messaging.reset();
    m_startDate.reset();
    m_settings.reset();
    m_clock.reset();
}

link::Status Application::retrievalStep(RetrievalStep step)
{
    link::Link& link = m_session->link();
    switch (step) {
    case RetrievalStep::Channels:
        return m_settings->leggicanali();
    case RetrievalStep::Clock:
        return m_clock->leggidata();
    case RetrievalStep::StartDate:
        return m_startDate->LeggiDataAllarme();
    case RetrievalStep::Interval:
        return m_clock->Command2();
    case RetrievalStep::Preheating:
        return m_settings->preacc();
    case RetrievalStep::BatteryVoltage:
        return m_settings->readBatteryVoltage();
    case RetrievalStep::Memory:
        return m_clock->Aggiorna_acq();
    case RetrievalStep::StationName:
        return m_settings->leggi_nome();
    case RetrievalStep::NextAcquisition:
        return m_clock->leggiprox();
    case RetrievalStep::AcquisitionState:
    case RetrievalStep::BatteryType:
    case RetrievalStep::MiniPanel: {
        // Only the retrieval reads these three straight into their boxes. Setting the battery
        // type or the mini-panel box runs its write, as any change of those boxes does.
        auto read = step == RetrievalStep::AcquisitionState ? config::readAcquisitionEnabled(link)
                    : step == RetrievalStep::BatteryType    ? config::readBatteryType(link)
                                                            : config::readMiniPanel(link);
        if (!read)
            return read.error();
        QCheckBox* box = step == RetrievalStep::AcquisitionState ? m_form1->data_logging
                         : step == RetrievalStep::BatteryType    ? m_form1->BATTPBX
                                                                 : m_form1->minipan;
        ui::setCheckValue(box, *read);
        return {};
    }
    }
    return {};
}

void Application::start()
{
    // The splash stands where the connection window will appear, with its size.
    m_ini->resize(m_form2->size());
    ui::centreOnScreen(m_ini.get());
    m_ini->show();
    QTimer::singleShot(link::scaled(1800ms), this, [this] {
        ui::centreOnScreen(m_form2.get());
        m_form2->show();
        m_ini->hide();
        m_ini->setEnabled(false);
    });
}

} // namespace stazione::session
