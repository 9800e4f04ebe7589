#include "app/application.h"
#include "link/comm_port.h"
#include "ui/data_viewer.h"
#include "ui/dialogs.h"
#include "ui/language.h"

#include <QApplication>

#include <cstdio>

namespace {

// The arguments without "--lang X" / "--lang=X": what is left names a file to view, or nothing.
QStringList withoutLanguage(const QStringList& arguments)
{
    QStringList rest;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        if (arguments.at(i) == QLatin1String("--lang")) {
            ++i;
            continue;
        }
        if (!arguments.at(i).startsWith(QLatin1String("--lang=")))
            rest << arguments.at(i);
    }
    return rest;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Stazione"));
    QApplication::setOrganizationName(QStringLiteral("stazione"));

    QString wrongLanguage;
    const QString language = stazione::ui::chooseLanguage(QApplication::arguments(), &wrongLanguage);
    if (!wrongLanguage.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(wrongLanguage));
        return 2;
    }
    stazione::ui::installLanguage(language);

    stazione::ui::MessageBoxDialogs dialogs;

    // "stazione FILE": only the data viewer, no logger.
    const QStringList arguments = withoutLanguage(QApplication::arguments());
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
