// The two downloads against a logger played from a script: file names, the lines and bytes of both
// files, and how a download that cannot start or breaks off ends.

#include "data/downloads.h"
#include "data/file_names.h"
#include "network/archive.h"
#include "support/files.h"
#include "support/scripted_logger.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

using namespace std::chrono_literals;
using namespace stazione;
using stazione::testing::contents;
using stazione::testing::write;

namespace {

using DataTest = stazione::testing::ScriptedConnection;

TEST(DataFileNamesTest, StationAndDateMakeTheNames)
{
    const QDate date(2026, 12, 5);
    EXPECT_EQ(data::sensorFileName("STAZ1", date), "STAZ1_05_12_26_SENS.txt");
    EXPECT_EQ(data::temperatureFileName("STAZ1", date), "STAZ1_05_12_26_TEMP.txt");
    EXPECT_EQ(data::sensorFileName("", date), "_05_12_26_SENS.txt");
    // A name from the logger never leads out of the chosen folder.
    EXPECT_EQ(data::sensorFileName("../../etc/passwd", date), ".._.._etc_passwd_05_12_26_SENS.txt");
    EXPECT_EQ(data::temperatureFileName("A\\B:C", date), "A_B_C_05_12_26_TEMP.txt");
    EXPECT_EQ(QDir("/").filePath(data::sensorFileName("X", date)), "/X_05_12_26_SENS.txt");
}

TEST(DataFileNamesTest, TemperatureColumns)
{
    EXPECT_EQ(data::temperatureColumn(u"23.46"), "023.5     ");
    EXPECT_EQ(data::temperatureColumn(u"23.45"), "023.5     ");
    EXPECT_EQ(data::temperatureColumn(u"-3.04"), "-003.0    ");
    EXPECT_EQ(data::temperatureColumn(u"-30"), "-030.0    ");
    EXPECT_EQ(data::temperatureColumn(u"80"), "080.0     ");
    EXPECT_EQ(data::temperatureColumn(u"80.04"), "080.0     "); // the column shows 80.0: in range
    EXPECT_EQ(data::temperatureColumn(u"80.05"), "**N.C.**  ");
    EXPECT_EQ(data::temperatureColumn(u"80.1"), "**N.C.**  ");
    EXPECT_EQ(data::temperatureColumn(u"-30.1"), "**N.C.**  ");
    EXPECT_EQ(data::temperatureColumn(u"99.9"), "**N.C.**  ");
    EXPECT_EQ(data::temperatureColumn(u" 7 "), "007.0     ");
    EXPECT_EQ(data::temperatureColumn(u".5"), "000.5     ");
    // A value that is not a number is not a temperature either.
    EXPECT_EQ(data::temperatureColumn(u"%%"), "**N.C.**  ");
    EXPECT_EQ(data::temperatureColumn(u""), "**N.C.**  ");
}

TEST_F(DataTest, BothLineEndsGiveTheSameFileAndTheTailIsNotWritten)
{
    QTemporaryDir dir;
    logger.expect("A", "");
    logger.expect("0,", "first;1.5\r\nsecond;2.5\r\n\r\nthird\r\ntail without end\x03");
    QList<qint64> counts;
    auto crlf = data::downloadRecords(link, dir.filePath("crlf.txt"), false,
                                      [&](qint64 lines, const QString&) { counts << lines; });
    ASSERT_TRUE(crlf.ok()) << crlf.error().message.toStdString();
    EXPECT_FALSE(crlf->stopped.has_value());
    EXPECT_EQ(crlf->lines, 4);
    EXPECT_EQ(logger.received, "A0,");
    EXPECT_EQ(contents(dir.filePath("crlf.txt")), "first;1.5\r\nsecond;2.5\r\n\r\nthird\r\n");
    EXPECT_EQ(counts.last(), 4);
    EXPECT_EQ(crlf->unended, "tail without end"); // left out, but told

    logger.expect("A", "");
    logger.expect("1,", "first;1.5\nsecond;2.5\n\nthird\ntail without end\x03");
    auto lf = data::downloadRecords(link, dir.filePath("lf.txt"), true);
    ASSERT_TRUE(lf.ok());
    EXPECT_EQ(contents(dir.filePath("lf.txt")), contents(dir.filePath("crlf.txt")));
    EXPECT_TRUE(logger.received.endsWith("A1,"));
}

// The collection keeps the logger's last record when its line end is missing: in the day file as
// a line, and so in the archive, whether it came in the chunk of the end mark or before it.
TEST_F(DataTest, TheLastTextBeforeTheEndMarkIsKeptAsALineWhenAsked)
{
    QTemporaryDir dir;
    logger.expect("A", "");
    logger.expect("0,", "first;1.5\r\nsecond;2.5\r\nthird;3.5\r\x03");
    auto kept = data::downloadRecords(link, dir.filePath("kept.txt"), false, {}, {}, data::UnendedText::Kept);
    ASSERT_TRUE(kept.ok()) << kept.error().message.toStdString();
    EXPECT_FALSE(kept->stopped.has_value());
    EXPECT_EQ(kept->lines, 3);
    EXPECT_EQ(kept->unended, "third;3.5");
    EXPECT_EQ(contents(dir.filePath("kept.txt")), "first;1.5\r\nsecond;2.5\r\nthird;3.5\r\n");
    auto lines = data::readCompleteLines(dir.filePath("kept.txt"));
    ASSERT_TRUE(lines.ok());
    const QString archive = dir.filePath("A_archivio.txt");
    auto merged = data::mergeIntoArchive(archive, *lines);
    ASSERT_TRUE(merged.ok());
    EXPECT_EQ(merged->added, 3);
    EXPECT_EQ(contents(archive), "first;1.5\r\nsecond;2.5\r\nthird;3.5\r\n");

    // A last line whose end mark comes in a chunk of its own.
    logger.expect("A", "");
    logger.expect("0,", "one\r\ntwo");
    const auto script = fx.device->onWrite;
    bool marked = false;
    fx.device->onWrite = [this, script, &marked](const QString& path, const QByteArray& bytes) {
        script(path, bytes);
        if (logger.scriptDone() && !marked) {
            marked = true;
            fx.device->deliverLater(100, "\x03");
        }
    };
    auto split =
        data::downloadRecords(link, dir.filePath("split.txt"), false, {}, {}, data::UnendedText::Kept);
    ASSERT_TRUE(split.ok());
    EXPECT_EQ(split->unended, "two");
    EXPECT_EQ(contents(dir.filePath("split.txt")), "one\r\ntwo\r\n");
    fx.device->onWrite = script;

    // A stream that ends on a line end has nothing unended.
    logger.expect("A", "");
    logger.expect("0,", "one\r\n\x03");
    auto whole =
        data::downloadRecords(link, dir.filePath("whole.txt"), false, {}, {}, data::UnendedText::Kept);
    ASSERT_TRUE(whole.ok());
    EXPECT_TRUE(whole->unended.isEmpty());
    EXPECT_EQ(contents(dir.filePath("whole.txt")), "one\r\n");
}

TEST_F(DataTest, AFileThatCannotBeMadeStopsBeforeAskingTheLogger)
{
    QTemporaryDir dir;
    auto missing = data::downloadRecords(link, dir.filePath("no/such/folder/x.txt"), false);
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(missing.error().kind, link::ErrorKind::File);
    EXPECT_TRUE(missing.error().message.startsWith("Dispositivo non presente!"));
    EXPECT_TRUE(missing.error().message.contains(dir.filePath("no/such/folder")));

    // A folder of the same name stands where the file would go: even root cannot create it.
    ASSERT_TRUE(QDir(dir.path()).mkdir("t.txt"));
    auto taken = data::downloadTemperatures(link, dir.filePath("t.txt"), QDateTime::currentDateTime());
    ASSERT_FALSE(taken.ok());
    EXPECT_TRUE(taken.error().message.startsWith("Nome " + dir.filePath("t.txt") + " non valido"))
        << taken.error().message.toStdString();
    EXPECT_EQ(logger.received, "");
}

TEST_F(DataTest, ALoggerThatFallsSilentEndsTheDownloadAndKeepsTheLines)
{
    QTemporaryDir dir;
    link.setReplyTimeout(200ms);
    logger.expect("A", "");
    logger.expect("0,", "one\r\ntwo\r\nthr");
    QElapsedTimer t;
    t.start();
    auto download = data::downloadRecords(link, dir.filePath("cut.txt"), false);
    ASSERT_TRUE(download.ok());
    ASSERT_TRUE(download->stopped.has_value());
    EXPECT_EQ(download->stopped->kind, link::ErrorKind::TimedOut);
    EXPECT_GE(t.elapsed(), 190);
    EXPECT_EQ(download->lines, 2);
    // The lines wait in the .part; the file of that name is only made by a download that ends well.
    EXPECT_EQ(download->path, dir.filePath("cut.txt.part"));
    EXPECT_EQ(contents(dir.filePath("cut.txt.part")), "one\r\ntwo\r\n");
    EXPECT_FALSE(QFile::exists(dir.filePath("cut.txt")));
    EXPECT_TRUE(download->stopped->message.contains(dir.filePath("cut.txt.part")));
}

// The lines the progress counts are on disk when it counts them, even while more is already
// waiting to be read (a busy PC never catches up and never waits): a kill then loses nothing counted.
TEST_F(DataTest, TheLinesCountedAreOnDiskBeforeTheNextPieceIsRead)
{
    QTemporaryDir dir;
    link.setReplyTimeout(2s);
    const QString part = dir.filePath("busy.txt.part");
    logger.expect("A", "");
    logger.expect("0,", "one\r\ntwo\r\n");
    QList<QByteArray> onDisk;
    auto download =
        data::downloadRecords(link, dir.filePath("busy.txt"), false, [&](qint64 lines, const QString&) {
            onDisk << contents(part);
            // The rest is there before the download looks again.
            if (lines == 2)
                fx.device->deliver("three\r\n\x03");
        });
    ASSERT_TRUE(download.ok());
    ASSERT_FALSE(download->stopped.has_value()) << download->stopped->message.toStdString();
    EXPECT_EQ(onDisk, (QList<QByteArray>{"one\r\ntwo\r\n", "one\r\ntwo\r\nthree\r\n"}));
    EXPECT_EQ(contents(dir.filePath("busy.txt")), "one\r\ntwo\r\nthree\r\n");
}

TEST_F(DataTest, ACancelEndsTheDownloadAndKeepsTheLines)
{
    QTemporaryDir dir;
    link.setReplyTimeout(10s);
    logger.expect("A", "");
    logger.expect("0,", "one\r\n");
    QTimer::singleShot(100, &link, [this] { link.cancel(); });
    auto download = data::downloadRecords(link, dir.filePath("cancel.txt"), false);
    ASSERT_TRUE(download.ok());
    ASSERT_TRUE(download->stopped.has_value());
    EXPECT_EQ(download->stopped->kind, link::ErrorKind::Cancelled);
    EXPECT_EQ(contents(dir.filePath("cancel.txt.part")), "one\r\n");
}

// What an earlier download cut short kept stays: the next one takes the next free .part name,
// past a link too.
TEST_F(DataTest, ADownloadCutShortNeverReplacesAnEarliersPart)
{
    QTemporaryDir dir;
    link.setReplyTimeout(10s);
    const QString path = dir.filePath("cancel.txt");
    write(path + ".part", "earlier\r\n");
    write(dir.filePath("other.txt"), "not ours\n");
    ASSERT_TRUE(QFile::link(dir.filePath("other.txt"), path + ".2.part"));
    logger.expect("A", "");
    logger.expect("0,", "one\r\n");
    QTimer::singleShot(100, &link, [this] { link.cancel(); });
    auto download = data::downloadRecords(link, path, false);
    ASSERT_TRUE(download.ok());
    ASSERT_TRUE(download->stopped.has_value());
    EXPECT_EQ(download->path, path + ".3.part");
    EXPECT_EQ(contents(path + ".3.part"), "one\r\n");
    EXPECT_EQ(contents(path + ".part"), "earlier\r\n");
    EXPECT_TRUE(QFileInfo(path + ".2.part").isSymLink());
    EXPECT_EQ(contents(dir.filePath("other.txt")), "not ours\n");
    EXPECT_TRUE(download->stopped->message.contains(path + ".3.part"));
}

TEST_F(DataTest, TheTemperatureFileByteForByte)
{
    QTemporaryDir dir;
    logger.expect("a", "2,3,5,3,2026,7,4,9,23.46,-30.1,80,6,3,2026,12,0,0,-3.04,99.9,15,");
    QList<int> percents;
    auto download = data::downloadTemperatures(link, dir.filePath("t.txt"),
                                               QDateTime(QDate(2026, 12, 5), QTime(14, 7, 9)),
                                               [&](int p) { percents << p; });
    ASSERT_TRUE(download.ok()) << download.error().message.toStdString();
    EXPECT_FALSE(download->stopped.has_value());
    EXPECT_EQ(percents, (QList<int>{50, 100}));
    EXPECT_EQ(contents(dir.filePath("t.txt")),
              "DATA ACQ.: 05/12/2026  14:07:09,Numero Canali Attivi: 3 ,Numero Dati per Canale:      2\r\n"
              "\r\n\r\n\r\n\r\n\r\n"
              "05/03/2026 07.04.09   ,023.5     ,**N.C.**  ,080.0     \r\n"
              "06/03/2026 12.00.00   ,-003.0    ,**N.C.**  ,015.0     \r\n");
}

// The download reads the usual shapes of a value in one pass over the received bytes and leaves
// the others to the general rule; every shape must come out as the general rule writes it.
TEST_F(DataTest, EveryShapeOfAValueGivesTheColumnOfTheGeneralRule)
{
    // Separated by '|': blanks and empty fields are values too.
    const QList<QByteArray> values =
        QByteArray("23.46|23.45|23.449|-3.04|-30|-30.04|-30.05|80|80.04|80.05|79.95|"
                   "79.949|0|-0|0.05|-0.05|.5|-.5|5.|-5.|.|-|-.||7.99|9.96|"
                   "000000012.3|0000000012.3|123456789|1234567890|+5| 7|7 | |1e2|"
                   "--1|1.2.3|1.-2|12a|a12|9.999999999999|-79.96|\xb0|1..5")
            .split('|');
    QByteArray stream = "1," + QByteArray::number(values.size()) + ",1,2,2026,3,4,5,";
    QByteArray expected = "01/02/2026 03.04.05   ";
    for (const QByteArray& value : values) {
        stream += value + ",";
        expected += "," + data::temperatureColumn(QString::fromLatin1(value)).toLatin1();
    }
    // What follows the last record is left for whoever reads next.
    logger.expect("a", stream + "1,2,");
    QTemporaryDir dir;
    auto download = data::downloadTemperatures(link, dir.filePath("t.txt"), QDateTime::currentDateTime());
    ASSERT_TRUE(download.ok()) << download.error().message.toStdString();
    EXPECT_EQ(download->received, 1);
    const QList<QByteArray> lines = contents(dir.filePath("t.txt")).split('\n');
    ASSERT_EQ(lines.size(), 8);
    EXPECT_EQ(lines.at(6), expected + "\r");
    EXPECT_EQ(link.Accumulo(), "1,2,");

    // The same bytes a few at a time: fields cut across arrivals come out the same.
    logger.expect("a", stream.left(5));
    auto inPieces = [&](const QString&) {
        for (qsizetype at = 5, k = 1; at < stream.size(); at += 7, ++k)
            fx.device->deliverLater(int(2 * k), stream.mid(at, 7));
    };
    auto pieces =
        data::downloadTemperatures(link, dir.filePath("p.txt"), QDateTime::currentDateTime(), {}, inPieces);
    ASSERT_TRUE(pieces.ok()) << pieces.error().message.toStdString();
    EXPECT_FALSE(pieces->stopped.has_value());
    EXPECT_EQ(contents(dir.filePath("p.txt")).split('\n').at(6), expected + "\r");
}

TEST_F(DataTest, NoChannelsAndNoRecords)
{
    QTemporaryDir dir;
    const QDateTime now(QDate(2026, 1, 2), QTime(3, 4, 5));
    logger.expect("a", "1,0,1,2,26,3,4,5,");
    auto noChannels = data::downloadTemperatures(link, dir.filePath("c0.txt"), now);
    ASSERT_TRUE(noChannels.ok());
    EXPECT_EQ(contents(dir.filePath("c0.txt")),
              "DATA ACQ.: 02/01/2026  03:04:05,Numero Canali Attivi: 0 ,Numero Dati per Canale:      1\r\n"
              "\r\n\r\n\r\n\r\n\r\n01/02/26 03.04.05   \r\n");

    logger.expect("a", "0,4,");
    QList<int> percents;
    auto none = data::downloadTemperatures(link, dir.filePath("n0.txt"), now, [&](int p) { percents << p; });
    ASSERT_TRUE(none.ok());
    EXPECT_TRUE(percents.isEmpty());
    EXPECT_EQ(contents(dir.filePath("n0.txt")),
              "DATA ACQ.: 02/01/2026  03:04:05,Numero Canali Attivi: 4 ,Numero Dati per Canale:      0\r\n"
              "\r\n\r\n\r\n\r\n\r\n");
}

TEST_F(DataTest, TooMuchDataIsRefusedWithAMessage)
{
    QTemporaryDir dir;
    logger.expect("a", "5001,4,");
    auto records = data::downloadTemperatures(link, dir.filePath("big.txt"), QDateTime::currentDateTime());
    ASSERT_FALSE(records.ok());
    EXPECT_EQ(records.error().kind, link::ErrorKind::Data);
    EXPECT_TRUE(records.error().message.contains("5001"));

    logger.expect("a", "10,129,");
    auto channels = data::downloadTemperatures(link, dir.filePath("wide.txt"), QDateTime::currentDateTime());
    ASSERT_FALSE(channels.ok());
    EXPECT_TRUE(channels.error().message.contains("129"));
}

// A full memory is the largest download there is: exactly 5000 records, or 128 channels, are read
// whole (one more of either is refused above).
TEST_F(DataTest, TheLargestCountsTheLoggerHoldsAreDownloaded)
{
    QTemporaryDir dir;
    QByteArray full = "5000,1,";
    for (int r = 0; r < 5000; ++r)
        full += "1,1,2026," + QByteArray::number(r / 3600 % 24) + "," + QByteArray::number(r / 60 % 60) +
                "," + QByteArray::number(r % 60) + ",20,";
    logger.expect("a", full);
    auto records = data::downloadTemperatures(link, dir.filePath("full.txt"), QDateTime::currentDateTime());
    ASSERT_TRUE(records.ok()) << records.error().message.toStdString();
    EXPECT_FALSE(records->stopped.has_value());
    EXPECT_EQ(records->received, 5000);
    EXPECT_EQ(contents(dir.filePath("full.txt")).count("020.0"), 5000);

    QByteArray wide = "1,128,1,1,2026,0,0,0,";
    for (int c = 0; c < 128; ++c)
        wide += "21,";
    logger.expect("a", wide);
    auto channels = data::downloadTemperatures(link, dir.filePath("wide.txt"), QDateTime::currentDateTime());
    ASSERT_TRUE(channels.ok()) << channels.error().message.toStdString();
    EXPECT_EQ(channels->channels, 128);
    EXPECT_EQ(contents(dir.filePath("wide.txt")).count("021.0"), 128);
}

TEST_F(DataTest, ACountedDownloadCutShortKeepsItsCompleteRecords)
{
    QTemporaryDir dir;
    link.setReplyTimeout(200ms);
    logger.expect("a", "3,1,1,1,2026,0,0,0,20,1,1,2026,0,10,0,21,1,1,20");
    auto download =
        data::downloadTemperatures(link, dir.filePath("part.txt"), QDateTime(QDate(2026, 1, 1), QTime()));
    ASSERT_TRUE(download.ok());
    ASSERT_TRUE(download->stopped.has_value());
    EXPECT_EQ(download->stopped->kind, link::ErrorKind::TimedOut);
    EXPECT_EQ(download->received, 2);
    EXPECT_FALSE(QFile::exists(dir.filePath("part.txt")));
    const QByteArray file = contents(dir.filePath("part.txt.part"));
    EXPECT_TRUE(file.endsWith("01/01/2026 00.10.00   ,021.0     \r\n")) << file.toStdString();
    EXPECT_EQ(file.count("\r\n"), 8);
}

TEST_F(DataTest, EachRecordIsInTheFileBeforeTheNextIsAwaited)
{
    QTemporaryDir dir;
    link.setReplyTimeout(2s);
    const QString path = dir.filePath("live.txt");
    logger.expect("a", "2,2,5,3,2026,7,4,9,23.46,-30.1,6,3,");
    QByteArray seenWhileWaiting;
    QTimer::singleShot(150, &link, [&] {
        seenWhileWaiting = contents(path + ".part"); // renamed once the download ends well
        fx.device->deliver("2026,12,0,0,-3.04,99.9,");
    });
    auto download = data::downloadTemperatures(link, path, QDateTime(QDate(2026, 12, 5), QTime(14, 7, 9)));
    ASSERT_TRUE(download.ok()) << download.error().message.toStdString();
    EXPECT_FALSE(download->stopped.has_value());
    EXPECT_EQ(seenWhileWaiting,
              "DATA ACQ.: 05/12/2026  14:07:09,Numero Canali Attivi: 2 ,Numero Dati per Canale:      2\r\n"
              "\r\n\r\n\r\n\r\n\r\n"
              "05/03/2026 07.04.09   ,023.5     ,**N.C.**  \r\n");
    EXPECT_EQ(contents(path), seenWhileWaiting + "06/03/2026 12.00.00   ,-003.0    ,**N.C.**  \r\n");
}

TEST_F(DataTest, TimeFieldsAsTheyCome)
{
    QTemporaryDir dir;
    // Leading zeros, a year of two digits, fields longer than their width, blanks and junk.
    logger.expect("a", "3,0,007,0012,26,0,00,000,1234,3, 9 ,23,59,59x,+5,ab,-1,1.6,,00000,");
    auto download =
        data::downloadTemperatures(link, dir.filePath("t.txt"), QDateTime(QDate(2026, 1, 2), QTime()));
    ASSERT_TRUE(download.ok());
    const QList<QByteArray> lines = contents(dir.filePath("t.txt")).split('\n');
    ASSERT_EQ(lines.size(), 10);
    EXPECT_EQ(lines.at(6), "07/01/26 00.00.00   \r");
    EXPECT_EQ(lines.at(7), "123/03/09 23.59.59x   \r");
    EXPECT_EQ(lines.at(8), "05/ab/-01 02..00   \r");
}

} // namespace
