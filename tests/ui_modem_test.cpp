// The modem window against the simulated modem: finding it, the station directory, a call that
// comes up and fills the main window, a download over it, the retry read and the hang-up.

#include "link/timing.h"
#include "modem/modem.h"
#include "modem/stations.h"
#include "session/progress.h"
#include "session/session.h"
#include "support/files.h"
#include "support/program.h"
#include "ui/colours.h"
#include "ui/form1.h"
#include "ui/modem/modem_handlers.h"
#include "ui/modem/modem_window.h"

#include <QAction>
#include <QButtonGroup>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace stazione;
using namespace std::chrono_literals;
using testing::contents;
using testing::Program;
using testing::SimBench;

namespace {

sim::PtyServer& addModem(SimBench& bench, int port, const std::function<void(sim::Options&)>& adjust = {})
{
    return bench.add(port, [&](sim::Options& o) {
        o.modem = true;
        if (adjust)
            adjust(o);
    });
}

} // namespace

class ModemWindowTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { link::setTimeScale(0.05); }

    void theModemIsFoundAndRemembered()
    {
        SimBench bench;
        addModem(bench, 3);
        Program p;
        ui::ModemWindow& w = p.app.modemWindow();
        p.app.form2().Command2->click();
        QVERIFY(w.isVisible());
        QVERIFY(!p.app.form2().isVisible());
        // Nothing saved and no cable port: the window starts on the first port there is.
        QCOMPARE(w.SERMODEM->text(), QString("3"));
        QVERIFY2(w.Text1->text().startsWith("Modem Trovato su Com 3"), qPrintable(w.Text1->text()));
        QVERIFY(w.Text1->text().contains("Simulated GSM modem"));
        QCOMPARE(contents(modem::modemPortFile()), QByteArray(" 3 \r\n"));

        w.SERMODEM->setText("4"); // nothing on COM4
        QCOMPARE(w.Text1->text(), QString("Modem non presente su questa porta"));

        // "Cerca Modem" tries every port, round from the box's one, up to the modem.
        w.CERCAMODEM->click();
        QCOMPARE(w.SERMODEM->text(), QString(" 3"));
        QVERIFY(w.Text1->text().startsWith("Modem Trovato su Com 3"));
        QVERIFY(w.CERCAMODEM->isEnabled() && w.SERMODEM->isEnabled());

        // "Salva i dati" says where the directory went.
        w.Nome[0]->setText("Pozzo 1");
        w.Salva->trigger();
        QVERIFY2(w.Text1->text().startsWith("Elenco delle stazioni salvato in " + modem::stationsFile()),
                 qPrintable(w.Text1->text()));
        QCOMPARE(modem::loadStations(modem::stationsFile(), modem::lastCallsFile())[0].Nome,
                 QString("Pozzo 1"));

        w.close();
        QVERIFY(p.app.form2().isVisible());
        QVERIFY(!p.app.session().port().portOpen());
        QVERIFY(p.app.session().link().Porta_Aperta);
    }

    // The cable's port, where the logger is, is never probed: the window opens on another port,
    // the search finds a modem below it, and the logger hears no AT text.
    void theLoggersPortIsNeverTakenForAModem()
    {
        SimBench bench;
        sim::PtyServer& logger = bench.add(3);
        addModem(bench, 2);
        bench.add(5, [](sim::Options& o) { o.silent = true; }); // a port where nothing answers
        testing::write(bench.savedPortFile(), " 3 \r\n");
        Program p;
        QCOMPARE(p.app.session().link().Porta, qint16(3));
        ui::ModemWindow& w = p.app.modemWindow();
        p.app.form2().Command2->click();
        QVERIFY(w.isVisible());
        QCOMPARE(w.SERMODEM->text(), QString("2"));
        QVERIFY2(w.Text1->text().startsWith("Modem Trovato su Com 2"), qPrintable(w.Text1->text()));
        QCOMPARE(contents(modem::modemPortFile()), QByteArray(" 2 \r\n"));

        // Typed, the cable's port is named as the logger's and left closed.
        w.SERMODEM->setText("3");
        QVERIFY2(w.Text1->text().contains("datalogger"), qPrintable(w.Text1->text()));
        QCOMPARE(contents(modem::modemPortFile()), QByteArray(" 2 \r\n"));

        // From there the search goes past COM5 and round to COM2.
        w.CERCAMODEM->click();
        QCOMPARE(w.SERMODEM->text(), QString(" 2"));
        QVERIFY2(w.Text1->text().startsWith("Modem Trovato su Com 2"), qPrintable(w.Text1->text()));

        // A call cannot be made on the logger's port either.
        w.SERMODEM->setText("3");
        w.Telefono[0]->setText("0471123456");
        w.Sel[0]->click();
        w.Connetti->trigger();
        QTest::qWait(100);
        QVERIFY2(logger.received().isEmpty(), logger.received().constData());
        w.close();
    }

    // A logger answers the probe's letters too, at length: without the modem's "OK" it is no modem.
    void aLongAnswerWithoutOkIsNoModem()
    {
        QVERIFY(modem::isModemReply("ATI3\r\r\nSimulated GSM modem\r\n\r\nOK\r\n"));
        QVERIFY(modem::isModemReply("\r\nModem 1.0\r\nOK\r\n"));
        QVERIFY(!modem::isModemReply("\r\nModem 1.0\r\n"));
        QVERIFY(!modem::isModemReply("12345678,00,00,BOOK,OKAY\r\n"));
        QVERIFY(!modem::isModemReply("\r\nOK\r\n")); // too short for an identification
    }

    void aCallFillsTheMainWindowAndADownloadRunsOverIt()
    {
        SimBench bench;
        sim::PtyServer& station = addModem(bench, 3, [](sim::Options& o) {
            o.expectedNumber = "0471123456";
            o.records = 8;
        });
        modem::StationDirectory directory;
        directory[15] = {"Pozzo 15", "0471123456", "31/12/2030", ""};
        QVERIFY(modem::saveStations(directory, modem::stationsFile(), modem::lastCallsFile()));
        testing::write(modem::modemPortFile(), " 3 \r\n");

        Program p;
        ui::ModemWindow& w = p.app.modemWindow();
        p.app.modem().open();
        QCOMPARE(w.Telefono[15]->text(), QString("0471123456"));
        QVERIFY(w.Text1->text().startsWith("Modem Trovato su Com 3"));
        QVERIFY(!w.Connetti->isEnabled());
        w.showPage(1);
        w.Sel[15]->click();
        QCOMPARE(p.app.modem().Stazione_Scelta, 15);
        QVERIFY(w.Connetti->isEnabled());
        // The chosen row stands out, but not in the red of a box in error.
        QCOMPARE(ui::backColour(w.Nome[15]), ui::kSelected);
        QVERIFY(ui::backColour(w.Nome[15]) != ui::kEdited);
        w.showPage(0); // another page shown: the choice stays

        QSignalSpy handedOver(&p.app.modem(), &modem::ModemHandlers::handedOver);
        // While the call is being made, the status box says so, and later says what the bar says.
        QStringList statuses;
        bool disagreed = false;
        connect(w.Text1, &QLineEdit::textChanged, this, [&](const QString& text) {
            statuses << text;
            const session::Progress& progress = p.app.session().progress();
            if (progress.active() && progress.text().startsWith("Avvio della chiamata") &&
                text != progress.text())
                disagreed = true;
        });
        w.Connetti->trigger();
        QVERIFY(w.Interrompi->isEnabled());
        QVERIFY(handedOver.wait(60000));
        QVERIFY2(!statuses.isEmpty() && statuses.first() == "Chiamata in corso: Pozzo 15, 0471123456",
                 qPrintable(statuses.join(" | ")));
        QVERIFY(statuses.contains("Avvio della chiamata: attesa del datalogger"));
        QVERIFY2(!disagreed, qPrintable(statuses.join(" | ")));

        QCOMPARE(station.dialledNumbers(), QStringList{"0471123456"});
        QVERIFY(!w.isVisible());
        ui::Form1& f = p.app.form1();
        QVERIFY(f.isVisible());
        QCOMPARE(f.windowTitle(), QString("M610_M410 V3.2")); // as a logger on the cable names it
        QCOMPARE(f.Nome_Centralina->text(), QString("STAZ1"));
        QCOMPARE(f.MUX[0]->text(), QString("4"));
        QVERIFY(!f.GPRS[0]->isHidden());
        QCOMPARE(w.Text1->text(), QString("Minipannello: OK"));
        const QString today = QDate::currentDate().toString("dd/MM/yyyy");
        QCOMPARE(w.Uldata[15]->text(), today);
        QCOMPARE(modem::loadStations(modem::stationsFile(), modem::lastCallsFile())[15].Uldata, today);
        QVERIFY(p.app.session().link().Porta_Aperta);

        // The main window works over the call.
        QTemporaryDir folder;
        p.app.form1().setDataFolder(folder.path());
        f.Acquisisci->click();
        QCOMPARE(f.NREC->text(), QString("8"));

        // The retry read fills the boxes from the fixed-length replies.
        f.Nome_Centralina->clear();
        w.Riprova->trigger();
        QCOMPARE(f.Nome_Centralina->text(), QString("STAZ1"));
        QCOMPARE(f.data[2]->text().size(), 4);

        // The main window names the station on the line and hangs up.
        QVERIFY(f.InLinea->isVisible());
        QCOMPARE(f.InLinea->text(), QString("In linea: Pozzo 15 (0471123456)"));
        QVERIFY(f.Riaggancia->isVisible() && f.Riaggancia->isEnabled());
        f.Riaggancia->click();
        QVERIFY(station.waitForCall(false, 5000ms));
        QVERIFY(!f.InLinea->isVisible());
        QVERIFY(!f.Riaggancia->isVisible());
        // The line is down: no window looks connected; the modem window is there for the next call.
        QVERIFY(!f.isVisible());
        QVERIFY(w.isVisible() && w.isEnabled());
        QVERIFY2(w.Text1->text().startsWith("Chiamata chiusa"), qPrintable(w.Text1->text()));
        w.Sel[15]->click();
        w.Connetti->trigger();
        QVERIFY(handedOver.wait(60000));
        QCOMPARE(station.dialledNumbers(), (QStringList{"0471123456", "0471123456"}));
        QVERIFY(f.isVisible() && f.InLinea->isVisible());

        // Closing the program with the call up (Ctrl+Q) hangs up first.
        const qsizetype before = station.lineReceived().size();
        QSignalSpy finished(&p.app, &session::Application::finished);
        f.close();
        QCOMPARE(finished.count(), 1);
        const QByteArray sent = station.lineReceived().mid(before);
        QVERIFY2(sent.contains("+++") && sent.contains("ATH\r"), sent.constData());
        QVERIFY(station.waitForCall(false, 5000ms));
    }

    void retryAndConnectDuringTheStartUpAreRefused()
    {
        SimBench bench;
        sim::PtyServer& station =
            addModem(bench, 3, [](sim::Options& o) { o.expectedNumber = "0471123456"; });
        testing::write(modem::modemPortFile(), " 3 \r\n");
        Program p;
        ui::ModemWindow& w = p.app.modemWindow();
        p.app.modem().open();
        w.Telefono[1]->setText("0471123456");
        w.Sel[1]->click();

        // Both commands are clicked while the start-up over the call waits for the logger.
        int beepsAtClick = -1;
        QTimer poll;
        poll.setInterval(5);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (beepsAtClick >= 0 || !w.Riprova->isEnabled() || !p.app.session().guard().busy())
                return;
            w.Riprova->trigger();
            w.Connetti->trigger();
            beepsAtClick = p.dialogs.beeps;
        });
        poll.start();
        QSignalSpy handedOver(&p.app.modem(), &modem::ModemHandlers::handedOver);
        w.Connetti->trigger();
        QVERIFY(handedOver.wait(60000));
        poll.stop();

        QCOMPARE(beepsAtClick, 2); // both refused with a beep
        QCOMPARE(handedOver.count(), 1);
        QCOMPARE(station.dialledNumbers(), QStringList{"0471123456"});
        // Nothing meant for the modem reached the logger over the call.
        QVERIFY(!station.received().contains("atx0"));
        QVERIFY(!station.received().contains("ATD"));
        ui::Form1& f = p.app.form1();
        QCOMPARE(f.MUX[0]->text(), QString("4"));
        QCOMPARE(f.Nome_Centralina->text(), QString("STAZ1"));
        QCOMPARE(f.windowTitle(), QString("M610_M410 V3.2")); // as a logger on the cable names it
        QVERIFY(p.dialogs.shown.isEmpty());
        w.Interrompi->trigger();
        QVERIFY(station.waitForCall(false, 5000ms));
    }

    void theDateOfTheCallIsKeptEvenWhenTheStartUpFails()
    {
        SimBench bench;
        addModem(bench, 3, [](sim::Options& o) { o.silent = true; }); // the logger behind never answers
        testing::write(modem::modemPortFile(), " 3 \r\n");
        Program p;
        p.app.session().link().setReplyTimeout(300ms);
        ui::ModemWindow& w = p.app.modemWindow();
        p.app.modem().open();
        w.Telefono[2]->setText("0471");
        w.Sel[2]->click();
        w.Connetti->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(w.Text1->text().startsWith("Nessuna risposta da COM"), 30000);
        const QString today = QDate::currentDate().toString("dd/MM/yyyy");
        QCOMPARE(modem::loadStations(modem::stationsFile(), modem::lastCallsFile())[2].Uldata, today);
        QVERIFY(!p.app.form1().isVisible());
        QVERIFY(w.Riprova->isEnabled());
    }

    void aBusyLineIsShownAndTheTimerGoesOn()
    {
        SimBench bench;
        sim::PtyServer& station =
            addModem(bench, 3, [](sim::Options& o) { o.dialResult = sim::DialResult::Busy; });
        testing::write(modem::modemPortFile(), " 3 \r\n");
        Program p;
        ui::ModemWindow& w = p.app.modemWindow();
        p.app.modem().open();
        w.Telefono[0]->setText("123");
        // No row selected: row 0 is dialled.
        w.Connetti->setEnabled(true);
        w.Connetti->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(w.Text1->text().startsWith("BUSY"), 10000);
        QVERIFY(p.app.modem().Timer1->isActive());
        QCOMPARE(station.dialledNumbers(), QStringList{"123"});
        QVERIFY(!p.app.form1().isVisible());

        // "Download and Go" dials with the pause after the first digit.
        w.Scarica_Vai->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(station.dialledNumbers().size(), 2, 10000);
        QCOMPARE(station.dialledNumbers().last(), QString("1,23"));
    }
};

QTEST_MAIN(ModemWindowTest)
#include "ui_modem_test.moc"
