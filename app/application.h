#pragma once

#include "link/result.h"
#include "session/retrieval.h"
#include "ui/locking.h"

#include <QObject>

#include <memory>

namespace stazione::alarms {
class AnalogAlarmsWindow;
class MessagingHandlers;
class StartDateHandlers;
} // namespace stazione::alarms
namespace stazione::config {
class ClockScheduleHandlers;
class SensorPropertiesWindow;
class SettingsHandlers;
} // namespace stazione::config
namespace stazione::data {
class DownloadHandlers;
}
namespace stazione::live {
class ContinuousReadingHandlers;
class MeasurementWindow;
} // namespace stazione::live
namespace stazione::modem {
class ModemHandlers;
}
namespace stazione::link {
class CommPort;
}
namespace stazione::ui {
class Dialogs;
class Form1;
class Form2;
class Allarmi_An;
class Grafici;
class DataViewer;
class MisCont;
class ModemWindow;
class Ini;
class Sensori_An;
} // namespace stazione::ui

namespace stazione::session {

class Connection;
class MainWindowSession;
class Session;

// The program: the session with its port, the windows, and the handlers that bind them.
class Application : public QObject {
    Q_OBJECT

public:
    Application(std::unique_ptr<link::CommPort> port, ui::Dialogs& dialogs, QObject* parent = nullptr);
    ~Application() override;

    // The splash for 1.8 s, then the connection window.
    void start();

    Session& session() { return *m_session; }
    ui::Ini& ini() { return *m_ini; }
    ui::Form2& form2() { return *m_form2; }
    ui::Form1& form1() { return *m_form1; }
    ui::Sensori_An& sensori() { return *m_sensori; }
    ui::Allarmi_An& allarmi() { return *m_allarmi; }
    ui::MisCont& misCont() { return *m_misCont; }
    ui::Grafici& grafici() { return *m_grafici; }
    ui::DataViewer& dataViewer() { return *m_dataViewer; }
    ui::ModemWindow& modemWindow() { return *m_modemWindow; }
    Connection& connection() { return *m_connection; }
    MainWindowSession& mainWindow() { return *m_mainWindow; }
    config::ClockScheduleHandlers& clock() { return *m_clock; }
    config::SettingsHandlers& settings() { return *m_settings; }
    alarms::StartDateHandlers& startDate() { return *m_startDate; }
    alarms::MessagingHandlers& messaging() { return *m_messaging; }
    config::SensorPropertiesWindow& sensorWindow() { return *m_sensorWindow; }
    alarms::AnalogAlarmsWindow& alarmWindow() { return *m_alarmWindow; }
    data::DownloadHandlers& downloads() { return *m_downloads; }
    live::ContinuousReadingHandlers& liveReading() { return *m_liveReading; }
    live::MeasurementWindow& measurement() { return *m_measurement; }
    modem::ModemHandlers& modem() { return *m_modem; }

private:
    // One step of the retrieval after connection, done as the main window's buttons do it.
    link::Status retrievalStep(RetrievalStep step);

signals:
    // The program should end (the connection window or the main window was closed).
    void finished();

private:
    std::unique_ptr<Session> m_session;
    std::unique_ptr<ui::Ini> m_ini;
    std::unique_ptr<ui::Form2> m_form2;
    std::unique_ptr<ui::Form1> m_form1;
    std::unique_ptr<ui::Sensori_An> m_sensori;
    std::unique_ptr<ui::Allarmi_An> m_allarmi;
    std::unique_ptr<ui::MisCont> m_misCont;
    std::unique_ptr<ui::Grafici> m_grafici;
    std::unique_ptr<ui::DataViewer> m_dataViewer;
    std::unique_ptr<ui::ModemWindow> m_modemWindow;
    std::unique_ptr<config::ClockScheduleHandlers> m_clock;
    std::unique_ptr<config::SettingsHandlers> m_settings;
    std::unique_ptr<alarms::StartDateHandlers> m_startDate;
    std::unique_ptr<alarms::MessagingHandlers> m_messaging;
    std::unique_ptr<config::SensorPropertiesWindow> m_sensorWindow;
    std::unique_ptr<alarms::AnalogAlarmsWindow> m_alarmWindow;
    std::unique_ptr<data::DownloadHandlers> m_downloads;
    std::unique_ptr<live::ContinuousReadingHandlers> m_liveReading;
    std::unique_ptr<live::MeasurementWindow> m_measurement;
    std::unique_ptr<modem::ModemHandlers> m_modem;
    std::unique_ptr<Connection> m_connection;
    std::unique_ptr<MainWindowSession> m_mainWindow;
    ui::FocusKeeper m_focusKeeper;
};

} // namespace stazione::session
