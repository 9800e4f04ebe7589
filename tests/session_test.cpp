#include "link/link.h"
#include "link/models.h"
#include "link/timing.h"
#include "session/port_scan.h"
#include "session/session.h"
#include "session/session_log.h"
#include "support/fake_device.h"
#include "support/files.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace std::chrono_literals;
using namespace stazione;
using stazione::testing::contents;
using stazione::testing::FakePortFixture;
using stazione::testing::write;

namespace {

TEST(ExchangeGuardTest, LevelsAreCountedAndTheEndIsReportedOnce)
{
    bool inWait = false;
    session::ExchangeGuard guard([&] { return inWait; });
    int started = 0;
    int finished = 0;
    QObject::connect(&guard, &session::ExchangeGuard::started, [&] { ++started; });
    QObject::connect(&guard, &session::ExchangeGuard::finished, [&] { ++finished; });
    {
        auto outer = guard.begin();
        ASSERT_TRUE(outer.has_value());
        {
            // A handler run by another one (the reset reads everything again).
            auto inner = guard.hold();
            // The exchange itself asks outside a wait (a read sets a box that writes): it joins.
            auto joined = guard.begin();
            EXPECT_TRUE(joined.has_value());
        }
        EXPECT_TRUE(guard.busy());
        EXPECT_EQ(finished, 0); // the inner levels' end is not the exchange's end
        // Out of a wait (a click, a timer tick), a second exchange is refused.
        inWait = true;
        EXPECT_FALSE(guard.begin().has_value());
        EXPECT_TRUE(guard.busy());
        inWait = false;
        auto moved = std::move(*outer);
        outer.reset();
        EXPECT_TRUE(guard.busy()); // a moved-from level lets nothing go
    }
    EXPECT_FALSE(guard.busy());
    EXPECT_EQ(started, 1);
    EXPECT_EQ(finished, 1);
    // Idle, even a request out of a wait starts an exchange.
    inWait = true;
    EXPECT_TRUE(guard.begin().has_value());
    EXPECT_EQ(started, 2);
    EXPECT_EQ(finished, 2);
}

TEST(ExchangeGuardTest, TheSessionsGuardSeesTheLinksWaitsAndPauses)
{
    link::setTimeScale(0.05);
    FakePortFixture fx;
    auto* device = fx.device;
    session::Session session(std::move(fx.port));
    ASSERT_TRUE(session.port().setCommPort(1).ok());
    ASSERT_TRUE(session.port().setPortOpen(true).ok());
    session.link().Porta_Aperta = true;
    session.link().setReplyTimeout(2000ms);
    auto exchange = session.guard().hold();

    std::optional<bool> refusedInPause;
    std::optional<bool> refusedInWait;
    QTimer::singleShot(5, [&] { refusedInPause = !session.guard().begin().has_value(); });
    session.link().Ritardo(100); // 50 ms at this scale
    QTimer::singleShot(5, [&] {
        refusedInWait = !session.guard().begin().has_value();
        device->deliver("OK,");
    });
    auto field = session.link().Leggi_Risposta();
    ASSERT_TRUE(field.ok());
    EXPECT_EQ(refusedInPause, true);
    EXPECT_EQ(refusedInWait, true);
    // Between the waits the exchange's own code runs: it may go on.
    EXPECT_TRUE(session.guard().begin().has_value());
}

TEST(SavedPortTest, TheFileIsCreatedEmptyAndTheLastValueWins)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("conf/qx255.ini");
    EXPECT_EQ(session::readSavedPort(path), 0);
    EXPECT_TRUE(QFile::exists(path));
    EXPECT_EQ(contents(path), "");

    write(path, " 4 \r\n 7 \r\n");
    EXPECT_EQ(session::readSavedPort(path), 7);
    write(path, "12");
    EXPECT_EQ(session::readSavedPort(path), 12);

    ASSERT_TRUE(session::writeSavedPort(path, 3));
    EXPECT_EQ(contents(path), " 3 \r\n");
    EXPECT_EQ(session::readSavedPort(path), 3);
}

namespace {

mode_t modeOf(const QString& path)
{
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return 0;
    return st.st_mode & 0777U;
}

} // namespace

// Others reading a shared data folder read the session log as they read the data files beside
// it; the program's settings stay its owner's.
TEST(SessionLogTest, TheLogFollowsTheUmaskAndTheSettingsStayPrivate)
{
    QTemporaryDir dir;
    const mode_t before = ::umask(022);
    const QString log = session::sessionLogPath(dir.path(), "STAZ1_05_12_26.txt");
    ASSERT_TRUE(session::writeSessionLog(log, {}).ok());
    EXPECT_EQ(modeOf(log), mode_t{0644});
    ASSERT_TRUE(session::writeSavedPort(dir.filePath("qx255.ini"), 3));
    EXPECT_EQ(modeOf(dir.filePath("qx255.ini")), mode_t{0600});

    ::umask(027);
    ASSERT_TRUE(session::writeSessionLog(log, {}).ok()); // replaced: the new file's mode counts
    EXPECT_EQ(modeOf(log), mode_t{0640});
    ASSERT_TRUE(session::writeSavedPort(dir.filePath("qx255.ini"), 4));
    EXPECT_EQ(modeOf(dir.filePath("qx255.ini")), mode_t{0600});
    ::umask(before);
}

// The log is named after the data file the box shows; a status shown there in the middle of the
// work names nothing.
TEST(SessionLogTest, AStatusInTheFileBoxNeverNamesTheLog)
{
    const QDate day(2026, 12, 5);
    EXPECT_EQ(session::sessionLogDataFileName("Pozzo1_05_12_26.txt", "STAZ1", day), "Pozzo1_05_12_26.txt");
    EXPECT_EQ(session::sessionLogDataFileName("/data/STAZ1_05_12_26_SENS.txt", "STAZ1", day),
              "STAZ1_05_12_26_SENS.txt");
    EXPECT_EQ(session::sessionLogDataFileName("", "STAZ1", day), "");
    EXPECT_EQ(session::sessionLogDataFileName("Attendi..", "STAZ1", day), "STAZ1_05_12_26.txt");
    EXPECT_EQ(session::sessionLogDataFileName("Registrazione eseguita", "STAZ1", day), "STAZ1_05_12_26.txt");
    EXPECT_EQ(session::sessionLogDataFileName("/data/STAZ1_05_12_26_SENS.txt.part", "STAZ1", day),
              "STAZ1_05_12_26.txt");
}

TEST(ModelsTest, IdentificationIsComparedExactly)
{
    EXPECT_TRUE(link::isKnownModel("KVE_M410_M610"));
    EXPECT_TRUE(link::isKnownModel("KVE_M610_M410"));
    EXPECT_TRUE(link::isKnownModel("KVE_M510HX"));
    EXPECT_FALSE(link::isKnownModel("kve_m510hx"));
    EXPECT_FALSE(link::isKnownModel("KVE_M510HX "));
    EXPECT_FALSE(link::isKnownModel(""));
    EXPECT_TRUE(link::isTwoModelFamily("KVE_M410_M610"));
    EXPECT_FALSE(link::isTwoModelFamily("KVE_M510HX"));
    EXPECT_EQ(link::shortModelName("KVE_M610_M410"), "M610_M410");
}

// A fake line with devices on some of its ports: each entry says what the device on COMn does.
struct Bench {
    enum class Kind { Logger, Mute, Stranger };
    FakePortFixture fx;
    link::Link link{*fx.port};
    QMap<QString, Kind> devices;
    QTemporaryDir config;
    QStringList statuses;

    Bench()
    {
        link::setTimeScale(0.05);
        link.setReplyTimeout(300ms);
        fx.device->onOpen = [this](const QString& path) {
            if (devices.contains(path))
                fx.device->deliverLater(int(link::scaled(500ms).count()), "\r\nREADY\r\n");
        };
        fx.device->onWrite = [this](const QString& path, const QByteArray& bytes) {
            if (bytes != "V" || !devices.contains(path))
                return;
            if (devices[path] == Kind::Logger)
                fx.device->deliverLater(5, "KVE_M610_M410,V3.2,");
            else if (devices[path] == Kind::Stranger)
                fx.device->deliverLater(5, "MODEM OK,xx,");
        };
    }
    QString settings() const { return config.filePath("qx255.ini"); }
    auto scan()
    {
        return session::scanPorts(link, settings(), [this](const QString& s) { statuses << s; });
    }
};

TEST(PortScanTest, FirstStartTriesPortZeroThenWalksUpToTheLogger)
{
    Bench b;
    b.devices[b.fx.pathOf(3)] = Bench::Kind::Logger;
    auto found = b.scan();
    ASSERT_TRUE(found.ok());
    ASSERT_TRUE(found->has_value());
    EXPECT_EQ((*found)->Modello, "KVE_M610_M410");
    EXPECT_EQ((*found)->Versione, "V3.2");
    EXPECT_EQ((*found)->Porta, 3);
    EXPECT_EQ(b.link.Porta, 3);
    EXPECT_TRUE(b.fx.port->portOpen());
    EXPECT_TRUE(b.link.Porta_Aperta);

    const QStringList expected{"Scansione in corso sulla porta #0", "Scansione in corso sulla porta #1",
                               "Scansione in corso sulla porta #2", "Scansione in corso sulla porta #3",
                               "Dispositivo  M610_M410 V3.2 rilevato sulla porta #3"};
    EXPECT_EQ(b.statuses, expected);
    EXPECT_EQ(contents(b.settings()), " 3 \r\n");
    // The only command of the scan is the identification.
    EXPECT_EQ(b.fx.device->written(), "V");
}

TEST(PortScanTest, TheSavedPortIsTriedFirstAndEndsTheScanThere)
{
    Bench b;
    b.devices[b.fx.pathOf(4)] = Bench::Kind::Logger;
    write(b.settings(), " 1 \r\n 4 \r\n");
    auto found = b.scan();
    ASSERT_TRUE(found.ok() && found->has_value());
    EXPECT_EQ((*found)->Porta, 4);
    EXPECT_EQ(b.fx.device->openCount, 1);
    EXPECT_EQ(b.statuses.first(), "Scansione in corso sulla porta #4");
    EXPECT_EQ(contents(b.settings()), " 4 \r\n");
}

TEST(PortScanTest, DevicesThatAreNotLoggersAreSkipped)
{
    Bench b;
    b.devices[b.fx.pathOf(1)] = Bench::Kind::Stranger; // answers with an unknown identification
    b.devices[b.fx.pathOf(2)] = Bench::Kind::Mute;     // talks on opening, never answers
    b.devices[b.fx.pathOf(5)] = Bench::Kind::Logger;
    auto found = b.scan();
    ASSERT_TRUE(found.ok() && found->has_value());
    EXPECT_EQ((*found)->Porta, 5);
    EXPECT_EQ(b.fx.device->written(), "VVV");
}

TEST(PortScanTest, NoLoggerAnywhere)
{
    Bench b;
    auto found = b.scan();
    ASSERT_TRUE(found.ok());
    EXPECT_FALSE(found->has_value());
    EXPECT_EQ(b.statuses.size(), 32);
    EXPECT_EQ(b.statuses.last(), "Datalogger non trovato, controllare la connessione");
    EXPECT_FALSE(b.fx.port->portOpen());
    EXPECT_EQ(contents(b.settings()), "");
}

TEST(PortScanTest, ACancelStopsTheScanInsteadOfMovingOn)
{
    Bench b;
    b.devices[b.fx.pathOf(1)] = Bench::Kind::Mute;
    b.devices[b.fx.pathOf(2)] = Bench::Kind::Logger;
    b.link.setReplyTimeout(10s);
    b.fx.device->onWrite = [&b](const QString&, const QByteArray& bytes) {
        if (bytes == "V")
            QTimer::singleShot(20, &b.link, [&b] { b.link.cancel(); });
    };
    auto found = b.scan();
    ASSERT_FALSE(found.ok());
    EXPECT_EQ(found.error().kind, link::ErrorKind::Cancelled);
    EXPECT_FALSE(b.fx.port->portOpen());
}

} // namespace
