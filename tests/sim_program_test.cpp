// The stazione-sim program as a developer or a test harness starts it: the line it prints, the
// link it makes, its options, its log, and a clean end on SIGINT and SIGTERM.

#include "support/raw_line_client.h"
#include "support/sim_log.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <csignal>
#include <gtest/gtest.h>

using namespace std::chrono_literals;
using stazione::sim::RawLineClient;

namespace {

const QByteArray kGreeting = QByteArrayLiteral("\r\nREADY\r\n");
constexpr auto kPatience = 5000ms;
constexpr int kPatienceMs = 5000;

// A running stazione-sim with its ports folder.
class SimProgram : public ::testing::Test {
protected:
    void TearDown() override
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(kPatienceMs);
        }
    }

    // Starts the program and returns the line it printed (without its line end).
    QString launch(QStringList arguments, bool withPortsDir = true)
    {
        if (withPortsDir)
            arguments << "--ports-dir" << ports.path();
        process.setProgram(STAZIONE_SIM_PROGRAM);
        process.setArguments(arguments);
        process.start();
        if (!process.waitForStarted(kPatienceMs))
            return {};
        while (!process.canReadLine() && process.waitForReadyRead(kPatienceMs)) {
        }
        return QString::fromLocal8Bit(process.readLine()).trimmed();
    }

    int endWith(int signal)
    {
        ::kill(static_cast<pid_t>(process.processId()), signal);
        EXPECT_TRUE(process.waitForFinished(kPatienceMs));
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
        return process.exitCode();
    }

    QString link(int port) const { return QDir(ports.path()).filePath(QStringLiteral("COM%1").arg(port)); }

    QTemporaryDir ports;
    QProcess process;
};

TEST_F(SimProgram, ServesTheComLinkUntilTerminated)
{
    const QString logPath = QDir(ports.path()).filePath("sim.log");
    const QString line = launch({"--model", "510", "--version", "V1.0", "--port", "7", "--log", logPath});
    const QRegularExpressionMatch match =
        QRegularExpression("^COM7 -> (/dev/pts/\\d+) \\(KVE_M510HX V1\\.0\\)$").match(line);
    ASSERT_TRUE(match.hasMatch()) << line.toStdString();
    EXPECT_EQ(QFileInfo(link(7)).symLinkTarget(), match.captured(1));

    {
        RawLineClient client(link(7));
        ASSERT_EQ(client.read(kGreeting.size(), kPatience), kGreeting);
        ASSERT_TRUE(client.command("V"));
        EXPECT_EQ(client.read(16, kPatience), "KVE_M510HX,V1.0,");
        ASSERT_TRUE(client.command("H"));
        EXPECT_EQ(client.read(30, kPatience), "6,002,002,002,002,002,002,000,");
    }

    EXPECT_EQ(endWith(SIGTERM), 0);
    EXPECT_FALSE(QFileInfo(link(7)).isSymLink()) << "the link outlived the program";

    QFile log(logPath);
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QString text = QString::fromLocal8Bit(log.readAll());
    EXPECT_TRUE(
        text.contains(QRegularExpression("\\d\\d:\\d\\d:\\d\\d\\.\\d{3} < V \\| > \"KVE_M510HX,V1\\.0,\"\n")))
        << text.toStdString();
    EXPECT_TRUE(text.contains("line opened"));
    EXPECT_TRUE(text.contains("stopping on SIGTERM"));
}

TEST_F(SimProgram, InterruptEndsItCleanly)
{
    const QString line = launch({});
    ASSERT_TRUE(line.startsWith("COM3 -> /dev/pts/")) << line.toStdString();
    ASSERT_TRUE(line.endsWith("(KVE_M610_M410 V3.2)"));
    EXPECT_TRUE(QFileInfo(link(3)).isSymLink());
    EXPECT_EQ(endWith(SIGINT), 0);
    EXPECT_FALSE(QFileInfo(link(3)).isSymLink());
}

TEST_F(SimProgram, PortsFolderDefaultsToTheClients)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("STAZIONE_PORTS", ports.path());
    process.setProcessEnvironment(environment);
    const QString line = launch({"--port", "12"}, false);
    ASSERT_TRUE(line.startsWith("COM12 -> ")) << line.toStdString();
    EXPECT_TRUE(QFileInfo(link(12)).isSymLink());
    EXPECT_EQ(endWith(SIGTERM), 0);
}

TEST_F(SimProgram, OptionsShapeTheLogger)
{
    launch({"--model", "410", "--channels", "3", "--records", "5", "--refuse-writes", "--out-of-range", "2"});
    RawLineClient client(link(3));
    ASSERT_EQ(client.read(kGreeting.size(), kPatience), kGreeting);

    ASSERT_TRUE(client.command("q", "NUOVA,"));
    EXPECT_EQ(client.read(3, kPatience), "ER,");
    ASSERT_TRUE(client.command("Q"));
    EXPECT_EQ(client.read(6, kPatience), "STAZ1,");

    ASSERT_TRUE(client.command("a"));
    // Five records of six time fields and three values: 2 + 5 * 9 fields.
    QByteArray download;
    while (download.count(',') < 2 + 5 * 9 && client.end() == RawLineClient::End::Open) {
        const QByteArray more = client.read(1, kPatience);
        if (more.isEmpty())
            break;
        download += more;
    }
    QList<QByteArray> fields = download.split(',');
    fields.removeLast();
    ASSERT_EQ(fields.size(), 2 + 5 * 9) << download.constData();
    EXPECT_EQ(fields.at(0), "5");
    EXPECT_EQ(fields.at(1), "3");
    EXPECT_EQ(fields.at(2 + 6 + 1), "99.9");
    EXPECT_EQ(endWith(SIGTERM), 0);
}

TEST_F(SimProgram, FaultThatDropsTheLine)
{
    launch({"--drop-on", "V"});
    RawLineClient client(link(3));
    ASSERT_EQ(client.read(kGreeting.size(), kPatience), kGreeting);
    ASSERT_TRUE(client.command("V"));
    EXPECT_EQ(client.waitForEnd(kPatience), RawLineClient::End::Closed);
    EXPECT_EQ(endWith(SIGTERM), 0) << "the program should keep running after dropping the line";
}

TEST_F(SimProgram, HelpAndBadOptions)
{
    process.start(STAZIONE_SIM_PROGRAM, {"--help"});
    ASSERT_TRUE(process.waitForFinished(kPatienceMs));
    EXPECT_EQ(process.exitCode(), 0);
    const QString help = QString::fromLocal8Bit(process.readAllStandardOutput());
    for (const char* option :
         {"--model",        "--version",         "--channels",   "--port",    "--ports-dir",
          "--records",      "--time-scale",      "--log",        "--pace",    "--silent",
          "--greet-only",   "--garbage",         "--stop-after", "--drop-on", "--refuse-writes",
          "--out-of-range", "--p-timeout-after", "--lf-only",    "--modem",   "--modem-id",
          "--dial-result",  "--connect-word",    "--dial-delay", "--number"}) {
        EXPECT_TRUE(help.contains(option)) << option;
    }

    for (const QStringList& bad :
         {QStringList{"--drop-on", "XY"}, QStringList{"--channels", "many"}, QStringList{"--time-scale", "0"},
          QStringList{"--port", "0"}, QStringList{"--number", "5551234"},
          QStringList{"--dial-result", "MAYBE", "--modem"}, QStringList{"--dial-delay", "soon", "--modem"},
          QStringList{"--number", "nobody", "--modem"}}) {
        process.start(STAZIONE_SIM_PROGRAM, QStringList(bad) << "--ports-dir" << ports.path());
        ASSERT_TRUE(process.waitForFinished(kPatienceMs));
        EXPECT_NE(process.exitCode(), 0) << bad.join(' ').toStdString();
        EXPECT_TRUE(QString::fromLocal8Bit(process.readAllStandardError()).contains(bad.first()))
            << bad.join(' ').toStdString();
        EXPECT_TRUE(QDir(ports.path()).entryList(QDir::System | QDir::Files).isEmpty());
    }
}

TEST_F(SimProgram, ModemInFrontOfTheLogger)
{
    const QString logPath = QDir(ports.path()).filePath("sim.log");
    const QString line = launch({"--modem", "--modem-id", "ACME GSM 2", "--number", "555-1234",
                                 "--connect-word", "CONNECT 9600", "--time-scale", "0.1", "--log", logPath});
    ASSERT_TRUE(line.startsWith("COM3 -> /dev/pts/")) << line.toStdString();

    {
        RawLineClient client(link(3));
        EXPECT_EQ(client.readFor(200ms), "") << "the line greeted before a call";
        ASSERT_TRUE(client.write("ATE0\r"));
        EXPECT_EQ(client.read(11, kPatience), "ATE0\r\r\nOK\r\n");
        ASSERT_TRUE(client.write("ATI3\r"));
        EXPECT_EQ(client.read(20, kPatience), "\r\nACME GSM 2\r\n\r\nOK\r\n");

        ASSERT_TRUE(client.write("ATD5550000\r"));
        EXPECT_EQ(client.read(14, kPatience), "\r\nNO CARRIER\r\n");
        ASSERT_TRUE(client.write("ATD5551234\r"));
        EXPECT_EQ(client.read(16, kPatience), "\r\nCONNECT 9600\r\n");
        ASSERT_EQ(client.read(kGreeting.size(), kPatience), kGreeting);
        ASSERT_TRUE(client.command("V"));
        EXPECT_EQ(client.read(19, kPatience), "KVE_M610_M410,V3.2,");
    }

    // The simulator logs the call's end when it reads the closed port: on a loaded machine that can
    // come after a signal sent at once, so the signal waits for it.
    (void)stazione::testing::settledSimLog(logPath);
    EXPECT_EQ(endWith(SIGTERM), 0);
    QFile log(logPath);
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QString text = QString::fromLocal8Bit(log.readAll());
    EXPECT_TRUE(text.contains("behind a modem \"ACME GSM 2\"")) << text.toStdString();
    EXPECT_TRUE(text.contains("< AT \"ATD5550000\" | > \"\\r\\nNO CARRIER\\r\\n\" (wrong number"))
        << text.toStdString();
    EXPECT_TRUE(text.contains("< AT \"ATD5551234\" | > \"\\r\\nCONNECT 9600\\r\\n\" (call up to 5551234)"));
    EXPECT_TRUE(text.contains("< V | > \"KVE_M610_M410,V3.2,\""));
    EXPECT_TRUE(text.contains("call down: the port was closed"));
}

TEST_F(SimProgram, ModemThatFindsTheLineBusy)
{
    launch({"--modem", "--dial-result", "busy", "--time-scale", "0.1"});
    RawLineClient client(link(3));
    ASSERT_TRUE(client.write("ATD1234\r"));
    EXPECT_EQ(client.read(8 + 8, kPatience), "ATD1234\r\r\nBUSY\r\n");
    EXPECT_EQ(client.readFor(300ms), "");
    EXPECT_EQ(endWith(SIGTERM), 0);
}

} // namespace
