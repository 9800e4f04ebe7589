// stazione-cli when things go wrong: values out of range, a logger that sends what it should not,
// a full disk, files that are links, Ctrl-C. The simulated loggers run in this process, so that a
// test can change what they hold behind the program's back.

#include "support/cli_run.h"
#include "support/files.h"
#include "support/program_env.h"
#include "support/sim_fixture.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <mutex>
#include <sys/resource.h>
#include <unistd.h>

using namespace stazione;

namespace {

using stazione::testing::CliRun;

class CliFailures : public ::testing::Test {
protected:
    CliRun cli(const QStringList& arguments, const QProcessEnvironment& extra = {},
               const std::function<void()>& inChild = {})
    {
        stazione::testing::CliStart start;
        start.env.insert(extra);
        start.inChild = inChild;
        return stazione::testing::runCli(arguments, start);
    }

    stazione::testing::SimBench bench;
};

// A time-out the timers cannot hold (or nan, inf) would make a wait unbounded: 0.1-3600 s only.
TEST_F(CliFailures, TimeOutsOutOfRangeAreUsageErrors)
{
    for (const char* bad : {"1e9", "3000000", "nan", "inf", "-1", "0", "0.05", "3600.5"}) {
        const CliRun reply = cli({"--timeout", bad, "ports"});
        EXPECT_EQ(reply.exitCode, 2) << bad;
        EXPECT_TRUE(reply.err.contains("0.1 to 3600")) << reply.err.toStdString();
        EXPECT_EQ(cli({"--call-timeout", bad, "ports"}).exitCode, 2) << bad;
        QProcessEnvironment env;
        env.insert("STAZIONE_REPLY_TIMEOUT", bad);
        EXPECT_EQ(cli({"ports"}, env).exitCode, 2) << bad;
    }
    for (const char* good : {"0.1", "3600", "2.5"}) {
        EXPECT_EQ(cli({"--timeout", good, "--call-timeout", good, "ports"}).exitCode, 0) << good;
        QProcessEnvironment env;
        env.insert("STAZIONE_REPLY_TIMEOUT", good);
        EXPECT_EQ(cli({"ports"}, env).exitCode, 0) << good;
    }
}

// What the logger sends is shown, never obeyed: a station name with escape sequences must not
// retitle or clear the terminal, a NUL must not cut the line.
TEST_F(CliFailures, ControlCharactersFromTheLoggerAreShownEscaped)
{
    sim::PtyServer& logger = bench.add(3);
    logger.withState([](sim::State& s) {
        s.stationName = QStringLiteral("\x1b]0;pwned\x07\x1b[2JA") + QChar(0) + QStringLiteral("B");
    });
    const CliRun r = cli({"params", "--port", "3"});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("Nome_Centralina: \\x1b]0;pwned\\x07\\x1b[2JA\\x00B\n"))
        << r.out.toStdString();
    for (QChar c : r.out + r.err)
        EXPECT_TRUE(c == '\n' || c == '\t' || c.unicode() >= 0x20) << int(c.unicode());
}

// A full disk takes part of a write; the download says so and fails, and the earlier file of the
// day is not replaced by a part of one.
TEST_F(CliFailures, ATemperatureDownloadOnAFullDiskFails)
{
    bench.add(3, [](sim::Options& o) { o.records = 3000; });
    QTemporaryDir folder;
    const CliRun r = cli({"download", "--temp", "--port", "3", "--dir", folder.path()}, {}, [] {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{};
        getrlimit(RLIMIT_FSIZE, &limit);
        limit.rlim_cur = 64 * 1024;
        setrlimit(RLIMIT_FSIZE, &limit);
    });
    EXPECT_EQ(r.exitCode, 1) << r.out.toStdString();
    EXPECT_FALSE(r.out.contains("records: 3000")) << r.out.toStdString();
    EXPECT_TRUE(r.err.contains("_TEMP.txt.part")) << r.err.toStdString();
    const QStringList files = QDir(folder.path()).entryList(QDir::Files);
    ASSERT_EQ(files.size(), 1) << files.join(' ').toStdString();
    EXPECT_TRUE(files[0].endsWith("_TEMP.txt.part"));
}

// What a command prints is its result: written to a full disk or to a reader that went away
// (SIGPIPE ignored, as under many supervisors), it is a failure with its reason, never exit 0
// with the result lost.
TEST_F(CliFailures, AResultThatCannotBeWrittenOutIsAFailure)
{
    bench.add(3);
    QTemporaryDir root;
    ASSERT_EQ(cli({"stations", "add", "Alfa", "0471123456"}).exitCode, 0);
    const QList<QStringList> verbs{
        {"--help"},
        {"ports", "--json"},
        {"stations"},
        {"identify", "--port", "3"},
        {"collect", "--port", "3", "--dir", root.path(), "--json"},
    };
    const auto fullDisk = [] {
        const int full = ::open("/dev/full", O_WRONLY);
        if (full >= 0) {
            ::dup2(full, STDOUT_FILENO);
            ::close(full);
        }
    };
    const auto closedPipe = stazione::testing::stdoutToAClosedPipe;
    for (const QStringList& verb : verbs) {
        const QString shown = verb.join(' ');
        ASSERT_EQ(cli(verb).exitCode, 0) << shown.toStdString(); // each of them works on a terminal
        for (const auto& [output, reason] : {std::pair{std::function<void()>(fullDisk), ENOSPC},
                                             std::pair{std::function<void()>(closedPipe), EPIPE}}) {
            const CliRun r = cli(verb, {}, output);
            EXPECT_EQ(r.exitCode, 1) << shown.toStdString();
            EXPECT_TRUE(r.err.contains("the standard output could not be written: " +
                                       QString::fromLocal8Bit(std::strerror(reason))))
                << shown.toStdString() << ": " << r.err.toStdString();
        }
    }
}

// A download that fails leaves the file of the day as it was and keeps what it received in the
// .part; a link standing where the file goes is replaced, not written through.
TEST_F(CliFailures, AFailedDownloadKeepsTheEarlierFile)
{
    bench.add(3, [](sim::Options& o) { o.records = 30; });
    bench.add(4, [](sim::Options& o) {
        o.records = 30;
        o.stopAfter = 700;
    });
    QTemporaryDir folder;
    for (const QStringList& kind : {QStringList{}, QStringList{"--temp"}}) {
        const CliRun good = cli(QStringList{"download", "--port", "3", "--dir", folder.path()} + kind);
        ASSERT_EQ(good.exitCode, 0) << good.err.toStdString();
        const QStringList written =
            QDir(folder.path()).entryList({kind.isEmpty() ? "*_SENS.txt" : "*_TEMP.txt"});
        ASSERT_EQ(written.size(), 1);
        const QString file = folder.filePath(written[0]);
        const QByteArray before = stazione::testing::contents(file);

        const CliRun cut =
            cli(QStringList{"download", "--port", "4", "--dir", folder.path(), "--timeout", "0.5"} + kind);
        EXPECT_EQ(cut.exitCode, 1);
        EXPECT_EQ(stazione::testing::contents(file), before);
        EXPECT_TRUE(cut.err.contains(file + ".part")) << cut.err.toStdString();
        const QByteArray part = stazione::testing::contents(file + ".part");
        EXPECT_FALSE(part.isEmpty());
        EXPECT_LT(part.size(), before.size());

        // A link in the file's place: the download replaces the link, the target stays.
        const QString other = folder.filePath("someone_else.txt");
        stazione::testing::write(other, "not ours\n");
        QFile::remove(file);
        ASSERT_TRUE(QFile::link(other, file));
        ASSERT_EQ(cli(QStringList{"download", "--port", "3", "--dir", folder.path()} + kind).exitCode, 0);
        EXPECT_EQ(stazione::testing::contents(other), "not ours\n");
        EXPECT_FALSE(QFileInfo(file).isSymLink());
        EXPECT_EQ(stazione::testing::contents(file).size(), before.size());
        QFile::remove(other);
        QFile::remove(file + ".part");
    }
}

// Commands the logger ignored are not reported as done.
TEST_F(CliFailures, IgnoredCommandsAreFailuresWithAMessage)
{
    bench.add(3, [](sim::Options& o) { o.refuseWrites = true; });
    const CliRun erase = cli({"erase", "--yes", "--port", "3"});
    EXPECT_EQ(erase.exitCode, 1) << erase.out.toStdString();
    EXPECT_TRUE(erase.out.contains("erased: no")) << erase.out.toStdString();
    EXPECT_TRUE(erase.err.contains("did not erase its memory")) << erase.err.toStdString();

    const CliRun disable = cli({"disable", "--port", "3"});
    EXPECT_EQ(disable.exitCode, 1);
    EXPECT_TRUE(disable.err.contains("did not change its acquisition state")) << disable.err.toStdString();

    // A logger that does not come back after the reset: its line goes dead once it has the command.
    sim::PtyServer& gone = bench.add(4);
    QProcess p;
    p.start(STAZIONE_CLI_PROGRAM, {"reset", "--yes", "--port", "4", "--timeout", "0.5"});
    QElapsedTimer waited;
    waited.start();
    while (!gone.received().contains("z839,") && waited.elapsed() < 20000)
        QThread::usleep(200);
    gone.hangUp();
    ASSERT_TRUE(p.waitForFinished(30000));
    CliRun reset;
    reset.exitCode = p.exitCode();
    reset.outBytes = p.readAllStandardOutput();
    reset.out = QString::fromUtf8(reset.outBytes);
    reset.err = QString::fromUtf8(p.readAllStandardError());
    EXPECT_EQ(reset.exitCode, 1) << reset.out.toStdString();
    EXPECT_TRUE(reset.err.contains("Reset sent")) << reset.err.toStdString();
    EXPECT_TRUE(reset.err.contains("does not answer after the reset")) << reset.err.toStdString();
    EXPECT_FALSE(reset.out.contains("reset: yes"));

    // And a logger that does what it is told.
    bench.add(5);
    const CliRun done = cli({"reset", "--yes", "--port", "5"});
    EXPECT_EQ(done.exitCode, 0) << done.err.toStdString();
    EXPECT_TRUE(done.out.contains("reset: yes"));
    const CliRun erased = cli({"erase", "--yes", "--port", "5"});
    EXPECT_EQ(erased.exitCode, 0) << erased.err.toStdString();
    EXPECT_TRUE(erased.out.contains("erased: yes"));
}

// Ctrl-C while the logger is silent in the middle of a set ends the session at once, not after
// the reply time-out.
TEST_F(CliFailures, CtrlCInAMonitorEndsItAtOnce)
{
    bench.add(3, [](sim::Options& o) { o.stopAfter = 150; }); // falls silent in the second set
    QTemporaryDir folder;
    QProcess p;
    p.start(STAZIONE_CLI_PROGRAM,
            {"monitor", "--port", "3", "--timeout", "30", "--file", folder.filePath("mc.txt")});
    ASSERT_TRUE(p.waitForStarted());
    QByteArray out;
    while (out.count('\n') < 3 && p.waitForReadyRead(20000))
        out += p.readAllStandardOutput();
    ASSERT_GE(out.count('\n'), 3) << out.toStdString(); // the marks and the first set
    QThread::msleep(300);
    ::kill(pid_t(p.processId()), SIGINT);
    QElapsedTimer t;
    t.start();
    ASSERT_TRUE(p.waitForFinished(40000));
    EXPECT_LT(t.elapsed(), 3000);
    const QByteArray file = stazione::testing::contents(folder.filePath("mc.txt"));
    EXPECT_TRUE(file.startsWith("[INIZIO DATI]\r\n")) << file.toStdString();
    EXPECT_TRUE(file.endsWith("[FINE DATI]\r\n[FILE TERMINATO INASPETTATAMENTE]\r\n")) << file.toStdString();
}

// Ctrl-C during a download: the logger's stream runs out before the program lets the line go,
// and what was received is kept and named.
TEST_F(CliFailures, CtrlCInADownloadDrainsTheLine)
{
    QStringList log;
    std::mutex logMutex;
    sim::Options options;
    options.timeScale = 0.05;
    options.records = 60;
    options.pace = true; // about two seconds of stream
    sim::PtyServer logger(options);
    logger.setLogSink([&](const QString& line) {
        std::lock_guard lock(logMutex);
        log << line;
    });
    ASSERT_TRUE(logger.start(bench.portsFolder(), 3));
    QTemporaryDir folder;
    QProcess p;
    p.start(STAZIONE_CLI_PROGRAM, {"download", "--port", "3", "--dir", folder.path()});
    ASSERT_TRUE(p.waitForStarted());
    QElapsedTimer waited;
    waited.start();
    while (!logger.received().contains("A0,") && waited.elapsed() < 20000)
        QThread::msleep(20);
    QThread::msleep(400);
    ::kill(pid_t(p.processId()), SIGINT);
    ASSERT_TRUE(p.waitForFinished(30000));
    const QString err = QString::fromLocal8Bit(p.readAllStandardError());
    EXPECT_EQ(p.exitCode(), 1);
    EXPECT_TRUE(err.contains("Waiting for the end of the data from the logger")) << err.toStdString();
    // The way to stop at once is the command line's, not the window's button.
    EXPECT_TRUE(err.contains("Press Ctrl-C again to stop at once")) << err.toStdString();
    EXPECT_FALSE(err.contains("Cancel")) << err.toStdString();
    EXPECT_TRUE(err.contains("_SENS.txt.part")) << err.toStdString();
    ASSERT_TRUE(logger.waitForLineOpen(false, std::chrono::seconds(5)));
    std::lock_guard lock(logMutex);
    const QStringList closed = log.filter("line closed");
    ASSERT_FALSE(closed.isEmpty());
    EXPECT_FALSE(closed.last().contains("not sent")) << closed.last().toStdString();
}

} // namespace
