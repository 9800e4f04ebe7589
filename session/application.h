#pragma once

#include <QObject>

#include <memory>

namespace stazione::config {
class MainWindowReadings;
}
namespace stazione::link {
class CommPort;
}
namespace stazione::ui {
class Dialogs;
class Form1;
class Form2;
class Ini;
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
    Connection& connection() { return *m_connection; }
    MainWindowSession& mainWindow() { return *m_mainWindow; }
    config::MainWindowReadings& readings() { return *m_readings; }

signals:
    // The program should end (the connection window or the main window was closed).
    void finished();

private:
    std::unique_ptr<Session> m_session;
    std::unique_ptr<ui::Ini> m_ini;
    std::unique_ptr<ui::Form2> m_form2;
    std::unique_ptr<ui::Form1> m_form1;
    std::unique_ptr<config::MainWindowReadings> m_readings;
    std::unique_ptr<Connection> m_connection;
    std::unique_ptr<MainWindowSession> m_mainWindow;
};

} // namespace stazione::session
