#include "link/comm_port.h"
#include "session/application.h"
#include "ui/data_viewer.h"
#include "ui/dialogs.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Stazione"));
    QApplication::setOrganizationName(QStringLiteral("stazione"));
    stazione::ui::MessageBoxDialogs dialogs;

    // "stazione FILE": only the data viewer, no logger.
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() == 2 && !arguments.at(1).startsWith(QLatin1Char('-'))) {
        stazione::ui::DataViewer viewer(dialogs);
        viewer.show();
        viewer.openFile(arguments.at(1));
        return app.exec();
    }

    // The windows end the program themselves, after the session log is written.
    QApplication::setQuitOnLastWindowClosed(false);
    stazione::session::Application stazione(stazione::link::makeSystemCommPort(), dialogs);
    QObject::connect(&stazione, &stazione::session::Application::finished, &app, &QApplication::quit,
                     Qt::QueuedConnection);
    stazione.start();
    return app.exec();
}
