// The simulated logger on a real pseudo-terminal, seen from a client that opens the slave with
// plain POSIX calls. The logger's pauses follow STAZIONE_TIME_SCALE of the test environment.

#include "sim/pty_server.h"
#include "support/raw_line_client.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <ctime>
#include <gtest/gtest.h>
#include <memory>
#include <mutex>

using namespace std::chrono_literals;
using stazione::sim::Options;
using stazione::sim::PtyServer;
using stazione::sim::RawLineClient;
using stazione::sim::State;
using stazione::sim::Stream;

namespace {

const QByteArray kGreeting = QByteArrayLiteral("\r\nREADY\r\n");

// Upper bounds for things that happen in milliseconds; only a broken simulator reaches them.
constexpr auto kPatience = 5000ms;

// Quiet long enough for several periods of a stream (50 ms at the test scale) to show up.
constexpr auto kQuietWindow = 400ms;

double cpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

TEST(SimPtyServer, GreetsEveryClientThatOpensTheLine)
{
    PtyServer server;
    ASSERT_TRUE(server.start()) << server.errorString().toStdString();
    ASSERT_TRUE(server.slavePath().startsWith("/dev/pts/"));
    EXPECT_EQ(server.timesOpened(), 0);
    EXPECT_FALSE(server.isLineOpen());

    {
        RawLineClient client(server.slavePath());
        ASSERT_TRUE(client.isOpen());
        EXPECT_EQ(client.read(kGreeting.size(), kPatience), kGreeting);
        EXPECT_TRUE(server.isLineOpen());
        EXPECT_EQ(server.timesOpened(), 1);
    }
    ASSERT_TRUE(server.waitForLineOpen(false, kPatience));

    RawLineClient again(server.slavePath());
    EXPECT_EQ(again.read(kGreeting.size(), kPatience), kGreeting);
    EXPECT_EQ(server.timesOpened(), 2);
}

// A client that closes the line and opens it at once again (a scan right after a reset) begins a
// new session: the logger greets it, though the close was over before the simulator looked.
TEST(SimPtyServer, ALineClosedAndOpenedAgainAtOnceIsANewSession)
{
    PtyServer server;
    ASSERT_TRUE(server.start()) << server.errorString().toStdString();
    auto client = std::make_unique<RawLineClient>(server.slavePath());
    ASSERT_EQ(client->read(kGreeting.size(), kPatience), kGreeting);
    for (int i = 2; i <= 6; ++i) {
        client->close();
        client = std::make_unique<RawLineClient>(server.slavePath());
        ASSERT_TRUE(client->isOpen());
        EXPECT_EQ(client->read(kGreeting.size(), kPatience), kGreeting) << "session " << i;
        EXPECT_EQ(server.timesOpened(), i);
    }
}

TEST(SimPtyServer, AnswersThroughTheComLinkAndRecordsTheTraffic)
{
    QTemporaryDir ports;
    ASSERT_TRUE(ports.isValid());
    PtyServer server;
    std::mutex logMutex;
    QStringList log;
    server.setLogSink([&](const QString& line) {
        std::lock_guard lock(logMutex);
        log << line;
    });
    ASSERT_TRUE(server.start(ports.path(), 5)) << server.errorString().toStdString();
    EXPECT_EQ(server.linkPath(), QDir(ports.path()).filePath("COM5"));
    EXPECT_EQ(QFileInfo(server.linkPath()).symLinkTarget(), server.slavePath());

    RawLineClient client(server.linkPath());
    ASSERT_EQ(client.read(kGreeting.size(), kPatience), kGreeting);

    ASSERT_TRUE(client.command("V"));
    EXPECT_EQ(client.read(19, kPatience), "KVE_M610_M410,V3.2,");
    ASSERT_TRUE(client.command("G", ","));
    const QByteArray clock = client.read(20, kPatience);
    EXPECT_TRUE(QRegularExpression("^\\d\\d,\\d\\d,20\\d\\d,\\d\\d,\\d\\d,\\d\\d,$")
                    .match(QString::fromLatin1(clock))
                    .hasMatch())
        << clock.constData();

    ASSERT_TRUE(server.waitForTransmissions(2, kPatience));
    const QList<stazione::sim::Transmission> transcript = server.transcript();
    ASSERT_EQ(transcript.size(), 2);
    EXPECT_EQ(transcript.at(0).command, "V");
    EXPECT_EQ(transcript.at(0).reply, "KVE_M610_M410,V3.2,");
    EXPECT_EQ(transcript.at(1).command, "G");
    EXPECT_EQ(transcript.at(1).values, QStringList{QString()});
    EXPECT_EQ(transcript.at(1).raw, "G,");
    EXPECT_EQ(server.received(), "VG,");

    server.clearTranscript();
    server.clearReceived();
    EXPECT_TRUE(server.transcript().isEmpty());
    EXPECT_TRUE(server.received().isEmpty());

    server.stop();
    std::lock_guard lock(logMutex);
    const QRegularExpression line("^\\d\\d:\\d\\d:\\d\\d\\.\\d{3} < V \\| > \"KVE_M610_M410,V3\\.2,\"$");
    EXPECT_EQ(log.filter(line).size(), 1) << log.join('\n').toStdString();
    EXPECT_EQ(log.filter("line opened").size(), 1);
}

TEST(SimPtyServer, BytesPassUnchangedBothWays)
{
    PtyServer server;
    ASSERT_TRUE(server.start());
    RawLineClient client(server.slavePath());
    ASSERT_EQ(client.read(kGreeting.size(), kPatience), kGreeting);

    // Carriage returns, line feeds, control and Latin-1 characters in a name: a terminal in
    // cooked mode would translate or swallow some of them on the way.
    const QByteArray name = QByteArrayLiteral("A\rB\nC\x03\x7f\xe8");
    ASSERT_TRUE(client.command("q", name + ','));
    EXPECT_EQ(client.read(3, kPatience), "OK,");
    ASSERT_TRUE(client.command("Q"));
    EXPECT_EQ(client.read(name.size() + 1, kPatience), name + ',');
    EXPECT_EQ(server.state().stationName, QString::fromLatin1(name));
}

TEST(SimPtyServer, StateChangesAreSeenOnBothSides)
{
    PtyServer server;
    ASSERT_TRUE(server.start());
    RawLineClient client(server.slavePath());
    ASSERT_EQ(client.read(kGreeting.size(), kPatience), kGreeting);

    server.withState([](State& state) { state.stationName = "REMOTA"; });
    ASSERT_TRUE(client.command("Q"));
    EXPECT_EQ(client.read(7, kPatience), "REMOTA,");

    ASSERT_TRUE(client.command("h"));
    std::this_thread::sleep_for(20ms);
    ASSERT_TRUE(client.command(" 7", ","));
    EXPECT_EQ(client.read(3, kPatience), "OK,");
    EXPECT_EQ(server.state().channels, 7);
}

TEST(SimPtyServer, ClosingTheLineStopsAStreamAndDropsWhatWasNotRead)
{
    PtyServer server;
    ASSERT_TRUE(server.start());
    {
        RawLineClient client(server.slavePath());
        ASSERT_EQ(client.read(kGreeting.size(), kPatience), kGreeting);
        ASSERT_TRUE(client.command("p"));
        EXPECT_FALSE(client.read(20, kPatience).isEmpty());
        EXPECT_EQ(server.activeStream(), Stream::Reading);
        // A whole download goes unread before the client leaves.
        ASSERT_TRUE(client.command("a"));
        ASSERT_TRUE(server.waitForTransmissions(2, kPatience));
    }
    ASSERT_TRUE(server.waitForLineOpen(false, kPatience));
    EXPECT_EQ(server.activeStream(), Stream::None);

    RawLineClient next(server.slavePath());
    EXPECT_EQ(next.readFor(kQuietWindow), kGreeting) << "the next client got the previous one's bytes";
}

TEST(SimPtyServer, HangUpEndsTheClientsReads)
{
    QTemporaryDir ports;
    PtyServer server;
    ASSERT_TRUE(server.start(ports.path(), 4));
    RawLineClient client(server.linkPath());
    ASSERT_EQ(client.read(kGreeting.size(), kPatience), kGreeting);

    server.hangUp();
    EXPECT_EQ(client.waitForEnd(kPatience), RawLineClient::End::Closed);
    EXPECT_FALSE(server.isRunning());
    EXPECT_FALSE(server.isLineOpen());
    EXPECT_FALSE(QFileInfo::exists(server.linkPath())) << "the link should dangle: its device is gone";
    EXPECT_TRUE(QFileInfo(server.linkPath()).isSymLink());

    const QString link = server.linkPath();
    server.stop();
    EXPECT_FALSE(QFileInfo(link).isSymLink());
}

TEST(SimPtyServer, DropOnCommandLosesTheLine)
{
    Options options = Options::fromEnvironment();
    options.dropOn = 'G';
    PtyServer server(options);
    ASSERT_TRUE(server.start());
    RawLineClient client(server.slavePath());
    ASSERT_EQ(client.read(kGreeting.size(), kPatience), kGreeting);
    ASSERT_TRUE(client.command("V"));
    ASSERT_EQ(client.read(19, kPatience), "KVE_M610_M410,V3.2,");

    ASSERT_TRUE(client.command("G"));
    EXPECT_EQ(client.waitForEnd(kPatience), RawLineClient::End::Closed);
    EXPECT_EQ(server.transcript().constLast().command, "G");
}

TEST(SimPtyServer, LinksAreReplacedAndRemovedByTheirOwner)
{
    QTemporaryDir ports;
    const QString link = QDir(ports.path()).filePath("COM6");
    // A link left behind by a simulator that was killed.
    ASSERT_TRUE(QFile::link("/dev/pts/nonexistent", link));

    PtyServer first;
    ASSERT_TRUE(first.start(ports.path(), 6)) << first.errorString().toStdString();
    EXPECT_EQ(QFileInfo(link).symLinkTarget(), first.slavePath());

    PtyServer second;
    ASSERT_TRUE(second.start(ports.path(), 6));
    EXPECT_EQ(QFileInfo(link).symLinkTarget(), second.slavePath());

    first.stop();
    EXPECT_EQ(QFileInfo(link).symLinkTarget(), second.slavePath()) << "removed another simulator's link";
    second.stop();
    EXPECT_FALSE(QFileInfo(link).isSymLink());

    QFile plain(QDir(ports.path()).filePath("COM8"));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    PtyServer third;
    EXPECT_FALSE(third.start(ports.path(), 8)) << "replaced a file that is not a link";
    EXPECT_FALSE(third.errorString().isEmpty());
}

TEST(SimPtyServer, WaitsWithoutSpinningWhetherTheLineIsOpenOrNot)
{
    PtyServer server;
    ASSERT_TRUE(server.start());
    // A thread that polled a hung-up master in a loop would burn the whole window.
    double before = cpuSeconds();
    std::this_thread::sleep_for(500ms);
    EXPECT_LT(cpuSeconds() - before, 0.25);

    RawLineClient client(server.slavePath());
    ASSERT_EQ(client.read(kGreeting.size(), kPatience), kGreeting);
    before = cpuSeconds();
    std::this_thread::sleep_for(500ms);
    EXPECT_LT(cpuSeconds() - before, 0.25);
}

} // namespace
