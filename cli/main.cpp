#include "cli/cli.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>
#include <map>

using namespace stazione::cli;

namespace {

const char* kUsage = R"(Usage: stazione-cli [options] <command>

Talks to a logger on a serial port (COMn, see "ports") with the same exchanges as the windows.

Commands:
  ports                 list the serial ports: COMn and the device each leads to
  identify              find the logger and print its model, version and port
                        (with --port: that port only; without: scan as the
                        connection window does, the saved port first, then COM1-COM30)
  params                read every parameter the connection reads, keyed by the box of
                        the main window that shows it
  set-clock (--now | D M Y h m s)
                        set the logger's clock (hour 0-23, minute 0-59), then read it back
  set-interval H M S    set the acquisition interval (at least 1 min; 10 min with --gsm)
  set-name NAME         set the station name
  set-channels N --yes  set the number of active channels (0-16): ERASES the recorded data
  enable | disable      switch the acquisition on or off, then read its state back
  sensors               the properties of the active channels (name and scaling)
  gsm                   the SMS numbers and the number of SMS to send
  gprs                  the GPRS/FTP settings and the e-mail switch
  alarms [--rows N]     the analog alarms of N channel rows (default: the active channels)
  sms-text              the five lines of the personal SMS text
                        Each of these reads; with --set it writes first, as the window's
                        write button does: every box of the window is sent, those not named
                        keep what the logger holds. Boxes are named as on the windows:
                          sensors   NomeCanali_I CA_I CB_I CC_I CD_I        (I = channel)
                          gsm       NUMERO_ALLARME_SMS_I (I = 0-9) NUMERO_ALLARMI_SMS
                          gprs      GPRS_I (I = 0-9) EMAIL (0 or 1)
                          alarms    AllarmeAttivo_I CA_I CB_I                (I = row)
                          sms-text  SMS_PERSONALIZZATO_I (I = 0-4)
  download [--temp] [--from-end] [--dir DIR]
                        download the recorded data into the file the window writes:
                        STATION_DD_MM_YY_SENS.txt (the logger's lines), or with --temp
                        STATION_DD_MM_YY_TEMP.txt (decoded and checked); DIR defaults to
                        the current folder
  monitor [--sets K] [--file PATH]
                        a continuous measurement session: prints every line of its
                        file (and writes the file with --file); Ctrl-C or K sets end it
  live [--groups K]     the continuous reading: prints "channel label value" lines until
                        Ctrl-C or K groups
  stations              the station directory of the modem window
  export FILE [--out F] [--from T] [--to T] [--channels 0,3]
                        a temperature, continuous measurement or sensor data file as a
                        CSV table: time,<channels>; times ISO 8601 (2026-12-05T14:30:00),
                        "." decimal point, empty cells for gaps; to stdout without --out.
                        A malformed line ends it with its number (exit 1)
  plot FILE --png OUT [--width W] [--height H]
                        the chart of a data file as a PNG picture (no display needed)
  reset --yes           reset the logger: ALL data and ALL settings are lost
  erase --yes           erase the recorded data, then print the memory state

Every command that talks to the logger (all but ports, stations, export and plot) first finds it as "identify" does.

Options:
  --port N              use COMn instead of scanning
  --modem-port M --dial NUMBER
                        reach the logger by a call: the modem on COMM dials NUMBER, the
                        command runs over the call, and the call is hung up at the end
  --call-timeout SECONDS  how long the call may take to connect (default 90)
  --timeout SECONDS     how long to wait for each reply field (default 10)
  --json                print the result as one JSON object
  --yes                 confirm reset, erase or set-channels
  --now                 set-clock: take the PC's date and time
  --gsm                 set-interval: the station has GSM (the longer minimum applies)
  --set NAME=VALUE      change a box before writing (repeatable), e.g. --set GPRS_7=21
  --rows N              alarms: the number of channel rows
  -h, --help            show this help

Exit status: 0 success, 1 the logger or the link failed (or refused a write), 2 wrong usage
or a value the window would refuse too.
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
    const QCommandLineOption yes(QStringLiteral("yes"), QString());
    const QCommandLineOption now(QStringLiteral("now"), QString());
    const QCommandLineOption gsm(QStringLiteral("gsm"), QString());
    const QCommandLineOption set(QStringLiteral("set"), QString(), QStringLiteral("NAME=VALUE"));
    const QCommandLineOption rows(QStringLiteral("rows"), QString(), QStringLiteral("N"));
    const QCommandLineOption temp(QStringLiteral("temp"), QString());
    const QCommandLineOption fromEnd(QStringLiteral("from-end"), QString());
    const QCommandLineOption dir(QStringLiteral("dir"), QString(), QStringLiteral("DIR"));
    const QCommandLineOption file(QStringLiteral("file"), QString(), QStringLiteral("PATH"));
    const QCommandLineOption sets(QStringLiteral("sets"), QString(), QStringLiteral("K"));
    const QCommandLineOption groups(QStringLiteral("groups"), QString(), QStringLiteral("K"));
    const QCommandLineOption modemPort(QStringLiteral("modem-port"), QString(), QStringLiteral("M"));
    const QCommandLineOption dial(QStringLiteral("dial"), QString(), QStringLiteral("NUMBER"));
    const QCommandLineOption callTimeout(QStringLiteral("call-timeout"), QString(),
                                         QStringLiteral("SECONDS"));
    const QCommandLineOption outFile(QStringLiteral("out"), QString(), QStringLiteral("F"));
    const QCommandLineOption from(QStringLiteral("from"), QString(), QStringLiteral("T"));
    const QCommandLineOption to(QStringLiteral("to"), QString(), QStringLiteral("T"));
    const QCommandLineOption channels(QStringLiteral("channels"), QString(), QStringLiteral("LIST"));
    const QCommandLineOption png(QStringLiteral("png"), QString(), QStringLiteral("OUT"));
    const QCommandLineOption width(QStringLiteral("width"), QString(), QStringLiteral("W"));
    const QCommandLineOption height(QStringLiteral("height"), QString(), QStringLiteral("H"));
    parser.addOptions({help, port, timeout, json, yes, now, gsm, set, rows, temp, fromEnd, dir, file, sets,
                       groups, modemPort, dial, callTimeout, outFile, from, to, channels, png, width, height});
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
    options.yes = parser.isSet(yes);
    options.now = parser.isSet(now);
    options.gsm = parser.isSet(gsm);
    options.sets = parser.values(set);
    options.temp = parser.isSet(temp);
    options.fromEnd = parser.isSet(fromEnd);
    options.dir = parser.value(dir);
    options.file = parser.value(file);
    options.out = parser.value(outFile);
    options.from = parser.value(from);
    options.to = parser.value(to);
    options.channels = parser.value(channels);
    options.png = parser.value(png);
    for (auto [option, value] : {std::pair{&width, &options.width}, std::pair{&height, &options.height}}) {
        if (!parser.isSet(*option))
            continue;
        bool ok = false;
        const int pixels = parser.value(*option).toInt(&ok);
        if (!ok || pixels < 16 || pixels > 10000)
            return usageError(QStringLiteral("--width and --height take pixels from 16 to 10000."));
        *value = pixels;
    }
    if (parser.isSet(modemPort) != parser.isSet(dial))
        return usageError(QStringLiteral("--modem-port and --dial go together."));
    if (parser.isSet(modemPort)) {
        bool ok = false;
        const int n = parser.value(modemPort).toInt(&ok);
        if (!ok || n < 1 || n > 32767)
            return usageError(QStringLiteral("--modem-port takes a port number, e.g. --modem-port 2."));
        if (parser.isSet(port))
            return usageError(QStringLiteral("--port and --modem-port exclude each other."));
        options.modemPort = n;
        options.dial = parser.value(dial);
    }
    if (parser.isSet(callTimeout)) {
        bool ok = false;
        options.callTimeoutSeconds = parser.value(callTimeout).toDouble(&ok);
        if (!ok || options.callTimeoutSeconds <= 0)
            return usageError(QStringLiteral("--call-timeout takes a number of seconds greater than 0."));
    }
    for (const QCommandLineOption* counted : {&sets, &groups}) {
        if (!parser.isSet(*counted))
            continue;
        bool ok = false;
        options.count = parser.value(*counted).toInt(&ok);
        if (!ok || options.count <= 0)
            return usageError(QStringLiteral("--sets and --groups take a number greater than 0."));
    }
    if (parser.isSet(rows)) {
        bool ok = false;
        const int n = parser.value(rows).toInt(&ok);
        if (!ok || n < 0 || n > 16)
            return usageError(QStringLiteral("--rows takes a number of rows from 0 to 16."));
        options.rows = n;
    }
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

    struct Verb {
        int (*run)(const Options&);
        bool takesArguments;
    };
    const std::map<QString, Verb> verbs{
        {QStringLiteral("ports"), {&runPorts, false}},
        {QStringLiteral("identify"), {&runIdentify, false}},
        {QStringLiteral("params"), {&runParams, false}},
        {QStringLiteral("set-clock"), {&runSetClock, true}},
        {QStringLiteral("set-interval"), {&runSetInterval, true}},
        {QStringLiteral("set-name"), {&runSetName, true}},
        {QStringLiteral("set-channels"), {&runSetChannels, true}},
        {QStringLiteral("enable"), {[](const Options& o) { return runSetEnabled(o, true); }, false}},
        {QStringLiteral("disable"), {[](const Options& o) { return runSetEnabled(o, false); }, false}},
        {QStringLiteral("download"), {&runDownload, false}},
        {QStringLiteral("stations"), {&runStations, false}},
        {QStringLiteral("export"), {&runExport, true}},
        {QStringLiteral("plot"), {&runPlot, true}},
        {QStringLiteral("monitor"), {&runMonitor, false}},
        {QStringLiteral("live"), {&runLive, false}},
        {QStringLiteral("sensors"), {&runSensors, false}},
        {QStringLiteral("gsm"), {&runGsm, false}},
        {QStringLiteral("gprs"), {&runGprs, false}},
        {QStringLiteral("alarms"), {&runAlarms, false}},
        {QStringLiteral("sms-text"), {&runSmsText, false}},
        {QStringLiteral("reset"),
         {[](const Options& o) { return runDestructive(o, Destructive::Reset); }, false}},
        {QStringLiteral("erase"),
         {[](const Options& o) { return runDestructive(o, Destructive::Erase); }, false}},
    };
    if (auto verb = verbs.find(options.verb); verb != verbs.end()) {
        if (!verb->second.takesArguments && !options.arguments.isEmpty())
            return usageError(QStringLiteral("'%1' takes no arguments.").arg(options.verb));
        return verb->second.run(options);
    }
    return usageError(QStringLiteral("unknown command '%1'.").arg(options.verb));
}
