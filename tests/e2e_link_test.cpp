// The link over a real pseudo-terminal against the simulated logger: what the logger receives,
// what the program makes of its replies, and how each fault of the line ends.

#include "link/comm_port.h"
#include "link/exchange.h"
#include "link/link.h"
#include "link/qt_serial_device.h"
#include "link/timing.h"
#include "session/port_scan.h"
#include "sim/pty_server.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

using namespace std::chrono_literals;
using namespace stazione;

namespace {

class EndToEnd : public ::testing::Test {
protected:
    void SetUp() override { link::setTimeScale(0.05); }

    sim::PtyServer& startLogger(int port, const std::function<void(sim::Options&)>& adjust = {},
                                double timeScale = 0.05)
    {
        sim::Options options;
        options.timeScale = timeScale;
        if (adjust)
            adjust(options);
        servers.push_back(std::make_unique<sim::PtyServer>(options));
        if (!servers.back()->start(ports.path(), port))
            ADD_FAILURE() << servers.back()->errorString().toStdString();
        return *servers.back();
    }

    // The program's side: the real serial component on the ports folder.
    link::CommPort& port()
    {
        if (!m_port)
            m_port = std::make_unique<link::CommPort>(std::make_unique<link::QtSerialDevice>(),
                                                      link::PortResolver(ports.path(), false));
        return *m_port;
    }
    link::Link& connection()
    {
        if (!m_link) {
            m_link = std::make_unique<link::Link>(port());
            m_link->setReplyTimeout(2s);
        }
        return *m_link;
    }

    // Identifies the logger on COMn and leaves the connection open.
    session::Identification connectTo(int n)
    {
        QString why;
        auto found = session::tryPort(connection(), static_cast<qint16>(n), &why);
        EXPECT_TRUE(found.ok());
        EXPECT_TRUE(found.ok() && found->has_value()) << why.toStdString();
        return found.ok() && found->has_value() ? **found : session::Identification{};
    }

    QTemporaryDir ports;
    std::vector<std::unique_ptr<sim::PtyServer>> servers;
    std::unique_ptr<link::CommPort> m_port;
    std::unique_ptr<link::Link> m_link;
};

TEST_F(EndToEnd, EachModelIdentifiesItself)
{
    const std::pair<const char*, const char*> models[] = {
        {"410", "KVE_M410_M610"}, {"610", "KVE_M610_M410"}, {"510", "KVE_M510HX"}};
    int n = 1;
    for (const auto& [shorthand, identification] : models) {
        // A structured binding cannot be captured by clang 14.
        sim::PtyServer& logger = startLogger(n, [&, model = shorthand](sim::Options& o) {
            o.model = model;
            o.version = QStringLiteral("R%1").arg(n);
        });
        const auto id = connectTo(n);
        EXPECT_EQ(id.Modello, identification);
        EXPECT_EQ(id.Versione, QStringLiteral("R%1").arg(n));
        EXPECT_EQ(id.Porta, n);
        EXPECT_EQ(logger.received(), "V");
        connection().Porta_Off();
        ++n;
    }
}

TEST_F(EndToEnd, TheLoggerReceivesExactlyWhatTheCommandSays)
{
    sim::PtyServer& logger = startLogger(3);
    connectTo(3);
    logger.clearReceived();
    logger.clearTranscript();

    ASSERT_TRUE(link::write(connection(), link::cmd::writeMiniPanel(1)).ok());
    auto accepted = link::write(connection(), link::cmd::writeIntervalPart(0, "001"));
    ASSERT_TRUE(accepted.ok());
    EXPECT_TRUE(*accepted);
    auto name = link::write(connection(), link::cmd::writeStationName(QString::fromLatin1("Pozzo\xB0"
                                                                                          "1")));
    ASSERT_TRUE(name.ok());

    EXPECT_EQ(logger.received(), QByteArray("u 1,c 0,001,qPozzo\xB0"
                                            "1,"));
    const auto t = logger.transcript();
    ASSERT_EQ(t.size(), 3);
    EXPECT_EQ(t[0].command, "u");
    EXPECT_EQ(t[0].values, QStringList{" 1"});
    EXPECT_EQ(t[1].values, (QStringList{" 0", "001"}));
    EXPECT_EQ(logger.state().interval[0], 1);
    EXPECT_EQ(logger.state().stationName, QString::fromLatin1("Pozzo\xB0"
                                                              "1"));

    // Read back through the same link.
    auto read = link::requestField(connection(), link::cmd::readStationName());
    ASSERT_TRUE(read.ok());
    EXPECT_EQ(*read, QString::fromLatin1("Pozzo\xB0"
                                         "1"));
}

TEST_F(EndToEnd, ACommandSentJustBeforeThePortClosesStillGoesOut)
{
    sim::PtyServer& logger = startLogger(3);
    connectTo(3);
    logger.clearReceived();
    ASSERT_TRUE(link::send(connection(), link::cmd::stopAcquisition()).ok());
    connection().Porta_Off();
    EXPECT_TRUE(logger.waitForTransmissions(2, std::chrono::milliseconds(2000)));
    EXPECT_EQ(logger.received(), "B");
}

TEST_F(EndToEnd, RepliesOfKnownLengthAndSeveralFields)
{
    startLogger(3);
    connectTo(3);
    auto next = connection().Invia_Attendi("D", link::cmd::kNextAcquisitionLength);
    ASSERT_TRUE(next.ok());
    ASSERT_GE(next->size(), 20);
    const auto fields = link::cmd::nextAcquisitionFields(*next);
    for (const QString& f : fields) {
        bool ok = false;
        f.toInt(&ok);
        EXPECT_TRUE(ok) << next->toStdString();
    }

    auto clock = link::request(connection(), link::cmd::readClock(), 6);
    ASSERT_TRUE(clock.ok());
    EXPECT_EQ(clock->size(), 6);
    EXPECT_EQ(clock->at(2).size(), 4); // the year
}

TEST_F(EndToEnd, ASilentPortIsNoLogger)
{
    sim::PtyServer& logger = startLogger(3, [](sim::Options& o) { o.silent = true; });
    QString why;
    QElapsedTimer t;
    t.start();
    auto found = session::tryPort(connection(), 3, &why);
    ASSERT_TRUE(found.ok());
    EXPECT_FALSE(found->has_value());
    EXPECT_TRUE(why.contains("Nothing was received")) << why.toStdString();
    EXPECT_GE(t.elapsed(), link::scaled(5000ms).count() - 5);
    EXPECT_FALSE(port().portOpen());
    EXPECT_EQ(logger.timesOpened(), 1);
}

TEST_F(EndToEnd, ALoggerThatGreetsButNeverAnswersTimesOut)
{
    startLogger(3, [](sim::Options& o) { o.greetOnly = true; });
    connection().setReplyTimeout(300ms);
    QString why;
    auto found = session::tryPort(connection(), 3, &why);
    ASSERT_TRUE(found.ok());
    EXPECT_FALSE(found->has_value());
    EXPECT_TRUE(why.contains("did not answer within 0.3 s")) << why.toStdString();
}

TEST_F(EndToEnd, GarbageIsNotALogger)
{
    startLogger(3, [](sim::Options& o) { o.garbage = true; });
    QString why;
    auto found = session::tryPort(connection(), 3, &why);
    ASSERT_TRUE(found.ok());
    EXPECT_FALSE(found->has_value());
    EXPECT_TRUE(why.contains("not a known logger")) << why.toStdString();
}

TEST_F(EndToEnd, ADroppedLineIsReportedAsLostAndThePortClosed)
{
    sim::PtyServer& logger = startLogger(3, [](sim::Options& o) { o.dropOn = 'Q'; });
    connectTo(3);
    QElapsedTimer t;
    t.start();
    auto name = link::requestField(connection(), link::cmd::readStationName());
    ASSERT_FALSE(name.ok());
    EXPECT_EQ(name.error().kind, link::ErrorKind::LineLost) << name.error().message.toStdString();
    EXPECT_LT(t.elapsed(), 1500); // well before the reply time-out
    EXPECT_FALSE(port().portOpen());
    EXPECT_FALSE(logger.isRunning() && logger.isLineOpen());

    auto again = link::send(connection(), link::cmd::identify());
    ASSERT_FALSE(again.ok());
    EXPECT_EQ(again.error().kind, link::ErrorKind::LineLost);
}

TEST_F(EndToEnd, RefusedWritesAreNotAccepted)
{
    sim::PtyServer& logger = startLogger(3, [](sim::Options& o) { o.refuseWrites = true; });
    connectTo(3);
    auto accepted = link::write(connection(), link::cmd::writeStationName("NEW"));
    ASSERT_TRUE(accepted.ok());
    EXPECT_FALSE(*accepted);
    EXPECT_EQ(logger.state().stationName, "STAZ1");
}

TEST_F(EndToEnd, AtRealTimingTheLoggerIsFoundAndAnswers)
{
    // The logger's own pauses, unscaled: the 3 s wake-up, the listening, the 7 s before "V".
    link::setTimeScale(1.0);
    sim::PtyServer& logger = startLogger(3, {}, 1.0);
    QElapsedTimer t;
    t.start();
    const auto id = connectTo(3);
    EXPECT_EQ(id.Modello, "KVE_M610_M410");
    EXPECT_GE(t.elapsed(), 4000 + 7000 - 20);
    auto channels = link::requestField(connection(), link::cmd::readChannelCount());
    ASSERT_TRUE(channels.ok());
    EXPECT_EQ(*channels, QString::number(logger.state().channels));
    link::setTimeScale(0.05);
}

// The real port's gathering of a slow stream: what arrives during a hold is told of once, when
// the hold ends, and taken in one read; a release ends the hold at once.
TEST(QtSerialDeviceHold, ArrivalsDuringAHoldAreToldOfOnceWhenItEnds)
{
    int master = -1, slave = -1;
    char name[256] = {};
    ASSERT_EQ(openpty(&master, &slave, name, nullptr, nullptr), 0);
    termios raw{};
    tcgetattr(slave, &raw);
    cfmakeraw(&raw);
    tcsetattr(slave, TCSANOW, &raw);
    {
        link::QtSerialDevice device;
        ASSERT_EQ(device.open(QString::fromLocal8Bit(name), link::LineSettings{}), link::OpenFailure::None);
        int told = 0;
        QObject::connect(&device, &link::Device::readyRead, [&] { ++told; });
        auto runFor = [](int ms, const std::function<bool()>& done) {
            QElapsedTimer t;
            t.start();
            while (t.elapsed() < ms && !done())
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
        };

        device.holdInput(400ms);
        QElapsedTimer held;
        held.start();
        for (char c : QByteArray("12.5,")) {
            ASSERT_EQ(::write(master, &c, 1), 1);
            runFor(20, [] { return false; });
        }
        runFor(400 - 150, [&] { return told > 0; });
        if (held.elapsed() < 350) {
            EXPECT_EQ(told, 0);
            EXPECT_EQ(device.bytesAvailable(), 0);
        }
        runFor(3000, [&] { return told > 0; });
        EXPECT_EQ(told, 1);
        EXPECT_EQ(device.read(0), "12.5,");

        device.holdInput(10s);
        ASSERT_EQ(::write(master, "7,", 2), 2);
        runFor(50, [] { return false; });
        device.releaseInput();
        QElapsedTimer released;
        released.start();
        runFor(3000, [&] { return told > 1; });
        EXPECT_EQ(told, 2);
        EXPECT_LT(released.elapsed(), 3000);
        EXPECT_EQ(device.read(0), "7,");
        device.close();
    }
    ::close(master);
    ::close(slave);
}

} // namespace
