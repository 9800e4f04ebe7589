#include "cli/cli.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>

using namespace stazione::cli;

namespace {

const char* kUsage = R"(Usage: stazione-cli [options] <command>

Talks to a logger on a serial port (COMn, see "ports") with the same exchanges as the windows.

Commands:
  ports                 list the serial ports: COMn and the device each leads to
  identify              find the logger and print its model, version and port
                        (with --port: that port only; without: scan as the
                        connection window does, the saved port first, then COM1-COM30)

Options:
  --port N              use COMn instead of scanning
  --timeout SECONDS     how long to wait for each reply field (default 10)
  --json                print the result as one JSON object
  -h, --help            show this help

Exit status: 0 success, 1 the logger or the link failed, 2 wrong usage.
Environment: STAZIONE_PORTS (folder of COMn links), STAZIONE_TIME_SCALE (pause factor).
)";

int usageError(const QString& text)
{
    message(QStringLiteral("stazione-cli: ") + text);
    message(QStringLiteral("Try 'stazione-cli --help'."));
    return kExitUsage;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("stazione-cli"));

    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QString());
    const QCommandLineOption port(QStringLiteral("port"), QString(), QStringLiteral("N"));
    const QCommandLineOption timeout(QStringLiteral("timeout"), QString(), QStringLiteral("SECONDS"));
    const QCommandLineOption json(QStringLiteral("json"), QString());
    parser.addOptions({help, port, timeout, json});
    parser.addPositionalArgument(QStringLiteral("command"), QString());

    if (!parser.parse(QCoreApplication::arguments()))
        return usageError(parser.errorText());
    if (parser.isSet(help)) {
        std::fputs(kUsage, stdout);
        return kExitOk;
    }

    Options options;
    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty())
        return usageError(QStringLiteral("no command given."));
    options.verb = positional.first();
    options.arguments = positional.mid(1);
    options.json = parser.isSet(json);
    if (parser.isSet(port)) {
        bool ok = false;
        const int n = parser.value(port).toInt(&ok);
        if (!ok || n < 0 || n > 32767)
            return usageError(QStringLiteral("--port takes a port number, e.g. --port 3."));
        options.port = n;
    }
    if (parser.isSet(timeout)) {
        bool ok = false;
        const double seconds = parser.value(timeout).toDouble(&ok);
        if (!ok || seconds <= 0)
            return usageError(QStringLiteral("--timeout takes a number of seconds greater than 0."));
        options.timeoutSeconds = seconds;
    }

    if (options.verb == QLatin1String("ports") && options.arguments.isEmpty())
        return runPorts(options);
    if (options.verb == QLatin1String("identify") && options.arguments.isEmpty())
        return runIdentify(options);
    if (options.verb == QLatin1String("ports") || options.verb == QLatin1String("identify"))
        return usageError(QStringLiteral("'%1' takes no arguments.").arg(options.verb));
    return usageError(QStringLiteral("unknown command '%1'.").arg(options.verb));
}
