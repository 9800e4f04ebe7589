#include "link/numbers.h"

#include <gtest/gtest.h>

using namespace stazione::link;

TEST(NumbersTest, NumericValueTakesTheLeadingNumberOnly)
{
    EXPECT_EQ(numericValue(u"12"), 12.0);
    EXPECT_EQ(numericValue(u"  12abc"), 12.0);
    EXPECT_EQ(numericValue(u" 5"), 5.0);
    EXPECT_EQ(numericValue(u"-1874"), -1874.0);
    EXPECT_EQ(numericValue(u"12.6V"), 12.6);
    EXPECT_EQ(numericValue(u".5"), 0.5);
    EXPECT_EQ(numericValue(u"007"), 7.0);
    EXPECT_EQ(numericValue(u""), 0.0);
    EXPECT_EQ(numericValue(u"%%"), 0.0);
    EXPECT_EQ(numericValue(u"abc12"), 0.0);
    EXPECT_EQ(numericValue(u"-"), 0.0);
    EXPECT_EQ(numericValue(u"1,5"), 1.0);

    EXPECT_EQ(integerValue(u"05"), 5);
    EXPECT_EQ(integerValue(u"1\r\n"), 1);
    EXPECT_EQ(integerValue(u"  "), 0);
    EXPECT_EQ(integerValue(u"2.5"), 2); // halves to even
    EXPECT_EQ(integerValue(u"3.5"), 4);
}

TEST(NumbersTest, SignedNotationPutsABlankBeforeNonNegativeNumbers)
{
    EXPECT_EQ(signedNotation(3), " 3");
    EXPECT_EQ(signedNotation(0), " 0");
    EXPECT_EQ(signedNotation(126), " 126");
    EXPECT_EQ(signedNotation(-1874), "-1874");
}

TEST(NumbersTest, PatternsPadAndRoundLikeTheBoxesShowThem)
{
    EXPECT_EQ(formatNumber(u"7", pattern::kTwoDigits), "07");
    EXPECT_EQ(formatNumber(u"07", pattern::kTwoDigits), "07");
    EXPECT_EQ(formatNumber(u"2026", pattern::kTwoDigits), "2026");
    EXPECT_EQ(formatNumber(u"5", pattern::kThreeDigits), "005");
    EXPECT_EQ(formatNumber(u" 5 ", pattern::kThreeDigits), "005");
    EXPECT_EQ(formatNumber(u"1500", pattern::kFiveDigits), "01500");
    EXPECT_EQ(formatNumber(u"0", pattern::kFiveDigits), "00000");
    EXPECT_EQ(formatNumber(u"-5", pattern::kFiveDigits), "-00005");
    EXPECT_EQ(formatNumber(u"12.6", pattern::kVoltage), "12.60");
    EXPECT_EQ(formatNumber(u"7.25", pattern::kVoltage), "07.25");
    EXPECT_EQ(formatNumber(u"23.46", pattern::kTemperature), "023.5");
    EXPECT_EQ(formatNumber(u"-3.04", pattern::kTemperature), "-003.0");
    EXPECT_EQ(formatNumber(u"12.3456", pattern::kReading), "12.346");
    EXPECT_EQ(formatNumber(u"5", pattern::kReading), "5.0");
    EXPECT_EQ(formatNumber(u"0.1", pattern::kReading), "0.1");
    EXPECT_EQ(formatNumber(u"2500.1234", pattern::kReading), "2500.123");
}

TEST(NumbersTest, RoundingWorksOnTheDecimalDigitsNotOnABinaryApproximation)
{
    EXPECT_EQ(formatNumber(u"23.45", pattern::kTemperature), "023.5");
    EXPECT_EQ(formatNumber(23.45, pattern::kTemperature), "023.5");
    EXPECT_EQ(formatNumber(u"99.95", pattern::kTemperature), "100.0");
    EXPECT_EQ(formatNumber(u"9.995", pattern::kVoltage), "10.00");
    EXPECT_EQ(formatNumber(u"-0.04", pattern::kTemperature), "000.0");
    EXPECT_EQ(formatNumber(u"7.5", pattern::kTwoDigits), "08");
    EXPECT_EQ(formatNumber(u"1.0005", pattern::kReading), "1.001");
    EXPECT_EQ(formatNumber(12.6, pattern::kVoltage), "12.60");
}

TEST(NumbersTest, TextThatIsNotANumberComesBackUnchanged)
{
    EXPECT_EQ(formatNumber(u"abc", pattern::kFiveDigits), "abc");
    EXPECT_EQ(formatNumber(u"12abc", pattern::kFiveDigits), "12abc");
    EXPECT_EQ(formatNumber(u"", pattern::kTwoDigits), "");
    EXPECT_EQ(formatNumber(u"%%", pattern::kReading), "%%");
    EXPECT_FALSE(isNumber(u"1.2.3"));
    EXPECT_TRUE(isNumber(u" -0.5 "));
}
