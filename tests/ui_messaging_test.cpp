// The sensor-property window, the GSM, e-mail and GPRS controls, and the analog-alarm window,
// against the simulated logger.

#include "link/timing.h"
#include "support/program.h"
#include "support/sim_fixture.h"
#include "ui/activity_pane.h"
#include "ui/alarms/alarm_window.h"
#include "ui/alarms/messaging_handlers.h"
#include "ui/allarmi_an.h"
#include "ui/colours.h"
#include "ui/config/sensor_window.h"
#include "ui/sensori_an.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

using namespace stazione;
using testing::commands;
using testing::ConnectedProgram;
using testing::Program;
using testing::SimBench;
using testing::type;

namespace {} // namespace

class MessagingWindowsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { link::setTimeScale(0.05); }

    void sensorPropertiesReadAndWrite()
    {
        ConnectedProgram c;
        ui::Sensori_An& w = c.p.app.sensori();
        c.f().Leggi_poprietà->click();
        QVERIFY(!c.f().isVisible());
        QVERIFY(w.isVisible());
        QCOMPARE(w.NomeCanali[0]->text(), QString("Da Leggere"));

        w.Leggi_prop->click();
        const sim::State s = c.logger->state();
        QCOMPARE(s.channels, 4);
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(w.NomeCanali[i]->text(), s.properties[i]);
            QCOMPARE(w.CD[i]->text(), s.properties[16 + i].trimmed());
        }
        QCOMPARE(ui::backColour(w.CD[3]), ui::kConfirmed); // the rows read turn green
        // The pane names the result, not the button's caption.
        auto* pane = c.f().findChild<ui::ActivityPane*>();
        const QString last = pane->Attivita->item(pane->Attivita->count() - 1)->text();
        QVERIFY2(last.endsWith("Proprietà dei sensori lette"), qPrintable(last));
        // The rows past the four channels were not read: neither "Da Leggere" nor green.
        for (int i = 4; i < 16; ++i) {
            QCOMPARE(w.NomeCanali[i]->text(), QString());
            QVERIFY(ui::backColour(w.CD[i]) != ui::kConfirmed);
            QVERIFY(!w.CA[i]->isEnabled());
        }
        QCOMPARE(commands(*c.logger).mid(0, 6),
                 (QStringList{"R  0", "R  4", "R  8", "R  12", "R  16", "R  1"}));

        type(w.NomeCanali[1], " Pozzo ");
        type(w.CA[2], " 0.5 ");
        QCOMPARE(ui::backColour(w.CA[2]), ui::kEdited);
        c.logger->clearTranscript();
        w.ScriviProp->click();
        QCOMPARE(c.logger->state().properties[1], QString(" Pozzo "));
        QCOMPARE(c.logger->state().properties[6], QString("0.5"));
        QCOMPARE(w.windowTitle(), QString("Trasmissione parametro 3OK"));
        QVERIFY(commands(*c.logger).contains("r  6,0.5"));
        QCOMPARE(w.CA[2]->text(), QString("0.5"));
        QCOMPARE(ui::backColour(w.CA[2]), ui::kConfirmed);
        QVERIFY(w.ScriviProp->isEnabled() && w.Leggi_prop->isEnabled());

        w.close();
        QVERIFY(c.f().isVisible());
        QCOMPARE(w.CA[2]->text(), QString("Da Leggere"));
        QVERIFY(w.CA[9]->isEnabled()); // open again, every row waits for its read
    }

    // A refusal stands in the sensor window's title until the next exchange, like any result;
    // the writes answered OK after it say so there, not in the hidden main window.
    void aRefusalLeavesTheSensorWindowsTitleWithTheNextWrite()
    {
        ConnectedProgram c;
        ui::Sensori_An& w = c.p.app.sensori();
        c.f().Leggi_poprietà->click();
        w.Leggi_prop->click();
        const QString own = w.windowTitle();
        const QString mainTitle = c.f().windowTitle();
        w.NomeCanali[3]->setText("Pozzo€1");
        ui::setBackColour(w.NomeCanali[3], ui::kEdited);
        w.ScriviProp->click();
        QCOMPARE(w.windowTitle(), QString("Parametro non registrato"));

        type(w.NomeCanali[3], "Pozzo1");
        w.ScriviProp->click();
        QCOMPARE(c.logger->state().properties[3], QString("Pozzo1"));
        QVERIFY2(w.windowTitle().startsWith("Trasmissione parametro"), qPrintable(w.windowTitle()));
        QCOMPARE(c.f().windowTitle(), mainTitle);
        w.Leggi_prop->click();
        QCOMPARE(w.windowTitle(), own);
    }

    void aWriteThatWouldMixChannelsIsRefused()
    {
        ConnectedProgram c([](sim::Options& o) { o.model = "410"; });
        ui::Sensori_An& w = c.p.app.sensori();
        c.f().MUX[0]->setText("3"); // more channels than the base model keeps properties for
        c.f().Leggi_poprietà->click();
        w.ScriviProp->click();
        QCOMPARE(c.p.dialogs.shown.size(), 1);
        QVERIFY(c.p.dialogs.shown[0].text.contains("al massimo 2 canali"));
        QTest::qWait(50);
        QCOMPARE(c.logger->received(), QByteArray());

        // A read is harmless: with stride 2, channel 2's name sits where channel 0's zero does.
        w.Leggi_prop->click();
        QVERIFY(c.logger->received().startsWith("R 0,R 2,R 4,R 6,R 8,R 1,"));

        c.logger->clearReceived();
        c.f().MUX[0]->setText("");
        w.Leggi_prop->click();
        QCOMPARE(c.p.dialogs.shown.last().text, config::kChannelCountUnknown);
        QTest::qWait(50);
        QCOMPARE(c.logger->received(), QByteArray());
    }

    void gsmNumbersAndSwitches()
    {
        ConnectedProgram c;
        // The connection read the address book already.
        QCOMPARE(c.f().NUMERO_ALLARME_SMS[3]->text(), c.logger->state().gsmEntries[3]);
        type(c.f().NUMERO_ALLARME_SMS[3], " 3331234567 ");
        type(c.f().NUMERO_ALLARMI_SMS, "2");
        QCOMPARE(ui::backColour(c.f().NUMERO_ALLARME_SMS[3]), ui::kEdited);
        c.f().SCRIVI_GSM->click();
        QCOMPARE(c.logger->state().gsmEntries[3], QString("3331234567"));
        QCOMPARE(c.logger->state().gsmEntries[10], QString("2"));
        QCOMPARE(c.f().windowTitle(), QString("Trasmissione parametro 10 : OK"));
        QVERIFY(c.logger->received().contains("i 3,3331234567,"));
        QCOMPARE(ui::backColour(c.f().NUMERO_ALLARME_SMS[3]), ui::kConfirmed);

        // The SMS switch sends the whole list with the new flag, then the phone with its own.
        c.logger->clearTranscript();
        type(c.f().NUMERO_ALLARME_TELEFONO, "0471123456");
        QTest::mousePress(c.f().Abilita_SMS, Qt::LeftButton);
        QTest::mouseRelease(c.f().Abilita_SMS, Qt::LeftButton);
        const auto t = c.logger->transcript();
        QVERIFY(t.size() >= 2);
        QCOMPARE(t[0].command, QString("i"));
        QCOMPARE(t[0].values.size(), 12);
        QCOMPARE(t[0].values[11], QString("1"));
        QCOMPARE(t[1].command, QString("f"));
        QCOMPARE(t[1].values, (QStringList{"0471123456", " 0"}));
        QVERIFY(c.f().Abilita_SMS->isChecked());
        QCOMPARE(c.logger->state().smsFlag, QString("1"));

        c.logger->clearTranscript();
        QTest::mousePress(c.f().Telefono, Qt::LeftButton);
        QCOMPARE(commands(*c.logger), (QStringList{"j 1", "O"}));
        QVERIFY(c.logger->state().gsmEnabled);
        QVERIFY(c.f().Telefono->isChecked());
    }

    void gprsAndEmail()
    {
        ConnectedProgram c;
        QCOMPARE(c.f().GPRS[7]->text(), c.logger->state().gprsSettings[7]);
        type(c.f().GPRS[7], " 2121 ");
        c.f().ScriviGPRS->click();
        QVERIFY(c.logger->received().contains("k 7,2121,"));
        QCOMPARE(c.f().GPRS[7]->text(), QString("2121"));
        QCOMPARE(c.logger->state().gprsSettings[7], QString("2121"));
        QCOMPARE(ui::backColour(c.f().GPRS[7]), ui::kConfirmed);

        c.logger->clearTranscript();
        QTest::mousePress(c.f().EMAIL, Qt::LeftButton);
        QCOMPARE(commands(*c.logger), (QStringList{"y 1", "Y"}));
        QVERIFY(c.f().EMAIL->isChecked());
    }

    void aRefusedGprsSettingStaysRed()
    {
        ConnectedProgram c([](sim::Options& o) { o.refuseWrites = true; });
        type(c.f().GPRS[2], "apn.other");
        c.f().ScriviGPRS->click();
        QCOMPARE(c.f().windowTitle(), QString("Parametro non registrato"));
        QCOMPARE(ui::backColour(c.f().GPRS[2]), ui::kEdited);
    }

    void wholeWindowsSendNothingWhenOneBoxIsRefused()
    {
        ConnectedProgram c;
        auto expectRefused = [&c](QLineEdit* box, const QString& said) {
            QTest::qWait(50);
            QCOMPARE(c.logger->received(), QByteArray());
            QVERIFY(!c.p.dialogs.shown.isEmpty());
            const QString told = c.p.dialogs.shown.last().text;
            QVERIFY2(!told.contains(box->objectName()) && told.contains(said), qPrintable(told));
            QCOMPARE(ui::backColour(box), ui::kEdited);
        };

        // "z839," after the comma would reset the logger; the entries before it would already
        // be written by then.
        type(c.f().NUMERO_ALLARME_SMS[4], "333,z839,");
        c.f().SCRIVI_GSM->click();
        expectRefused(c.f().NUMERO_ALLARME_SMS[4], "la virgola");
        QTest::mousePress(c.f().Abilita_SMS, Qt::LeftButton);
        expectRefused(c.f().NUMERO_ALLARME_SMS[4], "la virgola");
        type(c.f().NUMERO_ALLARME_SMS[4], "333");

        // The password is the second setting; the first one must not go either.
        type(c.f().GPRS[1], "nuova,pass");
        c.f().ScriviGPRS->click();
        expectRefused(c.f().GPRS[1], "la virgola");
        QCOMPARE(c.logger->state().gprsSettings[0], c.f().GPRS[0]->text());

        ui::Allarmi_An& alarms = c.p.app.allarmi();
        c.f().Leggi_Allarmi->click();
        alarms.Leggi_all[0]->click();
        c.logger->clearReceived();
        type(alarms.CB[3], "-5,b839,");
        alarms.ScriviAll[0]->click();
        expectRefused(alarms.CB[3], "la virgola");
        const QStringList before = c.logger->state().personalText;
        type(alarms.SMS_PERSONALIZZATO[1], "LIVELLO,B");
        alarms.MESSAGGIO_PERSONALE_SCRIVI->click();
        expectRefused(alarms.SMS_PERSONALIZZATO[1], "la virgola");
        QCOMPARE(c.logger->state().personalText, before);
        alarms.close();

        ui::Sensori_An& sensors = c.p.app.sensori();
        c.f().Leggi_poprietà->click();
        sensors.Leggi_prop->click();
        c.logger->clearReceived();
        // Pasted: the keyboard of the test types Latin-1 only.
        sensors.NomeCanali[3]->setText("Pozzo€1");
        ui::setBackColour(sensors.NomeCanali[3], ui::kEdited);
        sensors.ScriviProp->click();
        expectRefused(sensors.NomeCanali[3], "\"€\"");
        QVERIFY(sensors.ScriviProp->isEnabled());
    }

    void analogAlarmsAndThePersonalText()
    {
        ConnectedProgram c;
        ui::Allarmi_An& w = c.p.app.allarmi();
        c.f().Leggi_Allarmi->click();
        QVERIFY(w.isVisible() && !c.f().isVisible());
        w.Leggi_all[0]->click();
        QCOMPARE(commands(*c.logger).size(), 12); // four rows of three entries
        QCOMPARE(commands(*c.logger).first(), QString("J  0"));
        QCOMPARE(w.AllarmeAttivo[4]->text(), QString("Non Attivo"));
        QCOMPARE(w.CA[1]->text(), c.logger->state().alarmEntries[4].trimmed());
        // Green means read: the four rows the logger answered for, not the twelve past the count.
        QCOMPARE(ui::backColour(w.CB[3]), ui::kConfirmed);
        QCOMPARE(ui::backColour(w.AllarmeAttivo[3]), ui::kConfirmed);
        for (int i = 4; i < 16; ++i) {
            QVERIFY(ui::backColour(w.CB[i]) != ui::kConfirmed);
            QVERIFY(ui::backColour(w.AllarmeAttivo[i]) != ui::kConfirmed);
            QCOMPARE(w.CA[i]->text(), QString("Da Leggere"));
        }

        type(w.CA[3], " 55.5 ");
        c.logger->clearReceived();
        w.ScriviAll[0]->click();
        QVERIFY(c.logger->received().contains("j 10,55.5,"));
        QCOMPARE(c.logger->state().alarmEntries[10], QString("55.5"));
        QCOMPARE(w.windowTitle(), QString("Trasmissione parametro 3OK"));

        w.MESSAGGIO_PERSONALE_LEGGI->click();
        QCOMPARE(w.SMS_PERSONALIZZATO[0]->text(), c.logger->state().personalText[0]);
        QCOMPARE(ui::backColour(w.SMS_PERSONALIZZATO[0]), ui::kReadYellow);
        type(w.SMS_PERSONALIZZATO[1], "POZZO 3");
        c.logger->clearReceived();
        w.MESSAGGIO_PERSONALE_SCRIVI->click();
        QVERIFY(c.logger->received().startsWith("x" + c.logger->state().personalText[0].toLatin1() +
                                                ",POZZO 3,"));
        QCOMPARE(c.logger->state().personalText[1], QString("POZZO 3"));

        w.close();
        QVERIFY(c.f().isVisible());
    }
};

QTEST_MAIN(MessagingWindowsTest)
#include "ui_messaging_test.moc"
