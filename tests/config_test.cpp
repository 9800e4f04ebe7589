// The exchanges behind the main window's settings, against a logger played from a script.

#include "config/channels.h"
#include "config/clock_schedule.h"
#include "config/preheating.h"
#include "config/start_date.h"
#include "config/station.h"
#include "data/file_names.h"
#include "link/link.h"
#include "link/timing.h"
#include "session/retrieval.h"
#include "support/scripted_logger.h"

#include <QRegularExpression>

#include <ctime>
#include <gtest/gtest.h>

using namespace std::chrono_literals;
using namespace stazione;
using stazione::testing::FakePortFixture;
using stazione::testing::ScriptedLogger;

namespace {

using ConfigTest = stazione::testing::ScriptedConnection;

// The logger keeps local wall time. At the end of summer time 02:00-03:00 comes twice; a logger
// that shows the PC's wall time is right in both passes, and a drift is the same seconds either way.
TEST(ClockDrift, TheRepeatedHourIsJudgedOnTheWallClockInBothPasses)
{
    const QByteArray before = qgetenv("TZ");
    qputenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3");
    ::tzset();
    // 25 October 2026, 02:30:00 local: first at 00:30 UTC (summer time), then at 01:30 UTC.
    const QDateTime firstPass = QDateTime(QDate(2026, 10, 25), QTime(0, 30), Qt::UTC);
    const QDateTime secondPass = firstPass.addSecs(3600);
    ASSERT_EQ(firstPass.toLocalTime().offsetFromUtc(), 7200); // the rule is in force
    ASSERT_EQ(secondPass.toLocalTime().offsetFromUtc(), 3600);
    ASSERT_EQ(firstPass.toLocalTime().time(), secondPass.toLocalTime().time());
    const config::DateFields right{"25", "10", "2026", "02", "30", "03"};
    EXPECT_EQ(config::clockDrift(right, firstPass), 3);
    EXPECT_EQ(config::clockDrift(right, secondPass), 3);
    EXPECT_EQ(config::clockDrift(right, secondPass.toLocalTime()), 3);
    const config::DateFields behind{"25", "10", "2026", "02", "25", "00"};
    EXPECT_EQ(config::clockDrift(behind, firstPass), -300);
    EXPECT_EQ(config::clockDrift(behind, secondPass), -300);
    // Past the repeated hour a logger still on summer time is an hour ahead, as it is.
    const config::DateFields summer{"25", "10", "2026", "04", "30", "00"};
    EXPECT_EQ(config::clockDrift(summer, secondPass.addSecs(3600)), 3600);
    // The hour skipped in spring is no hole either: 02:30 on 29 March is a reading like any other.
    const QDateTime spring = QDateTime(QDate(2026, 3, 29), QTime(1, 0, 10), Qt::UTC); // 03:00:10 local
    EXPECT_EQ(config::clockDrift({"29", "03", "2026", "02", "59", "50"}, spring), -20);
    EXPECT_FALSE(config::clockDrift({"31", "02", "2026", "10", "00", "00"}, spring).has_value());
    if (before.isNull())
        qunsetenv("TZ");
    else
        qputenv("TZ", before);
    ::tzset();
}

TEST_F(ConfigTest, ClockWriteSendsTheBoxesAsTypedAndTheYearFrom1900)
{
    logger.expect("g5,12, 126,14,03,07,", "OK,");
    logger.expect("G,", "05,12,2026,14,03,08,");
    logger.expect("Y,", "13,10,1975,0,0,0,");
    auto written = config::writeClock(link, {"5", "12", "2026", "14", "03", "07"});
    ASSERT_TRUE(written.ok()) << written.error().message.toStdString();
    EXPECT_TRUE(written->accepted);
    ASSERT_TRUE(written->clock.has_value());
    EXPECT_EQ(*written->clock, (config::DateFields{"5", "12", "2026", "14", "03", "08"}));
    ASSERT_TRUE(written->startDate.has_value());
    EXPECT_EQ(*written->startDate, (config::DateFields{"13", "10", "1975", "00", "00", "00"}));
    EXPECT_TRUE(logger.scriptDone());
}

TEST_F(ConfigTest, ARefusedClockIsNotReadBackAndATwoDigitYearGoesAsIs)
{
    logger.expect("g1,1,-1874,0,0,0,", "ER,");
    auto written = config::writeClock(link, {"1", "1", "26", "0", "0", "0"});
    ASSERT_TRUE(written.ok());
    EXPECT_FALSE(written->accepted);
    EXPECT_FALSE(written->clock.has_value());
    EXPECT_EQ(logger.received, "g1,1,-1874,0,0,0,");
}

TEST_F(ConfigTest, TheTimeCheckLooksAtHourAndMinuteOnly)
{
    EXPECT_TRUE(config::timeIsValid("23", "59"));
    EXPECT_TRUE(config::timeIsValid("0", "0"));
    EXPECT_FALSE(config::timeIsValid("24", "0"));
    EXPECT_FALSE(config::timeIsValid("12", "60"));
    EXPECT_FALSE(config::timeIsValid("-1", "0"));
    EXPECT_TRUE(config::timeIsValid("abc", "")); // not numbers: value 0
}

TEST_F(ConfigTest, ReadsShowTheDateAsTheBoxesDo)
{
    EXPECT_EQ(config::dateFieldsForDisplay({"05", "007", "2026", "7", "4", "9"}),
              (config::DateFields{"5", "7", "2026", "07", "04", "09"}));
    EXPECT_EQ(config::dateFieldsForDisplay({"x", "", "26", "", "x", "123"}),
              (config::DateFields{"0", "0", "26", "00", "00", "123"}));
}

TEST_F(ConfigTest, TheIntervalCheckPadsAndRefuses)
{
    auto ok = config::checkInterval({"1", "0", "0"}, false);
    EXPECT_TRUE(ok.ok);
    EXPECT_EQ(ok.boxes, (std::array<QString, 3>{"001", "000", "000"}));

    // Out of range: refused before padding, the boxes stay as typed.
    auto hours = config::checkInterval({"24", "0", "0"}, false);
    EXPECT_FALSE(hours.ok);
    EXPECT_EQ(hours.boxes[0], "24");
    EXPECT_FALSE(config::checkInterval({"0", "60", "0"}, false).ok);
    EXPECT_FALSE(config::checkInterval({"0", "0", "-1"}, false).ok);

    // Too short: refused after padding, the boxes keep the padded text.
    auto zero = config::checkInterval({"0", "0", "0"}, false);
    EXPECT_FALSE(zero.ok);
    EXPECT_EQ(zero.boxes, (std::array<QString, 3>{"000", "000", "000"}));
    EXPECT_FALSE(config::checkInterval({"0", "0", "59"}, false).ok);
    EXPECT_TRUE(config::checkInterval({"0", "1", "0"}, false).ok);
    EXPECT_FALSE(config::checkInterval({"0", "9", "59"}, true).ok);
    EXPECT_TRUE(config::checkInterval({"0", "10", "0"}, true).ok);

    // A part that is not a number cannot make an interval.
    auto text = config::checkInterval({"1", "x", "0"}, false);
    EXPECT_FALSE(text.ok);
    EXPECT_EQ(text.boxes[1], "x");
}

TEST_F(ConfigTest, ARefusedMiddlePartDoesNotStopTheOthers)
{
    logger.expect("c 0,001,", "OK,");
    logger.expect("c 1,030,", "ER,");
    logger.expect("c 2,000,", "OK,");
    QList<std::pair<int, bool>> seen;
    auto written = config::writeInterval(link, {"001", "030", "000"}, [&](int i, bool accepted) {
        seen.append({i, accepted});
    });
    ASSERT_TRUE(written.ok());
    EXPECT_EQ(*written, (std::array<bool, 3>{true, false, true}));
    EXPECT_EQ(logger.received, "c 0,001,c 1,030,c 2,000,");
    EXPECT_EQ(seen, (QList<std::pair<int, bool>>{{0, true}, {1, false}, {2, true}}));
}

TEST_F(ConfigTest, NextAcquisitionIsCutAtItsPlaces)
{
    logger.expect("D", " 05, 12, 26, 14, 30,");
    auto next = config::readNextAcquisition(link);
    ASSERT_TRUE(next.ok());
    EXPECT_TRUE(next->complete);
    EXPECT_EQ(next->fields, (std::array<QString, 5>{"05", "12", "2026", "14", "30"}));

    // A year that is not a number: what came before it is kept, the rest left out.
    const auto broken = config::nextAcquisitionFromReply("x05xx12xxAAxx14xx30x");
    EXPECT_FALSE(broken.complete);
    EXPECT_EQ(broken.fields[1], "12");
    EXPECT_EQ(broken.fields[2], "");
    EXPECT_EQ(broken.fields[3], "");
}

TEST_F(ConfigTest, TheAcquisitionSwitchSendsTheDigitInASecondStep)
{
    logger.expect("o", "");
    logger.expect("1,", "");
    logger.expect("O", "1,");
    auto state = config::setAcquisitionEnabled(link, true);
    ASSERT_TRUE(state.ok()) << state.error().message.toStdString();
    EXPECT_EQ(*state, 1);
    EXPECT_EQ(logger.received, "o1,O");
    // The digit is its own transmission, after the pause.
    ASSERT_GE(fx.device->writes.size(), 3);
    EXPECT_EQ(fx.device->writes[1].bytes, "1");
    EXPECT_GE(fx.device->writes[1].atMs - fx.device->writes[0].atMs, link::scaled(500ms).count());
}

TEST_F(ConfigTest, MemoryStateIsNotAskedWithoutChannels)
{
    logger.expect("H", "0,000,");
    auto none = config::readMemoryState(link);
    ASSERT_TRUE(none.ok());
    EXPECT_FALSE(none->has_value());
    EXPECT_EQ(logger.received, "H");

    logger.expect("H", "2,001,001,000,");
    logger.expect("M,", "16384,16264,");
    auto state = config::readMemoryState(link);
    ASSERT_TRUE(state.ok());
    ASSERT_TRUE(state->has_value());
    EXPECT_EQ((*state)->possible, "16384");
    EXPECT_EQ((*state)->available, "16264");
}

TEST_F(ConfigTest, PreheatingLimitAndPadding)
{
    EXPECT_EQ(config::preheatingToSend("30000"), std::optional<QString>("30000"));
    EXPECT_EQ(config::preheatingToSend("30001"), std::nullopt);
    EXPECT_EQ(config::preheatingToSend("1500"), std::optional<QString>("01500"));
    EXPECT_EQ(config::preheatingToSend("0"), std::optional<QString>("00000"));
    EXPECT_EQ(config::preheatingToSend("-5"), std::optional<QString>("-00005"));
    EXPECT_EQ(config::preheatingToSend("abc"), std::optional<QString>("abc"));
    ASSERT_TRUE(config::writePreheating(link, "01500").ok());
    EXPECT_EQ(logger.received, "e01500,");
}

TEST_F(ConfigTest, TheChannelWriteErasesFirstThenSendsTheCountInTwoSteps)
{
    logger.expect("b839,", "");
    logger.expect("h", "");
    logger.expect(" 8,", "OK,");
    logger.expect("H", "8,001,001,001,001,001,001,001,001,000,");
    logger.expect("H", "8,001,001,001,001,001,001,001,001,000,");
    logger.expect("M,", "04096,04096,");
    auto written = config::writeChannelCount(link, 8);
    ASSERT_TRUE(written.ok()) << written.error().message.toStdString();
    EXPECT_TRUE(written->accepted);
    EXPECT_EQ(written->channels, "8");
    ASSERT_TRUE(written->memory.has_value());
    EXPECT_EQ(logger.received, "b839,h 8,HHM,");
    EXPECT_EQ(config::correctedChannelBox("17"), std::optional<QString>("0"));
    EXPECT_EQ(config::correctedChannelBox("-1"), std::optional<QString>("0"));
    EXPECT_EQ(config::correctedChannelBox("16"), std::nullopt);
    EXPECT_EQ(config::correctedChannelBox("abc"), std::nullopt);
}

TEST_F(ConfigTest, StationAndPowerSupply)
{
    logger.expect("W", "12.6,");
    logger.expect("W", "7.25,");
    EXPECT_EQ(*config::readBatteryVoltage(link), "12.60");
    EXPECT_EQ(*config::readBatteryVoltage(link), "07.25");

    logger.expect("qSTAZ1,", "OK,");
    auto name = config::writeStationName(link, "STAZ1");
    ASSERT_TRUE(name.ok());
    EXPECT_TRUE(*name);

    logger.expect("f 1,", "ER,");
    logger.expect("F", "0,");
    auto battery = config::writeBatteryType(link, 1);
    ASSERT_TRUE(battery.ok());
    EXPECT_FALSE(battery->accepted);
    EXPECT_EQ(battery->readBack, 0);

    logger.expect("u0,", "");
    logger.expect("U,", "0,");
    auto counter = config::switchEventCounter(link, false);
    ASSERT_TRUE(counter.ok());
    EXPECT_EQ(*counter, 0);

    logger.expect(">,", "");
    logger.expect("<", " 0.2 ,");
    auto rain = config::writeRainAmount(link, "");
    ASSERT_TRUE(rain.ok());
    EXPECT_EQ(*rain, "0.2");
    EXPECT_EQ(logger.received, "WWqSTAZ1,f 1,Fu0,U,>,<");
}

TEST_F(ConfigTest, StartDateWriteAndTheImmediateStart)
{
    logger.expect("y5,12, 115,8,30,0,", "");
    logger.expect("Y,", "5,12,2015,8,30,0,");
    auto date = config::writeStartDate(link, {"5", "12", "2015", "8", "30", "0"});
    ASSERT_TRUE(date.ok()) << date.error().message.toStdString();
    EXPECT_EQ(*date, (config::DateFields{"5", "12", "2015", "08", "30", "00"}));

    logger.expect("y13,10,75,00,00,00,", "");
    logger.expect("Y,", "13,10,1975,0,0,0,");
    ASSERT_TRUE(config::startNow(link).ok());
    EXPECT_EQ(logger.received, "y5,12, 115,8,30,0,Y,y13,10,75,00,00,00,Y,");
}

TEST(RetrievalTest, StatusLinesAndStepsForEachModel)
{
    FakePortFixture fx;
    link::setTimeScale(0.05);
    link::Link link(*fx.port);
    for (const QString modello : {"KVE_M410_M610", "KVE_M610_M410", "KVE_M510HX"}) {
        QStringList lines;
        QList<session::RetrievalStep> done;
        auto outcome = session::runRetrieval(
            link, modello,
            [&](session::RetrievalStep s) {
                done << s;
                return link::Status();
            },
            [&](const QString& line) { lines << line; });
        ASSERT_TRUE(outcome.ok());
        const bool hx = modello == "KVE_M510HX";
        EXPECT_EQ(lines.size(), hx ? 9 : 12) << modello.toStdString();
        EXPECT_EQ(lines.first(), "Recupero dei Parametri interni");
        EXPECT_EQ(lines.filter(QRegularExpression(": OK$")).size(), hx ? 8 : 11);
        EXPECT_EQ(done.contains(session::RetrievalStep::Preheating), !hx);
        EXPECT_EQ(done.contains(session::RetrievalStep::MiniPanel), !hx);
        EXPECT_EQ(done.first(), session::RetrievalStep::Channels);
        EXPECT_EQ(done.last(), session::RetrievalStep::NextAcquisition);
        EXPECT_EQ(lines.last(), hx ? "Stato Abilitazione: OK" : "Minipannello: OK");
    }

    QStringList lines;
    auto failed = session::runRetrieval(
        link, "KVE_M610_M410",
        [&](session::RetrievalStep s) {
            link::Error silent = link::Error::timedOut("The logger on COM3 did not answer within 10 s.");
            silent.comPort = 3;
            silent.waitedMs = 10000;
            return s == session::RetrievalStep::BatteryVoltage ? link::Status(silent) : link::Status();
        },
        [&](const QString& line) { lines << line; });
    ASSERT_FALSE(failed.ok());
    EXPECT_EQ(lines.last(), "Tensione di Batteria: NON RIUSCITO - nessuna risposta da COM3 in 10 s");
    EXPECT_EQ(lines.size(), 7);
}

TEST(FileNamesTest, TheDataFileNameCarriesTheStationAndTheDate)
{
    EXPECT_EQ(data::dataFileName("Pozzo1", QDate(2026, 12, 5)), "Pozzo1_05_12_26.txt");
    EXPECT_EQ(data::dataFileName("", QDate(2026, 12, 5)), "_05_12_26.txt");
    EXPECT_EQ(data::dataFileName("../etc/x", QDate(2026, 1, 31)), ".._etc_x_31_01_26.txt");
    EXPECT_EQ(data::safeStationName("A:B*C?\"<>|\\"), "A_B_C______");
    EXPECT_EQ(data::safeStationName(QString::fromUtf8("Pozzo°1")), QString::fromUtf8("Pozzo°1"));
}

} // namespace
