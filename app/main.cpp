#include "link/comm_port.h"
#include "session/application.h"
#include "ui/dialogs.h"
#include "ui/language.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Stazione"));
    QApplication::setOrganizationName(QStringLiteral("stazione"));
    // The windows end the program themselves, after the session log is written.
    QApplication::setQuitOnLastWindowClosed(false);

    QString wrongLanguage;
    const QString language = stazione::ui::chooseLanguage(QApplication::arguments(), &wrongLanguage);
    if (!wrongLanguage.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(wrongLanguage));
        return 2;
    }
    stazione::ui::installLanguage(language);

    stazione::ui::MessageBoxDialogs dialogs;
    stazione::session::Application stazione(stazione::link::makeSystemCommPort(), dialogs);
    QObject::connect(&stazione, &stazione::session::Application::finished, &app, &QApplication::quit,
                     Qt::QueuedConnection);
    stazione.start();
    return app.exec();
}
