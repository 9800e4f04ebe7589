// The main window's settings operations against the simulated logger: what goes on the wire,
// what the window then shows, and the checks that refuse a write.

#include "data/downloads.h"
#include "data/file_names.h"
#include "link/timing.h"
#include "session/session.h"
#include "support/fake_device.h"
#include "support/files.h"
#include "support/program.h"
#include "support/sim_fixture.h"
#include "ui/alarms/start_date_handlers.h"
#include "ui/colours.h"
#include "ui/config/clock_schedule_handlers.h"
#include "ui/config/settings_handlers.h"
#include "ui/form2.h"
#include "ui/handler.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace stazione;
using namespace std::chrono_literals;
using testing::commands;
using testing::ConnectedProgram;
using testing::Program;
using testing::SimBench;
using testing::type;

namespace {

QStringList texts(const auto& boxes)
{
    QStringList out;
    for (const QLineEdit* box : boxes)
        out << box->text();
    return out;
}

bool allGreen(const auto& boxes)
{
    for (const QLineEdit* box : boxes) {
        if (ui::backColour(box) != ui::kConfirmed)
            return false;
    }
    return true;
}

} // namespace

class ConfigWindowsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { link::setTimeScale(0.05); }

    void theConnectionFillsTheMainWindowWithTheLoggersValues()
    {
        SimBench bench;
        sim::PtyServer& logger = bench.add(3);
        Program p;
        p.connect();
        const sim::State s = logger.state();
        ui::Form1& f = p.app.form1();

        const QStringList status = p.app.form2().Label2->text().split('\n');
        QCOMPARE(status.size(), 13); // found, start, 11 steps
        QCOMPARE(status[1], QString("Recupero dei Parametri interni"));
        QCOMPARE(status.last(), QString("Minipannello: OK"));

        QCOMPARE(f.MUX[0]->text(), QString::number(s.channels));
        QCOMPARE(texts(f.conversione), (QStringList{"000", "010", "000"}));
        QCOMPARE(f.preaccensione->text(), QString("01500"));
        QCOMPARE(f.parameters[2]->text(), QString("12.60"));
        QCOMPARE(f.Nome_Centralina->text(), QString("STAZ1"));
        QCOMPARE(f.Acq_possibili->text().toInt(), s.possibleAcquisitions());
        QCOMPARE(f.acq_disponibili->text().toInt(), s.availableAcquisitions());
        QCOMPARE(texts(f.data_allarme), (QStringList{"13", "10", "1975", "00", "00", "00"}));
        const QDateTime clock = logger.loggerClock();
        QCOMPARE(f.data[2]->text(), QString::number(clock.date().year()));
        QCOMPARE(f.data[1]->text(), QString::number(clock.date().month()));
        QVERIFY(allGreen(f.data) && allGreen(f.conversione) && allGreen(f.data_allarme));
        QVERIFY(f.data_logging->isChecked());
        QVERIFY(f.BATTPBX->isChecked());
        QVERIFY(!f.minipan->isChecked());
        QCOMPARE(f.Prox[2]->text().size(), 4);
        // The box names the file "Acquisisci" writes.
        QCOMPARE(f.Nome_File_Dati->text(), data::sensorFileName("STAZ1", QDate::currentDate()));

        // Reading the battery type changed the box, and a change of that box writes it back.
        const QStringList sent = commands(logger);
        QStringList expected{"V"};
        for (int i = 0; i < 10; ++i)
            expected << QStringLiteral("K  %1").arg(i); // the GPRS settings of a GSM model
        for (int i = 0; i < 10; ++i)
            expected << QStringLiteral("I  %1").arg(i); // then its address book
        expected << "I 10";
        expected << QStringList{"H",  "G ", "Y ", "C  0", "C  1", "C  2", "E ", "W", "H",
                                "M ", "Q",  "O",  "F",    "f  1", "F",    "U",  "D"};
        QCOMPARE(sent, expected);
    }

    void theVibratingWireLoggerSkipsWhatItDoesNotHave()
    {
        SimBench bench;
        sim::PtyServer& logger = bench.add(3, [](sim::Options& o) { o.model = "510"; });
        Program p;
        p.connect();
        const QStringList status = p.app.form2().Label2->text().split('\n');
        QCOMPARE(status.size(), 10); // found, start, 8 steps
        QCOMPARE(status.filter(QRegularExpression(": OK$")).size(), 8);
        const QStringList sent = commands(logger);
        QVERIFY(!sent.contains("E "));
        QVERIFY(!sent.contains("F") && !sent.contains("U"));
        QVERIFY(p.app.form1().Frame2->isHidden());
    }

    void aFailedReadStopsTheRetrievalAndSaysWhich()
    {
        SimBench bench;
        bench.add(3, [](sim::Options& o) { o.dropOn = 'W'; });
        Program p;
        auto found = p.app.connection().Command1_Click();
        QVERIFY(found.ok());
        QVERIFY(!*found);
        QVERIFY(!p.app.form1().isVisible());
        QVERIFY(p.app.form2().Command1->isEnabled());
        const QStringList status = p.app.form2().Label2->text().split('\n');
        QVERIFY2(status.last().startsWith("Tensione di Batteria: NON RIUSCITO - "),
                 qPrintable(status.last()));
        QVERIFY(!status.contains("Tensione di Batteria: OK"));
    }

    void clockWrite()
    {
        ConnectedProgram c;
        const QStringList boxes{"5", "12", "2026", "14", "03", "07"};
        for (int i = 0; i < 6; ++i)
            type(c.f().data[i], boxes[i]);
        QCOMPARE(ui::backColour(c.f().data[0]), ui::kEdited);
        c.f().impostadata->click();
        QVERIFY(c.logger->received().startsWith("g5,12, 126,14,03,07,"));
        QCOMPARE(commands(*c.logger).mid(0, 3), (QStringList{"g 5,12, 126,14,03,07", "G ", "Y "}));
        QCOMPARE(c.f().windowTitle(), QString("Trasmissione parametro OK"));
        QCOMPARE(texts(c.f().data).mid(0, 5), (QStringList{"5", "12", "2026", "14", "03"}));
        QVERIFY(allGreen(c.f().data));
        QVERIFY(c.p.dialogs.shown.isEmpty());
    }

    // A write's result stands in the title for a while; then, or as soon as the next exchange
    // starts, the title names the logger again.
    void theTitleNamesTheLoggerAgainAfterAWrite()
    {
        ConnectedProgram c;
        const QString model = c.f().windowTitle();
        QCOMPARE(model, QString("M610_M410 V3.2"));
        c.f().imposta_nome->click(); // the name read at the connection, written back
        QCOMPARE(c.f().windowTitle(), QString("Trasmissione parametro OK"));
        c.f().leggi_nome->click();
        QCOMPARE(c.f().windowTitle(), model);

        ui::MainWindowHandler::setResultCaptionTime(200);
        c.f().imposta_nome->click();
        QCOMPARE(c.f().windowTitle(), QString("Trasmissione parametro OK"));
        QTRY_COMPARE_WITH_TIMEOUT(c.f().windowTitle(), model, 5000);
        ui::MainWindowHandler::setResultCaptionTime(ui::MainWindowHandler::kResultCaptionMs);
    }

    void aClockWriteWithAWrongHourIsRefusedBeforeSending()
    {
        ConnectedProgram c;
        type(c.f().data[3], "24");
        c.f().impostadata->click();
        QCOMPARE(c.p.dialogs.shown.size(), 1);
        QCOMPARE(c.p.dialogs.shown[0].title, QString("Attenzione!!"));
        QCOMPARE(c.p.dialogs.shown[0].text, QString("Controlla i dati inseriti! "));
        QCOMPARE(c.p.dialogs.shown[0].icon, ui::Dialogs::Icon::Information);
        QCOMPARE(c.p.dialogs.beeps, 1);
        QTest::qWait(50);
        QCOMPARE(c.logger->received(), QByteArray());
        QVERIFY(c.f().impostadata->isEnabled());
    }

    void theVibratingWireClockWriteRereadsTheStartDateEvenWhenRefused()
    {
        ConnectedProgram c([](sim::Options& o) {
            o.model = "510";
            o.refuseWrites = true;
        });
        c.f().dataPC->click();
        QCOMPARE(c.f().data[2]->text(), QString::number(QDate::currentDate().year()));
        QCOMPARE(ui::backColour(c.f().data[5]), ui::kEdited);
        c.f().impostadata->click();
        QCOMPARE(c.f().windowTitle(), QString("Parametro non registrato"));
        const QStringList sent = commands(*c.logger);
        QCOMPARE(sent.size(), 2);
        QVERIFY(sent[0].startsWith("g "));
        QCOMPARE(sent[1], QString("Y "));
    }

    void intervalWrite()
    {
        ConnectedProgram c;
        type(c.f().conversione[0], "1");
        type(c.f().conversione[1], "0");
        type(c.f().conversione[2], "0");
        c.f().Command1->click();
        QCOMPARE(texts(c.f().conversione), (QStringList{"001", "000", "000"}));
        QCOMPARE(c.logger->received(), QByteArray("c 0,001,c 1,000,c 2,000,"));
        QVERIFY(allGreen(c.f().conversione));
        QCOMPARE(c.logger->state().interval, (std::array<int, 3>{1, 0, 0}));

        // A GSM station needs ten minutes at least.
        c.logger->clearReceived();
        c.p.app.form2().GSM->setChecked(true);
        type(c.f().conversione[0], "0");
        type(c.f().conversione[1], "5");
        c.f().Command1->click();
        QCOMPARE(c.p.dialogs.shown.last().text,
                 QString("Controlla il tempo di conversione ( ore<=23, minuti e secondi <=59 e tempo di "
                         "conversione >= "
                         "1 min per la versione non GSM e >= 10 min per la versione GSM)! "));
        QCOMPARE(c.p.dialogs.beeps, 1);
        QCOMPARE(texts(c.f().conversione), (QStringList{"000", "005", "000"}));
        QTest::qWait(50);
        QCOMPARE(c.logger->received(), QByteArray());
    }

    void theChannelWriteAsksFirst()
    {
        ConnectedProgram c;
        type(c.f().MUX[0], "8");
        c.f().Scrivicanali->click(); // answered No
        QCOMPARE(
            c.p.dialogs.shown.last().text,
            QString(
                "Questa operazione necessita l'azzeramento della memoria. Vuoi proseguire?\r\nTutti i dati "
                "verranno persi."));
        QCOMPARE(c.p.dialogs.shown.last().icon, ui::Dialogs::Icon::Critical);
        QVERIFY(!c.p.dialogs.shown.last().defaultYes);
        QCOMPARE(c.logger->received(), QByteArray());

        c.p.dialogs.answers = {true};
        c.f().Scrivicanali->click();
        QVERIFY(c.logger->received().startsWith("b839,h 8,"));
        QCOMPARE(commands(*c.logger), (QStringList{"b 839", "h", " 8 ", "H", "H", "M "}));
        QCOMPARE(c.logger->state().channels, 8);
        QCOMPARE(c.f().MUX[0]->text(), QString("8"));
        QCOMPARE(ui::backColour(c.f().MUX[0]), ui::kConfirmed);
        QCOMPARE(c.f().windowTitle(), QString("Trasmissione parametro OK"));
        QVERIFY(c.f().Scrivicanali->isEnabled());
    }

    void channelBoxesKeepToSixteen()
    {
        ui::Form1 f;
        session::Session session(link::makeSystemCommPort());
        testing::ScriptedDialogs dialogs;
        config::SettingsHandlers handlers(session, f, dialogs);
        for (QLineEdit* box : f.MUX) {
            type(box, "17");
            QCOMPARE(box->text(), QString("0"));
            QCOMPARE(ui::backColour(box), ui::kEdited);
            type(box, "16");
            QCOMPARE(box->text(), QString("16"));
            type(box, "-1");
            QCOMPARE(box->text(), QString("0"));
        }
    }

    void preheatingLimit()
    {
        ConnectedProgram c;
        type(c.f().preaccensione, "30001");
        c.f().impostapreacc->click();
        QCOMPARE(c.p.dialogs.shown.last().text, QString("Tempo di preaccensione troppo lungo "));
        QCOMPARE(c.f().preaccensione->text(), QString("0"));
        type(c.f().preaccensione, " 1500 ");
        QCOMPARE(c.f().preaccensione->text(), QString("1500"));
        c.f().impostapreacc->click();
        QCOMPARE(c.f().preaccensione->text(), QString("01500"));
        // The logger does not answer this write: wait until it has taken the bytes.
        QTRY_COMPARE(c.logger->received(), QByteArray("e01500,"));
        QTRY_COMPARE(c.logger->state().preheatMs, 1500);
    }

    void switchBoxesWriteAfterARead()
    {
        ConnectedProgram c;
        // The logger has a lead-acid battery: a read that ticks the box writes it back.
        c.f().BATTPBX->blockSignals(true);
        c.f().BATTPBX->setChecked(false);
        c.f().BATTPBX->blockSignals(false);
        c.f().BATTPB_READ->click();
        QVERIFY(c.f().BATTPBX->isChecked());
        QCOMPARE(commands(*c.logger), (QStringList{"F", "f  1", "F"}));

        // The operator unticks it: "f 0" goes out and the box shows what the logger then holds.
        c.logger->clearTranscript();
        c.f().BATTPBX->click();
        QCOMPARE(commands(*c.logger), (QStringList{"f  0", "F"}));
        QVERIFY(!c.logger->state().leadAcidBattery);
        QVERIFY(!c.f().BATTPBX->isChecked());

        c.logger->clearTranscript();
        c.f().minipan->click();
        QCOMPARE(commands(*c.logger), (QStringList{"u  1", "U"}));
        QVERIFY(c.logger->state().miniPanel);
    }

    void pressedBoxesActBeforeTheyToggle()
    {
        ConnectedProgram c;
        QVERIFY(c.f().data_logging->isChecked());
        QTest::mousePress(c.f().data_logging, Qt::LeftButton);
        QTest::mouseRelease(c.f().data_logging, Qt::LeftButton);
        QCOMPARE(commands(*c.logger), (QStringList{"o", "0 ", "O"}));
        QVERIFY(!c.logger->state().acquisitionEnabled);
        QVERIFY(!c.f().data_logging->isChecked());

        c.logger->clearTranscript();
        c.logger->clearReceived();
        c.logger->withState([](sim::State& s) { s.miniPanel = true; });
        c.f().PLUVIOMETRO->setChecked(true);
        QTest::mousePress(c.f().PLUVIOMETRO, Qt::LeftButton);
        QTest::mouseRelease(c.f().PLUVIOMETRO, Qt::LeftButton);
        QCOMPARE(c.logger->received(), QByteArray("u0,U,"));
        QVERIFY(!c.f().PLUVIOMETRO->isChecked());
        QVERIFY(!c.logger->state().miniPanel);
    }

    void stationNameAndRain()
    {
        ConnectedProgram c;
        type(c.f().Nome_Centralina, "  POZZO1 ");
        QCOMPARE(ui::backColour(c.f().Nome_Centralina), ui::kEdited);
        c.f().imposta_nome->click();
        QCOMPARE(c.logger->received(), QByteArray("qPOZZO1,"));
        QCOMPARE(c.f().Nome_Centralina->text(), QString("POZZO1"));
        QCOMPARE(ui::backColour(c.f().Nome_Centralina), ui::kConfirmed);

        c.logger->clearReceived();
        c.f().mmpioggia->clear();
        c.f().mmpioggiatastoscrivi->click();
        QCOMPARE(c.logger->received(), QByteArray(">,<"));
        QCOMPARE(ui::backColour(c.f().mmpioggia), ui::kReadYellow);

        c.logger->withState([](sim::State& s) { s.batteryVoltage = "7.25"; });
        c.f().Status->click();
        QCOMPARE(c.f().parameters[2]->text(), QString("07.25"));
    }

    void typedValuesTheLoggerWouldTakeForCommandsAreRefused()
    {
        ConnectedProgram c;
        struct Case {
            QLineEdit* box;
            QPushButton* write;
            QString value;
            QString said;
        };
        const QList<Case> cases{
            // "b839," would erase the memory, "z839," reset the logger.
            {c.f().Nome_Centralina, c.f().imposta_nome, "X,b839,", "la virgola \",\""},
            {c.f().Nome_Centralina, c.f().imposta_nome, "Pozzo€1", "\"€\""},
            {c.f().mmpioggia, c.f().mmpioggiatastoscrivi, "0.2,z839,", "la virgola"},
            {c.f().preaccensione, c.f().impostapreacc, "1,b839,", "la virgola"},
            {c.f().data[4], c.f().impostadata, "03,b839", "la virgola"},
            {c.f().data_allarme[1], c.f().ScriviDataAllarme, "12,z839", "la virgola"},
            {c.f().conversione[2], c.f().Command1, "0,z839", "la virgola"},
            {c.f().MUX[0], c.f().Scrivicanali, "4\t", "il carattere di controllo 9"},
        };
        int beeps = 0;
        for (const Case& k : cases) {
            c.p.dialogs.shown.clear();
            type(k.box, QStringLiteral("1"));
            k.box->setText(k.value); // pasted: typing drops control characters
            ui::setBackColour(k.box, ui::kEdited);
            k.write->click();
            QTest::qWait(50);
            QCOMPARE(c.logger->received(), QByteArray());
            QCOMPARE(c.p.dialogs.shown.size(), 1);
            const auto& told = c.p.dialogs.shown[0];
            QCOMPARE(told.icon, ui::Dialogs::Icon::Information);
            // The reason, without the control's internal name: the red box shows which one.
            QVERIFY2(!told.text.contains(k.box->objectName()) && told.text.contains(k.said),
                     qPrintable(told.text));
            QCOMPARE(c.p.dialogs.beeps, ++beeps);
            QCOMPARE(ui::backColour(k.box), ui::kEdited);
            QVERIFY(c.f().imposta_nome->isEnabled()); // the controls came back
        }
        QCOMPARE(c.logger->state().records.size(), 120); // nothing erased
    }

    void startDateWriteAndImmediateStart()
    {
        ConnectedProgram c;
        const QStringList boxes{"5", "12", "2015", "8", "30", "0"};
        for (int i = 0; i < 6; ++i)
            type(c.f().data_allarme[i], boxes[i]);
        c.f().ScriviDataAllarme->click();
        QVERIFY(c.logger->received().startsWith("y5,12, 115,8,30,0,"));
        QCOMPARE(texts(c.f().data_allarme), (QStringList{"5", "12", "2015", "08", "30", "00"}));
        QVERIFY(allGreen(c.f().data_allarme));

        c.logger->clearReceived();
        c.f().Subito->click();
        QVERIFY(c.logger->received().startsWith("y13,10,75,00,00,00,"));
        QCOMPARE(texts(c.f().data_allarme), (QStringList{"13", "10", "1975", "00", "00", "00"}));

        c.logger->clearReceived();
        type(c.f().data_allarme[4], "60");
        c.f().Subito->click();
        QCOMPARE(c.p.dialogs.shown.last().text, QString("Controlla i dati inseriti! "));
        QCOMPARE(c.p.dialogs.beeps, 1);
        c.f().ScriviDataAllarme->click();
        QCOMPARE(c.p.dialogs.beeps, 1); // the write refuses without a beep
        QTest::qWait(50);
        QCOMPARE(c.logger->received(), QByteArray());
    }

    void aControlUsedDuringAnExchangeIsRefused()
    {
        auto owned = std::make_unique<testing::FakeDevice>();
        testing::FakeDevice* device = owned.get();
        QTemporaryDir ports;
        QFile(ports.filePath("COM1")).open(QIODevice::WriteOnly);
        testing::ScriptedDialogs dialogs;
        session::Application app(
            std::make_unique<link::CommPort>(std::move(owned), link::PortResolver(ports.path(), false)),
            dialogs);
        QVERIFY(app.session().port().setCommPort(1).ok());
        QVERIFY(app.session().port().setPortOpen(true).ok());
        app.session().link().Porta_Aperta = true;
        app.session().link().setReplyTimeout(300ms);

        QTimer::singleShot(30, &app, [&app] {
            app.form1().minipan_read->click(); // not locked, but the line is busy
            app.form1().CONTAIMP->click();
        });
        app.form1().leggi_nome->click();
        QCOMPARE(device->written(), QByteArray("Q"));
        QCOMPARE(dialogs.beeps, 2);
        QCOMPARE(dialogs.shown.size(), 1); // the time-out of the name read
    }
};

QTEST_MAIN(ConfigWindowsTest)
#include "ui_config_test.moc"
