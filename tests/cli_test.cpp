// stazione-cli as a technician runs it, against stazione-sim as its own process.

#include "cli/command_line.h"
#include "support/cli_run.h"
#include "support/program_env.h"
#include "support/sim_log.h"

#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <csignal>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

using stazione::testing::CliRun;

class Cli : public ::testing::Test {
protected:
    void SetUp() override { env = stazione::testing::programEnvironment(ports.path(), config.path()); }
    void TearDown() override
    {
        for (auto& sim : sims) {
            sim->terminate();
            sim->waitForFinished(5000);
        }
    }

    // Starts stazione-sim as COMn with extra options; returns once its link exists.
    QProcess& startSim(int port, const QStringList& extra = {})
    {
        sims.push_back(std::make_unique<QProcess>());
        QProcess& sim = *sims.back();
        sim.setProcessEnvironment(env);
        sim.setProgram(STAZIONE_SIM_PROGRAM);
        sim.setArguments(QStringList{"--port", QString::number(port), "--ports-dir", ports.path(), "--log",
                                     ports.filePath(QStringLiteral("sim%1.log").arg(port))} +
                         extra);
        sim.start();
        EXPECT_TRUE(sim.waitForStarted(5000));
        EXPECT_TRUE(sim.waitForReadyRead(5000));
        return sim;
    }

    CliRun cli(const QStringList& arguments)
    {
        stazione::testing::CliStart start;
        start.env = env;
        return stazione::testing::runCli(arguments, start);
    }

    // Read once the simulator has seen the last run let the line go: a run that ends on a write
    // nobody answers ("B", ATH) is gone before the simulator has read, and logged, those bytes.
    QString simLog(int port) const
    {
        return stazione::testing::settledSimLog(ports.filePath(QStringLiteral("sim%1.log").arg(port)));
    }

    QTemporaryDir ports;
    QTemporaryDir config;
    QProcessEnvironment env;
    std::vector<std::unique_ptr<QProcess>> sims;
};

TEST_F(Cli, IdentifyOnAPort)
{
    startSim(3, {"--model", "510", "--version", "V9.1"});
    const CliRun r = cli({"identify", "--port", "3"});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "model: KVE_M510HX\nversion: V9.1\nport: 3\n");

    const CliRun j = cli({"--json", "identify", "--port", "3"});
    EXPECT_EQ(j.exitCode, 0);
    const QJsonObject o = QJsonDocument::fromJson(j.out.toUtf8()).object();
    EXPECT_EQ(o.value("model").toString(), "KVE_M510HX");
    EXPECT_EQ(o.value("version").toString(), "V9.1");
    EXPECT_EQ(o.value("port").toInt(), 3);
    EXPECT_EQ(j.out.count('\n'), 1);
}

TEST_F(Cli, IdentifyWithoutAPortScansAndRemembersThePort)
{
    startSim(4);
    const CliRun r = cli({"identify"});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("port: 4"));
    // The command line speaks English, the core's texts included.
    EXPECT_TRUE(r.err.contains("Scanning port #0")) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("Device  M610_M410 V3.2 found on port #4")) << r.err.toStdString();
    QFile saved(config.filePath("stazione/qx255.ini"));
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll(), " 4 \r\n");
}

TEST_F(Cli, ASilentLoggerFailsWithAClearMessage)
{
    startSim(3, {"--silent"});
    const CliRun r = cli({"identify", "--port", "3"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.out.isEmpty());
    EXPECT_TRUE(r.err.contains("No logger found on COM3")) << r.err.toStdString();
    EXPECT_LT(r.ms, 10000);

    startSim(5, {"--greet-only"});
    const CliRun mute = cli({"identify", "--port", "5", "--timeout", "0.5"});
    EXPECT_EQ(mute.exitCode, 1);
    EXPECT_TRUE(mute.err.contains("did not answer within 0.5 s")) << mute.err.toStdString();
}

TEST_F(Cli, AMissingPortIsADeviceFailure)
{
    const CliRun r = cli({"identify", "--port", "7"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains("COM7 is not in the system")) << r.err.toStdString();
}

TEST_F(Cli, APortRefusedForPermissionNamesTheFix)
{
    // The port must be refused for real: run as a user outside the pty's group, which only root
    // can arrange (CI runs as root).
    const QString setpriv = QStandardPaths::findExecutable("setpriv");
    if (::geteuid() != 0 || setpriv.isEmpty())
        GTEST_SKIP() << "needs root and setpriv to run as a user without access to the port";
    startSim(4);
    const auto open = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                      QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther;
    QFile::setPermissions(ports.path(), open);
    QFile::setPermissions(config.path(), open);
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(setpriv, {"--reuid=65534", "--regid=65534", "--clear-groups", STAZIONE_CLI_PROGRAM, "identify",
                      "--port", "4"});
    ASSERT_TRUE(p.waitForFinished(30000));
    const QString err = QString::fromLocal8Bit(p.readAllStandardError());
    EXPECT_EQ(p.exitCode(), 1) << err.toStdString();
    EXPECT_TRUE(err.contains("permission denied")) << err.toStdString();
    EXPECT_TRUE(err.contains("sudo adduser $USER dialout")) << err.toStdString();
}

TEST_F(Cli, WrongUsage)
{
    EXPECT_EQ(cli({}).exitCode, 2);
    EXPECT_EQ(cli({"fly"}).exitCode, 2);
    EXPECT_EQ(cli({"identify", "--port", "x"}).exitCode, 2);
    EXPECT_EQ(cli({"identify", "--bogus"}).exitCode, 2);
    EXPECT_EQ(cli({"identify", "extra"}).exitCode, 2);
    const CliRun help = cli({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(help.out, stazione::cli::helpText());
    const CliRun verb = cli({"set-clock", "--help"});
    EXPECT_EQ(verb.exitCode, 0);
    EXPECT_EQ(verb.out, stazione::cli::verbHelp(*stazione::cli::findVerb("set-clock")));
    EXPECT_TRUE(verb.out.contains("Example:\n  stazione-cli set-clock --port 3 5 12 2026 14 30 0\n"));
}

// The bytes of the simulator's log text: its quoting of \r, \n, \t, \", \\ and \xHH undone.
QByteArray unquoted(const QString& quoted)
{
    QByteArray out;
    const QByteArray in = quoted.toLatin1();
    for (qsizetype i = 1; i + 1 < in.size(); ++i) { // inside the quotes
        if (in[i] != '\\') {
            out += in[i];
            continue;
        }
        const char e = in[++i];
        if (e == 'r')
            out += '\r';
        else if (e == 'n')
            out += '\n';
        else if (e == 't')
            out += '\t';
        else if (e == 'x') {
            out += char(in.mid(i + 1, 2).toInt(nullptr, 16));
            i += 2;
        } else
            out += e;
    }
    return out;
}

// One exchange as one side saw it: the bytes sent, and the bytes that came back before the next.
struct Exchange {
    QByteArray sent;
    QByteArray received;
    bool operator==(const Exchange&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Exchange& e)
{
    return os << '"' << e.sent.toStdString() << "\" -> \"" << e.received.toStdString() << '"';
}

// What the simulator logged: "hh:mm:ss.zzz < o:1 \"1,\" | > \"OK,\"", one line a transmission.
QList<Exchange> simulatorExchanges(const QString& log)
{
    static const QRegularExpression line(
        QStringLiteral(
            R"(^\d\d:\d\d:\d\d\.\d\d\d < (?:\w:)?("(?:[^"\\]|\\.)*"|\S)(?: ("(?:[^"\\]|\\.)*"))?(?: \| > ("(?:[^"\\]|\\.)*"))?)"),
        QRegularExpression::MultilineOption);
    QList<Exchange> out;
    for (auto m = line.globalMatch(log); m.hasNext();) {
        const auto match = m.next();
        const QString command = match.captured(1);
        Exchange e;
        e.sent = command.startsWith('"') ? unquoted(command) : command.toLatin1();
        if (!match.captured(2).isEmpty())
            e.sent += unquoted(match.captured(2));
        if (!match.captured(3).isEmpty())
            e.received = unquoted(match.captured(3));
        out << e;
    }
    return out;
}

// What the trace holds: a block per command, "hh:mm:ss.zzz > q  POZZO1," and "... < OK,".
QList<Exchange> tracedExchanges(const QString& trace, QByteArray* greetings)
{
    auto bytes = [](const QString& text) {
        QByteArray out;
        static const QRegularExpression escape(QStringLiteral("^<([0-9A-F]{2})>"));
        for (qsizetype i = 0; i < text.size();) {
            const auto m = escape.match(text.mid(i, 4));
            if (m.hasMatch()) {
                out += char(m.captured(1).toInt(nullptr, 16));
                i += 4;
            } else {
                out += text.at(i).toLatin1();
                ++i;
            }
        }
        return out;
    };
    QList<Exchange> out;
    bool opened = false; // the port has just opened: what comes now is the logger's greeting
    for (const QString& line : trace.split('\n', Qt::SkipEmptyParts)) {
        EXPECT_TRUE(
            QRegularExpression(QStringLiteral(R"(^\d\d:\d\d:\d\d\.\d\d\d [<>-] )")).match(line).hasMatch())
            << line.toStdString();
        QString text = line.mid(15);
        if (line.at(13) == '-') {
            opened = text.contains(QStringLiteral(" opened on "));
            continue;
        }
        if (line.at(13) == '>') {
            opened = false;
            // The command and its parameters stand apart by two blanks.
            const qsizetype gap = text.indexOf(QStringLiteral("  "));
            if (gap > 0)
                text.remove(gap, 2);
            out << Exchange{bytes(text), {}};
            continue;
        }
        if (text.endsWith(QStringLiteral(" (dropped)")))
            text.chop(10);
        (opened || out.isEmpty() ? *greetings : out.last().received) += bytes(text);
    }
    return out;
}

TEST_F(Cli, ATracedSessionShowsExactlyTheBytesTheLoggerSaw)
{
    startSim(3);
    QTemporaryDir out;
    const QString trace = out.filePath("trace.txt");
    for (const QStringList& verb : {QStringList{"params"}, QStringList{"set-name", "POZZO1"},
                                    QStringList{"disable"}, QStringList{"set-channels", "2", "--yes"}}) {
        const CliRun r = cli(QStringList{"--trace", trace, "--port", "3"} + verb);
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    }
    QFile file(trace);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    // As a person reads it.
    EXPECT_TRUE(
        QRegularExpression(
            QStringLiteral(R"(\n\d\d:\d\d:\d\d\.\d\d\d > q  POZZO1,\n\d\d:\d\d:\d\d\.\d\d\d < OK,\n)"))
            .match(text)
            .hasMatch())
        << text.toStdString();
    EXPECT_TRUE(text.contains(" > b  839,\n")) << text.toStdString();

    QByteArray greetings;
    const QList<Exchange> traced = tracedExchanges(text, &greetings);
    const QList<Exchange> logged = simulatorExchanges(simLog(3));
    ASSERT_GT(logged.size(), 20);
    EXPECT_EQ(traced, logged);
    EXPECT_FALSE(greetings.isEmpty()); // the logger's greeting when the port opened
}

TEST_F(Cli, TheLinkLogsUnderItsOwnCategory)
{
    startSim(3);
    const CliRun quiet = cli({"identify", "--port", "3"});
    EXPECT_FALSE(quiet.err.contains("stazione.link")) << quiet.err.toStdString();
    env.insert("QT_LOGGING_RULES", "stazione.link.debug=true");
    const CliRun told = cli({"identify", "--port", "3"});
    EXPECT_EQ(told.exitCode, 0);
    EXPECT_TRUE(told.err.contains("stazione.link: send \"V\"")) << told.err.toStdString();
    EXPECT_TRUE(told.err.contains("stazione.link: field \"KVE_M610_M410\"")) << told.err.toStdString();
    EXPECT_FALSE(told.err.contains("stazione.link: COM3 opened on")) << told.err.toStdString(); // info
    env.insert("QT_LOGGING_RULES", "stazione.link=true");
    const CliRun all = cli({"identify", "--port", "3"});
    EXPECT_TRUE(all.err.contains("stazione.link: COM3 opened on")) << all.err.toStdString();
    EXPECT_TRUE(all.err.contains("stazione.link: COM3 spoke after opening")) << all.err.toStdString();
}

TEST_F(Cli, PortsShowsTheLinks)
{
    startSim(3);
    const CliRun r = cli({"ports"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.out.contains("links folder: " + ports.path()));
    EXPECT_TRUE(r.out.contains("COM3  " + QDir(ports.path()).filePath("COM3") + " -> /dev/pts/"));
}

TEST_F(Cli, ResetAndEraseNeedYes)
{
    startSim(3);
    const CliRun refused = cli({"reset", "--port", "3"});
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_TRUE(refused.err.contains("--yes"));
    EXPECT_EQ(cli({"erase", "--port", "3"}).exitCode, 2);
    EXPECT_FALSE(simLog(3).contains("< z"));

    const CliRun erase = cli({"erase", "--port", "3", "--yes"});
    EXPECT_EQ(erase.exitCode, 0) << erase.err.toStdString();
    EXPECT_TRUE(erase.out.contains("erased: yes"));
    EXPECT_TRUE(simLog(3).contains("< b \"839,\""));

    const CliRun reset = cli({"reset", "--port", "3", "--yes"});
    EXPECT_EQ(reset.exitCode, 0) << reset.err.toStdString();
    EXPECT_TRUE(simLog(3).contains("< z \"839,\"")) << simLog(3).toStdString();
}

TEST_F(Cli, ParamsPrintsEveryValueTheConnectionReads)
{
    startSim(3);
    const CliRun r = cli({"params", "--port", "3", "--json"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QJsonObject o = QJsonDocument::fromJson(r.out.toUtf8()).object();
    EXPECT_EQ(o.value("model").toString(), "KVE_M610_M410");
    EXPECT_EQ(o.value("Nome_Centralina").toString(), "STAZ1");
    EXPECT_EQ(o.value("MUX").toString(), "4");
    EXPECT_EQ(o.value("data").toArray().size(), 6);
    EXPECT_EQ(o.value("data_allarme").toArray().at(2).toString(), "1975");
    EXPECT_EQ(o.value("conversione").toArray(), (QJsonArray{"000", "010", "000"}));
    EXPECT_EQ(o.value("Prox").toArray().size(), 5);
    EXPECT_EQ(o.value("preaccensione").toString(), "01500");
    EXPECT_EQ(o.value("parameters_2").toString(), "12.60");
    EXPECT_FALSE(o.value("Acq_possibili").toString().isEmpty());
    EXPECT_FALSE(o.value("acq_disponibili").toString().isEmpty());
    EXPECT_EQ(o.value("data_logging").toInt(), 1);
    EXPECT_EQ(o.value("BATTPBX").toInt(), 1);
    EXPECT_EQ(o.value("minipan").toInt(), 0);
    EXPECT_TRUE(r.err.contains("Mini-panel: OK")) << r.err.toStdString();

    startSim(4, {"--model", "510"});
    const CliRun hx = cli({"params", "--port", "4", "--json"});
    ASSERT_EQ(hx.exitCode, 0) << hx.err.toStdString();
    const QJsonObject h = QJsonDocument::fromJson(hx.out.toUtf8()).object();
    EXPECT_FALSE(h.contains("preaccensione"));
    EXPECT_FALSE(h.contains("BATTPBX"));
    EXPECT_FALSE(h.contains("minipan"));
    EXPECT_EQ(h.value("MUX").toString(), "6");
}

TEST_F(Cli, SetClockChecksTheTimeAsTheWindowDoes)
{
    startSim(3);
    const CliRun wrong = cli({"set-clock", "--port", "3", "5", "12", "2026", "24", "00", "00"});
    EXPECT_EQ(wrong.exitCode, 2);
    EXPECT_TRUE(wrong.err.contains("Controlla i dati inseriti! "));
    EXPECT_EQ(cli({"set-clock", "--port", "3", "5", "12"}).exitCode, 2);

    const CliRun r = cli({"set-clock", "--port", "3", "5", "12", "2026", "14", "03", "07", "--json"});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(simLog(3).contains("< g \"5,12, 126,14,03,07,\"")) << simLog(3).toStdString();
    const QJsonObject o = QJsonDocument::fromJson(r.out.toUtf8()).object();
    EXPECT_EQ(o.value("data").toArray().at(0).toString(), "5");
    EXPECT_EQ(o.value("data").toArray().at(2).toString(), "2026");
    EXPECT_TRUE(o.value("accepted").toBool());

    EXPECT_EQ(cli({"set-clock", "--port", "3", "--now"}).exitCode, 0);
}

TEST_F(Cli, SetIntervalNameChannelsAndTheSwitch)
{
    startSim(3);
    const CliRun shortInterval = cli({"set-interval", "--port", "3", "0", "0", "30"});
    EXPECT_EQ(shortInterval.exitCode, 2);
    EXPECT_TRUE(shortInterval.err.contains("Controlla il tempo di conversione"));
    EXPECT_EQ(cli({"set-interval", "--port", "3", "--gsm", "0", "5", "0"}).exitCode, 2);
    const CliRun interval = cli({"set-interval", "--port", "3", "1", "0", "0"});
    EXPECT_EQ(interval.exitCode, 0) << interval.err.toStdString();
    EXPECT_TRUE(interval.out.contains("conversione: 001 000 000"));
    EXPECT_TRUE(simLog(3).contains("< c \" 0,001,\""));

    EXPECT_EQ(cli({"set-name", "--port", "3", "  POZZO1 "}).exitCode, 0);
    EXPECT_TRUE(simLog(3).contains("< q \"POZZO1,\""));

    EXPECT_EQ(cli({"set-channels", "--port", "3", "8"}).exitCode, 2);
    EXPECT_EQ(cli({"set-channels", "--port", "3", "17", "--yes"}).exitCode, 2);
    const CliRun channels = cli({"set-channels", "--port", "3", "8", "--yes"});
    EXPECT_EQ(channels.exitCode, 0) << channels.err.toStdString();
    EXPECT_TRUE(channels.out.contains("MUX: 8"));

    const CliRun off = cli({"disable", "--port", "3"});
    EXPECT_EQ(off.exitCode, 0);
    EXPECT_TRUE(off.out.contains("data_logging: 0"));
    EXPECT_TRUE(cli({"enable", "--port", "3"}).out.contains("data_logging: 1"));
}

TEST_F(Cli, ARefusedWriteIsAFailure)
{
    startSim(3, {"--refuse-writes"});
    const CliRun r = cli({"set-name", "--port", "3", "X"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains("did not keep the value"));
}

TEST_F(Cli, HostileValuesAreRefusedBeforeAnythingIsSent)
{
    startSim(3);
    struct Case {
        QStringList arguments;
        QString said; // the argument or --set name, and the character
    };
    const QList<Case> cases{
        // Each of these would have become a command of its own: erase, reset, a clock write...
        {{"set-name", "--port", "3", "X,b839,"}, "NAME contains the comma"},
        {{"set-name", "--port", "3", "Pozzo€1"}, "NAME contains the character \"€\""},
        {{"gsm", "--port", "3", "--set", "NUMERO_ALLARME_SMS_0=333,z839,"},
         "NUMERO_ALLARME_SMS_0 contains the comma"},
        {{"gprs", "--port", "3", "--set", "GPRS_1=nuova,pass"}, "GPRS_1 contains the comma"},
        {{"sms-text", "--port", "3", "--set", "SMS_PERSONALIZZATO_0=LIVELLO,B"},
         "SMS_PERSONALIZZATO_0 contains the comma"},
        {{"sensors", "--port", "3", "--set", "NomeCanali_0=A\tB"},
         "NomeCanali_0 contains the control character 9"},
        {{"alarms", "--port", "3", "--set", "CA_0=1,5"}, "CA_0 contains the comma"},
        {{"set-clock", "--port", "3", "5", "12", "2026", "14,b839", "03", "07"}, "h contains the comma"},
        {{"set-interval", "--port", "3", "0", "10,z839", "0"}, "M contains the comma"},
        {{"--modem-port", "3", "--dial", "0471\r123", "identify"},
         "--dial contains the control character 13"},
    };
    for (const Case& c : cases) {
        const CliRun r = cli(c.arguments);
        EXPECT_EQ(r.exitCode, 2) << c.arguments.join(' ').toStdString();
        EXPECT_TRUE(r.err.contains(c.said)) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains("Nothing was sent.")) << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty());
    }
    // The logger never heard a thing: not even the identification.
    EXPECT_FALSE(simLog(3).contains("< ")) << simLog(3).toStdString();
    // A dial pause is a comma, and allowed.
    EXPECT_NE(cli({"--modem-port", "5", "--dial", "0,471", "identify"}).exitCode, 2);
}

TEST_F(Cli, SensorPropertiesReadAndWrite)
{
    startSim(3);
    const CliRun read = cli({"sensors", "--port", "3", "--json"});
    ASSERT_EQ(read.exitCode, 0) << read.err.toStdString();
    const QJsonObject o = QJsonDocument::fromJson(read.out.toUtf8()).object();
    EXPECT_EQ(o.value("MUX").toString(), "4");
    EXPECT_EQ(o.value("NomeCanali").toArray().size(), 4);
    EXPECT_EQ(o.value("CD").toArray().size(), 4);

    const CliRun write =
        cli({"sensors", "--port", "3", "--set", "NomeCanali_1=Pozzo", "--set", "CA_2= 0.5 "});
    EXPECT_EQ(write.exitCode, 0) << write.err.toStdString();
    EXPECT_TRUE(simLog(3).contains("< r \" 1,Pozzo,\""));
    EXPECT_TRUE(simLog(3).contains("< r \" 6,0.5,\""));
    EXPECT_TRUE(write.out.contains("NomeCanali: CH0 Pozzo CH2 CH3"));
    EXPECT_EQ(cli({"sensors", "--port", "3", "--set", "CA_4=1"}).exitCode, 2); // channel 4 is not active
    EXPECT_EQ(cli({"sensors", "--port", "3", "--set", "XX_1=1"}).exitCode, 2);
}

TEST_F(Cli, SensorWritesThatWouldMixChannelsAreRefused)
{
    startSim(3, {"--model", "410", "--channels", "3"});
    const CliRun r = cli({"sensors", "--port", "3", "--set", "CA_0=1"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.err.contains("al massimo 2 canali")) << r.err.toStdString();
    EXPECT_FALSE(simLog(3).contains("< r "));
}

TEST_F(Cli, GsmGprsAlarmsAndTheSmsText)
{
    startSim(3);
    const CliRun gsm = cli({"gsm", "--port", "3", "--set", "NUMERO_ALLARME_SMS_3=3331234567", "--set",
                            "NUMERO_ALLARMI_SMS=2", "--json"});
    ASSERT_EQ(gsm.exitCode, 0) << gsm.err.toStdString();
    const QJsonObject g = QJsonDocument::fromJson(gsm.out.toUtf8()).object();
    EXPECT_EQ(g.value("NUMERO_ALLARME_SMS").toArray().at(3).toString(), "3331234567");
    EXPECT_EQ(g.value("NUMERO_ALLARMI_SMS").toString(), "2");
    EXPECT_TRUE(simLog(3).contains("< i \"10,2,\""));

    const CliRun gprs = cli({"gprs", "--port", "3", "--set", "GPRS_7=21", "--set", "EMAIL=1"});
    EXPECT_EQ(gprs.exitCode, 0) << gprs.err.toStdString();
    EXPECT_TRUE(gprs.out.contains("FTP PORTA: 21"));
    EXPECT_TRUE(gprs.out.contains("EMAIL: 1"));
    EXPECT_TRUE(simLog(3).contains("< k \" 7,21,\""));
    EXPECT_EQ(cli({"gprs", "--port", "3", "--set", "EMAIL=2"}).exitCode, 2);

    const CliRun alarms = cli({"alarms", "--port", "3", "--rows", "16", "--set", "CB_15=-5"});
    EXPECT_EQ(alarms.exitCode, 0) << alarms.err.toStdString();
    EXPECT_TRUE(simLog(3).contains("< j \" 47,-5,\""));
    EXPECT_TRUE(alarms.out.contains("CB:"));

    const CliRun text = cli({"sms-text", "--port", "3", "--set", "SMS_PERSONALIZZATO_1=POZZO 3"});
    EXPECT_EQ(text.exitCode, 0) << text.err.toStdString();
    EXPECT_TRUE(text.out.contains("POZZO 3"));
    EXPECT_TRUE(simLog(3).contains("< x"));
}

TEST_F(Cli, DownloadWritesTheFilesTheWindowWrites)
{
    startSim(3, {"--records", "12"});
    QTemporaryDir out;
    const CliRun sens = cli({"download", "--port", "3", "--dir", out.path(), "--json"});
    ASSERT_EQ(sens.exitCode, 0) << sens.err.toStdString();
    const QJsonObject o = QJsonDocument::fromJson(sens.out.toUtf8()).object();
    EXPECT_EQ(o.value("lines").toInt(), 12);
    const QString path = o.value("file").toString();
    EXPECT_EQ(QFileInfo(path).dir().path(), out.path());
    EXPECT_TRUE(path.endsWith("_SENS.txt"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll().count("\r\n"), 12);
    EXPECT_TRUE(simLog(3).contains("< A"));

    const CliRun temp = cli({"download", "--port", "3", "--dir", out.path(), "--temp", "--from-end"});
    ASSERT_EQ(temp.exitCode, 0) << temp.err.toStdString();
    EXPECT_TRUE(temp.out.contains("records: 12"));
    EXPECT_TRUE(temp.out.contains("_TEMP.txt"));
    EXPECT_EQ(cli({"download", "--port", "3", "--dir", out.filePath("missing")}).exitCode, 2);
}

TEST_F(Cli, MonitorAndLive)
{
    startSim(3);
    QTemporaryDir out;
    const QString file = out.filePath("mc.txt");
    const CliRun monitor = cli({"monitor", "--port", "3", "--sets", "3", "--file", file});
    ASSERT_EQ(monitor.exitCode, 0) << monitor.err.toStdString();
    const QStringList printed = monitor.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(printed.size(), 6);
    EXPECT_EQ(printed[0], "[INIZIO DATI]");
    EXPECT_EQ(printed[1], "Date,CH 0,CH 1,CH 2,CH 3");
    EXPECT_EQ(printed[5], "[FINE DATI]");
    QFile written(file);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromLatin1(written.readAll()), printed.join("\r\n") + "\r\n");

    const CliRun live = cli({"live", "--port", "3", "--groups", "2"});
    ASSERT_EQ(live.exitCode, 0) << live.err.toStdString();
    const QStringList readings = live.out.split('\n', Qt::SkipEmptyParts);
    EXPECT_EQ(readings.size(), 8); // two groups of four channels
    EXPECT_TRUE(readings[0].startsWith("0 CH0 "));
    EXPECT_TRUE(simLog(3).contains("< B"));
}

TEST_F(Cli, ASessionKilledMidwayLeavesEveryCompletedSetOnDisk)
{
    startSim(3);
    QTemporaryDir out;
    const QString file = out.filePath("mc.txt");
    QProcess monitor;
    monitor.setProcessEnvironment(env);
    monitor.start(STAZIONE_CLI_PROGRAM, {"monitor", "--port", "3", "--file", file});
    ASSERT_TRUE(monitor.waitForStarted(5000));
    // Wait for a few sets, then the program dies without a chance to close anything.
    QElapsedTimer t;
    t.start();
    while (QFileInfo(file).size() < 300) {
        ASSERT_LT(t.elapsed(), 20000);
        monitor.waitForReadyRead(100);
    }
    ::kill(static_cast<pid_t>(monitor.processId()), SIGKILL);
    monitor.waitForFinished(5000);
    QFile written(file);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    const QByteArray bytes = written.readAll();
    EXPECT_TRUE(bytes.startsWith("[INIZIO DATI]\r\nDate,CH 0,CH 1,CH 2,CH 3\r\n"));
    EXPECT_TRUE(bytes.endsWith("\r\n")); // no half line
    const QList<QByteArray> lines = bytes.split('\n');
    for (int i = 2; i < lines.size() - 1; ++i)
        EXPECT_EQ(lines[i].count(','), 4) << lines[i].toStdString();
    EXPECT_GE(lines.size() - 3, 3);

    // Every set the program had shown before it died is in the file, in the same order.
    QList<QByteArray> onDisk;
    for (int i = 2; i < lines.size() - 1; ++i)
        onDisk << lines[i].trimmed();
    QList<QByteArray> shown;
    for (const QByteArray& line : monitor.readAllStandardOutput().split('\n')) {
        if (line.size() > 2 && line.at(2) == '/')
            shown << line.trimmed();
    }
    ASSERT_LE(shown.size(), onDisk.size());
    for (int i = 0; i < shown.size(); ++i)
        EXPECT_EQ(shown[i], onDisk[i]);
}

TEST_F(Cli, AVerbOverAModemCall)
{
    // Nothing recorded during the test: the lines are the six it started with.
    startSim(2, {"--modem", "--number", "0471123456", "--records", "6", "--record-every", "86400"});
    const CliRun r = cli({"--modem-port", "2", "--dial", "0471123456", "identify", "--json"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(QJsonDocument::fromJson(r.out.toUtf8()).object().value("model").toString(), "KVE_M610_M410");
    EXPECT_TRUE(r.err.contains("Modem found on Com 2")) << r.err.toStdString();
    const QString log = simLog(2);
    EXPECT_TRUE(log.contains("< AT \"atx0\""));
    EXPECT_TRUE(log.contains("< AT \"ATD0471123456\""));
    EXPECT_TRUE(log.contains("< V"));
    // Hung up at the end: the escape, then ATH.
    EXPECT_LT(log.indexOf("< V"), log.lastIndexOf("\"+++\""));
    EXPECT_LT(log.lastIndexOf("\"+++\""), log.lastIndexOf("< AT \"ATH\""));

    QTemporaryDir out;
    const CliRun d = cli({"--modem-port", "2", "--dial", "0471123456", "download", "--dir", out.path()});
    ASSERT_EQ(d.exitCode, 0) << d.err.toStdString();
    EXPECT_TRUE(d.out.contains("lines: 6"));

    const CliRun wrong = cli({"--modem-port", "2", "--dial", "999", "identify"});
    EXPECT_EQ(wrong.exitCode, 1);
    EXPECT_TRUE(wrong.err.contains("did not connect: NO CARRIER")) << wrong.err.toStdString();
    EXPECT_EQ(cli({"--modem-port", "2", "identify"}).exitCode, 2);
    EXPECT_EQ(cli({"--modem-port", "5", "--dial", "1", "identify"}).exitCode, 1); // no modem there
}

TEST_F(Cli, TheMainWindowsSmallSettingsHaveTheirVerbs)
{
    startSim(3);
    auto run = [&](const QStringList& verb) {
        CliRun r = cli(QStringList{"--port", "3"} + verb);
        EXPECT_EQ(r.exitCode, 0) << verb.join(' ').toStdString() << ": " << r.err.toStdString();
        return r;
    };
    EXPECT_TRUE(run({"set-preheating", "1500"}).out.contains("preaccensione: 01500"));
    EXPECT_TRUE(run({"set-battery", "0"}).out.contains("BATTPBX: 0"));
    EXPECT_TRUE(run({"set-minipan", "1", "--json"}).out.contains("\"minipan\":1"));
    EXPECT_TRUE(run({"set-counter", "0"}).out.contains("PLUVIOMETRO: 0"));
    EXPECT_TRUE(run({"set-rain", " 0.2 "}).out.contains("mmpioggia: 0.2"));
    EXPECT_TRUE(run({"rain"}).out.contains("mmpioggia: 0.2"));
    EXPECT_TRUE(run({"events"}).out.contains("Text2: "));
    EXPECT_TRUE(run({"stop"}).out.contains("stopped: yes"));
    EXPECT_TRUE(run({"set-start", "5", "12", "2015", "8", "30", "0", "--json"})
                    .out.contains("\"data_allarme\":[\"5\",\"12\",\"2015\",\"08\",\"30\",\"00\"]"));
    EXPECT_TRUE(run({"start-now"}).out.contains("data_allarme: 13 10 1975 00 00 00"));
    EXPECT_TRUE(run({"set-gsm", "1"}).out.contains("data_logging: "));
    EXPECT_EQ(QJsonDocument::fromJson(run({"fullscale", "--json"}).out.toUtf8())
                  .object()
                  .value("fs")
                  .toArray()
                  .size(),
              6);
    const CliRun sms =
        run({"set-sms", "1", "--set", "NUMERO_ALLARME_TELEFONO=3339876543", "--set", "Abilita_Telefono=1"});
    EXPECT_TRUE(sms.out.contains("NUMERO_ALLARME_SMS: "));
    run({"set-phone-alarm", "0", "--set", "NUMERO_ALLARME_TELEFONO=333"});

    // The bytes on the wire, as the windows send them.
    const QString log = simLog(3);
    for (const char* wire :
         {"< e \"01500,\"", "< f \" 0,\"", "< u \" 1,\"", "< u \"0,\"", "< U \",\"", "< > \"0.2,\"", "< <",
          "< L \",\"", "< B", "< y \"5,12, 115,8,30,0,\"", "< y \"13,10,75,00,00,00,\"", "< j \"1,\"", "< T",
          "< f \"3339876543, 1,\"", "< f \"333,0,\""})
        EXPECT_TRUE(log.contains(QLatin1String(wire))) << wire << "\n" << log.toStdString();
    // The SMS switch sends the whole book with the new SMS flag bare, then the phone flag as its box
    // shows it; the phone switch the other way round.
    EXPECT_TRUE(QRegularExpression(R"(< i "(?:[^,]*,){11}1,")").match(log).hasMatch()) << log.toStdString();
    EXPECT_TRUE(QRegularExpression(R"(< i "(?:[^,]*,){11} 0,")").match(log).hasMatch()) << log.toStdString();

    // The windows' checks, before a byte is sent.
    const int before = simLog(3).size();
    EXPECT_EQ(cli({"--port", "3", "set-preheating", "30001"}).exitCode, 2);
    const CliRun late = cli({"--port", "3", "set-start", "5", "12", "2015", "24", "0", "0"});
    EXPECT_EQ(late.exitCode, 2);
    EXPECT_TRUE(late.err.contains("Controlla i dati inseriti! "));
    EXPECT_EQ(cli({"--port", "3", "set-battery", "2"}).exitCode, 2);
    EXPECT_EQ(cli({"--port", "3", "set-sms", "1", "--set", "Abilita_SMS=1"}).exitCode, 2);
    EXPECT_EQ(simLog(3).size(), before);
}

// A number beyond what its field holds never reaches the logger wrapped or held at a limit (a year
// of 10^20 went out as 9223372036854773907): it is refused with exit 2 before anything is sent.
TEST_F(Cli, NumbersOutOfRangeAreRefusedBeforeAnythingIsSent)
{
    startSim(3);
    const QString huge = "99999999999999999999";
    const qsizetype before = simLog(3).size();
    struct Case {
        QStringList arguments;
        QString said;
    };
    const QList<Case> cases{
        {{"set-start", "5", "12", huge, "8", "30", "0"}, "Y takes a year from 0 to 9999"},
        {{"set-clock", "5", "12", huge, "14", "03", "07"}, "Y takes a year from 0 to 9999"},
        {{"set-clock", "--", "5", "12", "-" + huge, "14", "03", "07"}, "Y takes a year"},
        {{"set-clock", "5", "12", "10000", "14", "03", "07"}, "Y takes a year"},
        {{"set-start", "5", "12", "2026.5", "8", "30", "0"}, "Y takes a year"},
        {{"set-start", huge, "12", "2026", "8", "30", "0"}, "D takes a day from 1 to 31"},
        {{"set-clock", "32", "12", "2026", "8", "30", "0"}, "D takes a day from 1 to 31"},
        {{"set-clock", "5", huge, "2026", "8", "30", "0"}, "M takes a month from 1 to 12"},
        {{"set-clock", "5", "12", "2026", huge, "30", "0"}, "h takes an hour"},
        {{"set-start", "5", "12", "2026", "8", huge, "0"}, "m takes a minute"},
        {{"set-start", "5", "12", "2026", "8", "30", huge}, "s takes a second from 0 to 59"},
        {{"set-start", "5", "12", "2026", "8", "30", "x"}, "s takes a second from 0 to 59"},
        {{"set-preheating", "--", "-" + huge}, "set-preheating takes milliseconds from 0 to 30000"},
        {{"set-preheating", "--", "-5"}, "set-preheating takes milliseconds from 0 to 30000"},
        {{"set-preheating", huge}, "set-preheating takes milliseconds from 0 to 30000"},
        {{"set-channels", huge, "--yes"}, "from 0 to 16"},
        {{"set-interval", huge, "0", "0"}, "Controlla il tempo di conversione"},
        {{"--rows", huge, "alarms"}, "--rows takes"},
        {{"--sets", huge, "monitor"}, "--sets and --groups"},
        {{"find-modem", huge}, "find-modem takes a port number"},
        {{"hang-up", huge}, "hang-up takes the modem's port number"},
    };
    for (const Case& c : cases) {
        const CliRun r = cli(QStringList{"--port", "3"} + c.arguments);
        EXPECT_EQ(r.exitCode, 2) << c.arguments.join(' ').toStdString();
        EXPECT_TRUE(r.err.contains(c.said))
            << c.arguments.join(' ').toStdString() << ": " << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();
    }
    EXPECT_EQ(simLog(3).mid(before), QString()); // the logger heard nothing

    // The edges of each field still go, as typed.
    const CliRun edge = cli({"--port", "3", "set-start", "31", "1", "2030", "0", "0", "59"});
    EXPECT_EQ(edge.exitCode, 0) << edge.err.toStdString();
    EXPECT_TRUE(simLog(3).contains("< y \"31,1, 130,0,0,59,\"")) << simLog(3).toStdString();
}

// A name or a text of the logger with %1, %2 or %L1 in it is printed as it is: a chained
// QString::arg would put the next value in its place ("Fonte 100%2 nord" became "Fonte 1002 nord").
TEST_F(Cli, PercentSignsInNamesArePrintedAsTheyAre)
{
    startSim(4, {"--version", "V%1 %2 %L1"});
    const CliRun scan = cli({"identify"});
    EXPECT_EQ(scan.exitCode, 0) << scan.err.toStdString();
    EXPECT_TRUE(scan.err.contains("Device  M610_M410 V%1 %2 %L1 found on port #4")) << scan.err.toStdString();

    const CliRun wide = cli({"stations", "add", "Fonte 100%2 nord %L1 €", "0471123456"});
    EXPECT_EQ(wide.exitCode, 0) << wide.err.toStdString();
    EXPECT_TRUE(wide.err.contains("\"Fonte 100%2 nord %L1 €\" of station 1")) << wide.err.toStdString();
    EXPECT_TRUE(wide.out.startsWith("1\tFonte 100%2 nord %L1 €\t0471123456\t")) << wide.out.toStdString();
}

// A modem found whose port cannot be kept is no search done: the modem window would not find it.
TEST_F(Cli, AModemPortThatCannotBeSavedIsAFailure)
{
    startSim(2, {"--modem", "--number", "0471123456"});
    // A folder where the file goes refuses the write whoever runs the test (root writes into a
    // read-only folder).
    const QString saved = config.filePath("stazione/pmodem.ini");
    ASSERT_TRUE(QDir().mkpath(saved));
    const CliRun found = cli({"find-modem", "2"});
    EXPECT_EQ(found.exitCode, 1);
    EXPECT_TRUE(found.out.contains("SERMODEM: 2")) << found.out.toStdString();
    EXPECT_TRUE(found.err.contains("the modem's port cannot be saved in " + saved))
        << found.err.toStdString();
    EXPECT_TRUE(QFileInfo(saved).isDir());

    // A settings folder that is read-only, for a user the permissions hold.
    ASSERT_TRUE(QDir().rmdir(saved));
    if (::geteuid() != 0) {
        QFile::setPermissions(config.filePath("stazione"), QFile::ReadOwner | QFile::ExeOwner);
        const CliRun readOnly = cli({"find-modem", "2"});
        QFile::setPermissions(config.filePath("stazione"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        EXPECT_EQ(readOnly.exitCode, 1);
        EXPECT_TRUE(readOnly.err.contains("cannot be saved")) << readOnly.err.toStdString();
    }
    EXPECT_EQ(cli({"find-modem", "2"}).exitCode, 0);
    EXPECT_TRUE(QFileInfo(saved).isFile());
}

TEST_F(Cli, SettingsAModelDoesNotHaveAreRefused)
{
    startSim(3, {"--model", "510"});
    for (const QStringList& verb : {QStringList{"set-battery", "1"}, QStringList{"set-minipan", "1"},
                                    QStringList{"set-preheating", "100"}})
        EXPECT_EQ(cli(QStringList{"--port", "3"} + verb).exitCode, 2) << verb.join(' ').toStdString();
    startSim(4, {"--model", "410"});
    EXPECT_EQ(cli({"--port", "4", "set-sms", "1"}).exitCode, 2);
    const QString log = simLog(3) + simLog(4);
    EXPECT_FALSE(log.contains("< f")) << log.toStdString();
    EXPECT_FALSE(log.contains("< u")) << log.toStdString();
    EXPECT_FALSE(log.contains("< e")) << log.toStdString();
    EXPECT_FALSE(log.contains("< i")) << log.toStdString();
}

TEST_F(Cli, TheModemWindowsOperations)
{
    startSim(2, {"--modem", "--number", "0471123456"});
    // "Cerca Modem": COM1 has nothing, COM2 the modem, kept in pmodem.ini.
    const CliRun found = cli({"find-modem", "--json"});
    ASSERT_EQ(found.exitCode, 0) << found.err.toStdString();
    EXPECT_EQ(QJsonDocument::fromJson(found.out.toUtf8()).object().value("SERMODEM").toInt(), 2);
    QFile pmodem(config.filePath("stazione/pmodem.ini"));
    ASSERT_TRUE(pmodem.open(QIODevice::ReadOnly));
    EXPECT_EQ(pmodem.readAll(), " 2 \r\n");
    EXPECT_EQ(cli({"find-modem", "5"}).exitCode, 1);

    // The directory, written as the modem window writes it.
    EXPECT_EQ(cli({"stations", "add", "Pozzo 1", "0471123456", "2030"}).exitCode, 0);
    EXPECT_EQ(cli({"stations", "add", "Rossi, Mario", "333"}).exitCode, 0);
    // Stations are numbered from 1, as collect and its report number them.
    EXPECT_EQ(cli({"stations", "set", "2", "Pozzo 2", "0471000000"}).exitCode, 0);
    EXPECT_EQ(cli({"stations", "add", "Pozzo 3", "0471999999"}).exitCode, 0);
    EXPECT_EQ(cli({"stations", "remove", "2"}).exitCode, 0);
    EXPECT_EQ(cli({"stations", "set", "71", "X", "1"}).exitCode, 2);
    EXPECT_EQ(cli({"stations", "set", "0", "X", "1"}).exitCode, 2);
    EXPECT_EQ(cli({"stations", "add", "only a name"}).exitCode, 2);
    QFile stations(config.filePath("stazione/modem.ini"));
    ASSERT_TRUE(stations.open(QIODevice::ReadOnly));
    const QByteArray ini = stations.readAll();
    EXPECT_TRUE(ini.startsWith("Pozzo 1\r\n0471123456\r\n2030\r\n\r\n\r\n\r\nPozzo 3\r\n0471999999\r\n\r\n"))
        << ini.toStdString();
    EXPECT_EQ(ini.count("\r\n"), 210);

    // "Download and Go" to station 1: a pause after the first digit; the call's date goes into last.ini.
    EXPECT_EQ(cli({"--modem-port", "2", "--station", "0", "identify"}).exitCode, 2);
    const CliRun call = cli({"--modem-port", "2", "--station", "1", "--dial-pause", "identify"});
    ASSERT_EQ(call.exitCode, 0) << call.err.toStdString();
    EXPECT_TRUE(simLog(2).contains("< AT \"ATD0,471123456\"")) << simLog(2).toStdString();
    QFile last(config.filePath("stazione/last.ini"));
    ASSERT_TRUE(last.open(QIODevice::ReadOnly));
    const QByteArray calls = last.readAll();
    EXPECT_TRUE(calls.startsWith(QDate::currentDate().toString("dd/MM/yyyy").toLatin1() + "\r\n\r\n"))
        << calls.toStdString();
    EXPECT_EQ(calls.count("\r\n"), 70);
    EXPECT_TRUE(cli({"stations"})
                    .out.startsWith("1\tPozzo 1\t0471123456\t2030\t" +
                                    QDate::currentDate().toString("dd/MM/yyyy") + "\n"));

    // "Riprova": the retry read right after CONNECT, with its fixed-length replies.
    const CliRun retry = cli({"--modem-port", "2", "--station", "1", "retry", "--json"});
    ASSERT_EQ(retry.exitCode, 0) << retry.err.toStdString();
    const QJsonObject r = QJsonDocument::fromJson(retry.out.toUtf8()).object();
    EXPECT_EQ(r.value("Nome_Centralina").toString(), "STAZ1");
    EXPECT_EQ(r.value("MUX").toString(), "4");
    EXPECT_EQ(r.value("conversione").toArray(), (QJsonArray{"0", "10", "0"}));

    EXPECT_TRUE(simLog(2).contains("< N")) << simLog(2).toStdString(); // only the retry read asks "N"
    EXPECT_TRUE(simLog(2).contains("< AT \"ATI3\"")) << simLog(2).toStdString();

    // "Stop": the escape and ATH.
    EXPECT_EQ(cli({"hang-up", "2"}).exitCode, 0);
    const QString log = simLog(2);
    EXPECT_LT(log.lastIndexOf("\"+++\""), log.lastIndexOf("< AT \"ATH\""));

    // A trace that cannot be written stops the modem's verbs before a byte goes out, as it stops
    // every other verb: a session the user asked to trace is never run untraced.
    const qsizetype heard = simLog(2).size();
    const QString noTrace = config.filePath("no/such/folder/trace.txt");
    for (const QStringList& verb : {QStringList{"hang-up", "2"}, QStringList{"find-modem", "2"}}) {
        const CliRun untraced = cli(QStringList{"--trace", noTrace} + verb);
        EXPECT_EQ(untraced.exitCode, 1) << verb.join(' ').toStdString();
        EXPECT_TRUE(untraced.err.contains("Cannot write the trace")) << untraced.err.toStdString();
    }
    EXPECT_EQ(simLog(2).size(), heard) << simLog(2).toStdString();
}

// A directory file over 1 MiB is not a directory that can be read: it is neither listed as empty
// nor replaced by the one station added.
TEST_F(Cli, ADirectoryThatCannotBeReadWholeIsNotWrittenOver)
{
    QDir(config.path()).mkpath("stazione");
    QFile stations(config.filePath("stazione/modem.ini"));
    ASSERT_TRUE(stations.open(QIODevice::WriteOnly));
    QByteArray ini;
    for (int i = 0; i < 70; ++i)
        ini += "Pozzo " + QByteArray::number(i + 1) + "\r\n0471" + QByteArray::number(i) + "\r\n" +
               QByteArray(16000, 'n') + "\r\n";
    ASSERT_GT(ini.size(), 1024 * 1024);
    stations.write(ini);
    stations.close();
    const CliRun add = cli({"stations", "add", "Nuova", "123"});
    EXPECT_EQ(add.exitCode, 1);
    EXPECT_TRUE(add.err.contains("more than")) << add.err.toStdString();
    ASSERT_TRUE(stations.open(QIODevice::ReadOnly));
    EXPECT_EQ(stations.readAll(), ini);
    EXPECT_EQ(cli({"stations"}).exitCode, 1);
}

// modem.ini is shared with programs that read it as Latin-1: written so while every character
// fits, in UTF-8 only when one does not, and then said on stderr.
TEST_F(Cli, TheDirectoryIsWrittenInLatin1WhileEveryCharacterFits)
{
    const CliRun alta = cli({"stations", "add", QString::fromUtf8("Città Alta"), "0461 99"});
    ASSERT_EQ(alta.exitCode, 0) << alta.err.toStdString();
    EXPECT_FALSE(alta.err.contains("UTF-8"));
    QFile stations(config.filePath("stazione/modem.ini"));
    ASSERT_TRUE(stations.open(QIODevice::ReadOnly));
    EXPECT_TRUE(stations.readAll().startsWith("Citt\xE0 Alta\r\n0461 99\r\n\r\n"));
    stations.close();

    const CliRun wide = cli({"stations", "add", QString::fromUtf8("Zürich ☀"), "1"});
    ASSERT_EQ(wide.exitCode, 0) << wide.err.toStdString();
    EXPECT_TRUE(wide.err.contains("UTF-8")) << wide.err.toStdString();
    ASSERT_TRUE(stations.open(QIODevice::ReadOnly));
    EXPECT_TRUE(
        stations.readAll().startsWith("Citt\xC3\xA0 Alta\r\n0461 99\r\n\r\nZ\xC3\xBCrich \xE2\x98\x80\r\n"));
    const CliRun listed = cli({"stations"});
    EXPECT_TRUE(listed.out.startsWith(QString::fromUtf8("1\tCittà Alta\t0461 99\t\t\n2\tZürich ☀\t1")))
        << listed.out.toStdString();
}

TEST_F(Cli, StationsListsTheDirectory)
{
    QDir(config.path()).mkpath("stazione");
    QFile stations(config.filePath("stazione/modem.ini"));
    ASSERT_TRUE(stations.open(QIODevice::WriteOnly));
    stations.write("Pozzo 1\r\n0471123456\r\n2030\r\n\r\n\r\n\r\nRossi, Mario\r\n333\r\n\r\n");
    stations.close();
    const CliRun r = cli({"stations"});
    EXPECT_EQ(r.exitCode, 0);
    // Numbered from 1, as collect --stations and the collection report number them.
    EXPECT_EQ(r.out, "1\tPozzo 1\t0471123456\t2030\t\n3\tRossi, Mario\t333\t\t\n");
    const QJsonArray rows = QJsonDocument::fromJson(cli({"stations", "--json"}).out.toUtf8()).array();
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[1].toObject().value("row").toInt(), 3);
}

} // namespace
