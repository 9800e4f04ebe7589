#include "cli/command_line.h"

#include <QCoreApplication>
#include <QTranslator>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("stazione-cli"));
    // The command line speaks English: the core's texts, written in Italian for the windows, come
    // through the windows' English translation.
    QTranslator english;
    if (english.load(QStringLiteral(":/i18n/stazione_en")))
        QCoreApplication::installTranslator(&english);
    return stazione::cli::runCommandLine(QCoreApplication::arguments());
}
