// What the exchanges and the files do when things go wrong: a logger that answers what it should
// not (played from a script), files that cannot be made, time-outs out of range.

#include "data/downloads.h"
#include "link/exchange.h"
#include "link/link.h"
#include "link/settings_file.h"
#include "link/timing.h"
#include "live/measurement.h"
#include "live/session_table.h"
#include "modem/stations.h"
#include "session/port_scan.h"
#include "support/files.h"
#include "support/scripted_logger.h"

#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace std::chrono_literals;
using namespace stazione;
using stazione::testing::contents;

namespace {

using HostileLogger = stazione::testing::ScriptedConnection;

// A session whose file cannot be made sends nothing after "H": "a" would start the counted
// download on an idle logger.
TEST_F(HostileLogger, ASessionWithoutAFileSendsNothing)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("no/such/folder/mc.txt");
    live::SessionTable table;
    const live::SessionEnd end = live::runSession(link, table, 2, path, {[] { return false; }, {}, {}});
    ASSERT_TRUE(end.error.has_value());
    EXPECT_EQ(end.error->kind, link::ErrorKind::File);
    EXPECT_TRUE(end.error->message.contains(path)) << end.error->message.toStdString();
    EXPECT_EQ(fx.device->written(), QByteArray());
    EXPECT_FALSE(QFile::exists(path));
}

// The first line of the session creates the file: what an older session left is gone.
TEST_F(HostileLogger, TheFirstLineOfASessionCreatesTheFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("mc.txt");
    stazione::testing::write(path, "an older session\r\n");
    live::SessionTable table;
    logger.expect("P", "t1,CHA%,mV,1.0,");
    int sets = 0;
    const live::SessionEnd end =
        live::runSession(link, table, 1, path, {[&] { return sets > 0; }, [&] { ++sets; }, {}});
    EXPECT_FALSE(end.error.has_value());
    EXPECT_EQ(contents(path), QByteArray("[INIZIO DATI]\r\nDate,CH 0\r\nt1,1.0\r\n[FINE DATI]\r\n"));
}

// A reply time-out out of 0.1-3600 s from the environment would overflow the timers into a wait
// without end: the default stands instead.
TEST(ReplyTimeout, AnEnvironmentValueOutOfRangeGivesTheDefault)
{
    stazione::testing::FakePortFixture fx;
    for (const char* bad : {"1e9", "3000000", "nan", "inf", "-5", "0", "0.01", "3600.5"}) {
        qputenv("STAZIONE_REPLY_TIMEOUT", bad);
        link::Link link(*fx.port);
        EXPECT_EQ(link.replyTimeout(), link::Link::kDefaultReplyTimeout) << bad;
    }
    qputenv("STAZIONE_REPLY_TIMEOUT", "3600");
    EXPECT_EQ(link::Link(*fx.port).replyTimeout(), 3600s);
    qputenv("STAZIONE_REPLY_TIMEOUT", "0.1");
    EXPECT_EQ(link::Link(*fx.port).replyTimeout(), 100ms);
    qunsetenv("STAZIONE_REPLY_TIMEOUT");

    // Set from the program, an hour is the most a wait takes.
    link::Link link(*fx.port);
    link.setReplyTimeout(std::chrono::hours(24 * 365));
    EXPECT_EQ(link.replyTimeout(), 3600s);
}

// The continuous session's channel count lays out its table: a count outside the multiplexer's
// 0-16 ends the session before it starts.
TEST_F(HostileLogger, SessionChannelCountsOutsideTheMultiplexerAreRefused)
{
    for (const char* reply : {"2000000000,", "100000000,", "17,", "-1,", "99999999999999999999999,"}) {
        logger.expect("H0,", reply);
        auto channels = live::requestSessionChannels(link);
        ASSERT_FALSE(channels.ok()) << reply;
        EXPECT_EQ(channels.error().kind, link::ErrorKind::Data);
        EXPECT_TRUE(channels.error().message.contains(QString::fromLatin1(reply).chopped(1).left(24)))
            << channels.error().message.toStdString();
    }
    logger.expect("H0,", "16,");
    auto sixteen = live::requestSessionChannels(link);
    ASSERT_TRUE(sixteen.ok());
    EXPECT_EQ(*sixteen, 16);
    EXPECT_EQ(fx.device->written(), QByteArray("H0,").repeated(6));
}

// Counts of the counted download are taken whole and checked before a table is reserved or a
// line written; the earlier file of that name stays as it was.
TEST_F(HostileLogger, CountedDownloadCountsThatDoNotFitAreRefused)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("t.txt");
    stazione::testing::write(path, "yesterday's good download\r\n");
    for (const char* reply : {"2147483648,4,", "1,4294967297,", "-1,4,", "3,-2147483648,", "5001,1,",
                              "1,129,", "99999999999999999999999,1,"}) {
        logger.expect("a", reply);
        auto download = data::downloadTemperatures(link, path, QDateTime::currentDateTime());
        ASSERT_FALSE(download.ok()) << reply;
        EXPECT_EQ(download.error().kind, link::ErrorKind::Data) << reply;
        EXPECT_EQ(contents(path), "yesterday's good download\r\n");
        EXPECT_FALSE(QFile::exists(path + ".part"));
    }
    // At the limits the download goes through.
    logger.expect("a", "1,128,1,2,26,3,4,5," + QByteArray("20,").repeated(128));
    auto widest = data::downloadTemperatures(link, path, QDateTime::currentDateTime());
    ASSERT_TRUE(widest.ok()) << widest.error().message.toStdString();
    EXPECT_EQ(widest->channels, 128);
    EXPECT_TRUE(contents(path).contains("Numero Canali Attivi: 128 ,"));
}

// A full disk takes part of a write and reports nothing: the file size limit of the process makes
// the kernel do just that.
class FullDisk : public stazione::testing::ScriptedConnection {
protected:
    void SetUp() override
    {
        ScriptedConnection::SetUp();
        std::signal(SIGXFSZ, SIG_IGN);
        ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &m_saved), 0);
    }
    void TearDown() override { setrlimit(RLIMIT_FSIZE, &m_saved); }
    void limitFilesTo(rlim_t bytes)
    {
        rlimit limit = m_saved;
        limit.rlim_cur = bytes;
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    }

    rlimit m_saved{};
};

TEST_F(FullDisk, AShortWriteIsAnErrorAndTheEarlierFileStays)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("t.txt");
    stazione::testing::write(path, "the good one\r\n");
    QByteArray records = "300,4,";
    for (int r = 0; r < 300; ++r)
        records += "1,2,2026,3,4,5,20.5,21.5,22.5,23.5,";
    logger.expect("a", records);
    limitFilesTo(4096);
    auto counted = data::downloadTemperatures(link, path, QDateTime::currentDateTime());
    ASSERT_FALSE(counted.ok());
    EXPECT_EQ(counted.error().kind, link::ErrorKind::File);
    EXPECT_TRUE(counted.error().message.contains(path + ".part")) << counted.error().message.toStdString();
    EXPECT_EQ(contents(path), "the good one\r\n");
    EXPECT_LE(QFileInfo(path + ".part").size(), 4096);

    QByteArray lines;
    for (int r = 0; r < 300; ++r)
        lines += "05/12/2026 14:00:00, 20.5, 21.5, 22.5, 23.5\r\n";
    logger.expect("A", "");
    logger.expect("0,", lines + "\x03");
    const QString sensors = dir.filePath("s.txt");
    auto recorded = data::downloadRecords(link, sensors, false);
    ASSERT_TRUE(recorded.ok());
    ASSERT_TRUE(recorded->stopped.has_value());
    EXPECT_EQ(recorded->stopped->kind, link::ErrorKind::File);
    EXPECT_FALSE(QFile::exists(sensors));
    EXPECT_EQ(recorded->path, sensors + ".part");
    const QByteArray kept = contents(sensors + ".part");
    EXPECT_TRUE(lines.startsWith(kept));

    // The settings files are written whole or not at all.
    const QString settings = dir.filePath("qx255.ini");
    stazione::testing::write(settings, " 3 \r\n");
    limitFilesTo(0);
    EXPECT_FALSE(session::writeSavedPort(settings, 4));
    EXPECT_EQ(contents(settings), " 3 \r\n");
}

// Settings are replaced in one step: a link in their place is replaced, never followed.
TEST(SettingsFiles, ALinkIsReplacedAndItsTargetLeftAlone)
{
    QTemporaryDir dir;
    const QString precious = dir.filePath("precious.txt");
    stazione::testing::write(precious, "someone else's file\n");
    for (const char* name : {"qx255.ini", "modem.ini", "last.ini"})
        ASSERT_TRUE(QFile::link(precious, dir.filePath(name)));
    ASSERT_TRUE(session::writeSavedPort(dir.filePath("qx255.ini"), 3));
    modem::StationDirectory directory;
    directory[0] = {"Pozzo", "0471", "", "05/12/2026"};
    ASSERT_TRUE(modem::saveStations(directory, dir.filePath("modem.ini"), dir.filePath("last.ini")));

    EXPECT_EQ(contents(precious), "someone else's file\n");
    for (const char* name : {"qx255.ini", "modem.ini", "last.ini"})
        EXPECT_FALSE(QFileInfo(dir.filePath(name)).isSymLink()) << name;
    EXPECT_EQ(contents(dir.filePath("qx255.ini")), " 3 \r\n");
    EXPECT_EQ(modem::loadStations(dir.filePath("modem.ini"), dir.filePath("last.ini"))[0].Nome, "Pozzo");
}

// A settings file holds a few lines: a huge one is not read (it took 45 s and 3 GB).
TEST(SettingsFiles, AHugeFileIsNotRead)
{
    QTemporaryDir dir;
    auto huge = [](const QString& path, const QByteArray& first, const QByteArray& last) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(first);
        ASSERT_TRUE(f.resize(20 * 1024 * 1024)); // a hole: no disk is used
        ASSERT_TRUE(f.seek(f.size()));
        f.write(last);
    };
    const QString path = dir.filePath("qx255.ini");
    huge(path, " 4 \r\n", " 7 \r\n");
    EXPECT_EQ(session::readSavedPort(path), 0);
    EXPECT_FALSE(link::readSettingsFile(path).has_value());
    huge(dir.filePath("modem.ini"), "Pozzo\r\n", "Last\r\n");
    EXPECT_EQ(modem::loadStations(dir.filePath("modem.ini"), dir.filePath("last.ini"))[0].Nome, "");

    stazione::testing::write(path, " 4 \r\n 7 \r\n");
    EXPECT_EQ(session::readSavedPort(path), 7);
}

// Every settings file is replaced, never written through a link, and is read only when it is a
// regular file: a fifo in its place would block the program before any window.
TEST(SettingsFiles, LinksAreReplacedAndFifosNeverOpened)
{
    QTemporaryDir dir;
    const QString precious = dir.filePath("precious.txt");
    stazione::testing::write(precious, "keep\n");
    const QString port = dir.filePath("qx255.ini");
    const QString stations = dir.filePath("modem.ini");
    const QString last = dir.filePath("last.ini");
    for (const QString& path : {port, stations, last})
        ASSERT_TRUE(QFile::link(precious, path));
    EXPECT_TRUE(session::writeSavedPort(port, 5));
    modem::StationDirectory directory = modem::loadStations(stations, last);
    directory[0].Nome = "Pozzo";
    EXPECT_TRUE(modem::saveStations(directory, stations, last));
    EXPECT_EQ(stazione::testing::contents(precious), "keep\n");
    for (const QString& path : {port, stations, last})
        EXPECT_FALSE(QFileInfo(path).isSymLink()) << path.toStdString();
    EXPECT_EQ(session::readSavedPort(port), 5);

    // A link to nowhere: the missing directory is made as a file of its own, not at the link's end.
    const QString nowhere = dir.filePath("nowhere.txt");
    const QString dangling = dir.filePath("dangling.ini");
    ASSERT_TRUE(QFile::link(nowhere, dangling));
    (void)modem::loadStations(dangling, dir.filePath("last2.ini"));
    EXPECT_FALSE(QFile::exists(nowhere));

    for (const QString& path : {port, stations}) {
        ASSERT_TRUE(QFile::remove(path));
        ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    }
    EXPECT_FALSE(link::readSettingsFile(port).has_value());
    EXPECT_EQ(session::readSavedPort(port), 0);
    EXPECT_EQ(modem::loadStations(stations, last)[0].Nome, "");
    QFile fifo;
    const auto opened = link::openRegularFile(fifo, port, QIODevice::ReadOnly, link::AtLink::Follow);
    ASSERT_FALSE(opened);
    EXPECT_EQ(opened.refusal->kind, link::FileRefusal::Kind::Special);
    QString why;
    EXPECT_FALSE(link::openAppendFile(fifo, port, &why));
    EXPECT_FALSE(why.isEmpty()); // a fifo with no reader cannot even be opened for writing
}

// Each line of the station directory is decoded on its own: a directory of the older tools mixes
// Latin-1 and UTF-8 lines. Ours is written in UTF-8 when a value does not fit Latin-1, and comes
// back as it was saved.
TEST(StationDirectory, EveryLineIsDecodedOnItsOwn)
{
    QTemporaryDir dir;
    const QString stations = dir.filePath("modem.ini");
    stazione::testing::write(stations, "Citt\xE0\r\n1\r\n\r\nSant\xE2\x80\x99"
                                       "Angelo\r\n2\r\n\r\n");
    const modem::StationDirectory d = modem::loadStations(stations, dir.filePath("last.ini"));
    EXPECT_EQ(d[0].Nome, QString::fromUtf8("Città"));
    EXPECT_EQ(d[1].Nome, QString::fromUtf8("Sant’Angelo"));

    ASSERT_TRUE(modem::saveStations(d, stations, dir.filePath("last.ini")));
    const QByteArray saved = contents(stations);
    EXPECT_TRUE(saved.startsWith("Citt\xC3\xA0\r\n1\r\n\r\nSant\xE2\x80\x99"
                                 "Angelo\r\n"));
}

TEST(StationDirectory, AnyDirectoryComesBackUnchanged)
{
    // Code points from the ranges names and numbers are typed in, tabs, commas and quotes among
    // them; line breaks cannot be kept in a one-line value and are not generated.
    static const std::pair<char32_t, char32_t> kRanges[] = {
        {0x20, 0x7E},     {0xA0, 0xFF},       {0x100, 0x24F},   {0x2010, 0x2030},
        {0x4E00, 0x4E50}, {0x1F600, 0x1F64F}, {0xFEFF, 0xFEFF},
    };
    const quint32 seed = QRandomGenerator::global()->generate();
    QRandomGenerator random(seed);
    auto randomText = [&random] {
        QString text;
        const int length = random.bounded(0, 12);
        for (int i = 0; i < length; ++i) {
            if (random.bounded(20) == 0) {
                text += QLatin1Char('\t');
                continue;
            }
            const auto& [low, high] = kRanges[random.bounded(int(std::size(kRanges)))];
            const char32_t c = low + char32_t(random.bounded(int(high - low + 1)));
            text += QString::fromUcs4(&c, 1);
        }
        return text;
    };
    QTemporaryDir dir;
    const QString stations = dir.filePath("modem.ini");
    const QString last = dir.filePath("last.ini");
    for (int round = 0; round < 40; ++round) {
        modem::StationDirectory d;
        for (modem::Station& s : d)
            s = {randomText(), randomText(), randomText(), randomText()};
        ASSERT_TRUE(modem::saveStations(d, stations, last));
        const modem::StationDirectory loaded = modem::loadStations(stations, last);
        for (int i = 0; i < modem::kStations; ++i) {
            ASSERT_EQ(loaded[i].Nome, d[i].Nome) << "seed " << seed << " row " << i;
            ASSERT_EQ(loaded[i].Telefono, d[i].Telefono) << "seed " << seed << " row " << i;
            ASSERT_EQ(loaded[i].Scadenza, d[i].Scadenza) << "seed " << seed << " row " << i;
            ASSERT_EQ(loaded[i].Uldata, d[i].Uldata) << "seed " << seed << " row " << i;
        }
    }
}

} // namespace
