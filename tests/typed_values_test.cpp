// Typed values that the logger would take for commands: refused before the first byte of their
// write goes out, by every write of the core.

#include "alarms/analog_alarms.h"
#include "alarms/messaging.h"
#include "config/clock_schedule.h"
#include "config/preheating.h"
#include "config/sensor_properties.h"
#include "config/start_date.h"
#include "config/station.h"
#include "link/typed_values.h"
#include "modem/modem.h"
#include "support/scripted_logger.h"

#include <gtest/gtest.h>

using namespace stazione;

namespace {

TEST(TypedValuesTest, CommasControlsAndWideCharactersAreRefused)
{
    using link::refusedCharacter;
    using link::TypedFor;
    EXPECT_FALSE(refusedCharacter(u"POZZO 1"));
    EXPECT_FALSE(refusedCharacter(u""));
    EXPECT_FALSE(refusedCharacter(u"Città -5.25 ~ \u00ff")); // all of Latin-1 above the controls goes
    EXPECT_EQ(refusedCharacter(u"X,b839,"), U',');
    EXPECT_EQ(refusedCharacter(u"ab\rz839"), U'\r');
    EXPECT_EQ(refusedCharacter(u"a\tb"), U'\t');
    EXPECT_EQ(refusedCharacter(u"a\x7f"), U'\x7f');
    EXPECT_EQ(refusedCharacter(QString(QChar(0)) + "x"), U'\0');
    EXPECT_EQ(refusedCharacter(u"Pozzo€1"), U'€');
    EXPECT_EQ(refusedCharacter(u"p\U0001F600"), U'\U0001F600'); // one character, not two halves
    EXPECT_EQ(refusedCharacter(QString(QChar(0xd800)) + "a"), U'\xfffd');

    // A dial string may pause with a comma; a CR would end the AT command early.
    EXPECT_FALSE(refusedCharacter(u"0,471123456", TypedFor::Modem));
    EXPECT_EQ(refusedCharacter(u"0471\r+++", TypedFor::Modem), U'\r');

    const link::Status comma = link::checkTyped("Nome_Centralina", "X,b839,");
    ASSERT_FALSE(comma.ok());
    EXPECT_EQ(comma.error().kind, link::ErrorKind::Refused);
    EXPECT_EQ(comma.error().box, "Nome_Centralina");
    EXPECT_TRUE(comma.error().message.startsWith("Il campo Nome_Centralina contiene la virgola \",\""));
    const link::Status euro = link::checkTyped("Nome_Centralina", "Pozzo€1");
    EXPECT_TRUE(euro.error().message.contains("\"€\" (U+20AC)")) << euro.error().message.toStdString();
    const link::Status control = link::checkTyped("GPRS_2", "apn\n");
    EXPECT_TRUE(control.error().message.contains("GPRS_2 contiene il carattere di controllo 10"));

    // Of many boxes, the first refused one is named.
    const link::Status many = link::checkTyped(link::typedArray("GPRS", QStringList{"a", "b,", "c\r"}));
    EXPECT_EQ(many.error().box, "GPRS_1");
    EXPECT_TRUE(link::checkTyped(link::typedArray("GPRS", QStringList{"a", "b"})).ok());
}

using RefusedWriteTest = stazione::testing::ScriptedConnection;

// The error of a write that must not have sent anything.
template<class R>
void expectRefusedUnsent(const R& outcome, const QString& box, const stazione::testing::FakeDevice& device)
{
    ASSERT_FALSE(outcome.ok()) << box.toStdString();
    EXPECT_EQ(outcome.error().kind, link::ErrorKind::Refused);
    EXPECT_EQ(outcome.error().box, box);
    EXPECT_TRUE(outcome.error().message.contains(box));
    EXPECT_EQ(device.written(), QByteArray()) << box.toStdString();
}

TEST_F(RefusedWriteTest, TheHostileValuesOfTheMainWindowSendNothing)
{
    // Today's logger would erase its memory on "X,b839,": it reads "b839," as the erase command.
    expectRefusedUnsent(config::writeStationName(link, "X,b839,"), "Nome_Centralina", *fx.device);
    expectRefusedUnsent(config::writeStationName(link, "Pozzo€1"), "Nome_Centralina", *fx.device);
    expectRefusedUnsent(config::writeRainAmount(link, "0.2,z839,"), "mmpioggia", *fx.device);
    expectRefusedUnsent(config::writePreheating(link, "1,b839"), "preaccensione", *fx.device);
    expectRefusedUnsent(config::writeClock(link, {"5", "12", "2026", "14", "03,b839", "07"}), "data_4",
                        *fx.device);
    expectRefusedUnsent(config::writeStartDate(link, {"5", "12\r", "2026", "14", "03", "07"}),
                        "data_allarme_1", *fx.device);
    expectRefusedUnsent(config::writeInterval(link, {"000", "010", "0,z839"}), "conversione_2", *fx.device);
    EXPECT_TRUE(logger.received.isEmpty());
}

TEST_F(RefusedWriteTest, AWholeWindowIsCheckedBeforeItsFirstTransmission)
{
    QStringList gsm(11, "333");
    gsm[4] = "333,z839,"; // "z839," resets the logger
    expectRefusedUnsent(alarms::writeGsmEntries(link, gsm), "NUMERO_ALLARME_SMS_4", *fx.device);
    gsm[4] = "333";
    gsm[10] = "2\x1b";
    expectRefusedUnsent(alarms::writeGsmEntries(link, gsm), "NUMERO_ALLARMI_SMS", *fx.device);
    gsm[10] = "2";
    expectRefusedUnsent(alarms::sendAlarmSwitches(link, gsm, "1", "0471,b839,", " 0"),
                        "NUMERO_ALLARME_TELEFONO", *fx.device);

    // The password is the second setting: the first one would have gone out before it.
    QStringList gprs(10, "x");
    gprs[1] = "nuova,pass";
    expectRefusedUnsent(alarms::writeGprsSettings(link, gprs), "GPRS_1", *fx.device);

    QList<alarms::AlarmRow> rows(3, {"1", "10", "0"});
    rows[2].lower = "-5,g";
    expectRefusedUnsent(alarms::writeAlarmRows(link, rows), "CB_2", *fx.device);

    // "LIVELLO,B" would shift every later line and drop the last.
    expectRefusedUnsent(alarms::writePersonalText(link, {"POZZO 3", "LIVELLO,B", "", "", ""}),
                        "SMS_PERSONALIZZATO_1", *fx.device);

    QList<config::ChannelProperties> properties(4, {"CH", "0", "1", "0", "100"});
    properties[3][0] = "Pozzo€1";
    expectRefusedUnsent(config::writeProperties(link, "KVE_M610_M410", properties), "NomeCanali_3",
                        *fx.device);
    properties[3][0] = "CH3";
    properties[0][4] = "100\n";
    expectRefusedUnsent(config::writeProperties(link, "KVE_M610_M410", properties), "CD_0", *fx.device);

    EXPECT_TRUE(logger.received.isEmpty());
}

TEST_F(RefusedWriteTest, ADialStringWithAControlCharacterNeverReachesTheModem)
{
    // A CR would end "ATD0471" and send "b839," to the logger once the call is up.
    expectRefusedUnsent(modem::dial(link, "0471\rb839,", false), "Telefono", *fx.device);
    // A dial pause is a comma, and fine.
    ASSERT_TRUE(modem::dial(link, "0,471", false).ok());
    EXPECT_TRUE(fx.device->written().endsWith("ATD0,471\r"));
}

TEST_F(RefusedWriteTest, ValuesTheLineCanCarryStillGoAsTyped)
{
    logger.expect("qCitt\xe0 2,", "OK,");
    auto accepted = config::writeStationName(link, "Città 2");
    ASSERT_TRUE(accepted.ok()) << accepted.error().message.toStdString();
    EXPECT_TRUE(*accepted);
    EXPECT_EQ(fx.device->written(), QByteArray("qCitt\xe0 2,"));
}

} // namespace
