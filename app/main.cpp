#include "link/comm_port.h"
#include "session/application.h"
#include "ui/dialogs.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Stazione"));
    QApplication::setOrganizationName(QStringLiteral("stazione"));
    // The windows end the program themselves, after the session log is written.
    QApplication::setQuitOnLastWindowClosed(false);

    stazione::ui::MessageBoxDialogs dialogs;
    stazione::session::Application stazione(stazione::link::makeSystemCommPort(), dialogs);
    QObject::connect(&stazione, &stazione::session::Application::finished, &app, &QApplication::quit,
                     Qt::QueuedConnection);
    stazione.start();
    return app.exec();
}
