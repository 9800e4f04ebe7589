// stazione-cli as a technician runs it, against stazione-sim as its own process.

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct CliRun {
    int exitCode = -1;
    QString out;
    QString err;
    qint64 ms = 0;
};

class Cli : public ::testing::Test {
protected:
    void SetUp() override
    {
        env = QProcessEnvironment::systemEnvironment();
        env.insert("STAZIONE_PORTS", ports.path());
        env.insert("XDG_CONFIG_HOME", config.path());
        env.insert("STAZIONE_SYSTEM_PORTS", "0");
        env.insert("STAZIONE_TIME_SCALE", "0.05");
    }
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
        QProcess p;
        p.setProcessEnvironment(env);
        QElapsedTimer t;
        t.start();
        p.start(STAZIONE_CLI_PROGRAM, arguments);
        EXPECT_TRUE(p.waitForFinished(60000));
        return {p.exitCode(), QString::fromLocal8Bit(p.readAllStandardOutput()),
                QString::fromLocal8Bit(p.readAllStandardError()), t.elapsed()};
    }

    QString simLog(int port) const
    {
        QFile f(ports.filePath(QStringLiteral("sim%1.log").arg(port)));
        f.open(QIODevice::ReadOnly);
        return QString::fromLocal8Bit(f.readAll());
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
    EXPECT_TRUE(r.err.contains("Scansione in corso sulla port #0"));
    EXPECT_TRUE(r.err.contains("Dispositivo  M610_M410 V3.2 rilevato sulla porta #4"));
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

TEST_F(Cli, WrongUsage)
{
    EXPECT_EQ(cli({}).exitCode, 2);
    EXPECT_EQ(cli({"fly"}).exitCode, 2);
    EXPECT_EQ(cli({"identify", "--port", "x"}).exitCode, 2);
    EXPECT_EQ(cli({"identify", "--bogus"}).exitCode, 2);
    EXPECT_EQ(cli({"identify", "extra"}).exitCode, 2);
    const CliRun help = cli({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.contains("identify"));
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

} // namespace
