#include "cli/command_line.h"

#include <QCoreApplication>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("stazione-cli"));
    return stazione::cli::runCommandLine(QCoreApplication::arguments());
}
