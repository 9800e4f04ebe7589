#include "cli/command_line.h"

#include "db/database.h"
#include "link/link.h"
#include "modem/stations.h"
#include "network/alerts.h"
#include "session/operations.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>

#include <algorithm>
#include <limits>
#include <type_traits>

namespace stazione::cli {

namespace {

QCommandLineOption option(const QStringList& names, const QString& description,
                          const QString& valueName = QString())
{
    return QCommandLineOption(names, description, valueName);
}

QCommandLineOption option(const QString& name, const QString& description,
                          const QString& valueName = QString())
{
    return QCommandLineOption(name, description, valueName);
}

const QString kIntro = QStringLiteral(
    "Talks to a logger on a serial port (COMn, see \"ports\") with the same exchanges as the windows.\n"
    "Every command that talks to the logger first finds it as \"identify\" does.");

const QString kEpilogue = QStringLiteral(
    "\"stazione-cli COMMAND --help\" describes one command with an example.\n"
    "Exit status: 0 success, 1 the logger or the link failed (or refused a write), 2 wrong usage\n"
    "or a value the window would refuse too.\n"
    "Environment: STAZIONE_PORTS (folder of COMn links), STAZIONE_TIME_SCALE (pause factor),\n"
    "STAZIONE_REPLY_TIMEOUT (default of --timeout).\n");

const QString kBoxes = QStringLiteral(
    "Each of these reads; with --set it writes first, as the window's write button does: every box\n"
    "of the window is sent, those not named keep what the logger holds. Boxes are named as on the\n"
    "windows:\n"
    "  sensors   NomeCanali_I CA_I CB_I CC_I CD_I        (I = channel)\n"
    "  gsm       NUMERO_ALLARME_SMS_I (I = 0-9) NUMERO_ALLARMI_SMS\n"
    "  gprs      GPRS_I (I = 0-9) EMAIL (0 or 1)\n"
    "  alarms    AllarmeAttivo_I CA_I CB_I                (I = row)\n"
    "  sms-text  SMS_PERSONALIZZATO_I (I = 0-4)");

// Breaks a text into lines of at most `width` characters, each after `indent` blanks.
QString wrapped(const QString& text, int indent, int width)
{
    QString out;
    for (const QString& paragraph : text.split(QLatin1Char('\n'))) {
        if (paragraph.startsWith(QLatin1Char(' '))) { // laid out by hand
            out += QString(indent, QLatin1Char(' ')) + paragraph + QLatin1Char('\n');
            continue;
        }
        QString line;
        for (const QString& word : paragraph.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            if (!line.isEmpty() && indent + line.size() + 1 + word.size() > width) {
                out += QString(indent, QLatin1Char(' ')) + line + QLatin1Char('\n');
                line.clear();
            }
            line += (line.isEmpty() ? QString() : QStringLiteral(" ")) + word;
        }
        out += QString(indent, QLatin1Char(' ')) + line + QLatin1Char('\n');
    }
    return out;
}

// One option as the parser's help shows it: "  --port <N>  description".
QString describe(const QCommandLineOption& o)
{
    QStringList names;
    for (const QString& n : o.names())
        names << (n.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + n;
    QString head = QStringLiteral("  ") + names.join(QStringLiteral(", "));
    if (!o.valueName().isEmpty())
        head += QStringLiteral(" <%1>").arg(o.valueName());
    constexpr int kColumn = 30;
    if (head.size() + 2 > kColumn)
        return head + QLatin1Char('\n') + wrapped(o.description(), kColumn, 100);
    return head.leftJustified(kColumn) + wrapped(o.description(), kColumn, 100).mid(kColumn);
}

const QCommandLineOption* findOption(const QString& name)
{
    for (const QCommandLineOption& o : commandLineOptions()) {
        if (o.names().contains(name))
            return &o;
    }
    return nullptr;
}

int usageError(const QString& text)
{
    message(QStringLiteral("stazione-cli: ") + text);
    message(QStringLiteral("Try 'stazione-cli --help'."));
    return kExitUsage;
}

// Reads a number option into `out` when it is set; false when it is not a number within its range.
template<class T>
bool readNumber(const QCommandLineParser& parser, const QString& name, T low, T high, T* out)
{
    if (!parser.isSet(name))
        return true;
    bool ok = false;
    T value{};
    if constexpr (std::is_floating_point_v<T>)
        value = parser.value(name).toDouble(&ok);
    else
        value = parser.value(name).toInt(&ok);
    if (!ok || !(value >= low && value <= high))
        return false;
    *out = value;
    return true;
}

// The options of collect: the stations, the modems, the retries and the clock check. The reason
// when they are wrong.
QString collectOptions(const QCommandLineParser& parser, Options& options)
{
    for (const QString& name :
         {QStringLiteral("dial"), QStringLiteral("station"), QStringLiteral("dial-pause")}) {
        if (parser.isSet(name))
            return QStringLiteral("collect dials the numbers of the directory; --%1 is not for it.")
                .arg(name);
    }
    for (const QString& value : parser.values(QStringLiteral("modem-port"))) {
        bool ok = false;
        const int n = value.toInt(&ok);
        if (!ok || n < 1 || n > 32767)
            return QStringLiteral("--modem-port takes a port number, e.g. --modem-port 2.");
        if (options.modemPorts.contains(n))
            return QStringLiteral("--modem-port %1 is given twice.").arg(n);
        options.modemPorts << n;
    }
    if (options.modemPorts.isEmpty() == !parser.isSet(QStringLiteral("port")))
        return QStringLiteral("collect takes --modem-port M (repeatable) or --port N.");
    const QString list = parser.value(QStringLiteral("stations"));
    if (parser.isSet(QStringLiteral("stations")) && list != QLatin1String("all")) {
        if (parser.isSet(QStringLiteral("port")))
            return QStringLiteral(
                "--stations is for the directory; --port collects the logger on the cable.");
        for (const QString& item : list.split(QLatin1Char(','))) {
            bool ok = false;
            const int row = item.trimmed().toInt(&ok);
            if (!ok || row < 1 || row > 70)
                return QStringLiteral("--stations takes directory numbers from 1 to 70 (1,5,7) or all.");
            if (!options.stations.contains(row))
                options.stations << row;
        }
    }
    if (!readNumber(parser, QStringLiteral("retries"), 0, 100, &options.retries))
        return QStringLiteral("--retries takes a number from 0 to 100.");
    // A day at most: the waits are timers of milliseconds.
    if (!readNumber(parser, QStringLiteral("retry-wait"), 0.0, 86400.0, &options.retryWaitSeconds))
        return QStringLiteral("--retry-wait takes seconds from 0 to 86400.");
    if (parser.isSet(QStringLiteral("sync-clock"))) {
        int seconds = 0;
        if (!readNumber(parser, QStringLiteral("sync-clock"), 0, 86400, &seconds))
            return QStringLiteral("--sync-clock takes seconds from 0 to 86400.");
        options.syncClockSeconds = seconds;
    }
    options.readSensors = parser.isSet(QStringLiteral("read-sensors"));
    if (!readNumber(parser, QStringLiteral("sensors-every"), 0, 3650, &options.sensorsEveryDays))
        return QStringLiteral("--sensors-every takes days from 0 to 3650.");
    if (options.dir.isEmpty())
        options.dir = QDir::currentPath();
    return {};
}

// "alert-battery", "alert-memory", ...: an option for each kind of alert.
QStringList ruleOptionNames()
{
    QStringList names;
    for (const data::AlertRuleRow& row : data::alertRuleRows())
        names << QStringLiteral("alert-") + QLatin1String(row.name);
    return names;
}

const QStringList& alertOptionNames()
{
    static const QStringList names =
        ruleOptionNames() + QStringList{QStringLiteral("on-alert"), QStringLiteral("report"),
                                        QStringLiteral("days"), QStringLiteral("lang")};
    return names;
}

// The alert rules and the report's options of collect and report. The reason when they are wrong.
QString alertOptions(const QCommandLineParser& parser, Options& options, bool reporting)
{
    if (reporting && parser.isSet(QStringLiteral("report")))
        return QStringLiteral("--report is for collect; report always builds the site.");
    for (const data::AlertRuleRow& row : data::alertRuleRows()) {
        const QString name = QStringLiteral("alert-") + QLatin1String(row.name);
        double value = 0;
        bool read = true;
        if (row.whole) {
            int whole = 0;
            read = readNumber(parser, name, int(row.lowest), int(row.highest), &whole);
            value = whole;
        } else {
            read = readNumber(parser, name, row.lowest, row.highest, &value);
        }
        if (!read)
            return QStringLiteral("--%1 takes %2.").arg(name, QLatin1String(row.takes));
        if (parser.isSet(name))
            options.alerts.*row.threshold = value;
    }
    options.onAlert = parser.value(QStringLiteral("on-alert"));
    if (parser.isSet(QStringLiteral("on-alert")) && options.onAlert.trimmed().isEmpty())
        return QStringLiteral("--on-alert takes a command.");
    if (parser.isSet(QStringLiteral("on-alert")) && !options.alerts.any())
        return QStringLiteral("--on-alert needs at least one --alert-* rule.");
    options.report = parser.isSet(QStringLiteral("report"));
    if (!readNumber(parser, QStringLiteral("days"), 1, 366, &options.days))
        return QStringLiteral("--days takes a number of days from 1 to 366.");
    options.language = parser.value(QStringLiteral("lang"));
    if (parser.isSet(QStringLiteral("lang")) && options.language != QLatin1String("it") &&
        options.language != QLatin1String("en"))
        return QStringLiteral("--lang takes it or en.");
    return {};
}

} // namespace

const QList<QCommandLineOption>& commandLineOptions()
{
    static const QList<QCommandLineOption> all = [] {
        QList<QCommandLineOption> list{
            option({QStringLiteral("h"), QStringLiteral("help")},
                   QStringLiteral("Show this help; after a command, the help of that command.")),
            option(QStringLiteral("port"), QStringLiteral("Use COMn instead of scanning the ports."),
                   QStringLiteral("N")),
            option(QStringLiteral("modem-port"),
                   QStringLiteral(
                       "Reach the logger by a call: the modem on COMM dials the number of --dial, the "
                       "command runs over the call, and the call is hung up at the end."),
                   QStringLiteral("M")),
            option(QStringLiteral("dial"), QStringLiteral("The number the modem dials (with --modem-port)."),
                   QStringLiteral("NUMBER")),
            option(QStringLiteral("station"),
                   QStringLiteral(
                       "Dial the number of this station of the directory (numbered from 1, as `stations` "
                       "lists them) instead of --dial; the date of a call that connects is kept in "
                       "last.ini, as the modem window does."),
                   QStringLiteral("N")),
            option(QStringLiteral("dial-pause"),
                   QStringLiteral("Dial with a pause after the first digit (\"Download and Go\").")),
            option(QStringLiteral("call-timeout"),
                   QStringLiteral("How long the call may take to connect (default 90; 0.1-3600)."),
                   QStringLiteral("SECONDS")),
            option(QStringLiteral("timeout"),
                   QStringLiteral("How long to wait for each reply field (default 10; 0.1-3600)."),
                   QStringLiteral("SECONDS")),
            option(
                QStringLiteral("trace"),
                QStringLiteral("Append every byte sent and received to FILE, with its time and direction."),
                QStringLiteral("FILE")),
            option(QStringLiteral("json"), QStringLiteral("Print the result as one JSON object.")),
            option(QStringLiteral("yes"),
                   QStringLiteral("Confirm a command that deletes data on the logger.")),
            option(QStringLiteral("now"), QStringLiteral("set-clock: take the PC's date and time.")),
            option(QStringLiteral("gsm"),
                   QStringLiteral(
                       "set-interval: the station has GSM (the connection window's \"Versione GSM\"): "
                       "the longer minimum applies.")),
            option(QStringLiteral("set"),
                   QStringLiteral("Change a box before writing (repeatable), e.g. --set GPRS_7=21."),
                   QStringLiteral("NAME=VALUE")),
            option(QStringLiteral("rows"), QStringLiteral("alarms: the number of channel rows (0-16)."),
                   QStringLiteral("N")),
            option(QStringLiteral("temp"),
                   QStringLiteral("download: the counted download, decoded and checked into the temperature "
                                  "file.")),
            option(QStringLiteral("from-end"),
                   QStringLiteral("download, collect: from the end of the memory.")),
            option(QStringLiteral("dir"),
                   QStringLiteral("download: the folder of the file; collect: the data root, "
                                  "a folder per station and the report (default: the "
                                  "current folder)."),
                   QStringLiteral("DIR")),
            option(QStringLiteral("file"), QStringLiteral("monitor: also write the session file PATH."),
                   QStringLiteral("PATH")),
            option(QStringLiteral("sets"), QStringLiteral("monitor: end after K sets."), QStringLiteral("K")),
            option(QStringLiteral("groups"), QStringLiteral("live: end after K groups."),
                   QStringLiteral("K")),
            option(QStringLiteral("out"),
                   QStringLiteral("export: write the table to F (default: the standard output); report: the "
                                  "site's folder (default: DIR/sito)."),
                   QStringLiteral("F")),
            option(QStringLiteral("from"),
                   QStringLiteral(
                       "export: the first time, ISO 8601 (2026-12-05T14:30:00, or a day: 2026-12-05)."),
                   QStringLiteral("T")),
            option(QStringLiteral("to"),
                   QStringLiteral("export: the last time, ISO 8601 (a day counts whole)."),
                   QStringLiteral("T")),
            option(QStringLiteral("channels"),
                   QStringLiteral("export: the channels to write, in this order, e.g. 0,3 (default: all)."),
                   QStringLiteral("LIST")),
            option(QStringLiteral("names"),
                   QStringLiteral("db query: name the columns as the logger named its channels.")),
            option(QStringLiteral("png"), QStringLiteral("plot: the picture to write."),
                   QStringLiteral("OUT")),
            option(QStringLiteral("width"),
                   QStringLiteral("plot: the picture's width in pixels (default 1200)."),
                   QStringLiteral("W")),
            option(QStringLiteral("height"),
                   QStringLiteral("plot: the picture's height in pixels (default 600)."),
                   QStringLiteral("H")),
            option(QStringLiteral("stations"),
                   QStringLiteral("collect: the stations to call, by directory number from 1 (1,5,7), or all "
                                  "(default: every station with a number)."),
                   QStringLiteral("LIST")),
            option(QStringLiteral("retries"),
                   QStringLiteral("collect: further calls to a station after BUSY, NO CARRIER, NO ANSWER, a "
                                  "time-out or a lost line (default 2)."),
                   QStringLiteral("N")),
            option(QStringLiteral("retry-wait"),
                   QStringLiteral(
                       "collect: seconds before such a station is called again (default 60); the other "
                       "stations are called meanwhile."),
                   QStringLiteral("S")),
            option(QStringLiteral("sync-clock"),
                   QStringLiteral(
                       "collect: set the logger's clock from the PC when it is more than S seconds off, "
                       "then read it back."),
                   QStringLiteral("S")),
            option(QStringLiteral("read-sensors"),
                   QStringLiteral("collect: read the channels' names and scaling at every station's call.")),
            option(QStringLiteral("sensors-every"),
                   QStringLiteral("collect: read them again once they are DAYS old (default 7; always on a "
                                  "station's first call); a read that fails fails nothing."),
                   QStringLiteral("DAYS")),
            option(QStringLiteral("report"),
                   QStringLiteral(
                       "collect: build the web report of the network at the end, as \"report\" does.")),
            option(QStringLiteral("days"),
                   QStringLiteral("report: the days of measurements shown per station (default 7; 1-366)."),
                   QStringLiteral("N")),
            option(QStringLiteral("lang"),
                   QStringLiteral("report: the language of the pages, it or en (default: the windows' own)."),
                   QStringLiteral("LANG")),
            option(QStringLiteral("on-alert"),
                   QStringLiteral(
                       "collect, report: run CMD (through the shell) once per alert raised or cleared, "
                       "with the change as a JSON line on its standard input; killed after 30 s."),
                   QStringLiteral("CMD")),
            option(QStringLiteral("db"),
                   QStringLiteral(
                       "db: the database, sqlite:PATH or postgresql://[user[:password]@]host[:port]/dbname "
                       "(?host=/socket/dir for a Unix socket); collect: also store each station's new "
                       "lines there; report: read the stations' history from there instead of "
                       "DIR/raccolta.jsonl (alone: sqlite:DIR/stazione.sqlite)."),
                   QStringLiteral("URL")),
        };
        // An option for each kind of alert, before --on-alert.
        auto at = std::find_if(list.begin(), list.end(), [](const QCommandLineOption& o) {
            return o.names().contains(QStringLiteral("on-alert"));
        });
        for (const data::AlertRuleRow& row : data::alertRuleRows()) {
            at = list.insert(at, option(QStringLiteral("alert-") + QLatin1String(row.name),
                                        QStringLiteral("collect, report: ") + QLatin1String(row.help),
                                        QLatin1String(row.valueName)));
            ++at;
        }
        return list;
    }();
    return all;
}

const QStringList& connectionOptions()
{
    static const QStringList names{
        QStringLiteral("port"),    QStringLiteral("modem-port"), QStringLiteral("dial"),
        QStringLiteral("station"), QStringLiteral("dial-pause"), QStringLiteral("call-timeout"),
        QStringLiteral("timeout"), QStringLiteral("trace"),      QStringLiteral("json")};
    return names;
}

namespace {

// The verbs that are not simple reads of the main window.
const std::vector<Verb>& ownVerbs()
{
    static const std::vector<Verb> all{
        {QStringLiteral("ports"),
         {},
         QStringLiteral("List the serial ports: COMn and the device each leads to."),
         {},
         {QStringLiteral("json")},
         QStringLiteral("stazione-cli ports --json"),
         &runPorts,
         false,
         false},
        {QStringLiteral("identify"),
         {},
         QStringLiteral("Find the logger and print its model, version and port."),
         QStringLiteral("With --port that port only; without, scan as the connection window does: the saved "
                        "port first, then COM1-COM30."),
         {},
         QStringLiteral("stazione-cli identify --port 3 --json"),
         &runIdentify},
        {QStringLiteral("params"),
         {},
         QStringLiteral("Read every parameter the connection reads, keyed by the box that shows it."),
         {},
         {},
         QStringLiteral("stazione-cli params --port 3 --json"),
         &runParams},
        {QStringLiteral("set-clock"),
         QStringLiteral("(--now | D M Y h m s)"),
         QStringLiteral("Set the logger's clock (hour 0-23, minute 0-59), then read it back."),
         {},
         {QStringLiteral("now")},
         QStringLiteral("stazione-cli set-clock --port 3 5 12 2026 14 30 0"),
         &runSetClock,
         true},
        {QStringLiteral("set-interval"),
         QStringLiteral("H M S"),
         QStringLiteral("Set the acquisition interval (at least 1 min; 10 min with --gsm)."),
         {},
         {QStringLiteral("gsm")},
         QStringLiteral("stazione-cli set-interval --port 3 0 10 0 --gsm"),
         &runSetInterval,
         true},
        {QStringLiteral("set-name"),
         QStringLiteral("NAME"),
         QStringLiteral("Set the station name."),
         QStringLiteral("Blanks around the name are dropped, as the window does."),
         {},
         QStringLiteral("stazione-cli set-name --port 3 POZZO1"),
         &runSetName,
         true},
        {QStringLiteral("set-channels"),
         QStringLiteral("N --yes"),
         QStringLiteral("Set the number of active channels (0-16): ERASES the recorded data."),
         {},
         {QStringLiteral("yes")},
         QStringLiteral("stazione-cli set-channels --port 3 4 --yes"),
         &runSetChannels,
         true},
        {QStringLiteral("enable"),
         {},
         QStringLiteral("Switch the acquisition on, then read its state back."),
         {},
         {},
         QStringLiteral("stazione-cli enable --port 3"),
         [](const Options& o) { return runSetEnabled(o, true); }},
        {QStringLiteral("disable"),
         {},
         QStringLiteral("Switch the acquisition off, then read its state back."),
         {},
         {},
         QStringLiteral("stazione-cli disable --port 3"),
         [](const Options& o) { return runSetEnabled(o, false); }},
        {QStringLiteral("sensors"),
         {},
         QStringLiteral("The properties of the active channels (name, scaling)."),
         kBoxes,
         {QStringLiteral("set")},
         QStringLiteral("stazione-cli sensors --port 3 --set NomeCanali_1=Pozzo --set CA_1=0.5"),
         &runSensors},
        {QStringLiteral("gsm"),
         {},
         QStringLiteral("The SMS numbers and the number of SMS to send."),
         kBoxes,
         {QStringLiteral("set")},
         QStringLiteral("stazione-cli gsm --port 3 --set NUMERO_ALLARME_SMS_3=3331234567"),
         &runGsm},
        {QStringLiteral("gprs"),
         {},
         QStringLiteral("The GPRS/FTP settings and the e-mail switch."),
         kBoxes,
         {QStringLiteral("set")},
         QStringLiteral("stazione-cli gprs --port 3 --set GPRS_7=21 --set EMAIL=1"),
         &runGprs},
        {QStringLiteral("alarms"),
         QStringLiteral("[--rows N]"),
         QStringLiteral("The analog alarms of N channel rows (default: the active channels)."),
         kBoxes,
         {QStringLiteral("rows"), QStringLiteral("set")},
         QStringLiteral("stazione-cli alarms --port 3 --rows 2 --set CA_1=80"),
         &runAlarms},
        {QStringLiteral("sms-text"),
         {},
         QStringLiteral("The five lines of the personal SMS text."),
         kBoxes,
         {QStringLiteral("set")},
         QStringLiteral("stazione-cli sms-text --port 3 --set \"SMS_PERSONALIZZATO_0=POZZO 3\""),
         &runSmsText},
        {QStringLiteral("download"),
         QStringLiteral("[--temp] [--from-end] [--dir DIR]"),
         QStringLiteral("Download the recorded data into the file the window writes."),
         QStringLiteral("STATION_DD_MM_YY_SENS.txt holds the logger's lines; with --temp, "
                        "STATION_DD_MM_YY_TEMP.txt the decoded and checked temperatures."),
         {QStringLiteral("temp"), QStringLiteral("from-end"), QStringLiteral("dir")},
         QStringLiteral("stazione-cli download --port 3 --dir /tmp --temp"),
         &runDownload},
        {QStringLiteral("monitor"),
         QStringLiteral("[--sets K] [--file PATH]"),
         QStringLiteral("A continuous measurement session: prints every line of its file."),
         QStringLiteral("Ctrl-C or K sets end it; with --file the session file is written too."),
         {QStringLiteral("sets"), QStringLiteral("file")},
         QStringLiteral("stazione-cli monitor --port 3 --sets 10 --file mc.txt"),
         &runMonitor},
        {QStringLiteral("live"),
         QStringLiteral("[--groups K]"),
         QStringLiteral("The continuous reading: prints \"channel label value\" lines."),
         QStringLiteral("Ctrl-C or K groups end it."),
         {QStringLiteral("groups")},
         QStringLiteral("stazione-cli live --port 3 --groups 5"),
         &runLive},
        {QStringLiteral("set-preheating"),
         QStringLiteral("MS"),
         QStringLiteral("Set the pre-heating time in milliseconds (at most 30000)."),
         QStringLiteral("Sent with five digits; the logger answers nothing (\"params\" reads it)."),
         {},
         QStringLiteral("stazione-cli set-preheating --port 3 1500"),
         &runSetPreheating,
         true},
        {QStringLiteral("set-battery"),
         QStringLiteral("1|0"),
         QStringLiteral("Set the battery type (1 lead-acid, 0 other), then read it back."),
         {},
         {},
         QStringLiteral("stazione-cli set-battery --port 3 1"),
         &runSetBattery,
         true},
        {QStringLiteral("set-minipan"),
         QStringLiteral("1|0"),
         QStringLiteral("Switch the mini-panel on or off, then read it back."),
         {},
         {},
         QStringLiteral("stazione-cli set-minipan --port 3 0"),
         &runSetMiniPanel,
         true},
        {QStringLiteral("set-counter"),
         QStringLiteral("1|0"),
         QStringLiteral("Switch the event counter (rain-gauge input) on or off, then read it back."),
         {},
         {},
         QStringLiteral("stazione-cli set-counter --port 3 1"),
         &runSetCounter,
         true},
        {QStringLiteral("rain"),
         {},
         QStringLiteral("Read the rain amount in millimetres."),
         {},
         {},
         QStringLiteral("stazione-cli rain --port 3"),
         &runRain},
        {QStringLiteral("set-rain"),
         QStringLiteral("MM"),
         QStringLiteral("Write the rain amount in millimetres, then read it back."),
         {},
         {},
         QStringLiteral("stazione-cli set-rain --port 3 0.2"),
         &runSetRain,
         true},
        {QStringLiteral("events"),
         {},
         QStringLiteral("Read the event count."),
         {},
         {},
         QStringLiteral("stazione-cli events --port 3 --json"),
         &runEvents},
        {QStringLiteral("stop"),
         {},
         QStringLiteral("Stop the acquisition (\"Blocca l'acquisizione\")."),
         {},
         {},
         QStringLiteral("stazione-cli stop --port 3"),
         &runStop},
        {QStringLiteral("set-start"),
         QStringLiteral("D M Y h m s"),
         QStringLiteral("Write the start date (hour 0-23, minute 0-59), then read it back."),
         {},
         {},
         QStringLiteral("stazione-cli set-start --port 3 5 12 2026 8 30 0"),
         &runSetStart,
         true},
        {QStringLiteral("start-now"),
         {},
         QStringLiteral("Start measuring at once: a start date in the past, then read it back."),
         {},
         {},
         QStringLiteral("stazione-cli start-now --port 3"),
         &runStartNow},
        {QStringLiteral("set-sms"),
         QStringLiteral("1|0"),
         QStringLiteral("Switch the SMS alarm on or off (\"Abilita Allarme SMS\")."),
         QStringLiteral("Sends the address book as the logger holds it with the SMS flag, then the phone "
                        "number with the phone flag; those two are as a freshly opened window shows them "
                        "(empty, 0) unless given with --set NUMERO_ALLARME_TELEFONO=NUMBER and "
                        "--set Abilita_Telefono=1."),
         {QStringLiteral("set")},
         QStringLiteral("stazione-cli set-sms --port 3 1 --set NUMERO_ALLARME_TELEFONO=3331234567"),
         [](const Options& o) { return runAlarmSwitch(o, AlarmSwitch::Sms); },
         true},
        {QStringLiteral("set-phone-alarm"),
         QStringLiteral("1|0"),
         QStringLiteral("Switch the phone alarm on or off (\"Abilita Allarme TELEFONO\")."),
         QStringLiteral("As set-sms, with the roles swapped: --set NUMERO_ALLARME_TELEFONO=NUMBER is the "
                        "number called, --set Abilita_SMS=1 keeps the SMS alarm on."),
         {QStringLiteral("set")},
         QStringLiteral("stazione-cli set-phone-alarm --port 3 1 --set NUMERO_ALLARME_TELEFONO=3331234567"),
         [](const Options& o) { return runAlarmSwitch(o, AlarmSwitch::Phone); },
         true},
        {QStringLiteral("set-gsm"),
         QStringLiteral("1|0"),
         QStringLiteral("Switch the logger's GSM function on or off, then read the acquisition state."),
         {},
         {},
         QStringLiteral("stazione-cli set-gsm --port 3 1"),
         &runSetGsm,
         true},
        {QStringLiteral("fullscale"),
         {},
         QStringLiteral("Read the six values behind the button \"leggifs\"."),
         {},
         {},
         QStringLiteral("stazione-cli fullscale --port 3 --json"),
         &runFullScale},
        {QStringLiteral("retry"),
         {},
         QStringLiteral("The retry read of a call (\"Riprova\"): the main values by fixed-length replies."),
         QStringLiteral("Over a call it runs right after CONNECT, without the start-up's identification."),
         {},
         QStringLiteral("stazione-cli retry --modem-port 2 --station 1"),
         &runRetry},
        {QStringLiteral("find-modem"),
         QStringLiteral("[M]"),
         QStringLiteral("Find the port with a modem (\"Cerca Modem\") and keep it in pmodem.ini."),
         QStringLiteral("Without M the ports COM1 to COM30 are asked in turn; with M that port only."),
         {QStringLiteral("trace"), QStringLiteral("json")},
         QStringLiteral("stazione-cli find-modem 2"),
         &runFindModem,
         true,
         false},
        {QStringLiteral("hang-up"),
         QStringLiteral("M"),
         QStringLiteral("Hang up the modem on COMM (\"Stop\" of the modem window)."),
         {},
         {QStringLiteral("trace")},
         QStringLiteral("stazione-cli hang-up 2"),
         &runHangUp,
         true,
         false},
        {QStringLiteral("stations"),
         QStringLiteral("[add NAME NUMBER [DATE] | set N NAME NUMBER [DATE] | remove N]"),
         QStringLiteral("The station directory of the modem window; add, set or remove a station."),
         QStringLiteral(
             "Changes are written to modem.ini and last.ini as the modem window's \"Salva i dati\" "
             "writes them; stations are numbered 1 to 70, as listed and as collect and its report number "
             "them."),
         {QStringLiteral("json")},
         QStringLiteral("stazione-cli stations add \"Pozzo 1\" 0471123456 2030"),
         &runStations,
         true,
         false},
        {QStringLiteral("export"),
         QStringLiteral("FILE [--out F] [--from T] [--to T] [--channels 0,3]"),
         QStringLiteral("A temperature, continuous measurement or sensor data file as a CSV table."),
         QStringLiteral("The header is time,<channel names>; times are ISO 8601 (two-digit years are 20YY), "
                        "\".\" is the decimal point, a gap (**N.C.**, Timeout, nothing) is an empty cell. A "
                        "malformed line ends it with its line number (exit status 1); a sensor data file "
                        "whose lines are not \"date time, value, value...\" is refused."),
         {QStringLiteral("out"), QStringLiteral("from"), QStringLiteral("to"), QStringLiteral("channels")},
         QStringLiteral(
             "stazione-cli export STAZ1_05_12_26_TEMP.txt --out t.csv --from 2026-12-01 --channels 0,3"),
         &runExport,
         true,
         false},
        {QStringLiteral("plot"),
         QStringLiteral("FILE --png OUT [--width W] [--height H]"),
         QStringLiteral("The chart of a data file as a PNG picture; no display needed."),
         QStringLiteral("Drawn by stazione-plot, which renders off screen."),
         {QStringLiteral("png"), QStringLiteral("width"), QStringLiteral("height")},
         QStringLiteral(
             "stazione-cli plot mc_05-12-2026_14.7.09.txt --png chart.png --width 1600 --height 800"),
         &runPlot,
         true,
         false},
        {QStringLiteral("collect"), QStringLiteral("(--modem-port M ... | --port N) [--stations LIST]"),
         QStringLiteral("Collect the recorded data of the station network, or of the logger on the cable."),
         QStringLiteral(
             "Each station of the directory is called, started up as the modem window does, its "
             "parameters read, its recorded data downloaded into DIR/<station>/ (the day's file as "
             "the window writes it) and the new lines appended to <station>_archivio.txt; when due "
             "(--sensors-every) its channels' names and scaling are read into "
             "DIR/<station>/sensori.json; its clock is checked and the call hung up. A line per station goes "
             "to DIR/raccolta.jsonl, a "
             "table to the output at the end (with --json a JSON line per station instead). With "
             "several --modem-port the stations are shared out and called in parallel (with --trace "
             "each modem traces into FILE.COMn). Then the --alert-* rules are judged as \"report\" "
             "does, and with --report the web report is built; neither changes the exit status: 0 "
             "when every station succeeded, 1 when one failed. SIGINT or SIGTERM hang up the call "
             "under way, report every station not done as cancelled and end with status 130 or 143."),
         QStringList{QStringLiteral("port"), QStringLiteral("modem-port"), QStringLiteral("stations"),
                     QStringLiteral("dir"), QStringLiteral("retries"), QStringLiteral("retry-wait"),
                     QStringLiteral("sync-clock"), QStringLiteral("from-end"), QStringLiteral("call-timeout"),
                     QStringLiteral("timeout"), QStringLiteral("trace"), QStringLiteral("json"),
                     QStringLiteral("read-sensors"), QStringLiteral("sensors-every"),
                     QStringLiteral("report")} +
             ruleOptionNames() +
             QStringList{QStringLiteral("on-alert"), QStringLiteral("days"), QStringLiteral("lang"),
                         QStringLiteral("db")},
         QStringLiteral("stazione-cli collect --modem-port 2 --stations all --dir ~/dati --sync-clock 120"),
         &runCollect, false, false},
        {QStringLiteral("report"), QStringLiteral("DIR [--out SITE] [--days N] [--lang it|en] [--db [URL]]"),
         QStringLiteral("Build the web report of the station network and print the open alerts."),
         QStringLiteral(
             "Reads DIR/raccolta.jsonl (with --db the table collections of the database instead: a "
             "database that cannot be read whole builds nothing) and the stations' archives and writes a "
             "site that needs only a "
             "browser into DIR/sito (or SITE): index.html with a row per station, problems and open "
             "alerts first, and a page per station with its history, charts and the last N days of "
             "its measurements (with a CSV of them). The new site replaces the old one in one step. "
             "With --alert-* rules the alerts are judged first: each one raised or cleared is "
             "appended to DIR/allarmi.jsonl and passed to --on-alert. The open alerts are printed a "
             "line each (with --json a JSON object each). Exit status 0 when the site was built, 1 "
             "when not."),
         QStringList{QStringLiteral("out"), QStringLiteral("days"), QStringLiteral("lang")} +
             ruleOptionNames() +
             QStringList{QStringLiteral("on-alert"), QStringLiteral("json"), QStringLiteral("db")},
         QStringLiteral("stazione-cli report ~/dati --alert-battery 11.8 --alert-failures 3 --lang en"),
         &runReport, true, false},
        {QStringLiteral("db"),
         QStringLiteral("(import DIR | query --station NAME [--from T] [--to T] [--channels 0,3] [--names] | "
                        "check DIR | "
                        "migrate) "
                        "--db URL"),
         QStringLiteral("The archives and the report of a data root in a database (SQLite or PostgreSQL)."),
         QStringLiteral(
             "import stores every station archive of DIR (its lines, and the values of those that read "
             "\"date time, value...\") and every line of DIR/raccolta.jsonl; what is stored already is not "
             "stored again. query prints a station's values as the CSV table of export (with --names its "
             "columns named as the logger last named its channels, \"CH 0 Piezometro P1\"). check compares "
             "every "
             "station's stored lines with its archive and prints each difference (exit status 1 when there "
             "is one). migrate brings a database of an older schema up to date (import and collect --db do "
             "it too; query, check and report only read, and refuse an older schema)."),
         {QStringLiteral("db"), QStringLiteral("station"), QStringLiteral("from"), QStringLiteral("to"),
          QStringLiteral("channels"), QStringLiteral("names")},
         QStringLiteral(
             "stazione-cli db query --db sqlite:dati/stazione.sqlite --station Alfa --from 2026-12-01"),
         &runDb,
         true,
         false},
        {QStringLiteral("reset"),
         QStringLiteral("--yes"),
         QStringLiteral("Reset the logger: ALL data and ALL settings are lost."),
         {},
         {QStringLiteral("yes")},
         QStringLiteral("stazione-cli reset --port 3 --yes"),
         [](const Options& o) { return runDestructive(o, Destructive::Reset); }},
        {QStringLiteral("erase"),
         QStringLiteral("--yes"),
         QStringLiteral("Erase the recorded data, then print the memory state."),
         {},
         {QStringLiteral("yes")},
         QStringLiteral("stazione-cli erase --port 3 --yes"),
         [](const Options& o) { return runDestructive(o, Destructive::Erase); }},
    };
    return all;
}

} // namespace

const std::vector<Verb>& verbs()
{
    // The simple reads of the main window come with their verbs: one row each.
    static const std::vector<Verb> all = [] {
        std::vector<Verb> list = ownVerbs();
        for (const session::Operation& row : session::operations()) {
            if (row.kind != session::Kind::Query || !row.verb)
                continue;
            const QString name = QString::fromUtf8(row.verb);
            list.push_back({name,
                            {},
                            QString::fromUtf8(row.summary),
                            {},
                            {},
                            QStringLiteral("stazione-cli %1 --port 3 --json").arg(name),
                            &runQueryVerb});
        }
        return list;
    }();
    return all;
}

const Verb* findVerb(const QString& name)
{
    for (const Verb& verb : verbs()) {
        if (verb.name == name)
            return &verb;
    }
    return nullptr;
}

namespace {

void describeParser(QCommandLineParser& parser)
{
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addOptions(commandLineOptions());
    parser.addPositionalArgument(QStringLiteral("command"),
                                 QStringLiteral("One of the commands above, then its arguments."),
                                 QStringLiteral("<command> [arguments]"));
    QString description = kIntro + QStringLiteral("\n\nCommands:\n");
    for (const Verb& verb : verbs()) {
        const QString head = QStringLiteral("  ") + verb.name +
                             (verb.arguments.isEmpty() ? QString() : QLatin1Char(' ') + verb.arguments);
        constexpr int kColumn = 24;
        if (head.size() + 2 > kColumn)
            description += head + QLatin1Char('\n') + wrapped(verb.summary, kColumn, 100);
        else
            description += head.leftJustified(kColumn) + wrapped(verb.summary, kColumn, 100).mid(kColumn);
    }
    parser.setApplicationDescription(description.chopped(1));
}

} // namespace

QString helpText()
{
    QCommandLineParser parser;
    describeParser(parser);
    // The parser names the program as it was started; the help names it as it is installed.
    QString text = parser.helpText();
    const qsizetype options = text.indexOf(QLatin1String(" [options]"));
    if (text.startsWith(QLatin1String("Usage: ")) && options > 0)
        text.replace(7, options - 7, QStringLiteral("stazione-cli"));
    return text + QLatin1Char('\n') + kEpilogue;
}

QString verbHelp(const Verb& verb)
{
    QString text = QStringLiteral("Usage: stazione-cli [options] ") + verb.name +
                   (verb.arguments.isEmpty() ? QString() : QLatin1Char(' ') + verb.arguments) +
                   QStringLiteral("\n\n") + wrapped(verb.summary, 0, 100);
    if (!verb.details.isEmpty())
        text += QLatin1Char('\n') + wrapped(verb.details, 0, 100);
    QStringList names = verb.options;
    if (verb.talksToLogger) {
        for (const QString& n : connectionOptions()) {
            if (!names.contains(n))
                names << n;
        }
    }
    if (!names.isEmpty()) {
        text += QStringLiteral("\nOptions:\n");
        for (const QString& n : names) {
            if (const QCommandLineOption* o = findOption(n))
                text += describe(*o);
        }
    }
    text += QStringLiteral("\nExample:\n  ") + verb.example + QLatin1Char('\n');
    return text;
}

Parsed parseCommandLine(const QStringList& arguments)
{
    Parsed parsed;
    QCommandLineParser parser;
    describeParser(parser);
    auto usage = [&](const QString& text) {
        parsed.exitCode = usageError(text);
        return parsed;
    };
    // A value the line cannot carry ends the command before the logger is even looked for.
    auto refusal = [&] {
        parsed.exitCode = kExitUsage;
        return parsed;
    };
    // "--db" without a URL (collect's default database): the parser wants a value.
    QStringList given = arguments;
    for (qsizetype i = 1; i < given.size(); ++i) {
        if (given[i] == QLatin1String("--"))
            break;
        if ((given[i] == QLatin1String("--db") || given[i] == QLatin1String("-db")) &&
            (i + 1 == given.size() || given[i + 1].startsWith(QLatin1Char('-'))))
            given[i] = QStringLiteral("--db=");
    }
    if (!parser.parse(given))
        return usage(parser.errorText());

    const QStringList positional = parser.positionalArguments();
    const Verb* verb = positional.isEmpty() ? nullptr : findVerb(positional.first());
    if (parser.isSet(QStringLiteral("help"))) {
        if (!positional.isEmpty() && !verb)
            return usage(QStringLiteral("unknown command '%1'.").arg(positional.first()));
        out(verb ? verbHelp(*verb).chopped(1) : helpText().chopped(1));
        return parsed;
    }
    if (positional.isEmpty())
        return usage(QStringLiteral("no command given."));
    if (!verb)
        return usage(QStringLiteral("unknown command '%1'.").arg(positional.first()));

    Options options;
    options.verb = verb->name;
    options.arguments = positional.mid(1);
    if (!verb->takesArguments && !options.arguments.isEmpty())
        return usage(QStringLiteral("'%1' takes no arguments.").arg(options.verb));
    options.json = parser.isSet(QStringLiteral("json"));
    options.yes = parser.isSet(QStringLiteral("yes"));
    options.now = parser.isSet(QStringLiteral("now"));
    options.gsm = parser.isSet(QStringLiteral("gsm"));
    options.sets = parser.values(QStringLiteral("set"));
    for (const QString& assignment : options.sets) {
        const qsizetype eq = assignment.indexOf(QLatin1Char('='));
        if (eq > 0 && refused({{assignment.left(eq), assignment.mid(eq + 1)}}))
            return refusal();
    }
    options.temp = parser.isSet(QStringLiteral("temp"));
    options.fromEnd = parser.isSet(QStringLiteral("from-end"));
    options.dir = parser.value(QStringLiteral("dir"));
    options.file = parser.value(QStringLiteral("file"));
    options.trace = parser.value(QStringLiteral("trace"));
    options.out = parser.value(QStringLiteral("out"));
    options.from = parser.value(QStringLiteral("from"));
    options.to = parser.value(QStringLiteral("to"));
    options.channels = parser.value(QStringLiteral("channels"));
    options.names = parser.isSet(QStringLiteral("names"));
    options.png = parser.value(QStringLiteral("png"));
    for (const QString& side : {QStringLiteral("width"), QStringLiteral("height")}) {
        int pixels = 0;
        if (!readNumber(parser, side, 16, 10000, &pixels))
            return usage(QStringLiteral("--width and --height take pixels from 16 to 10000."));
        if (parser.isSet(side))
            (side == QStringLiteral("width") ? options.width : options.height) = pixels;
    }

    const bool collecting = verb->name == QLatin1String("collect");
    const bool reporting = verb->name == QLatin1String("report");
    if (collecting || reporting) {
        if (const QString wrong = alertOptions(parser, options, reporting); !wrong.isEmpty())
            return usage(wrong);
    } else {
        for (const QString& name : alertOptionNames()) {
            if (parser.isSet(name))
                return usage(QStringLiteral("--%1 is for collect and report.").arg(name));
        }
    }
    const bool database = verb->name == QLatin1String("db");
    if (parser.isSet(QStringLiteral("db"))) {
        if (!collecting && !database && !reporting)
            return usage(QStringLiteral("--db is for db, collect and report."));
        options.db = parser.value(QStringLiteral("db"));
        // A URL that cannot be used is the command line's fault, told before anything is done.
        if (!options.db->isEmpty()) {
            if (const auto url = db::parseDatabaseUrl(*options.db); !url)
                return usage(url.error().message);
        }
    }
    if (database) {
        // --station names the station here, not a row of the modem's directory.
        options.stationName = parser.value(QStringLiteral("station"));
        parsed.options = options;
        parsed.verb = verb;
        return parsed;
    }
    if (collecting) {
        if (const QString wrong = collectOptions(parser, options); !wrong.isEmpty())
            return usage(wrong);
    } else {
        for (const QString& name : {QStringLiteral("stations"), QStringLiteral("retries"),
                                    QStringLiteral("retry-wait"), QStringLiteral("sync-clock"),
                                    QStringLiteral("read-sensors"), QStringLiteral("sensors-every")}) {
            if (parser.isSet(name))
                return usage(QStringLiteral("--%1 is for collect.").arg(name));
        }
    }
    const bool callee = parser.isSet(QStringLiteral("dial")) || parser.isSet(QStringLiteral("station"));
    if (!collecting && parser.isSet(QStringLiteral("modem-port")) != callee)
        return usage(QStringLiteral("--modem-port and --dial (or --station) go together."));
    if (parser.isSet(QStringLiteral("dial")) && parser.isSet(QStringLiteral("station")))
        return usage(QStringLiteral("--dial and --station exclude each other."));
    if (parser.isSet(QStringLiteral("dial-pause")) && !callee)
        return usage(QStringLiteral("--dial-pause goes with --modem-port."));
    if (!collecting && parser.isSet(QStringLiteral("modem-port"))) {
        int n = 0;
        if (!readNumber(parser, QStringLiteral("modem-port"), 1, 32767, &n))
            return usage(QStringLiteral("--modem-port takes a port number, e.g. --modem-port 2."));
        if (parser.isSet(QStringLiteral("port")))
            return usage(QStringLiteral("--port and --modem-port exclude each other."));
        options.modemPort = n;
        options.dial = parser.value(QStringLiteral("dial"));
        options.dialPause = parser.isSet(QStringLiteral("dial-pause"));
        if (parser.isSet(QStringLiteral("dial")) &&
            refused({{QStringLiteral("--dial"), options.dial}}, link::TypedFor::Modem))
            return refusal();
        if (parser.isSet(QStringLiteral("station"))) {
            int number = 0;
            if (!readNumber(parser, QStringLiteral("station"), 1, modem::kStations, &number))
                return usage(QStringLiteral("--station takes a station of the directory, 1 to %1.")
                                 .arg(modem::kStations));
            const int row = number - 1;
            options.station = row;
            const auto directory = modem::loadStations(modem::stationsFile(), modem::lastCallsFile());
            if (refused({{QStringLiteral("the number of station %1").arg(number), directory[row].Telefono}},
                        link::TypedFor::Modem))
                return refusal();
        }
    }
    // A time-out beyond the timers' range (or nan, inf) would make a wait unbounded.
    const QString timeRange = QStringLiteral("a number of seconds from 0.1 to 3600");
    if (!readNumber(parser, QStringLiteral("call-timeout"), link::kMinTimeoutSeconds,
                    link::kMaxTimeoutSeconds, &options.callTimeoutSeconds))
        return usage(QStringLiteral("--call-timeout takes %1.").arg(timeRange));
    if (qEnvironmentVariableIsSet("STAZIONE_REPLY_TIMEOUT")) {
        bool ok = false;
        const double seconds = qEnvironmentVariable("STAZIONE_REPLY_TIMEOUT").toDouble(&ok);
        if (!ok || !link::timeoutFromSeconds(seconds))
            return usage(QStringLiteral("STAZIONE_REPLY_TIMEOUT takes %1.").arg(timeRange));
    }
    for (const QString& counted : {QStringLiteral("sets"), QStringLiteral("groups")}) {
        if (!readNumber(parser, counted, 1, std::numeric_limits<int>::max(), &options.count))
            return usage(QStringLiteral("--sets and --groups take a number greater than 0."));
    }
    int number = 0;
    if (parser.isSet(QStringLiteral("rows"))) {
        if (!readNumber(parser, QStringLiteral("rows"), 0, 16, &number))
            return usage(QStringLiteral("--rows takes a number of rows from 0 to 16."));
        options.rows = number;
    }
    if (parser.isSet(QStringLiteral("port"))) {
        if (!readNumber(parser, QStringLiteral("port"), 0, 32767, &number))
            return usage(QStringLiteral("--port takes a port number, e.g. --port 3."));
        options.port = number;
    }
    if (parser.isSet(QStringLiteral("timeout"))) {
        double seconds = 0;
        if (!readNumber(parser, QStringLiteral("timeout"), link::kMinTimeoutSeconds, link::kMaxTimeoutSeconds,
                        &seconds))
            return usage(QStringLiteral("--timeout takes %1.").arg(timeRange));
        options.timeoutSeconds = seconds;
    }
    parsed.options = options;
    parsed.verb = verb;
    return parsed;
}

int runCommandLine(const QStringList& arguments)
{
    const Parsed parsed = parseCommandLine(arguments);
    const int code = parsed.options ? parsed.verb->run(*parsed.options) : parsed.exitCode;
    // What a command prints is its result: a result lost on the way out (a full disk, a reader
    // that went away) is a failure, whatever the command did.
    if (const QString lost = standardOutputProblem(); !lost.isEmpty()) {
        message(QStringLiteral("stazione-cli: the standard output could not be written: ") + lost);
        return code == kExitOk ? kExitFailure : code;
    }
    return code;
}

} // namespace stazione::cli
