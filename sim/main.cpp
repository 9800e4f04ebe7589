#include "link/port_resolver.h"
#include "sim/pty_server.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QTime>

#include <csignal>
#include <cstdio>
#include <mutex>
#include <pthread.h>

using stazione::sim::Options;
using stazione::sim::PtyServer;

namespace {

[[noreturn]] void fail(const QString& message)
{
    std::fprintf(stderr, "stazione-sim: %s\n", qPrintable(message));
    std::exit(1);
}

int intValue(const QCommandLineParser& parser, const QString& name, int minimum)
{
    bool ok = false;
    const int value = parser.value(name).toInt(&ok);
    if (!ok || value < minimum)
        fail(QStringLiteral("--%1 wants a whole number of at least %2, not \"%3\"")
                 .arg(name)
                 .arg(minimum)
                 .arg(parser.value(name)));
    return value;
}

} // namespace

int main(int argc, char** argv)
{
    // SIGINT and SIGTERM are taken by sigwait() below. Blocking them before any thread starts
    // makes every thread inherit the mask, so no thread is interrupted in the middle of a write.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("stazione-sim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "A simulated data logger on a pseudo-terminal, reachable as COM<port> in the ports folder.\n"
        "Runs until SIGINT or SIGTERM; logs every transmission it understood."));
    parser.addHelpOption();
    parser.addOptions({
        {QStringLiteral("model"), QStringLiteral("Identification, or 410, 610, 510 (default 610)."),
         QStringLiteral("M"), QStringLiteral("610")},
        {QStringLiteral("version"), QStringLiteral("Version text of the identification (default V3.2)."),
         QStringLiteral("TEXT"), QStringLiteral("V3.2")},
        {QStringLiteral("channels"), QStringLiteral("Active channels (default: the model's)."),
         QStringLiteral("N")},
        {QStringLiteral("port"), QStringLiteral("Port number n of the COMn link (default 3)."),
         QStringLiteral("N"), QStringLiteral("3")},
        {QStringLiteral("ports-dir"),
         QStringLiteral("Folder of the COMn links (default: STAZIONE_PORTS, else <config>/stazione/ports)."),
         QStringLiteral("DIR")},
        {QStringLiteral("records"), QStringLiteral("Recorded acquisitions at start (default 120)."),
         QStringLiteral("N"), QStringLiteral("120")},
        {QStringLiteral("time-scale"),
         QStringLiteral("Factor on every pause of the logger (default: STAZIONE_TIME_SCALE, else 1)."),
         QStringLiteral("X")},
        {QStringLiteral("log"), QStringLiteral("Append the log to FILE instead of stderr."),
         QStringLiteral("FILE")},
        {QStringLiteral("pace"), QStringLiteral("Send at 960 characters per second, as the real line does.")},
        {QStringLiteral("set-period"),
         QStringLiteral("Milliseconds between the sets of the continuous streams (default: 1000 times the "
                        "time scale, at least 20); 0 sends them back to back."),
         QStringLiteral("MS")},
        {QStringLiteral("lf-only"), QStringLiteral("End the lines of the \"A\" download with LF alone.")},
        {QStringLiteral("silent"), QStringLiteral("Send nothing at all, not even the greeting.")},
        {QStringLiteral("greet-only"), QStringLiteral("Greet when the line opens, then never answer.")},
        {QStringLiteral("garbage"), QStringLiteral("Greet, then answer every field with junk.")},
        {QStringLiteral("refuse-writes"),
         QStringLiteral("Answer acknowledged writes with ER, ignore the others.")},
        {QStringLiteral("stop-after"), QStringLiteral("Every stream falls silent after BYTES bytes."),
         QStringLiteral("BYTES")},
        {QStringLiteral("drop-on"), QStringLiteral("Hang the line up when command C arrives."),
         QStringLiteral("C")},
        {QStringLiteral("out-of-range"),
         QStringLiteral("Every K-th value of the counted download reads 99.9."), QStringLiteral("K")},
        {QStringLiteral("p-timeout-after"),
         QStringLiteral("From set N+1 on, the continuous measurement reports a channel time-out."),
         QStringLiteral("N")},
        {QStringLiteral("seed"), QStringLiteral("Seed of the junk that --garbage sends (default 1)."),
         QStringLiteral("N")},
        {QStringLiteral("modem"),
         QStringLiteral("Put a Hayes modem in front of the logger: the line takes AT commands, and a dial "
                        "brings up the call that reaches the logger.")},
        {QStringLiteral("modem-id"),
         QStringLiteral("The modem's answer to ATI3 (default \"Simulated GSM modem rev 1.0\")."),
         QStringLiteral("TEXT")},
        {QStringLiteral("dial-result"),
         QStringLiteral("What a dial of the right number ends in: CONNECT, BUSY, NO CARRIER or NO ANSWER "
                        "(default CONNECT)."),
         QStringLiteral("WORD")},
        {QStringLiteral("connect-word"),
         QStringLiteral("Result code of a call that comes up (default CONNECT; e.g. \"CONNECT 9600\")."),
         QStringLiteral("TEXT")},
        {QStringLiteral("dial-delay"),
         QStringLiteral("Milliseconds from the dial to its result, before the time scale (default 3000)."),
         QStringLiteral("MS")},
        {QStringLiteral("number"),
         QStringLiteral("The station's number: a dial of any other answers NO CARRIER (default: any)."),
         QStringLiteral("TEXT")},
        {QStringLiteral("station"),
         QStringLiteral(
             "With --modem, repeatable: the modem answers NUMBER with a logger of its own, of MODEL "
             "(410, 610, 510 or an identification) and station name NAME; it keeps its memory "
             "between calls. Any other number answers NO CARRIER."),
         QStringLiteral("NUMBER=MODEL[,NAME]")},
        {QStringLiteral("busy"),
         QStringLiteral("With --station, repeatable: NUMBER answers BUSY to its first K calls (every call "
                        "without K)."),
         QStringLiteral("NUMBER[:K]")},
        {QStringLiteral("record-every"),
         QStringLiteral("A new record every SECONDS of the host's time, found at the next call (default: at "
                        "the logger's acquisition interval, for --station loggers)."),
         QStringLiteral("SECONDS")},
        {QStringLiteral("sensor-names"),
         QStringLiteral("The names of every logger's first channels, comma-separated (default CH0, CH1...)."),
         QStringLiteral("A,B,...")},
        {QStringLiteral("clock-offset"),
         QStringLiteral("Every logger's clock starts SECONDS ahead of the host's (negative: behind)."),
         QStringLiteral("SECONDS")},
    });
    parser.process(app);
    if (!parser.positionalArguments().isEmpty())
        fail(QStringLiteral("unexpected argument \"%1\"").arg(parser.positionalArguments().constFirst()));

    Options options = Options::fromEnvironment();
    options.model = stazione::sim::identificationFor(parser.value(QStringLiteral("model")));
    options.version = parser.value(QStringLiteral("version"));
    if (options.model.isEmpty() || options.model.contains(QLatin1Char(',')))
        fail(QStringLiteral("--model wants an identification without commas"));
    if (parser.isSet(QStringLiteral("channels")))
        options.channels = intValue(parser, QStringLiteral("channels"), 0);
    options.records = intValue(parser, QStringLiteral("records"), 0);
    if (parser.isSet(QStringLiteral("time-scale"))) {
        bool ok = false;
        options.timeScale = parser.value(QStringLiteral("time-scale")).toDouble(&ok);
        if (!ok || !(options.timeScale > 0))
            fail(QStringLiteral("--time-scale wants a positive number"));
    }
    options.pace = parser.isSet(QStringLiteral("pace"));
    if (parser.isSet(QStringLiteral("set-period")))
        options.setPeriod = std::chrono::milliseconds(intValue(parser, QStringLiteral("set-period"), 0));
    options.lfOnly = parser.isSet(QStringLiteral("lf-only"));
    options.silent = parser.isSet(QStringLiteral("silent"));
    options.greetOnly = parser.isSet(QStringLiteral("greet-only"));
    options.garbage = parser.isSet(QStringLiteral("garbage"));
    options.refuseWrites = parser.isSet(QStringLiteral("refuse-writes"));
    if (parser.isSet(QStringLiteral("stop-after")))
        options.stopAfter = intValue(parser, QStringLiteral("stop-after"), 0);
    if (parser.isSet(QStringLiteral("drop-on"))) {
        const QByteArray letter = parser.value(QStringLiteral("drop-on")).toLatin1();
        if (letter.size() != 1)
            fail(QStringLiteral("--drop-on wants one command character"));
        options.dropOn = letter.at(0);
    }
    if (parser.isSet(QStringLiteral("out-of-range")))
        options.outOfRange = intValue(parser, QStringLiteral("out-of-range"), 1);
    if (parser.isSet(QStringLiteral("p-timeout-after")))
        options.pTimeoutAfter = intValue(parser, QStringLiteral("p-timeout-after"), 0);
    if (parser.isSet(QStringLiteral("seed")))
        options.seed = static_cast<quint32>(intValue(parser, QStringLiteral("seed"), 0));

    if (parser.isSet(QStringLiteral("sensor-names")))
        options.sensorNames = parser.value(QStringLiteral("sensor-names")).split(QLatin1Char(','));
    options.modem = parser.isSet(QStringLiteral("modem"));
    for (const char* modemOption : {"modem-id", "dial-result", "connect-word", "dial-delay", "number"}) {
        if (!options.modem && parser.isSet(QLatin1String(modemOption)))
            fail(QStringLiteral("--%1 needs --modem").arg(QLatin1String(modemOption)));
    }
    auto lineText = [&](const QString& name) {
        QString text = parser.value(name);
        if (text.contains(QLatin1Char('\r')) || text.contains(QLatin1Char('\n')) ||
            text != QString::fromLatin1(text.toLatin1()))
            fail(QStringLiteral("--%1 wants Latin-1 text without line ends").arg(name));
        return text;
    };
    if (parser.isSet(QStringLiteral("modem-id")))
        options.modemIdentification = lineText(QStringLiteral("modem-id"));
    if (parser.isSet(QStringLiteral("dial-result"))) {
        const std::optional<stazione::sim::DialResult> result =
            stazione::sim::dialResultFromText(parser.value(QStringLiteral("dial-result")));
        if (!result)
            fail(QStringLiteral("--dial-result wants CONNECT, BUSY, NO CARRIER or NO ANSWER, not \"%1\"")
                     .arg(parser.value(QStringLiteral("dial-result"))));
        options.dialResult = *result;
    }
    if (parser.isSet(QStringLiteral("connect-word"))) {
        options.connectWord = lineText(QStringLiteral("connect-word"));
        if (options.connectWord.isEmpty())
            fail(QStringLiteral("--connect-word wants a word"));
    }
    if (parser.isSet(QStringLiteral("dial-delay")))
        options.dialDelay = std::chrono::milliseconds(intValue(parser, QStringLiteral("dial-delay"), 0));
    if (parser.isSet(QStringLiteral("number"))) {
        options.expectedNumber = lineText(QStringLiteral("number"));
        if (stazione::sim::dialledDigits(options.expectedNumber.toLatin1()).isEmpty())
            fail(QStringLiteral("--number wants a number with digits"));
    }

    for (const QString& spec : parser.values(QStringLiteral("station"))) {
        if (!options.modem)
            fail(QStringLiteral("--station needs --modem"));
        const qsizetype eq = spec.indexOf(QLatin1Char('='));
        stazione::sim::NetworkStation station;
        station.number = spec.left(eq);
        const QString rest = eq < 0 ? QString() : spec.mid(eq + 1);
        station.model = rest.section(QLatin1Char(','), 0, 0);
        station.name = rest.section(QLatin1Char(','), 1);
        if (eq < 0 || stazione::sim::dialledDigits(station.number.toLatin1()).isEmpty() ||
            station.model.isEmpty() || station.name.contains(QLatin1Char(',')) ||
            station.name != QString::fromLatin1(station.name.toLatin1()))
            fail(QStringLiteral("--station wants NUMBER=MODEL[,NAME], not \"%1\"").arg(spec));
        for (const stazione::sim::NetworkStation& other : std::as_const(options.network)) {
            if (stazione::sim::dialledDigits(other.number.toLatin1()) ==
                stazione::sim::dialledDigits(station.number.toLatin1()))
                fail(QStringLiteral("--station %1 is given twice").arg(station.number));
        }
        options.network << station;
    }
    if (!options.network.isEmpty() &&
        (parser.isSet(QStringLiteral("number")) || parser.isSet(QStringLiteral("dial-result"))))
        fail(QStringLiteral(
            "--number and --dial-result are for the one logger; a network answers by --station and --busy"));
    for (const QString& spec : parser.values(QStringLiteral("busy"))) {
        const QString number = spec.section(QLatin1Char(':'), 0, 0);
        int calls = -1;
        if (spec.contains(QLatin1Char(':'))) {
            bool ok = false;
            calls = spec.section(QLatin1Char(':'), 1).toInt(&ok);
            if (!ok || calls < 0)
                fail(QStringLiteral("--busy wants NUMBER[:K], not \"%1\"").arg(spec));
        }
        bool found = false;
        for (stazione::sim::NetworkStation& station : options.network) {
            if (stazione::sim::dialledDigits(station.number.toLatin1()) ==
                stazione::sim::dialledDigits(number.toLatin1())) {
                station.busyCalls = calls;
                found = true;
            }
        }
        if (!found)
            fail(QStringLiteral("--busy %1: no --station with that number").arg(number));
    }
    if (parser.isSet(QStringLiteral("record-every"))) {
        bool ok = false;
        const double seconds = parser.value(QStringLiteral("record-every")).toDouble(&ok);
        // Time stamps have whole seconds: two records in one second would read alike.
        if (!ok || !(seconds >= 1) || seconds > 86400)
            fail(QStringLiteral("--record-every wants seconds from 1 to 86400"));
        options.recordEvery = std::chrono::milliseconds(qint64(seconds * 1000));
    }
    if (parser.isSet(QStringLiteral("clock-offset"))) {
        bool ok = false;
        options.clockOffsetSeconds = parser.value(QStringLiteral("clock-offset")).toLongLong(&ok);
        if (!ok || std::abs(options.clockOffsetSeconds) > 10LL * 365 * 86400)
            fail(QStringLiteral("--clock-offset wants seconds, at most ten years"));
    }

    const int port = intValue(parser, QStringLiteral("port"), 1);
    const QString portsDir = parser.isSet(QStringLiteral("ports-dir"))
                                 ? parser.value(QStringLiteral("ports-dir"))
                                 : stazione::link::PortResolver::defaultLinksFolder();

    FILE* logFile = stderr;
    if (parser.isSet(QStringLiteral("log"))) {
        logFile = std::fopen(QFile::encodeName(parser.value(QStringLiteral("log"))).constData(), "a");
        if (!logFile)
            fail(QStringLiteral("cannot open the log file %1").arg(parser.value(QStringLiteral("log"))));
    }
    std::mutex logMutex;
    auto writeLog = [&](const QString& line) {
        std::lock_guard lock(logMutex);
        std::fputs(line.toLocal8Bit().constData(), logFile);
        std::fputc('\n', logFile);
        std::fflush(logFile);
    };
    auto note = [&](const QString& text) {
        writeLog(QTime::currentTime().toString(QStringLiteral("hh:mm:ss.zzz")) + QLatin1Char(' ') + text);
    };

    PtyServer server(options);
    server.setLogSink(writeLog);
    if (!server.start(portsDir, port))
        fail(server.errorString());

    std::printf("COM%d -> %s (%s %s)\n", port, qPrintable(server.slavePath()), qPrintable(options.model),
                qPrintable(options.version));
    std::fflush(stdout);
    note(QStringLiteral("serving %1 on %2 as %3 %4, time scale %5")
             .arg(server.linkPath(), server.slavePath(), options.model, options.version,
                  QString::number(options.timeScale)));
    for (const stazione::sim::NetworkStation& station : std::as_const(options.network))
        note(QStringLiteral("station %1: %2 \"%3\"%4")
                 .arg(station.number, stazione::sim::identificationFor(station.model), station.name,
                      station.busyCalls == 0 ? QString()
                      : station.busyCalls < 0
                          ? QStringLiteral(", always busy")
                          : QStringLiteral(", busy for %1 calls").arg(station.busyCalls)));
    if (options.modem) {
        note(
            QStringLiteral("behind a modem \"%1\": a dial of %2 ends in %3 after %4 ms; escape guard %5 ms")
                .arg(options.modemIdentification,
                     options.expectedNumber.isEmpty() ? QStringLiteral("any number") : options.expectedNumber,
                     options.dialResult == stazione::sim::DialResult::Connect
                         ? options.connectWord
                         : stazione::sim::dialResultText(options.dialResult),
                     QString::number(std::chrono::duration_cast<std::chrono::milliseconds>(
                                         stazione::sim::ModemModel::dialDelayFor(options))
                                         .count()),
                     QString::number(std::chrono::duration_cast<std::chrono::milliseconds>(
                                         stazione::sim::ModemModel::escapeGuardFor(options))
                                         .count())));
    }

    int signal = 0;
    sigwait(&stopSignals, &signal);
    note(QStringLiteral("stopping on %1")
             .arg(signal == SIGINT ? QStringLiteral("SIGINT") : QStringLiteral("SIGTERM")));
    server.stop();
    if (logFile != stderr)
        std::fclose(logFile);
    return 0;
}
