#include "link/commands.h"

#include <gtest/gtest.h>

using namespace stazione::link::cmd;

namespace {
std::string wire(const Command& c)
{
    return c.wire().toStdString();
}
} // namespace

TEST(CommandsTest, IndicesGoInSignedNotationExceptGsmEntryTen)
{
    EXPECT_EQ(readIntervalPart(0).params, " 0,");
    EXPECT_EQ(readProperty(3).params, " 3,");
    EXPECT_EQ(readGsmEntry(3).params, " 3,");
    EXPECT_EQ(readGsmEntry(10).params, "10,");
    EXPECT_EQ(wire(writeGsmEntry(3, "3331234567")), "i 3,3331234567,");
    EXPECT_EQ(wire(writeGsmEntry(10, "2")), "i10,2,");
    EXPECT_EQ(wire(readAlarmEntry(46)), "J 46,");
    EXPECT_EQ(wire(writeGprsSetting(7, "21")), "k 7,21,");
    EXPECT_EQ(wire(writeGprsSetting(0, "")), "k 0,,");
}

TEST(CommandsTest, DatesSendTheYearCountedFrom1900)
{
    const Command clock = writeClock("5", "12", 2026, "14", "03", "07");
    EXPECT_EQ(clock.text, "g");
    EXPECT_EQ(clock.params, "5,12, 126,14,03,07,");
    EXPECT_EQ(writeClock("5", "12", 26, "14", "03", "07").params, "5,12,-1874,14,03,07,");
    EXPECT_EQ(wire(writeStartDate("5", "12", 2015, "8", "30", "0")), "y5,12, 115,8,30,0,");
    EXPECT_EQ(wire(writeStartDate("", "", 0, "1", "2", "")), "y,,-1900,1,2,,");
    EXPECT_EQ(wire(startNow()), "y13,10,75,00,00,00,");
    EXPECT_EQ(wire(readClock()), "G,");
    EXPECT_EQ(wire(readStartDate()), "Y,");
    EXPECT_EQ(wire(readEmailEnabled()), "Y");
}

TEST(CommandsTest, TwoStepCommandsSplitTheLetterFromTheValue)
{
    const TwoStep channels = writeChannelCount(8);
    EXPECT_EQ(wire(channels.first), "h");
    EXPECT_EQ(channels.second.text, " 8");
    EXPECT_EQ(channels.second.params, ",");
    EXPECT_EQ(writeChannelCount(0).second.text, " 0");

    const TwoStep enable = setAcquisitionEnabled(true);
    EXPECT_EQ(wire(enable.first), "o");
    EXPECT_EQ(enable.second.text, "1");
    EXPECT_EQ(enable.second.params, ",");
    EXPECT_EQ(setAcquisitionEnabled(false).second.text, "0");

    const TwoStep download = downloadRecords(true);
    EXPECT_EQ(wire(download.first), "A");
    EXPECT_EQ(wire(download.second), "1,");
    EXPECT_EQ(wire(downloadRecords(false).second), "0,");

    const QList<Command> text = writePersonalText({"ALLARME", "", "POZZO 3"});
    ASSERT_EQ(text.size(), 6);
    EXPECT_EQ(wire(text[0]), "x");
    EXPECT_EQ(text[1].text, "ALLARME");
    EXPECT_EQ(text[1].params, ",");
    EXPECT_EQ(wire(text[2]), ",");
    EXPECT_EQ(wire(text[3]), "POZZO 3,");
    EXPECT_EQ(wire(text[5]), ",");
}

TEST(CommandsTest, SwitchesKeepTheirOwnSpelling)
{
    EXPECT_EQ(wire(writeBatteryType(1)), "f 1,");
    EXPECT_EQ(wire(writeMiniPanel(0)), "u 0,");
    EXPECT_EQ(wire(switchEventCounter(true)), "u1,");
    EXPECT_EQ(wire(switchEventCounter(false)), "u0,");
    EXPECT_EQ(wire(readEventCounterSwitch()), "U,");
    EXPECT_EQ(wire(readMiniPanel()), "U");
    EXPECT_EQ(wire(setGsmEnabled(true)), "j1,");
    EXPECT_EQ(wire(setEmailEnabled(false)), "y0,");
    EXPECT_EQ(wire(writeAlarmEntry(3, "1")), "j 3,1,");
    EXPECT_EQ(wire(writePhoneAlarm("0471123456", " 1")), "f0471123456, 1,");
}

TEST(CommandsTest, DestructiveCommandsCarryTheConfirmationCode)
{
    EXPECT_EQ(wire(eraseMemory()), "b839,");
    EXPECT_EQ(wire(resetLogger()), "z839,");
    EXPECT_EQ(eraseMemory().text, "b");
}

TEST(CommandsTest, TheFullGsmListHasTwelveValuesAndKeepsBlanks)
{
    QStringList numbers(10);
    numbers[0] = "3331111111";
    numbers[9] = "3339999999";
    const Command list = writeGsmList(numbers, "2", "1");
    EXPECT_EQ(list.text, "i");
    EXPECT_EQ(list.params, "3331111111,,,,,,,,,3339999999,2,1,");
    EXPECT_EQ(list.params.count(','), 12);
    // A short list still sends ten numbers.
    EXPECT_EQ(writeGsmList({}, "", " 0").params, ",,,,,,,,,,, 0,");
}

TEST(CommandsTest, OtherRowsOfTheCatalogue)
{
    EXPECT_EQ(wire(identify()), "V");
    EXPECT_EQ(wire(writeIntervalPart(0, "001")), "c 0,001,");
    EXPECT_EQ(wire(writePreheating("01500")), "e01500,");
    EXPECT_EQ(wire(readMemoryState()), "M,");
    EXPECT_EQ(wire(readPreheating()), "E,");
    EXPECT_EQ(wire(readChannelCount()), "H");
    EXPECT_EQ(wire(readChannelCountForSession()), "H0,");
    EXPECT_EQ(wire(writeProperty(5, "1.25")), "r 5,1.25,");
    EXPECT_EQ(wire(writeStationName("POZZO 1")), "qPOZZO 1,");
    EXPECT_EQ(wire(writeRainAmount("")), ">,");
    EXPECT_EQ(wire(readEventCount()), "L,");
    EXPECT_EQ(wire(downloadCounted()), "a");
    EXPECT_EQ(wire(startContinuousMeasurement()), "P");
    EXPECT_EQ(wire(startContinuousReading()), "p");
}

TEST(CommandsTest, FixedLengthRepliesAreCutAtTheirPositions)
{
    const auto next = nextAcquisitionFields("x05xx12xx26xx14xx30x");
    EXPECT_EQ(next[0], "05");
    EXPECT_EQ(next[1], "12");
    EXPECT_EQ(next[2], "26");
    EXPECT_EQ(next[3], "14");
    EXPECT_EQ(next[4], "30");

    const auto clock = retryClockFields("005,012,015,014,030,");
    EXPECT_EQ(clock[0], "005");
    EXPECT_EQ(clock[2], "015");
    EXPECT_EQ(clock[4], "030");

    const auto memory = retryMemoryFields("16384,16200,");
    EXPECT_EQ(memory[0], "16384");
    EXPECT_EQ(memory[1], "16200");

    // A short reply gives what is there and nothing past its end.
    const auto partial = retryClockFields("005,01");
    EXPECT_EQ(partial[1], "01");
    EXPECT_EQ(partial[2], "");

    EXPECT_EQ(retry::channelDetail(4).length, 20);
    EXPECT_EQ(retry::clock().length, 19);
    EXPECT_EQ(wire(retry::clock().command), "G");
    EXPECT_EQ(wire(retry::nextAcquisition().command), "N");
}
