// Numbers beyond what the program can hold, as a hostile logger or a damaged settings file sends
// them. This file is also built with the undefined-behaviour sanitizer, which turns a conversion
// out of range into a failure.

#include "link/numbers.h"

#include <QString>

#include <gtest/gtest.h>
#include <limits>

using namespace stazione::link;

TEST(NumbersRange, WholeNumbersAreHeldAtTheLimitsOfTheirType)
{
    constexpr long long kMax = std::numeric_limits<long long>::max();
    constexpr long long kMin = std::numeric_limits<long long>::min();
    EXPECT_EQ(integerValue(u"100000000000000000000"), kMax); // 1e20
    EXPECT_EQ(integerValue(u"-100000000000000000000"), kMin);
    EXPECT_EQ(integerValue(u"9223372036854775808"), kMax); // 2^63
    EXPECT_EQ(integerValue(u"-9223372036854775808"), kMin);
    EXPECT_EQ(integerValue(QString(400, QLatin1Char('9'))), kMax);
    EXPECT_EQ(integerValue(QLatin1Char('-') + QString(400, QLatin1Char('9'))), kMin);
    EXPECT_EQ(integerValue(QString(400, QLatin1Char('9')) + QStringLiteral(".5")), kMax);
    EXPECT_EQ(integerValue(u"4294967297"), 4294967297LL); // exact below the limits
    EXPECT_EQ(integerValue(u"-2147483649"), -2147483649LL);
}

TEST(NumbersRange, HugeValuesFormatWithoutFailing)
{
    EXPECT_EQ(formatNumber(1e20, pattern::kTemperature), "100000000000000000000.0");
    EXPECT_FALSE(formatNumber(1e300, pattern::kReading).isEmpty());
    EXPECT_EQ(formatNumber(QString(30, QLatin1Char('9')), pattern::kTwoDigits),
              QString(30, QLatin1Char('9')));
    EXPECT_EQ(plainNumber(u"1e5"), "1");
}
