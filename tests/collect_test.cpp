// The night's collection as the timer runs it: stazione-cli collect against stazione-sim playing
// a network of stations behind a modem, each its own process.

#include "support/cli_run.h"
#include "support/program_env.h"
#include "support/sim_log.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QThread>

#include <csignal>
#include <gtest/gtest.h>
#include <memory>
#include <sys/resource.h>
#include <vector>

namespace {

using Outcome = stazione::testing::CliRun;

QList<QByteArray> lines(const QString& path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    QList<QByteArray> all = f.readAll().split('\n');
    if (!all.isEmpty() && all.last().isEmpty())
        all.removeLast();
    return all;
}

QList<QJsonObject> report(const QString& path)
{
    QList<QJsonObject> out;
    for (const QByteArray& line : lines(path))
        out << QJsonDocument::fromJson(line).object();
    return out;
}

// Every line once: the archive has no line twice.
bool noLineTwice(const QList<QByteArray>& archive)
{
    QSet<QByteArray> seen;
    for (const QByteArray& l : archive) {
        if (seen.contains(l))
            return false;
        seen.insert(l);
    }
    return true;
}

class Collect : public ::testing::Test {
protected:
    void SetUp() override
    {
        env = stazione::testing::programEnvironment(ports.path(), config.path(), locks.path());
        QDir().mkpath(settings());
        // The modem window's directory: three stations, and a row without a number.
        QFile ini(settings() + "/modem.ini");
        ini.open(QIODevice::WriteOnly);
        ini.write("Alfa\r\n111\r\n31/12/2027\r\nBeta\r\n222\r\n\r\nGamma\r\n333\r\n\r\nVuota\r\n\r\n\r\n");
    }
    void TearDown() override
    {
        for (auto& sim : sims) {
            sim->terminate();
            sim->waitForFinished(5000);
        }
    }

    void stopNetworks()
    {
        for (auto& sim : sims) {
            sim->terminate();
            sim->waitForFinished(5000);
        }
        sims.clear();
    }

    QString settings() const { return config.path() + "/stazione"; }
    QString dir() const { return data.path(); }
    // The simulator's log on COMn once it has seen the last client let the port go.
    QString settledLog(int port) const
    {
        return stazione::testing::settledSimLog(ports.filePath(QStringLiteral("sim%1.log").arg(port)));
    }

    // A modem on COMn in front of the network: 111 answers, 222 is busy twice first, 333 is not
    // in the network.
    QProcess& startNetwork(int port, const QStringList& extra = {})
    {
        sims.push_back(std::make_unique<QProcess>());
        QProcess& sim = *sims.back();
        sim.setProcessEnvironment(env);
        sim.setProgram(STAZIONE_SIM_PROGRAM);
        // The loggers record nothing new while a test runs unless it says how often they do: at their
        // own interval of 10 minutes a test that spans a :10 would find a record more.
        const QStringList pace = extra.contains(QStringLiteral("--record-every"))
                                     ? QStringList()
                                     : QStringList{QStringLiteral("--record-every"), QStringLiteral("86400")};
        sim.setArguments(QStringList{"--port", QString::number(port), "--ports-dir", ports.path(), "--log",
                                     ports.filePath(QStringLiteral("sim%1.log").arg(port)), "--modem",
                                     "--station", "111=610,ALFA", "--station", "222=510,BETA", "--busy",
                                     "222:2"} +
                         pace + extra);
        sim.start();
        EXPECT_TRUE(sim.waitForStarted(5000));
        EXPECT_TRUE(sim.waitForReadyRead(5000));
        return sim;
    }

    Outcome collect(const QStringList& arguments)
    {
        stazione::testing::CliStart start;
        start.env = env;
        return stazione::testing::runCli(QStringList{"collect", "--dir", dir()} + arguments, start);
    }

    QTemporaryDir ports;
    QTemporaryDir config;
    QTemporaryDir locks;
    QTemporaryDir data;
    QProcessEnvironment env;
    std::vector<std::unique_ptr<QProcess>> sims;
};

TEST_F(Collect, ThreeStationsOneBusyTwiceOneNotThere)
{
    startNetwork(2, {"--record-every", "1"});
    const Outcome run = collect({"--modem-port", "2", "--retry-wait", "2", "--stations", "1,2,3"});
    EXPECT_EQ(run.exitCode, 1) << qPrintable(run.err);

    // A line per station in the report, in the order they ended.
    const QList<QJsonObject> r = report(dir() + "/raccolta.jsonl");
    ASSERT_EQ(r.size(), 3) << qPrintable(run.err);
    QMap<int, QJsonObject> by;
    for (const QJsonObject& o : r)
        by[o.value("station").toInt()] = o;
    EXPECT_EQ(by[1].value("result").toString(), "ok");
    EXPECT_EQ(by[1].value("attempts").toInt(), 1);
    EXPECT_EQ(by[1].value("name").toString(), "Alfa");
    EXPECT_EQ(by[1].value("number").toString(), "111");
    EXPECT_TRUE(by[1].value("complete").toBool());
    EXPECT_TRUE(by[1].value("battery").isDouble());
    EXPECT_DOUBLE_EQ(by[1].value("battery").toDouble(), 12.6);
    EXPECT_FALSE(by[1].value("memory_possible").toString().isEmpty());
    EXPECT_EQ(by[2].value("result").toString(), "ok");
    EXPECT_EQ(by[2].value("attempts").toInt(), 3); // busy, busy, then the call
    EXPECT_EQ(by[3].value("result").toString(), "no-carrier");
    EXPECT_EQ(by[3].value("attempts").toInt(), 3);
    EXPECT_EQ(by[3].value("error").toString(), "NO CARRIER");
    EXPECT_EQ(by[3].value("new_lines").toInt(), 0);

    // The day's file as the window writes it, and the archive with the same lines.
    const QString today = QDate::currentDate().toString("dd_MM_yy");
    const QList<QByteArray> alfaDay = lines(dir() + "/Alfa/ALFA_" + today + "_SENS.txt");
    const QList<QByteArray> alfaArchive = lines(dir() + "/Alfa/Alfa_archivio.txt");
    EXPECT_GE(alfaDay.size(), 120);
    EXPECT_EQ(alfaArchive, alfaDay);
    EXPECT_EQ(by[1].value("new_lines").toInt(), alfaDay.size());
    EXPECT_EQ(by[1].value("total_lines").toInt(), alfaDay.size());
    EXPECT_TRUE(alfaDay.first().endsWith('\r')); // CR LF line ends
    EXPECT_EQ(lines(dir() + "/Beta/Beta_archivio.txt"), lines(dir() + "/Beta/BETA_" + today + "_SENS.txt"));
    EXPECT_FALSE(QFileInfo::exists(dir() + "/Gamma"));

    // The directory's "Ultimo Controllo" of the two stations that answered, as the window keeps it.
    const QList<QByteArray> last = lines(settings() + "/last.ini");
    ASSERT_GE(last.size(), 3);
    const QByteArray todayText = QDate::currentDate().toString("dd/MM/yyyy").toLatin1() + "\r";
    EXPECT_EQ(last[0], todayText);
    EXPECT_EQ(last[1], todayText);
    EXPECT_EQ(last[2], "\r");
    // The directory itself is unchanged.
    EXPECT_EQ(lines(settings() + "/modem.ini")[2], "31/12/2027\r");

    // The table names every station with its result.
    EXPECT_TRUE(run.out.contains(QRegularExpression("Alfa +111 +ok"))) << qPrintable(run.out);
    EXPECT_TRUE(run.out.contains(QRegularExpression("Gamma +333 +no-carrier"))) << qPrintable(run.out);

    // The modem was asked three times for 222 and hung up after each call that came up.
    const QString log = settledLog(2);
    EXPECT_EQ(log.count("dialling 222"), 3) << qPrintable(log);
    EXPECT_EQ(log.count("call down: ATH"), 2) << qPrintable(log);

    // The next night: only what the loggers recorded since is appended.
    QThread::msleep(1100);
    const Outcome again = collect({"--modem-port", "2", "--retry-wait", "0", "--stations", "1", "--json"});
    EXPECT_EQ(again.exitCode, 0) << qPrintable(again.err);
    const QJsonObject second = QJsonDocument::fromJson(again.out.toUtf8()).object();
    const QList<QByteArray> archive = lines(dir() + "/Alfa/Alfa_archivio.txt");
    const QList<QByteArray> day = lines(dir() + "/Alfa/ALFA_" + today + "_SENS.txt");
    EXPECT_GE(second.value("new_lines").toInt(), 1) << qPrintable(again.out);
    EXPECT_EQ(archive.size(), alfaArchive.size() + second.value("new_lines").toInt());
    EXPECT_EQ(archive.mid(0, alfaArchive.size()), alfaArchive);
    EXPECT_EQ(archive.mid(archive.size() - day.size()), day);
    EXPECT_TRUE(noLineTwice(archive));
    EXPECT_EQ(second.value("total_lines").toInt(), archive.size());
}

// A kill in the middle of a download, then the next run: every line once.
TEST_F(Collect, AKillInTheMiddleOfADownloadLosesAndDoublesNothing)
{
    // Paced at 9600 baud the download of 150 records takes seconds.
    startNetwork(2, {"--pace", "--records", "150", "--record-every", "1"});
    const Outcome first = collect({"--modem-port", "2", "--stations", "1"});
    ASSERT_EQ(first.exitCode, 0) << qPrintable(first.err);
    const QList<QByteArray> before = lines(dir() + "/Alfa/Alfa_archivio.txt");

    QThread::msleep(2000);
    QProcess killed;
    killed.setProcessEnvironment(env);
    killed.start(STAZIONE_CLI_PROGRAM, {"collect", "--dir", dir(), "--modem-port", "2", "--stations", "1"});
    ASSERT_TRUE(killed.waitForStarted());
    const QString day = dir() + "/Alfa/ALFA_" + QDate::currentDate().toString("dd_MM_yy") + "_SENS.txt";
    // Once the new download has written its first lines.
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 60000 && !(QFileInfo(day).size() > 0 && QFileInfo(day).size() < 4000) &&
           !(QFileInfo(day + ".part").size() > 0))
        QThread::msleep(20);
    ASSERT_EQ(killed.state(), QProcess::Running) << "the download ended before the kill";
    ::kill(pid_t(killed.processId()), SIGKILL);
    killed.waitForFinished();
    EXPECT_EQ(killed.exitStatus(), QProcess::CrashExit);
    EXPECT_EQ(lines(dir() + "/Alfa/Alfa_archivio.txt"), before);

    // The port lock the killed process held is taken over; the call it left is dropped.
    const Outcome after = collect({"--modem-port", "2", "--stations", "1", "--json"});
    ASSERT_EQ(after.exitCode, 0) << qPrintable(after.err);
    const QList<QByteArray> archive = lines(dir() + "/Alfa/Alfa_archivio.txt");
    EXPECT_TRUE(noLineTwice(archive));
    EXPECT_EQ(archive.mid(0, before.size()), before);
    const QList<QByteArray> full = lines(day);
    EXPECT_EQ(archive.mid(archive.size() - full.size()), full);
    EXPECT_GT(archive.size(), before.size());
}

// A download that never ends with its end mark: kept, reported incomplete, its whole lines archived.
TEST_F(Collect, ADownloadCutShortIsKeptAndItsWholeLinesArchived)
{
    startNetwork(2, {"--stop-after", "1500"});
    const Outcome run =
        collect({"--modem-port", "2", "--stations", "1", "--retries", "0", "--timeout", "1", "--json"});
    EXPECT_EQ(run.exitCode, 1);
    const QJsonObject o = QJsonDocument::fromJson(run.out.toUtf8()).object();
    EXPECT_EQ(o.value("result").toString(), "timeout") << qPrintable(run.out);
    EXPECT_FALSE(o.value("complete").toBool());
    const QList<QByteArray> archive = lines(dir() + "/Alfa/Alfa_archivio.txt");
    EXPECT_GT(archive.size(), 10);
    EXPECT_EQ(o.value("new_lines").toInt(), archive.size());
    // Whole lines only: the one the stream broke off in is not there.
    const QList<QByteArray> kept = lines(o.value("file").toString());
    EXPECT_EQ(archive, kept);
    for (const QByteArray& line : archive)
        EXPECT_TRUE(line.endsWith('\r')) << line.constData();
}

TEST_F(Collect, AClockOffByMoreThanAllowedIsSetAndReadBack)
{
    startNetwork(2, {"--clock-offset", "-300"});
    const Outcome off = collect({"--modem-port", "2", "--stations", "1", "--sync-clock", "60", "--json"});
    ASSERT_EQ(off.exitCode, 0) << qPrintable(off.err);
    const QJsonObject first = QJsonDocument::fromJson(off.out.toUtf8()).object();
    EXPECT_NEAR(first.value("clock_drift_s").toDouble(), -300, 2) << qPrintable(off.out);
    EXPECT_TRUE(first.value("clock_corrected").toBool());
    const QString log = settledLog(2);
    EXPECT_EQ(log.count("< g "), 1) << qPrintable(log);

    // Now within the limit: read, not written.
    const Outcome right = collect({"--modem-port", "2", "--stations", "1", "--sync-clock", "60", "--json"});
    const QJsonObject second = QJsonDocument::fromJson(right.out.toUtf8()).object();
    EXPECT_NEAR(second.value("clock_drift_s").toDouble(), 0, 2) << qPrintable(right.out);
    EXPECT_FALSE(second.value("clock_corrected").toBool());

    // Without --sync-clock a clock is only reported.
    EXPECT_EQ(settledLog(2).count("< g "), 1);
}

QJsonObject jsonFile(const QString& path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return QJsonDocument::fromJson(f.readAll()).object();
}

// The channels' names come with a station's first call, then only once they are old or asked
// for: a call that does not read them sends no "R" at all.
TEST_F(Collect, TheChannelsNamesAreReadOnTheFirstCallThenWhenDueOrAsked)
{
    startNetwork(2, {"--sensor-names", "Piezometro P1,Livello"});
    const QString kept = dir() + "/Alfa/sensori.json";
    const Outcome first = collect({"--modem-port", "2", "--stations", "1", "--json"});
    ASSERT_EQ(first.exitCode, 0) << qPrintable(first.err);
    const QJsonObject o = QJsonDocument::fromJson(first.out.toUtf8()).object();
    const QJsonArray channels = o.value("sensors").toObject().value("channels").toArray();
    // The 610 keeps the properties of four channels.
    ASSERT_EQ(channels.size(), 4) << qPrintable(first.out);
    EXPECT_EQ(channels[0].toObject().value("name").toString(), "Piezometro P1");
    EXPECT_EQ(channels[1].toObject().value("name").toString(), "Livello");
    EXPECT_EQ(channels[2].toObject().value("name").toString(), "CH2");
    EXPECT_EQ(channels[0].toObject().value("full_volts").toString(), "2.500");
    EXPECT_EQ(channels[0].toObject().value("full_value").toString(), "100.0");
    EXPECT_EQ(jsonFile(kept), o.value("sensors").toObject());
    EXPECT_EQ(report(dir() + "/raccolta.jsonl").value(0).value("sensors").toObject(),
              o.value("sensors").toObject());
    EXPECT_EQ(settledLog(2).count("< R "), 4 * 5);

    // A day later they are not read again...
    const Outcome second = collect({"--modem-port", "2", "--stations", "1", "--json"});
    ASSERT_EQ(second.exitCode, 0) << qPrintable(second.err);
    EXPECT_FALSE(QJsonDocument::fromJson(second.out.toUtf8()).object().contains("sensors"));
    EXPECT_EQ(settledLog(2).count("< R "), 4 * 5);
    // ... but when asked, or once as old as --sensors-every says.
    const Outcome asked = collect({"--modem-port", "2", "--stations", "1", "--read-sensors", "--json"});
    EXPECT_TRUE(QJsonDocument::fromJson(asked.out.toUtf8()).object().contains("sensors"));
    EXPECT_EQ(settledLog(2).count("< R "), 2 * 4 * 5);
    const Outcome old = collect({"--modem-port", "2", "--stations", "1", "--sensors-every", "0", "--json"});
    EXPECT_TRUE(QJsonDocument::fromJson(old.out.toUtf8()).object().contains("sensors"));
    EXPECT_EQ(settledLog(2).count("< R "), 3 * 4 * 5);
    EXPECT_EQ(collect({"--modem-port", "2", "--sensors-every", "-1"}).exitCode, 2);
}

// A logger that hangs up on the names' read still gave its data: the call is a success that
// says the names were not read, and nothing is kept of them.
TEST_F(Collect, ANamesReadThatFailsFailsNothing)
{
    startNetwork(2, {"--drop-on", "R"});
    const Outcome run = collect({"--modem-port", "2", "--stations", "1", "--json", "--retries", "0"});
    const QJsonObject o = QJsonDocument::fromJson(run.out.toUtf8()).object();
    EXPECT_EQ(o.value("result").toString(), "ok") << qPrintable(run.out) << qPrintable(run.err);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(o.value("sensors_error").toString().contains("names could not be read"))
        << qPrintable(run.out);
    EXPECT_FALSE(o.contains("sensors"));
    EXPECT_GT(o.value("new_lines").toInt(), 0);
    EXPECT_EQ(lines(o.value("archive").toString()).size(), o.value("total_lines").toInt());
    EXPECT_FALSE(QFileInfo::exists(dir() + "/Alfa/sensori.json"));
}

// A logger that answers the clock write with a refusal keeps its wrong clock: the collection says
// so in its result and exit status, and keeps the data it brought.
TEST_F(Collect, AClockTheLoggerRefusesIsNoSuccessButTheDataAreKept)
{
    startNetwork(2, {"--clock-offset", "-300", "--refuse-writes"});
    const Outcome run = collect({"--modem-port", "2", "--stations", "1", "--sync-clock", "60", "--json"});
    EXPECT_EQ(run.exitCode, 1) << qPrintable(run.err);
    const QJsonObject o = QJsonDocument::fromJson(run.out.toUtf8()).object();
    EXPECT_EQ(o.value("result").toString(), "clock-refused") << qPrintable(run.out);
    EXPECT_FALSE(o.value("clock_corrected").toBool());
    EXPECT_NEAR(o.value("clock_drift_s").toDouble(), -300, 2);
    EXPECT_TRUE(o.value("error").toString().contains("refused the clock")) << qPrintable(run.out);
    EXPECT_EQ(o.value("attempts").toInt(), 1); // its data are in: not called again
    EXPECT_GT(o.value("new_lines").toInt(), 0);
    EXPECT_EQ(lines(o.value("archive").toString()).size(), o.value("total_lines").toInt());
    const QList<QJsonObject> kept = report(dir() + "/raccolta.jsonl");
    ASSERT_EQ(kept.size(), 1);
    EXPECT_EQ(kept[0].value("result").toString(), "clock-refused");
    QFile f(ports.filePath("sim2.log"));
    f.open(QIODevice::ReadOnly);
    EXPECT_EQ(QString::fromLocal8Bit(f.readAll()).count("< g "), 1);
}

TEST_F(Collect, TwoModemsShareTheStationsAndAPortInUseIsNotOpenedTwice)
{
    startNetwork(2);
    startNetwork(4);
    const QString trace = data.filePath("trace.txt");
    const Outcome run = collect({"--modem-port", "2", "--modem-port", "4", "--stations", "1,2", "--retries",
                                 "0", "--json", "--trace", trace});
    const QList<QJsonObject> r = report(dir() + "/raccolta.jsonl");
    ASSERT_EQ(r.size(), 2) << qPrintable(run.err);
    // Station 1 went to the first modem and answered, station 2 to the second and was busy.
    QMap<int, QString> result;
    for (const QJsonObject& o : r)
        result[o.value("station").toInt()] = o.value("result").toString();
    EXPECT_EQ(result[1], "ok");
    EXPECT_EQ(result[2], "busy");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out.count('\n'), 2) << qPrintable(run.out);
    auto logOf = [&](int port) { return settledLog(port); };
    EXPECT_TRUE(logOf(2).contains("dialling 111"));
    EXPECT_FALSE(logOf(2).contains("dialling 222"));
    EXPECT_TRUE(logOf(4).contains("dialling 222"));
    // Each modem traced on its own.
    EXPECT_TRUE(QFile(trace + ".COM2").open(QIODevice::ReadOnly));
    EXPECT_TRUE([&] {
        QFile f(trace + ".COM2");
        f.open(QIODevice::ReadOnly);
        return f.readAll().contains("ATD111");
    }());
    EXPECT_TRUE([&] {
        QFile f(trace + ".COM4");
        f.open(QIODevice::ReadOnly);
        return f.readAll().contains("ATD222");
    }());

    // While one collection holds the modem, a second one waits for it, then fails with a clear
    // message when it is not given up in time.
    QProcess holder;
    holder.setProcessEnvironment(env);
    holder.start(STAZIONE_CLI_PROGRAM, {"collect", "--dir", dir(), "--modem-port", "2", "--stations", "1"});
    ASSERT_TRUE(holder.waitForStarted());
    QThread::msleep(300);
    const Outcome second = collect({"--modem-port", "2", "--stations", "1", "--retry-wait", "0", "--json"});
    EXPECT_EQ(second.exitCode, 1);
    const QJsonObject refused = QJsonDocument::fromJson(second.out.toUtf8()).object();
    EXPECT_EQ(refused.value("result").toString(), "line-lost") << qPrintable(second.out);
    EXPECT_TRUE(refused.value("error").toString().contains("in use by another Stazione program"))
        << qPrintable(second.out);
    EXPECT_TRUE(holder.waitForFinished(60000));
    EXPECT_EQ(holder.exitCode(), 0) << holder.readAllStandardError().constData();
}

// The issue as the field saw it: a call dropped mid-download, then a complete one. Each line of
// the logger's memory ends up once in the archive, and the cut piece stays in its .part.
TEST_F(Collect, ACutDownloadThenACompleteOneArchiveEachLineOnce)
{
    startNetwork(2, {"--records", "100"});
    const Outcome first = collect({"--modem-port", "2", "--stations", "1", "--json"});
    ASSERT_EQ(first.exitCode, 0) << qPrintable(first.err);
    const QString archivePath = dir() + "/Alfa/Alfa_archivio.txt";
    const QList<QByteArray> before = lines(archivePath);
    ASSERT_EQ(before.size(), 100);

    stopNetworks();
    startNetwork(2, {"--records", "100", "--stop-after", "1000"});
    const Outcome cut =
        collect({"--modem-port", "2", "--stations", "1", "--retries", "0", "--timeout", "1", "--json"});
    EXPECT_EQ(cut.exitCode, 1);
    const QJsonObject o = QJsonDocument::fromJson(cut.out.toUtf8()).object();
    EXPECT_EQ(o.value("result").toString(), "timeout") << qPrintable(cut.out);
    EXPECT_FALSE(o.value("complete").toBool());
    EXPECT_TRUE(o.value("file").toString().endsWith(".part")) << qPrintable(cut.out);
    EXPECT_GT(lines(o.value("file").toString()).size(), 5);
    EXPECT_EQ(o.value("new_lines").toInt(), 0) << qPrintable(cut.out);
    EXPECT_EQ(lines(archivePath), before);

    stopNetworks();
    startNetwork(2, {"--records", "100"});
    const Outcome complete = collect({"--modem-port", "2", "--stations", "1", "--json"});
    ASSERT_EQ(complete.exitCode, 0) << qPrintable(complete.err);
    const QList<QByteArray> archive = lines(archivePath);
    EXPECT_TRUE(noLineTwice(archive)) << archive.size() << " lines";
    EXPECT_EQ(archive.mid(0, before.size()), before);
    const QString day = dir() + "/Alfa/ALFA_" + QDate::currentDate().toString("dd_MM_yy") + "_SENS.txt";
    const QList<QByteArray> memory = lines(day);
    EXPECT_EQ(archive.mid(archive.size() - memory.size()), memory);
}

// Directory names that make the same folder, or none, or one beside the data root.
TEST_F(Collect, EveryStationHasAFolderOfItsOwnInsideTheDataRoot)
{
    QFile ini(settings() + "/modem.ini");
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ini.write("A/B\r\n111\r\n\r\nA_B\r\n222\r\n\r\n..\r\n111\r\n\r\n/\r\n222\r\n\r\n"
              "a/../../x\r\n111\r\n\r\nSolo\r\n111\r\n\r\n");
    ini.close();
    // A folder beside the data root stands for whatever lies outside it.
    QTemporaryDir outside;
    const QString root = outside.filePath("root");
    QDir().mkpath(root);
    startNetwork(2, {"--records", "20"});
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(STAZIONE_CLI_PROGRAM, {"collect", "--dir", root, "--modem-port", "2", "--retry-wait", "1",
                                   "--stations", "1,2,3,4,5,6", "--json"});
    ASSERT_TRUE(p.waitForFinished(120000));
    const QString err = QString::fromLocal8Bit(p.readAllStandardError());
    EXPECT_EQ(p.exitCode(), 0) << qPrintable(err);

    // Nothing but the data root beside it.
    EXPECT_EQ(QDir(outside.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
              QStringList{"root"});
    const QList<QJsonObject> r = report(root + "/raccolta.jsonl");
    ASSERT_EQ(r.size(), 6) << qPrintable(err);
    QSet<QString> archives;
    for (const QJsonObject& o : r) {
        EXPECT_EQ(o.value("result").toString(), "ok") << qPrintable(o.value("error").toString());
        const QString archive = QFileInfo(o.value("archive").toString()).absoluteFilePath();
        EXPECT_EQ(QFileInfo(QFileInfo(archive).absolutePath()).absolutePath(), root) << qPrintable(archive);
        EXPECT_TRUE(QFileInfo(archive).isFile()) << qPrintable(archive);
        archives.insert(archive);
        // Each archive holds one logger's memory, once.
        const QList<QByteArray> a = lines(archive);
        EXPECT_GE(a.size(), 20) << qPrintable(archive);
        EXPECT_TRUE(noLineTwice(a)) << qPrintable(archive);
    }
    EXPECT_EQ(archives.size(), 6) << qPrintable(err);
    // A station without a clash keeps its folder.
    EXPECT_TRUE(QFileInfo::exists(root + "/Solo/Solo_archivio.txt"));
    // Another run: each archive still holds each line once.
    p.start(STAZIONE_CLI_PROGRAM, {"collect", "--dir", root, "--modem-port", "2", "--retry-wait", "1",
                                   "--stations", "1,2,3,4,5,6"});
    ASSERT_TRUE(p.waitForFinished(120000));
    for (const QString& a : archives)
        EXPECT_TRUE(noLineTwice(lines(a))) << qPrintable(a);
    EXPECT_EQ(QDir(outside.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
              QStringList{"root"});
}

// On the cable the folder and the day's file take the logger's own name, which the logger may
// well call "..".
TEST_F(Collect, ALoggerNamedDotDotOnTheCableWritesInsideTheDataRoot)
{
    sims.push_back(std::make_unique<QProcess>());
    QProcess& sim = *sims.back();
    sim.setProcessEnvironment(env);
    sim.start(STAZIONE_SIM_PROGRAM, {"--port", "3", "--ports-dir", ports.path(), "--log",
                                     ports.filePath("sim3.log"), "--records", "10"});
    ASSERT_TRUE(sim.waitForStarted(5000));
    ASSERT_TRUE(sim.waitForReadyRead(5000));
    QProcess named;
    named.setProcessEnvironment(env);
    named.start(STAZIONE_CLI_PROGRAM, {"set-name", "--port", "3", ".."});
    ASSERT_TRUE(named.waitForFinished(60000));
    ASSERT_EQ(named.exitCode(), 0) << named.readAllStandardError().constData();

    QTemporaryDir outside;
    const QString root = outside.filePath("root");
    QDir().mkpath(root);
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(STAZIONE_CLI_PROGRAM, {"collect", "--dir", root, "--port", "3", "--json"});
    ASSERT_TRUE(p.waitForFinished(120000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().constData();
    EXPECT_EQ(QDir(outside.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
              QStringList{"root"});
    const QJsonObject o = QJsonDocument::fromJson(p.readAllStandardOutput()).object();
    EXPECT_EQ(o.value("archive").toString(), root + "/stazione_0/stazione_0_archivio.txt");
    EXPECT_EQ(lines(o.value("archive").toString()).size(), 10);
    EXPECT_EQ(QFileInfo(o.value("file").toString()).absolutePath(), root + "/stazione_0");
}

// The archive and the report are never written through a link, nor into a device.
TEST_F(Collect, LinksAndDevicesAreRefusedWithAMessage)
{
    startNetwork(2, {"--records", "20"});
    QTemporaryDir elsewhere;
    const QString target = elsewhere.filePath("precious.txt");
    {
        QFile t(target);
        ASSERT_TRUE(t.open(QIODevice::WriteOnly));
        t.write("keep me\n");
    }
    QDir().mkpath(dir() + "/Alfa");
    ASSERT_TRUE(QFile::link(target, dir() + "/Alfa/Alfa_archivio.txt"));
    const Outcome linked = collect({"--modem-port", "2", "--stations", "1", "--json"});
    EXPECT_EQ(linked.exitCode, 1);
    const QJsonObject o = QJsonDocument::fromJson(linked.out.toUtf8()).object();
    EXPECT_EQ(o.value("result").toString(), "file-error") << qPrintable(linked.out);
    EXPECT_TRUE(o.value("error").toString().contains("Alfa_archivio.txt")) << qPrintable(linked.out);
    QFile t(target);
    ASSERT_TRUE(t.open(QIODevice::ReadOnly));
    EXPECT_EQ(t.readAll(), "keep me\n");

    // A station folder that is a link would take every file of the station elsewhere.
    ASSERT_TRUE(QDir(dir() + "/Alfa").removeRecursively());
    QDir().mkpath(elsewhere.filePath("folder"));
    ASSERT_TRUE(QFile::link(elsewhere.filePath("folder"), dir() + "/Alfa"));
    const Outcome folder = collect({"--modem-port", "2", "--stations", "1", "--json"});
    EXPECT_EQ(folder.exitCode, 1);
    const QJsonObject f = QJsonDocument::fromJson(folder.out.toUtf8()).object();
    EXPECT_EQ(f.value("result").toString(), "file-error") << qPrintable(folder.out);
    EXPECT_TRUE(QDir(elsewhere.filePath("folder")).isEmpty());
}

// A kill left the archive's last line without its end: the next run puts the whole line in its
// place and says so, in the report and on stderr.
TEST_F(Collect, ATornLastArchiveLineIsRepairedAndReported)
{
    startNetwork(2, {"--records", "20"});
    ASSERT_EQ(collect({"--modem-port", "2", "--stations", "1"}).exitCode, 0);
    const QString archivePath = dir() + "/Alfa/Alfa_archivio.txt";
    QFile archive(archivePath);
    ASSERT_TRUE(archive.open(QIODevice::ReadWrite));
    const QByteArray whole = archive.readAll();
    ASSERT_TRUE(archive.resize(whole.size() - 9));
    archive.close();

    const Outcome run = collect({"--modem-port", "2", "--stations", "1", "--json"});
    ASSERT_EQ(run.exitCode, 0) << qPrintable(run.err);
    const QJsonObject o = QJsonDocument::fromJson(run.out.toUtf8()).object();
    EXPECT_EQ(o.value("repaired_tail").toString(), "replaced") << qPrintable(run.out);
    EXPECT_TRUE(run.err.contains("replaced by the whole line")) << qPrintable(run.err);
    QFile after(archivePath);
    ASSERT_TRUE(after.open(QIODevice::ReadOnly));
    EXPECT_TRUE(after.readAll().startsWith(whole));
    EXPECT_TRUE(noLineTwice(lines(archivePath)));
}

// A report line that cannot be written is a failure: exit 1, the reason on stderr, in the table.
TEST_F(Collect, AReportThatCannotBeWrittenFailsTheRun)
{
    startNetwork(2, {"--records", "20"});
    ASSERT_TRUE(QFile::link("/dev/full", dir() + "/raccolta.jsonl"));
    const Outcome run = collect({"--modem-port", "2", "--stations", "1"});
    EXPECT_EQ(run.exitCode, 1) << qPrintable(run.out);
    EXPECT_TRUE(run.err.contains("raccolta.jsonl")) << qPrintable(run.err);
    EXPECT_TRUE(run.out.contains("raccolta.jsonl")) << qPrintable(run.out);
    // The station's own data went where it belongs.
    EXPECT_EQ(lines(dir() + "/Alfa/Alfa_archivio.txt").size(), 20);
}

// The report's file system fills up under the report alone: the line is written short, and that
// is a failure too.
TEST_F(Collect, AReportWrittenShortFailsTheRun)
{
    startNetwork(2, {"--records", "20"});
    constexpr qint64 kLimit = 256 * 1024;
    {
        QFile filled(dir() + "/raccolta.jsonl");
        ASSERT_TRUE(filled.open(QIODevice::WriteOnly));
        filled.write(QByteArray(kLimit - 40, ' ') + "\n");
    }
    QProcess p;
    p.setProcessEnvironment(env);
    // No file of this process may grow past the limit: a write there comes back short.
    p.setChildProcessModifier([] {
        const rlimit limit{kLimit, kLimit};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        ::signal(SIGXFSZ, SIG_IGN);
    });
    p.start(STAZIONE_CLI_PROGRAM, {"collect", "--dir", dir(), "--modem-port", "2", "--stations", "1"});
    ASSERT_TRUE(p.waitForFinished(120000));
    const QString out = QString::fromLocal8Bit(p.readAllStandardOutput());
    const QString err = QString::fromLocal8Bit(p.readAllStandardError());
    EXPECT_EQ(p.exitCode(), 1) << qPrintable(out);
    EXPECT_TRUE(err.contains("Report not written")) << qPrintable(err);
    EXPECT_TRUE(out.contains("Report not written")) << qPrintable(out);
    EXPECT_EQ(lines(dir() + "/Alfa/Alfa_archivio.txt").size(), 20);
}

// "Ultimo Controllo" is written for the first and the last row of the directory.
TEST_F(Collect, TheCallDateIsKeptForTheFirstAndTheLastRow)
{
    QFile ini(settings() + "/modem.ini");
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
    for (int row = 1; row <= 70; ++row)
        ini.write(row == 1 || row == 70 ? QByteArray("Riga") + QByteArray::number(row) + "\r\n111\r\n\r\n"
                                        : QByteArray("\r\n\r\n\r\n"));
    ini.close();
    startNetwork(2, {"--records", "5"});
    const Outcome run = collect({"--modem-port", "2", "--stations", "1,70"});
    ASSERT_EQ(run.exitCode, 0) << qPrintable(run.err);
    QFile last(settings() + "/last.ini");
    ASSERT_TRUE(last.open(QIODevice::ReadOnly));
    const QList<QByteArray> rows = last.readAll().split('\n');
    ASSERT_GE(rows.size(), 70);
    const QByteArray today = QDate::currentDate().toString("dd/MM/yyyy").toLatin1();
    EXPECT_EQ(rows[0].trimmed(), today);
    EXPECT_EQ(rows[69].trimmed(), today);
    EXPECT_EQ(rows[1].trimmed(), "");
}

// The processes whose parent is `pid` (the children of a two-modem collection).
QList<qint64> childrenOf(qint64 pid)
{
    QList<qint64> found;
    for (const QString& entry : QDir("/proc").entryList(QDir::Dirs)) {
        bool number = false;
        const qint64 child = entry.toLongLong(&number);
        if (!number)
            continue;
        QFile stat("/proc/" + entry + "/stat");
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray text = stat.readAll();
        // "pid (name) state ppid ...": the name may hold spaces, the last ')' ends it.
        const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 1 && fields[1].toLongLong() == pid)
            found << child;
    }
    return found;
}

bool alive(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return false;
    const QByteArray text = stat.readAll();
    return text.mid(text.lastIndexOf(')') + 2, 1) != "Z";
}

class CollectStopped : public Collect {
protected:
    std::unique_ptr<QProcess> start(const QStringList& arguments)
    {
        auto p = std::make_unique<QProcess>();
        p->setProcessEnvironment(env);
        p->start(STAZIONE_CLI_PROGRAM, QStringList{"collect", "--dir", dir()} + arguments);
        EXPECT_TRUE(p->waitForStarted());
        return p;
    }
    template<typename Condition> static bool waitFor(Condition condition, int ms = 60000)
    {
        QElapsedTimer waited;
        waited.start();
        while (!condition()) {
            if (waited.elapsed() > ms)
                return false;
            QThread::msleep(20);
        }
        return true;
    }
    QString simLog(int port) const
    {
        QFile f(ports.filePath(QStringLiteral("sim%1.log").arg(port)));
        f.open(QIODevice::ReadOnly);
        return QString::fromLocal8Bit(f.readAll());
    }
    QString part() const
    {
        return dir() + "/Alfa/ALFA_" + QDate::currentDate().toString("dd_MM_yy") + "_SENS.txt.part";
    }
    QStringList lockFiles() const
    {
        QStringList found;
        QDirIterator it(locks.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext())
            found << it.next();
        return found;
    }
    void TearDown() override
    {
        for (qint64 pid : leftovers)
            ::kill(pid_t(pid), SIGKILL);
        Collect::TearDown();
    }
    QList<qint64> leftovers;
};

TEST_F(CollectStopped, SigtermInTheMiddleOfADownloadHangsUpAndReportsEveryStation)
{
    // Paced at 9600 baud, 150 records take seconds: the signal comes while they stream.
    startNetwork(2, {"--pace", "--records", "150", "--record-every", "1"});
    auto run = start({"--modem-port", "2", "--stations", "1,2", "--json"});
    ASSERT_TRUE(waitFor([&] { return QFileInfo(part()).size() > 0; })) << qPrintable(simLog(2));
    ASSERT_EQ(run->state(), QProcess::Running) << "the download ended before the signal";
    ::kill(pid_t(run->processId()), SIGTERM);
    ASSERT_TRUE(run->waitForFinished(20000));
    EXPECT_EQ(run->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(run->exitCode(), 143) << run->readAllStandardError().constData();

    // The call was hung up on the wire: the escape, then ATH. The program sends ATH as its last
    // bytes and exits; the simulator logs them when it reads them, once the program is gone.
    const QString log = settledLog(2);
    const qsizetype escape = log.lastIndexOf("+++");
    EXPECT_GT(escape, log.indexOf("dialling 111")) << qPrintable(log);
    EXPECT_GT(log.indexOf("call down: ATH", escape), escape) << qPrintable(log);

    // Both stations reported: the one on the line with its .part kept, the other never called.
    const QList<QJsonObject> r = report(dir() + "/raccolta.jsonl");
    ASSERT_EQ(r.size(), 2);
    EXPECT_EQ(r[0].value("station").toInt(), 1);
    EXPECT_EQ(r[0].value("result").toString(), "cancelled");
    EXPECT_EQ(r[0].value("attempts").toInt(), 1);
    EXPECT_TRUE(r[0].value("error").toString().contains("SIGTERM"));
    EXPECT_FALSE(r[0].value("complete").toBool());
    EXPECT_EQ(r[0].value("file").toString(), part());
    EXPECT_GT(QFileInfo(part()).size(), 0);
    EXPECT_EQ(r[1].value("station").toInt(), 2);
    EXPECT_EQ(r[1].value("result").toString(), "cancelled");
    EXPECT_EQ(r[1].value("attempts").toInt(), 0);
    EXPECT_FALSE(log.contains("dialling 222"));
    EXPECT_EQ(lockFiles(), QStringList());
}

TEST_F(CollectStopped, SigintDuringARetryWaitReportsTheWaitingStation)
{
    startNetwork(2);
    // Busy, then a retry wait of 30 s (scaled) in which the signal comes.
    auto run = start({"--modem-port", "2", "--stations", "2", "--retry-wait", "600", "--json"});
    ASSERT_TRUE(waitFor([&] { return simLog(2).contains("dialling 222"); }));
    QThread::msleep(1500);
    ASSERT_EQ(run->state(), QProcess::Running);
    QElapsedTimer stopping;
    stopping.start();
    ::kill(pid_t(run->processId()), SIGINT);
    ASSERT_TRUE(run->waitForFinished(20000));
    EXPECT_LT(stopping.elapsed(), 10000);
    EXPECT_EQ(run->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(run->exitCode(), 130);
    const QList<QJsonObject> r = report(dir() + "/raccolta.jsonl");
    ASSERT_EQ(r.size(), 1);
    EXPECT_EQ(r[0].value("station").toInt(), 2);
    EXPECT_EQ(r[0].value("result").toString(), "cancelled");
    EXPECT_EQ(r[0].value("attempts").toInt(), 1);
    EXPECT_TRUE(r[0].value("error").toString().contains("busy"))
        << qPrintable(r[0].value("error").toString());
    EXPECT_EQ(settledLog(2).count("dialling 222"), 1);
    EXPECT_EQ(lockFiles(), QStringList());
}

TEST_F(CollectStopped, SigtermToATwoModemRunEndsItsChildrenAndReportsEveryStation)
{
    startNetwork(2, {"--pace", "--records", "150", "--record-every", "1"});
    startNetwork(4);
    // Station 1 and 3 on the first modem, station 2 (busy, then waiting) on the second.
    auto run =
        start({"--modem-port", "2", "--modem-port", "4", "--stations", "1,2,3", "--retry-wait", "600"});
    ASSERT_TRUE(waitFor([&] { return QFileInfo(part()).size() > 0; })) << qPrintable(simLog(2));
    ASSERT_TRUE(waitFor([&] { return simLog(4).contains("dialling 222"); }));
    const QList<qint64> children = childrenOf(run->processId());
    leftovers = children;
    ASSERT_EQ(children.size(), 2);
    ::kill(pid_t(run->processId()), SIGTERM);
    ASSERT_TRUE(run->waitForFinished(20000));
    EXPECT_EQ(run->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(run->exitCode(), 143);
    for (qint64 child : children)
        EXPECT_FALSE(alive(child)) << child;

    QMap<int, QString> result;
    for (const QJsonObject& o : report(dir() + "/raccolta.jsonl"))
        result[o.value("station").toInt()] = o.value("result").toString();
    EXPECT_EQ(result, (QMap<int, QString>{{1, "cancelled"}, {2, "cancelled"}, {3, "cancelled"}}));
    EXPECT_TRUE(settledLog(2).contains("call down: ATH"));
    EXPECT_FALSE(settledLog(2).contains("dialling 333"));
    // The second modem's child let its port go at the stop, in the middle of its retry wait:
    // station 2 was dialled once, and nothing after it.
    const QString second = settledLog(4);
    EXPECT_EQ(second.count("dialling"), 1) << qPrintable(second);
    EXPECT_TRUE(second.contains("port closed")) << qPrintable(second);
    EXPECT_EQ(lockFiles(), QStringList());
}

// --trace records the call as the other verbs record theirs: every byte, with its direction.
TEST_F(Collect, TheTraceHoldsTheCall)
{
    startNetwork(2);
    const QString trace = data.filePath("trace.txt");
    const Outcome run = collect({"--modem-port", "2", "--stations", "1", "--trace", trace});
    ASSERT_EQ(run.exitCode, 0) << qPrintable(run.err);
    QFile f(trace);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray text = f.readAll();
    EXPECT_TRUE(text.contains("> ATD111")) << text.left(2000).constData();
    EXPECT_TRUE(text.contains("< ")) << text.left(2000).constData();
    EXPECT_TRUE(text.contains("CONNECT"));
    EXPECT_TRUE(text.contains("ATH"));
}

// A number the line cannot carry (a character outside Latin-1) is refused before anything is sent:
// its own result, not called again, and not a lost line.
TEST_F(Collect, ANumberThatCannotBeDialledIsRefusedNotLost)
{
    QFile ini(settings() + "/modem.ini");
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ini.write("Delta\r\n44\xe2\x98\x8e"
              "1\r\n\r\nAlfa\r\n111\r\n\r\n");
    ini.close();
    startNetwork(2);
    const Outcome run = collect({"--modem-port", "2", "--stations", "1,2", "--retry-wait", "0"});
    EXPECT_EQ(run.exitCode, 1);
    QMap<int, QJsonObject> by;
    for (const QJsonObject& o : report(dir() + "/raccolta.jsonl"))
        by[o.value("station").toInt()] = o;
    EXPECT_EQ(by[1].value("result").toString(), "refused");
    EXPECT_EQ(by[1].value("attempts").toInt(), 1);
    EXPECT_FALSE(by[1].value("error").toString().isEmpty());
    EXPECT_EQ(by[2].value("result").toString(), "ok");
    const QString wire = settledLog(2);
    EXPECT_FALSE(wire.contains("dialling 44")) << qPrintable(wire);
    EXPECT_EQ(wire.count("dialling"), 1);
}

// A modem that does not answer the probe (its USB plug just back, being reset) is tried again
// after the retry wait, as a call is.
TEST_F(Collect, TheModemProbeIsTriedAgain)
{
    QProcess run;
    run.setProcessEnvironment(env);
    run.start(STAZIONE_CLI_PROGRAM, {"collect", "--dir", dir(), "--modem-port", "2", "--stations", "1",
                                     "--retry-wait", "40", "--json"});
    ASSERT_TRUE(run.waitForStarted());
    QThread::msleep(300);
    startNetwork(2);
    ASSERT_TRUE(run.waitForFinished(60000));
    const QString err = QString::fromLocal8Bit(run.readAllStandardError());
    EXPECT_EQ(run.exitCode(), 0) << qPrintable(err);
    EXPECT_TRUE(err.contains("trying again")) << qPrintable(err);
    const QJsonObject o = QJsonDocument::fromJson(run.readAllStandardOutput()).object();
    EXPECT_EQ(o.value("result").toString(), "ok");
}

// A station folder that cannot be made is reported with the system's reason.
TEST_F(Collect, AFolderThatCannotBeMadeSaysWhy)
{
    startNetwork(2);
    QFile blocker(dir() + "/Alfa");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const Outcome run = collect({"--modem-port", "2", "--stations", "1", "--json"});
    EXPECT_EQ(run.exitCode, 1);
    const QJsonObject o = QJsonDocument::fromJson(run.out.toUtf8()).object();
    EXPECT_EQ(o.value("result").toString(), "file-error");
    EXPECT_TRUE(o.value("error").toString().contains("File exists")) << qPrintable(run.out);
}

TEST_F(Collect, WrongUsageEndsWithStatus2)
{
    EXPECT_EQ(collect({}).exitCode, 2);                                        // no modem, no port
    EXPECT_EQ(collect({"--modem-port", "2", "--stations", "0"}).exitCode, 2);  // numbers from 1
    EXPECT_EQ(collect({"--modem-port", "2", "--stations", "71"}).exitCode, 2); // 70 at most
    EXPECT_EQ(collect({"--modem-port", "2", "--stations", "4"}).exitCode, 2);  // no number
    EXPECT_EQ(collect({"--modem-port", "2", "--retries", "-1"}).exitCode, 2);
    EXPECT_EQ(collect({"--modem-port", "2", "--retry-wait", "1e12"}).exitCode, 2);
    EXPECT_EQ(collect({"--modem-port", "2", "--dial", "111"}).exitCode, 2);
    EXPECT_EQ(collect({"--modem-port", "2", "--modem-port", "2"}).exitCode, 2);
    const Outcome noDir = collect({"--modem-port", "2", "--dir", data.filePath("missing")});
    EXPECT_EQ(noDir.exitCode, 2);
    EXPECT_TRUE(noDir.err.contains("does not exist")) << qPrintable(noDir.err);
    EXPECT_FALSE(QFileInfo::exists(dir() + "/raccolta.jsonl"));
}

QByteArray contentsOf(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The bytes past the first `count` lines.
QByteArray pastLines(const QByteArray& bytes, int count)
{
    qsizetype from = 0;
    for (int i = 0; i < count && from >= 0; ++i)
        from = bytes.indexOf('\n', from) + 1;
    return from > 0 ? bytes.mid(from) : QByteArray();
}

// A directory of 200 stations (another program's, or a hand-made one): the rows past the 70th
// are neither shown nor called, and no verb that writes the directory loses them.
TEST_F(Collect, ADirectoryOfTwoHundredStationsKeepsTheRowsPastThe70th)
{
    QByteArray stations = "Alfa\r\n111\r\n\r\n";
    QByteArray calls = "01/01/2026\r\n";
    for (int row = 2; row <= 200; ++row) {
        // Numbers only past row 70: a plain collect calls Alfa (and Beta once it is set) alone.
        const QByteArray number = row > 70 ? QByteArray::number(5000 + row) : QByteArray();
        stations += (row == 150 ? QByteArray("Citt\xE0 150") : "Riga " + QByteArray::number(row)) + "\r\n" +
                    number + "\r\n31/12/2030\r\n";
        calls += "02/01/2026\n"; // as an older tool wrote it
    }
    const QString stationsFile = settings() + "/modem.ini";
    const QString callsFile = settings() + "/last.ini";
    for (const auto& [path, bytes] : {std::pair{stationsFile, stations}, std::pair{callsFile, calls}}) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }
    ASSERT_LT(stations.size(), 1 << 20);
    const QByteArray stationsPast = pastLines(stations, 210);
    const QByteArray callsPast = pastLines(calls, 70);
    ASSERT_TRUE(stationsPast.startsWith("Riga 71\r\n5071\r\n"));
    const auto expectKept = [&](const char* verb) {
        EXPECT_TRUE(pastLines(contentsOf(stationsFile), 210) == stationsPast) << verb;
        EXPECT_TRUE(pastLines(contentsOf(callsFile), 70) == callsPast) << verb;
    };
    const auto run = [&](const QStringList& arguments) {
        stazione::testing::CliStart start;
        start.env = env;
        return stazione::testing::runCli(arguments, start);
    };

    const Outcome set = run({"stations", "set", "2", "Beta", "222"});
    ASSERT_EQ(set.exitCode, 0) << qPrintable(set.err);
    EXPECT_TRUE(set.err.contains("130 more stations past row 70")) << qPrintable(set.err);
    EXPECT_TRUE(contentsOf(stationsFile).startsWith("Alfa\r\n111\r\n\r\nBeta\r\n222\r\n\r\nRiga 3\r\n"));
    expectKept("set");

    const Outcome removed = run({"stations", "remove", "3"});
    ASSERT_EQ(removed.exitCode, 0) << qPrintable(removed.err);
    EXPECT_FALSE(contentsOf(stationsFile).contains("Riga 3\r\n"));
    expectKept("remove");

    startNetwork(2, {"--records", "5"});
    const Outcome collected = collect({"--modem-port", "2", "--retry-wait", "0"});
    EXPECT_EQ(collected.exitCode, 0) << qPrintable(collected.err);
    EXPECT_TRUE(collected.err.contains("130 more stations past row 70: they are not called"))
        << qPrintable(collected.err);
    EXPECT_EQ(report(dir() + "/raccolta.jsonl").size(), 2);
    const QByteArray today = QDate::currentDate().toString("dd/MM/yyyy").toLatin1();
    EXPECT_TRUE(contentsOf(callsFile).startsWith(today + "\r\n" + today + "\r\n"))
        << contentsOf(callsFile).left(40).constData();
    expectKept("collect");
}

// Stations named as the files the program keeps in a data root: each gets a folder of its own,
// the site, the report, the alerts' log and the database stay what they are, and a second report
// keeps every archive.
TEST_F(Collect, StationsNamedLikeTheProgramsOwnFilesGetFoldersOfTheirOwn)
{
    const QStringList names{"sito", "allarmi.jsonl", "raccolta.jsonl", "stazione.sqlite", ".sito.nuovo-1-0"};
    QFile ini(settings() + "/modem.ini");
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
    for (const QString& name : names)
        ini.write(name.toUtf8() + "\r\n111\r\n\r\n");
    ini.close();
    startNetwork(2, {"--records", "8"});
    const QStringList alerts{"--alert-battery", "99"};
    const Outcome run =
        collect(QStringList{"--modem-port", "2", "--retry-wait", "0", "--report", "--db", "--json"} + alerts);
    EXPECT_EQ(run.exitCode, 0) << qPrintable(run.err);

    const QList<QJsonObject> r = report(dir() + "/raccolta.jsonl");
    ASSERT_EQ(r.size(), names.size()) << qPrintable(run.err);
    QStringList archives;
    for (int i = 0; i < names.size(); ++i) {
        const QString folder = QStringLiteral("stazione_%1_%2").arg(i + 1).arg(names[i]);
        EXPECT_EQ(r[i].value("result").toString(), "ok") << qPrintable(r[i].value("error").toString());
        EXPECT_EQ(r[i].value("folder").toString(), folder);
        const QString archive = dir() + "/" + folder + "/" + folder + "_archivio.txt";
        EXPECT_EQ(r[i].value("archive").toString(), archive);
        EXPECT_EQ(lines(archive).size(), 8) << qPrintable(archive);
        archives << archive;
    }
    // With a database the alerts are kept in it, not in the data root.
    EXPECT_FALSE(QFileInfo::exists(dir() + "/allarmi.jsonl"));
    EXPECT_EQ(run.err.count("Alert raised"), names.size()) << qPrintable(run.err);
    EXPECT_TRUE(QFileInfo(dir() + "/stazione.sqlite").isFile());
    EXPECT_TRUE(QFileInfo(dir() + "/sito/index.html").isFile());

    const auto reportAgain = [&](const QStringList& more) {
        QProcess again;
        again.setProcessEnvironment(env);
        again.start(STAZIONE_CLI_PROGRAM, QStringList{"report", dir()} + alerts + more);
        EXPECT_TRUE(again.waitForFinished(60000));
        EXPECT_EQ(again.exitCode(), 0);
        return QString::fromUtf8(again.readAllStandardError());
    };
    // Raised once in the database, kept open; the files' own log starts on its own.
    EXPECT_FALSE(reportAgain({"--db"}).contains("Alert raised"));
    EXPECT_EQ(reportAgain({}).count("Alert raised"), names.size());
    for (const QString& archive : archives)
        EXPECT_EQ(lines(archive).size(), 8) << qPrintable(archive);
    EXPECT_EQ(lines(dir() + "/allarmi.jsonl").size(), names.size());
}

// Two rows of one name are two stations: the failed call of the second is its own in the
// report, in the database and on the site.
TEST_F(Collect, TwoRowsOfOneNameStayTwoStationsInTheDatabaseAndTheSite)
{
    QFile ini(settings() + "/modem.ini");
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ini.write("A\r\n111\r\n\r\nA\r\n333\r\n\r\n");
    ini.close();
    startNetwork(2, {"--records", "6"});
    const Outcome run = collect({"--modem-port", "2", "--retries", "0", "--db"});
    EXPECT_EQ(run.exitCode, 1) << qPrintable(run.err); // row 2 is not in the network
    const QList<QJsonObject> r = report(dir() + "/raccolta.jsonl");
    ASSERT_EQ(r.size(), 2);
    EXPECT_EQ(r[0].value("folder").toString(), "A_1");
    EXPECT_EQ(r[1].value("folder").toString(), "A_2");
    EXPECT_NE(r[1].value("result").toString(), "ok");

    QTemporaryDir out;
    QProcess site;
    site.setProcessEnvironment(env);
    site.start(STAZIONE_CLI_PROGRAM,
               {"report", dir(), "--db", "--out", out.filePath("site"), "--alert-failures", "1", "--json"});
    ASSERT_TRUE(site.waitForFinished(60000));
    EXPECT_EQ(site.exitCode(), 0) << site.readAllStandardError().constData();
    EXPECT_EQ(QDir(out.filePath("site")).entryList({"stazione-*.html"}, QDir::Files, QDir::Name),
              (QStringList{"stazione-01.html", "stazione-02.html"}));
    // The failure is row 2's alone.
    const QList<QByteArray> open = site.readAllStandardOutput().trimmed().split('\n');
    ASSERT_EQ(open.size(), 1);
    EXPECT_EQ(QJsonDocument::fromJson(open[0]).object().value("station").toInt(), 2);
}

// A logger renamed on the cable is the same station: its archived lines are not new lines of
// another station, and what it records next goes to the same archive.
TEST_F(Collect, ALoggerRenamedOnTheCableKeepsItsHistory)
{
    sims.push_back(std::make_unique<QProcess>());
    QProcess& sim = *sims.back();
    sim.setProcessEnvironment(env);
    sim.start(STAZIONE_SIM_PROGRAM, {"--port", "3", "--ports-dir", ports.path(), "--log",
                                     ports.filePath("sim3.log"), "--records", "50"});
    ASSERT_TRUE(sim.waitForStarted(5000));
    ASSERT_TRUE(sim.waitForReadyRead(5000));
    const auto run = [&](const QStringList& arguments) {
        stazione::testing::CliStart start;
        start.env = env;
        return stazione::testing::runCli(arguments, start);
    };
    ASSERT_EQ(run({"set-name", "--port", "3", "POZZO1"}).exitCode, 0);
    const Outcome first = run({"collect", "--dir", dir(), "--port", "3", "--json"});
    ASSERT_EQ(first.exitCode, 0) << qPrintable(first.err);
    const QJsonObject before = QJsonDocument::fromJson(first.out.toUtf8()).object();
    EXPECT_EQ(before.value("new_lines").toInt(), 50);
    EXPECT_EQ(before.value("folder").toString(), "POZZO1");

    ASSERT_EQ(run({"set-name", "--port", "3", "POZZO2"}).exitCode, 0);
    const Outcome second = run({"collect", "--dir", dir(), "--port", "3", "--json", "--db"});
    ASSERT_EQ(second.exitCode, 0) << qPrintable(second.err);
    const QJsonObject after = QJsonDocument::fromJson(second.out.toUtf8()).object();
    EXPECT_EQ(after.value("name").toString(), "POZZO2");
    EXPECT_EQ(after.value("new_lines").toInt(), 0);
    EXPECT_EQ(after.value("total_lines").toInt(), 50);
    EXPECT_EQ(after.value("folder").toString(), "POZZO1");
    EXPECT_EQ(after.value("archive").toString(), before.value("archive").toString());
    EXPECT_EQ(lines(before.value("archive").toString()).size(), 50);
    EXPECT_TRUE(second.err.contains("the logger was renamed")) << qPrintable(second.err);
}

} // namespace

// Three PCs, one database: PC 1 collects Alfa, PC 2 Beta, then Alfa moves to PC 3, whose
// logger has recorded more meanwhile. The site built from the database alone, in a folder with no
// archive, shows both stations with every record either PC brought and the channels by name; each
// alert is raised once for the network and its command run once, although every PC judged it.
TEST_F(Collect, ThreePCsOneDatabaseOneSiteEachAlertOnce)
{
    startNetwork(2, {"--sensor-names", "Piezometro P1,Livello", "--records", "8", "--record-every", "1"});
    QTemporaryDir pc1, pc2, pc3, site, work;
    const QString url = "sqlite:" + work.filePath("rete.sqlite");
    const QString told = work.filePath("told.jsonl");
    const auto collectOn = [&](const QTemporaryDir& pc, const char* stations) {
        stazione::testing::CliStart start;
        start.env = env;
        return stazione::testing::runCli({"collect", "--dir", pc.path(), "--modem-port", "2", "--stations",
                                          stations, "--retry-wait", "0", "--db", url, "--alert-battery", "99",
                                          "--on-alert", "cat >> " + told},
                                         start);
    };
    const Outcome first = collectOn(pc1, "1");
    ASSERT_EQ(first.exitCode, 0) << qPrintable(first.err);
    const Outcome second = collectOn(pc2, "2");
    ASSERT_EQ(second.exitCode, 0) << qPrintable(second.err);
    QThread::sleep(2); // Alfa records more before its next call
    const Outcome third = collectOn(pc3, "1");
    ASSERT_EQ(third.exitCode, 0) << qPrintable(third.err);
    const QList<QByteArray> onPc1 = lines(pc1.filePath("Alfa/Alfa_archivio.txt"));
    const QList<QByteArray> onPc3 = lines(pc3.filePath("Alfa/Alfa_archivio.txt"));
    ASSERT_GT(onPc3.size(), onPc1.size());
    // Below 99 V every battery is low: one alert a station, told once, though Alfa was judged on
    // three PCs.
    const QList<QByteArray> changes = QFile::exists(told) ? lines(told) : QList<QByteArray>();
    EXPECT_EQ(changes.size(), 2) << qPrintable(QString::fromUtf8(changes.join('\n')));

    stazione::testing::CliStart start;
    start.env = env;
    const Outcome report = stazione::testing::runCli(
        {"report", site.path(), "--db", url, "--out", site.filePath("sito")}, start);
    ASSERT_EQ(report.exitCode, 0) << qPrintable(report.err);
    const QStringList pages =
        QDir(site.filePath("sito")).entryList({"stazione-*.html"}, QDir::Files, QDir::Name);
    ASSERT_EQ(pages, (QStringList{"stazione-01.html", "stazione-02.html"}));
    QFile alfa(site.filePath("sito/stazione-01.html"));
    ASSERT_TRUE(alfa.open(QIODevice::ReadOnly));
    const QByteArray page = alfa.readAll();
    EXPECT_TRUE(page.contains("<th scope=\"row\">CH 0 Piezometro P1</th>")) << page.left(3000).constData();
    EXPECT_TRUE(page.contains("<td>Livello</td>"));
    // Every record either PC archived, once, in the database's table of Alfa.
    const Outcome query = stazione::testing::runCli({"db", "query", "--db", url, "--station", "Alfa"}, start);
    ASSERT_EQ(query.exitCode, 0) << qPrintable(query.err);
    QSet<QByteArray> records;
    for (const QList<QByteArray>& archive : {onPc1, onPc3}) {
        for (const QByteArray& l : archive)
            records.insert(l);
    }
    EXPECT_EQ(query.out.trimmed().split('\n').size() - 1, records.size()) << qPrintable(query.out.left(400));
}
