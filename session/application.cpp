#include "session/application.h"

#include "config/main_window_readings.h"
#include "link/comm_port.h"
#include "link/timing.h"
#include "session/connection.h"
#include "session/main_window_session.h"
#include "session/session.h"
#include "ui/form1.h"
#include "ui/form2.h"
#include "ui/ini.h"
#include "ui/windows.h"

#include <QTimer>

namespace stazione::session {

using namespace std::chrono_literals;

Application::Application(std::unique_ptr<link::CommPort> port, ui::Dialogs& dialogs, QObject* parent)
    : QObject(parent)
    , m_session(std::make_unique<Session>(std::move(port)))
    , m_ini(std::make_unique<ui::Ini>())
    , m_form2(std::make_unique<ui::Form2>())
    , m_form1(std::make_unique<ui::Form1>())
{
    m_readings = std::make_unique<config::MainWindowReadings>(*m_session, *m_form1, dialogs);
    m_connection = std::make_unique<Connection>(*m_session, *m_form2, *m_form1, dialogs);
    m_mainWindow = std::make_unique<MainWindowSession>(*m_session, *m_form1, *m_readings, dialogs);

    connect(m_form2.get(), &ui::Form2::closed, this, [this] {
        // Closing the connection window ends the program at once; a scan still waiting on the
        // port is told to stop first.
        m_session->link().cancel();
        emit finished();
    });
    connect(m_mainWindow.get(), &MainWindowSession::finished, this, &Application::finished);
}

Application::~Application()
{
    // Handlers first: they refer to the windows and the session.
    m_mainWindow.reset();
    m_connection.reset();
    m_readings.reset();
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
