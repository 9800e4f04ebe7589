// Sensor properties, GSM numbers and switches, GPRS, analog alarms and the personal text: the
// exchanges against a logger played from a script.

#include "alarms/analog_alarms.h"
#include "alarms/messaging.h"
#include "config/sensor_properties.h"
#include "link/link.h"
#include "link/timing.h"
#include "support/scripted_logger.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;
using namespace stazione;
using stazione::testing::FakePortFixture;
using stazione::testing::ScriptedLogger;

namespace {

using MessagingTest = stazione::testing::ScriptedConnection;

TEST_F(MessagingTest, PropertySlotsDependOnTheModel)
{
    EXPECT_EQ(config::propertyStride("KVE_M410_M610"), 2);
    EXPECT_EQ(config::propertyStride("KVE_M610_M410"), 4);
    EXPECT_EQ(config::propertyStride("KVE_M510HX"), 4);
    EXPECT_EQ(config::propertyStride(""), 4);

    // The base model, two channels: slots 0 2 4 6 8 and 1 3 5 7 9.
    for (int slot : {0, 2, 4, 6, 8, 1, 3, 5, 7, 9})
        logger.expect(QByteArray("R ") + QByteArray::number(slot) + ",",
                      QByteArray(" v") + QByteArray::number(slot) + " ,");
    QList<int> channelsDone;
    auto rows = config::readProperties(link, "KVE_M410_M610", 2,
                                       [&](int i, const config::ChannelProperties&) { channelsDone << i; });
    ASSERT_TRUE(rows.ok()) << rows.error().message.toStdString();
    EXPECT_EQ(logger.received, "R 0,R 2,R 4,R 6,R 8,R 1,R 3,R 5,R 7,R 9,");
    // The name comes as received, the numbers without the blanks around them.
    EXPECT_EQ((*rows)[0][0], " v0 ");
    EXPECT_EQ((*rows)[0][1], "v2");
    EXPECT_EQ((*rows)[1][4], "v9");
    EXPECT_EQ(channelsDone, (QList<int>{0, 1}));

    EXPECT_EQ(config::propertySlot(3, 0, 4), 3);
    EXPECT_EQ(config::propertySlot(3, 4, 4), 19);
    EXPECT_FALSE(config::propertySlotsCollide(2, 2));
    EXPECT_TRUE(config::propertySlotsCollide(3, 2));
    EXPECT_FALSE(config::propertySlotsCollide(4, 4));
    EXPECT_TRUE(config::propertySlotsCollide(5, 4));
}

TEST_F(MessagingTest, PropertyWritesTrimNumbersButNotNames)
{
    QList<config::ChannelProperties> rows(4, {"", "", "", "", ""});
    rows[3] = {"  STAZ ", " 1.5", "2.5 ", "0", " 100 "};
    QByteArray earlier;
    for (int i = 0; i < 3; ++i) {
        for (int k = 0; k < 5; ++k) {
            const QByteArray command = "r " + QByteArray::number(k * 4 + i) + ",,";
            logger.expect(command, "OK,");
            earlier += command;
        }
    }
    logger.expect("r 3,  STAZ ,", "OK,");
    logger.expect("r 7,1.5,", "OK,");
    logger.expect("r 11,2.5,", "ER,");
    logger.expect("r 15,0,", "OK,");
    logger.expect("r 19,100,", "OK,");
    QStringList captions;
    auto written = config::writeProperties(link, "KVE_M510HX", rows, [&](int i, int, bool accepted) {
        captions << (accepted ? config::propertySentCaption(i) : QStringLiteral("Parametro non registrato"));
    });
    ASSERT_TRUE(written.ok()) << written.error().message.toStdString();
    EXPECT_EQ(logger.received, earlier + "r 3,  STAZ ,r 7,1.5,r 11,2.5,r 15,0,r 19,100,");
    EXPECT_EQ((*written)[3], (std::array<bool, 5>{true, true, false, true, true}));
    EXPECT_EQ(captions[15], "Trasmissione parametro 3OK");
    EXPECT_EQ(captions[17], "Parametro non registrato");
    EXPECT_EQ(captions[18], "Trasmissione parametro 3OK");
}

// The logger needs 10 ms after each value it kept before the next command, a channel's
// properties 10 ms more; a refused value is followed at once. Counted as the pauses asked for
// (each parameter character is followed by its own 1/100 s), so the load of the machine does
// not matter.
TEST_F(MessagingTest, OnlyKeptValuesAndWholeChannelsArePausedAfter)
{
    // Each command is one letter, then its parameter characters.
    const auto pausedDuring = [this](int commands, const auto& write) {
        const auto before = link::pausesRequested();
        const qsizetype sent = logger.received.size();
        EXPECT_TRUE(write().ok());
        const qsizetype parameterCharacters = logger.received.size() - sent - commands;
        return (link::pausesRequested() - before).count() - parameterCharacters * link::scaled(10ms).count();
    };
    const auto cell = link::scaled(100ms).count();

    for (int k = 0; k < 10; ++k)
        logger.expect("r " + QByteArray::number(k % 5 * 4 + k / 5) + ",,", k == 1 || k == 7 ? "ER," : "OK,");
    const QList<config::ChannelProperties> channels(2, {"", "", "", "", ""});
    EXPECT_EQ(pausedDuring(10, [&] { return config::writeProperties(link, "KVE_M510HX", channels); }),
              8 * cell + 2 * cell);

    for (int e = 0; e < 6; ++e)
        logger.expect("j " + QByteArray::number(e) + ",", e == 4 ? "ER," : "OK,");
    const QList<alarms::AlarmRow> rows(2);
    EXPECT_EQ(pausedDuring(6, [&] { return alarms::writeAlarmRows(link, rows); }), 5 * cell);
    EXPECT_TRUE(logger.scriptDone());
}

TEST_F(MessagingTest, GsmEntriesAreReadInOrderAndEntryTenHasNoBlank)
{
    for (int i = 0; i < 10; ++i)
        logger.expect("I " + QByteArray::number(i) + ",", " 33300" + QByteArray::number(i) + " ,");
    logger.expect("I10,", "2,");
    auto entries = alarms::readGsmEntries(link);
    ASSERT_TRUE(entries.ok()) << entries.error().message.toStdString();
    EXPECT_EQ(logger.received, "I 0,I 1,I 2,I 3,I 4,I 5,I 6,I 7,I 8,I 9,I10,");
    EXPECT_EQ(entries->at(3), "333003");
    EXPECT_EQ(entries->at(10), "2");

    EXPECT_EQ(alarms::gsmSentCaption(3), "Trasmissione parametro  3 : OK");
    EXPECT_EQ(alarms::gsmSentCaption(10), "Trasmissione parametro 10 : OK");
    EXPECT_EQ(alarms::gprsSentCaption(7), "Trasmissione parametro  7 : OK");
}

TEST_F(MessagingTest, GsmWritesGoOnAfterARefusal)
{
    QStringList values(11);
    values[3] = " 3331234567 ";
    values[10] = "2";
    for (int i = 0; i < 10; ++i)
        logger.expect("i " + QByteArray::number(i) + "," + values[i].trimmed().toLatin1() + ",",
                      i == 5 ? "ER," : "OK,");
    logger.expect("i10,2,", "OK,");
    auto written = alarms::writeGsmEntries(link, values);
    ASSERT_TRUE(written.ok()) << written.error().message.toStdString();
    EXPECT_TRUE(logger.received.contains("i 3,3331234567,"));
    EXPECT_TRUE(logger.received.endsWith("i10,2,"));
    EXPECT_FALSE((*written)[5]);
    EXPECT_TRUE((*written)[10]);
}

TEST_F(MessagingTest, TheSmsSwitchSendsTheWholeListThenThePhone)
{
    QStringList entries(11);
    entries[0] = " 3331111111";
    entries[10] = "1 ";
    ASSERT_TRUE(alarms::sendAlarmSwitches(link, entries, "1", " 0471 ", " 0").ok());
    EXPECT_EQ(logger.received, "i3331111111,,,,,,,,,,1,1,f0471, 0,");
    // Each parameter character goes alone: the list is 12 values long on the wire.
    EXPECT_EQ(fx.device->writes[0].bytes, "i");
}

TEST_F(MessagingTest, GprsSettings)
{
    QStringList values(10);
    values[7] = " 21 ";
    for (int i = 0; i < 10; ++i)
        logger.expect("k " + QByteArray::number(i) + "," + values[i].trimmed().toLatin1() + ",", "OK,");
    auto written = alarms::writeGprsSettings(link, values);
    ASSERT_TRUE(written.ok());
    EXPECT_TRUE(logger.received.contains("k 7,21,"));
    EXPECT_TRUE(logger.received.startsWith("k 0,,"));
    EXPECT_EQ(alarms::gprsLabels()[7], "FTP PORTA");
    EXPECT_EQ(alarms::gprsLabels()[9], "INVIA SEMPRE TUTTO");

    logger.expect("y0,", "");
    logger.expect("Y", "0,");
    auto mail = alarms::setEmailEnabled(link, false);
    ASSERT_TRUE(mail.ok());
    EXPECT_EQ(*mail, 0);
}

TEST_F(MessagingTest, AlarmRowsUseThreeEntriesEach)
{
    // Row 15 owns 45, 46 and 47.
    QList<alarms::AlarmRow> rows(16);
    rows[15] = {" 1 ", " 80.5", "-10 "};
    for (int i = 0; i < 16; ++i)
        for (int e = 0; e < 3; ++e)
            logger.expect("j " + QByteArray::number(3 * i + e) + ",", "OK,");
    auto written = alarms::writeAlarmRows(link, rows);
    ASSERT_TRUE(written.ok()) << written.error().message.toStdString();
    EXPECT_TRUE(logger.received.endsWith("j 45,1,j 46,80.5,j 47,-10,"));
    EXPECT_EQ(alarms::alarmSentCaption(3), "Trasmissione parametro 3OK");

    ScriptedLogger reader(*fx.device);
    for (int e = 0; e < 6; ++e)
        reader.expect("J " + QByteArray::number(e) + ",", e % 3 == 0 ? " 1 ," : " 12.5 ,");
    auto read = alarms::readAlarmRows(link, 2);
    ASSERT_TRUE(read.ok());
    EXPECT_EQ(reader.received, "J 0,J 1,J 2,J 3,J 4,J 5,");
    EXPECT_EQ((*read)[1].state, " 1 "); // as received
    EXPECT_EQ((*read)[1].upper, "12.5");
}

TEST_F(MessagingTest, ThePersonalTextGoesOneLinePerTransmission)
{
    ASSERT_TRUE(alarms::writePersonalText(link, {"ALLARME", "POZZO 3", "", "LIVELLO", "ALTO"}).ok());
    EXPECT_EQ(logger.received, "xALLARME,POZZO 3,,LIVELLO,ALTO,X");
    // Each line's text is one write, its comma another.
    QList<QByteArray> writes;
    for (const auto& w : fx.device->writes)
        writes << w.bytes;
    EXPECT_EQ(writes, (QList<QByteArray>{"x", "ALLARME", ",", "POZZO 3", ",", "", ",", "LIVELLO", ",", "ALTO",
                                         ",", "X"}));
}

} // namespace
