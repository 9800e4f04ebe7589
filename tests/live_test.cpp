// The continuous reading, the continuous measurement session with its file, and the chart's window
// of rows, against a logger played from a script.

#include "link/exchange.h"
#include "link/timing.h"
#include "live/chart_data.h"
#include "live/continuous_reading.h"
#include "live/measurement.h"
#include "live/session_table.h"
#include "support/files.h"
#include "support/scripted_logger.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace std::chrono_literals;
using namespace stazione;
using stazione::testing::contents;

namespace {

using LiveTest = stazione::testing::ScriptedConnection;

TEST_F(LiveTest, OneChannelLooksForChannelOnesMarkerOnly)
{
    live::SessionTable table;
    table.start(1);
    logger.expect("P", "\r\n05/12/2026 14:00:00 ,noise,CHB%,CHA%,mV, 12.5 ,");
    ASSERT_TRUE(link::send(link, link::cmd::startContinuousMeasurement()).ok());
    bool timedOut = true;
    ASSERT_TRUE(live::readSet(link, table, &timedOut).ok());
    EXPECT_FALSE(timedOut);
    EXPECT_EQ(table.rowBeingFilled(), (QStringList{"05/12/2026 14:00:00", "12.5"}));
    EXPECT_EQ(table.fillingLine(), "05/12/2026 14:00:00,12.5");
}

TEST_F(LiveTest, ATimeOutOnChannelTwoOfThree)
{
    live::SessionTable table;
    table.start(3);
    logger.expect("P", "ts,CHA%,mV,1.5,CHB%,mV,%%,");
    ASSERT_TRUE(link::send(link, link::cmd::startContinuousMeasurement()).ok());
    bool timedOut = false;
    ASSERT_TRUE(live::readSet(link, table, &timedOut).ok());
    EXPECT_TRUE(timedOut);
    EXPECT_EQ(table.rowBeingFilled(), (QStringList{"ts", "1.5", "Timeout", "Timeout"}));
}

TEST_F(LiveTest, ASessionFileFromStartToEnd)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("mc.txt");
    stazione::testing::write(path, "an older session that must go\r\n");
    ASSERT_FALSE(live::fileIsBusy(path, [] { return false; }));
    live::deleteQuietly(path);

    live::SessionTable table;
    logger.expect("P", "\r\nt1,CHA%,mV,1.0,CHB%,mV,2.0,\r\nt2,CHA%,mV,1.1,CHB%,mV,2.1,\r\nt3,CHA%,mV,1.2,");
    int sets = 0;
    QStringList lines;
    // The stop comes while the third set is being read: it is completed and written, then "a".
    live::SessionHooks hooks{[&] { return sets >= 3; }, [&] { ++sets; },
                             [&](const QString& l) { lines << l; }};
    QTimer::singleShot(50, fx.device, [&] { fx.device->deliver("CHB%,mV,2.2,\r\nt4,"); });
    const live::SessionEnd end = live::runSession(link, table, 2, path, hooks);
    EXPECT_FALSE(end.error.has_value()) << end.error->message.toStdString();
    EXPECT_EQ(end.sets, 3);
    EXPECT_EQ(contents(path), "[INIZIO DATI]\r\nDate,CH 0,CH 1\r\nt1,1.0,2.0\r\nt2,1.1,2.1\r\nt3,1.2,2.2\r\n"
                              "[FINE DATI]\r\n");
    EXPECT_EQ(lines.size(), 6);
    EXPECT_TRUE(logger.received.endsWith("Pa"));
    // The grid keeps the last set as its last row: no new row after the stop.
    EXPECT_EQ(table.gridRows(), 4);
    EXPECT_EQ(table.cell(3, 0), "t3");
    EXPECT_EQ(table.cell(0, 2), "CH 1");
}

TEST_F(LiveTest, TheGridReadsItsRowsBackFromTheSessionFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("mc.txt");
    live::SessionTable table;
    table.setRowStore(live::SessionTable::RowStore::File);
    QByteArray stream;
    for (int i = 0; i < 300; ++i)
        stream += "\r\nt" + QByteArray::number(i) + ",CHA%,mV," + QByteArray::number(i) + ".5,";
    logger.expect("P", stream);
    int sets = 0;
    const live::SessionEnd end =
        live::runSession(link, table, 1, path, {[&] { return sets >= 300; }, [&] { ++sets; }, {}});
    ASSERT_FALSE(end.error.has_value()) << end.error->message.toStdString();
    ASSERT_EQ(table.gridRows(), 301);
    EXPECT_EQ(table.completedRows(), 299);
    EXPECT_EQ(table.rowsReadFromFile(), 0) << "nothing is read back before it is shown";
    // Rows far from the newest come from the file, a block at a time, and stay cached.
    EXPECT_EQ(table.cell(1, 0), "t0");
    EXPECT_EQ(table.cell(2, 1), "1.5");
    EXPECT_EQ(table.rowsReadFromFile(), 64);
    EXPECT_EQ(table.cell(64, 1), "63.5");
    EXPECT_EQ(table.rowsReadFromFile(), 64);
    EXPECT_EQ(table.cell(299, 0), "t298");
    EXPECT_EQ(table.cell(300, 0), "t299") << "the last set stays the row being filled";
    EXPECT_EQ(table.data(table.index(150, 1), Qt::DisplayRole).toString(), "150.5");

    // The file is the store: a change under the table shows in the rows not cached.
    QByteArray changed = contents(path);
    changed.replace("t200,200.5", "x200,200.5");
    stazione::testing::write(path, changed);
    EXPECT_EQ(table.cell(201, 0), "x200");
}

TEST_F(LiveTest, WithoutAStoreOnlyTheSetBeingFilledIsKept)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("mc.txt");
    live::SessionTable table;
    table.setRowStore(live::SessionTable::RowStore::None);
    logger.expect("P", "t1,CHA%,mV,1.0,t2,CHA%,mV,2.0,t3,CHA%,mV,3.0,");
    int sets = 0;
    const live::SessionEnd end =
        live::runSession(link, table, 1, path, {[&] { return sets >= 3; }, [&] { ++sets; }, {}});
    ASSERT_FALSE(end.error.has_value());
    EXPECT_EQ(contents(path), "[INIZIO DATI]\r\nDate,CH 0\r\nt1,1.0\r\nt2,2.0\r\nt3,3.0\r\n[FINE DATI]\r\n");
    EXPECT_EQ(table.completedRows(), 2);
    EXPECT_EQ(table.cell(1, 0), "");
    EXPECT_EQ(table.rowBeingFilled(), (QStringList{"t3", "3.0"}));
    EXPECT_EQ(table.rowCount(), 1);
}

TEST_F(LiveTest, AChannelTimeOutEndsTheSessionNormally)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("mc.txt");
    live::SessionTable table;
    logger.expect("P", "t1,CHA%,mV,1.0,CHB%,mV,%%,");
    const live::SessionEnd end = live::runSession(link, table, 2, path, {});
    EXPECT_FALSE(end.error.has_value());
    EXPECT_TRUE(end.timedOut);
    EXPECT_EQ(contents(path), "[INIZIO DATI]\r\nDate,CH 0,CH 1\r\nt1,1.0,Timeout\r\n[FINE DATI]\r\n");
}

TEST_F(LiveTest, ALostLineEndsTheFileWithBothMarks)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("mc.txt");
    live::SessionTable table;
    logger.expect("P", "t1,CHA%,mV,1.0,t2,CHA%");
    fx.device->dropLineLater(100);
    const live::SessionEnd end = live::runSession(link, table, 1, path, {});
    ASSERT_TRUE(end.error.has_value());
    EXPECT_EQ(end.error->kind, link::ErrorKind::LineLost);
    EXPECT_EQ(contents(path),
              "[INIZIO DATI]\r\nDate,CH 0\r\nt1,1.0\r\n[FINE DATI]\r\n[FILE TERMINATO INASPETTATAMENTE]\r\n");
}

TEST_F(LiveTest, TheChannelCountOfASession)
{
    logger.expect("H0,", "4,");
    auto four = live::requestSessionChannels(link);
    ASSERT_TRUE(four.ok());
    EXPECT_EQ(*four, 4);
    logger.expect("H0,", "%%,");
    auto failed = live::requestSessionChannels(link);
    ASSERT_FALSE(failed.ok());
    EXPECT_EQ(failed.error().message, "Errore di connessione.");
    logger.expect("H0,", "  ,");
    EXPECT_FALSE(live::requestSessionChannels(link).ok());

    {
        live::AllInputScope all(*fx.port);
        EXPECT_EQ(fx.port->inputLen(), 0);
    }
    EXPECT_EQ(fx.port->inputLen(), 1);
    EXPECT_EQ(live::defaultSessionFileName(QDateTime(QDate(2026, 12, 5), QTime(14, 7, 9))),
              "mc_05-12-2026_14.7.09.txt");
}

TEST_F(LiveTest, TheContinuousReadingShowsTwoReadingsPerVibratingWireChannel)
{
    EXPECT_EQ(live::readingsPerGroup("KVE_M510HX", 4), 8);
    EXPECT_EQ(live::readingsPerGroup("KVE_M610_M410", 4), 4);
    logger.expect("p", "0,F0,2500.12345,1,T0,5,2,F1,abc,");
    QList<live::Reading> readings;
    int groups = 0;
    auto outcome = live::runContinuousReading(
        link, 3, [&](const live::Reading& r) { readings << r; }, [&] { return ++groups >= 1; });
    ASSERT_TRUE(outcome.ok());
    ASSERT_EQ(readings.size(), 3);
    EXPECT_EQ(readings[0].value, "2500.123");
    EXPECT_EQ(readings[1].label, "T0");
    EXPECT_EQ(readings[1].value, "5.0");
    EXPECT_FALSE(readings[2].isNumber);
    EXPECT_EQ(logger.received, "p");
}

TEST_F(LiveTest, AReadingThatStopsAnsweringEndsWithAnErrorUnlessAStopWasAsked)
{
    link.setReplyTimeout(150ms);
    logger.expect("p", "0,CH0,1.5,1,CH1");
    bool stop = false;
    auto timedOut = live::runContinuousReading(
        link, 2, [](const live::Reading&) {}, [&] { return stop; });
    ASSERT_FALSE(timedOut.ok());
    EXPECT_EQ(timedOut.error().kind, link::ErrorKind::TimedOut);

    logger.expect("p", "0,CH0,1.5,1,CH1");
    stop = true;
    EXPECT_TRUE(live::runContinuousReading(
                    link, 2, [](const live::Reading&) {}, [&] { return stop; })
                    .ok());

    // The stop goes out without dropping what was received.
    fx.device->deliver("half");
    link.Leggi_Risposta().ok();
    ASSERT_TRUE(live::stopContinuousReading(link).ok());
    EXPECT_TRUE(link.Accumulo().endsWith("half"));
    EXPECT_EQ(fx.device->written().right(1), "B");
}

TEST(ChartWindowTest, WindowsOfRows)
{
    live::SessionTable table;
    table.start(2);
    for (int r = 0; r < 13; ++r) {
        table.setCell(0, QStringLiteral("t%1").arg(r));
        table.setCell(1, QString::number(r));
        table.setCell(2, QString::number(r * 2));
        table.completeRow();
    }
    ASSERT_EQ(table.gridRows(), 15); // header, 13 sets, the row being filled
    const live::ChartData all = live::chartWindow(table, 0, {0});
    EXPECT_EQ(all.points, 14);
    EXPECT_EQ(all.labels.size(), 15);
    EXPECT_EQ(all.labels.first(), "Data"); // the grid's own header, in the run's language
    EXPECT_EQ(all.labelEvery, 0);
    ASSERT_EQ(all.series.size(), 1u);
    EXPECT_FALSE(all.series[0].values[0].has_value()); // the header
    EXPECT_EQ(all.series[0].values[1], 0.0);
    EXPECT_FALSE(all.series[0].values[14].has_value()); // the row being filled

    const live::ChartData none = live::chartWindow(table, 10, {});
    EXPECT_TRUE(none.zeroOnly);

    for (int r = 13; r < 1498; ++r) {
        table.setCell(0, QStringLiteral("t%1").arg(r));
        table.setCell(1, QString::number(r));
        table.completeRow();
    }
    ASSERT_EQ(table.gridRows(), 1500);
    const live::ChartData latest = live::chartWindow(table, 1000, {0, 9});
    EXPECT_EQ(latest.points, 1000);
    EXPECT_EQ(latest.labels.size(), 1001);
    EXPECT_EQ(latest.labels.first(), "t498");
    EXPECT_EQ(latest.labelEvery, 50);
    EXPECT_EQ(latest.tickEvery, 100);
    ASSERT_EQ(latest.series.size(), 2u);
    EXPECT_EQ(latest.series[1].box, 9);
    EXPECT_EQ(latest.series[1].name, "CH 9");
    EXPECT_EQ(latest.series[0].values[999], 1497.0);

    const auto& styles = live::seriesStyles();
    EXPECT_EQ(styles[0].red, 240);
    EXPECT_EQ(styles[0].styleCode, 1);
    EXPECT_EQ(styles[0].width, 30);
    EXPECT_EQ(styles[9].green, 80);
    EXPECT_EQ(styles[9].styleCode, 6);
    EXPECT_EQ(styles[9].width, 2);
}

TEST(ChartWindowTest, AllRowsOfALongSessionAreThinnedToTheWidth)
{
    live::SessionTable table;
    table.start(2);
    const int sets = 100000;
    for (int r = 0; r < sets; ++r) {
        table.setCell(0, QStringLiteral("t%1").arg(r));
        table.setCell(1, r == 77777 ? QStringLiteral("950.5") : QString::number(10 + r % 7));
        table.setCell(2, r == 5000 ? QStringLiteral("Timeout") : QString::number(-r));
        table.completeRow();
    }
    table.setCell(0, QStringLiteral("now"));
    table.setCell(1, QStringLiteral("3.25")); // the set being read
    const live::ChartData all = live::chartWindow(table, 0, {0, 1}, 500);
    ASSERT_TRUE(all.thinned);
    EXPECT_EQ(all.points, sets + 1);
    EXPECT_TRUE(all.labels.isEmpty());
    ASSERT_EQ(all.series.size(), 2u);
    for (const auto& series : all.series) {
        EXPECT_LE(series.points.size(), 2u * 500u + 1u);
        EXPECT_TRUE(std::is_sorted(series.points.begin(), series.points.end()));
    }
    // The one high reading among a hundred thousand is drawn, at its own row; so is the set being read.
    const auto& ch0 = all.series[0].points;
    EXPECT_NE(std::find(ch0.begin(), ch0.end(), std::pair<int, double>(77777 + 1, 950.5)), ch0.end());
    EXPECT_EQ(ch0.back(), (std::pair<int, double>(sets + 1, 3.25)));
    EXPECT_EQ(all.series[1].points.back().second, -(sets - 1.0));
    // Labels every P / 20 rows, the header first.
    EXPECT_EQ(all.labelEvery, 5000);
    ASSERT_EQ(all.categories.size(), 21);
    EXPECT_EQ(all.categories[0], (QPair<QString, int>("Data", 0)));
    EXPECT_EQ(all.categories[1], (QPair<QString, int>("t4999", 5000)));

    // The latest 1000 rows stay a window of rows, as before.
    EXPECT_FALSE(live::chartWindow(table, 1000, {0}, 500).thinned);
}

} // namespace
