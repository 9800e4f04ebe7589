#include "app/application.h"
#include "data/file_names.h"
#include "link/timing.h"
#include "session/session.h"
#include "support/fake_device.h"
#include "support/files.h"
#include "support/program.h"
#include "support/scripted_dialogs.h"
#include "support/sim_fixture.h"
#include "ui/colours.h"
#include "ui/config/clock_schedule_handlers.h"
#include "ui/config/settings_handlers.h"
#include "ui/form1.h"
#include "ui/form2.h"
#include "ui/ini.h"
#include "ui/locking.h"
#include "ui/main/adaptation.h"
#include "ui/main/connection.h"
#include "ui/main/main_window_session.h"
#include "ui/progress_strip.h"

#include <QCheckBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <mutex>
#include <sys/stat.h>

using namespace stazione;
using namespace std::chrono_literals;
using testing::commands;
using testing::contents;
using testing::Program;
using testing::ScriptedDialogs;
using testing::SimBench;
using testing::write;

class SessionWindowsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { link::setTimeScale(0.05); }

    void firstStartFindsTheLoggerOnPort5AndSavesIt()
    {
        SimBench bench;
        bench.add(5);
        QVERIFY(!QFile::exists(bench.savedPortFile()));
        Program p;
        QVERIFY(QFile::exists(bench.savedPortFile())); // created empty when the window loads
        p.app.start();
        QTRY_VERIFY(p.app.form2().isVisible());
        QVERIFY(!p.app.ini().isVisible());

        p.connect();
        QCOMPARE(contents(bench.savedPortFile()), QByteArray(" 5 \r\n"));
        QVERIFY(!p.app.form2().isVisible());
        QVERIFY(!p.app.form2().isEnabled());
        QCOMPARE(p.app.form2().windowTitle(), QString("M610_M410 V3.2"));
        QCOMPARE(p.app.form1().windowTitle(), QString("M610_M410 V3.2"));
        QVERIFY(
            p.app.form2().Label2->text().startsWith("Dispositivo  M610_M410 V3.2 rilevato sulla porta #5\n"));
        QCOMPARE(p.app.session().record.Modello, QString("KVE_M610_M410"));
        QCOMPARE(p.app.session().link().Porta, qint16(5));
        QVERIFY(p.app.session().link().Porta_Aperta);
        QVERIFY(p.dialogs.shown.isEmpty());
    }

    void theSavedPortIsTriedFirst()
    {
        SimBench bench;
        sim::PtyServer& other = bench.add(1);
        sim::PtyServer& logger = bench.add(5, [](sim::Options& o) { o.model = "510"; });
        write(bench.savedPortFile(), " 5 \r\n");
        Program p;
        p.connect();
        QCOMPARE(other.timesOpened(), 0);
        QCOMPARE(logger.timesOpened(), 1);
        QCOMPARE(p.app.form1().windowTitle(), QString("M510HX V3.2"));
    }

    void aDeviceWithAnUnknownIdentificationIsSkipped()
    {
        SimBench bench;
        sim::PtyServer& stranger = bench.add(2, [](sim::Options& o) { o.model = "MODEM_XYZ"; });
        bench.add(4);
        Program p;
        p.connect();
        QCOMPARE(commands(stranger), QStringList{"V"});
        QVERIFY(!stranger.isLineOpen() || QTest::qWaitFor([&] { return !stranger.isLineOpen(); }, 2000));
        QCOMPARE(contents(bench.savedPortFile()), QByteArray(" 4 \r\n"));
    }

    void noLoggerLeavesTheConnectionWindow()
    {
        SimBench bench;
        bench.add(3, [](sim::Options& o) { o.silent = true; });
        Program p;
        auto found = p.app.connection().Command1_Click();
        QVERIFY(found.ok());
        QVERIFY(!*found);
        QCOMPARE(p.app.form2().Label2->text(), QString("Datalogger non trovato, controllare la connessione"));
        QVERIFY(!p.app.form1().isVisible());
        QVERIFY(p.app.form2().Command1->isEnabled());
        QCOMPARE(contents(bench.savedPortFile()), QByteArray());
    }

    void theMainWindowShowsWhatEachModelHas()
    {
        ui::Form1 f;
        auto shownOnPage = [](QWidget* w) { return !w->isHidden(); };
        // The base model keeps the window as built.
        session::adattaForm1(f, "KVE_M410_M610");
        QVERIFY(!shownOnPage(f.continua[2]));
        QVERIFY(!shownOnPage(f.GPRS[0]));
        QVERIFY(!shownOnPage(f.Leggi_Allarmi));
        QVERIFY(shownOnPage(f.nonattivo[0]) && shownOnPage(f.nonattivo[1]));
        QVERIFY(shownOnPage(f.Frame2) && shownOnPage(f.cmdGrafico));

        session::adattaForm1(f, "KVE_M610_M410");
        QVERIFY(shownOnPage(f.continua[3]) && shownOnPage(f.LABCANALI[3]));
        QVERIFY(!shownOnPage(f.continua[4]));
        for (int k = 0; k < 10; ++k)
            QVERIFY(shownOnPage(f.GPRS[k]) && shownOnPage(f.NUMERO_ALLARME_SMS[k]) &&
                    shownOnPage(f.Label6[k]));
        QVERIFY(shownOnPage(f.Label6[10]) && shownOnPage(f.NUMERO_ALLARMI_SMS) && shownOnPage(f.Rubrica));
        QVERIFY(shownOnPage(f.LEGGI_GSM) && shownOnPage(f.SCRIVI_GSM) && shownOnPage(f.LeggiGPRS));
        QVERIFY(!shownOnPage(f.nonattivo[0]) && !shownOnPage(f.nonattivo[1]));
        QVERIFY(shownOnPage(f.Frame6) && shownOnPage(f.cmdGrafico));

        f.restoreModelVisibility();
        session::adattaForm1(f, "KVE_M510HX");
        QVERIFY(shownOnPage(f.continua[5]) && shownOnPage(f.LABCANALI[5]));
        QVERIFY(!shownOnPage(f.Frame2) && !shownOnPage(f.Frame6) && !shownOnPage(f.Frame7));
        QVERIFY(!shownOnPage(f.cmdGrafico));
        QVERIFY(shownOnPage(f.ScriviGPRS));

        // A later connection to the base model brings the window back to what that model has.
        f.restoreModelVisibility();
        session::adattaForm1(f, "KVE_M410_M610");
        QVERIFY(shownOnPage(f.Frame2) && shownOnPage(f.cmdGrafico));
        QVERIFY(!shownOnPage(f.continua[2]) && !shownOnPage(f.GPRS[0]) && shownOnPage(f.nonattivo[1]));
    }

    void lockingDisablesTheListAndNothingElse()
    {
        ui::Form1 f;
        const QList<QWidget*> locked{
            f.leggi_nome,        f.imposta_nome,     f.Aggiorna_acq,  f.Acquisisci,  f.Acquisisci_Temp,
            f.MISCONTINUA[0],    f.Status,           f.leggidata,     f.impostadata, f.LeggiDataAllarme,
            f.ScriviDataAllarme, f.Subito,           f.ReadSt,        f.Command1,    f.Command2,
            f.impostapreacc,     f.preacc,           f.Scrivicanali,  f.leggicanali, f.Leggi_poprietà,
            f.Azzera_memoria,    f.Resetta,          f.Leggi_Allarmi, f.LEGGI_GSM,   f.SCRIVI_GSM,
            f.Abilita_SMS,       f.Abilita_Telefono, f.LeggiGPRS,     f.BATTPB_READ, f.cmdGrafico};
        QCOMPARE(locked.size(), 30);
        const QList<QWidget*> free{f.minipan,
                                   f.minipan_read,
                                   f.BATTPBX,
                                   f.ScriviGPRS,
                                   f.EMAIL,
                                   f.Telefono,
                                   f.MUX[0],
                                   f.leggifs,
                                   f.leggiprox,
                                   f.mmpioggia,
                                   f.mmpioggialeggi,
                                   f.mmpioggiatastoscrivi,
                                   f.PLUVIOMETRO,
                                   f.CONTAIMP,
                                   f.stopacq,
                                   f.constop,
                                   f.RIPRISTINA_DA_ERRORI};
        const bool hiddenBefore = f.Leggi_Allarmi->isHidden();
        ui::Spegni_Tasti(f);
        for (QWidget* w : locked)
            QVERIFY2(!w->isEnabled(), qPrintable(w->objectName()));
        for (QWidget* w : free)
            QVERIFY2(w->isEnabled(), qPrintable(w->objectName()));
        // A control the model hides is locked all the same, and stays hidden.
        QVERIFY(hiddenBefore);
        QVERIFY(f.Leggi_Allarmi->isHidden());
        ui::Accendi_Tasti(f);
        for (QWidget* w : locked)
            QVERIFY2(w->isEnabled(), qPrintable(w->objectName()));
        QVERIFY(f.Leggi_Allarmi->isHidden());
    }

    void anExchangeLocksTheMainWindowUntilItsOutermostLevelEnds()
    {
        SimBench bench;
        Program p;
        ui::Form1& f = p.app.form1();
        session::ExchangeGuard& guard = p.app.session().guard();
        {
            const auto outer = guard.hold();
            QVERIFY(!f.leggicanali->isEnabled());
            QVERIFY(!p.app.form2().Command1->isEnabled());
            {
                const auto inner = guard.hold(); // a handler run by another one
            }
            // The inner handler's end does not give the controls back while the outer one runs.
            QVERIFY(!f.leggicanali->isEnabled());
            QVERIFY(!f.Resetta->isEnabled());
        }
        QVERIFY(f.leggicanali->isEnabled());
        QVERIFY(p.app.form2().Command1->isEnabled());
    }

    // The thin bar under the progress is the logger's pause: it says so while it runs.
    void theLoggersPauseHasALabel()
    {
        SimBench bench;
        Program p;
        auto* strip = p.app.form1().findChild<ui::ProgressStrip*>();
        QVERIFY(strip);
        p.app.session().progress().begin("Scarico dei dati", 0, {});
        emit p.app.session().link().pauseStarted(std::chrono::milliseconds(2000));
        QVERIFY(!strip->Pausa->isHidden());
        QVERIFY(!strip->PausaTesto->isHidden());
        QCOMPARE(strip->PausaTesto->text(), QString("Pausa del datalogger"));
        p.app.session().progress().end();
        QVERIFY(strip->PausaTesto->isHidden());
        QVERIFY(strip->Pausa->isHidden());
    }

    void closingTheMainWindowWritesTheSessionLog()
    {
        SimBench bench;
        bench.add(3);
        QTemporaryDir data;
        Program p;
        p.connect();
        ui::Form1& f = p.app.form1();
        f.setDataFolder(data.path());
        f.Nome_File_Dati->setText("Pozzo1_05_12_26.txt");
        f.Nome_Centralina->setText("Pozzo1"); // typed, never written: the logger still holds STAZ1
        f.Acq_possibili->setText("16384");
        f.acq_disponibili->setText("16264");
        f.conversione[0]->setText("000");
        f.conversione[1]->setText("010");
        f.conversione[2]->setText("");
        f.preaccensione->setText("01500");
        QSignalSpy finished(&p.app, &session::Application::finished);
        f.close();
        QCOMPARE(finished.count(), 1);
        QVERIFY(!p.app.session().port().portOpen());
        QCOMPARE(contents(data.filePath("LOGOUT_Pozzo1_05_12_26.txt")),
                 QByteArray("ID TELEMONITOR: STAZ1\r\n"
                            "PO ACQUISITION: 16384\r\n"
                            "AV ACQUISITION: 16264\r\n"
                            "ACQ HOURS     : 000\r\n"
                            "ACQ MINUTES   : 010\r\n"
                            "ACQ SECONDS   : \r\n"
                            "PRE-HEATING   : 01500\r\n"));
        QVERIFY(p.dialogs.shown.isEmpty());
    }

    void aLogThatCannotBeWrittenIsReportedAndTheProgramStillEnds()
    {
        SimBench bench;
        Program p;
        p.app.form1().setDataFolder("/nonexistent/folder");
        p.app.form1().Nome_File_Dati->setText("x.txt");
        QSignalSpy finished(&p.app, &session::Application::finished);
        p.app.form1().close();
        QCOMPARE(finished.count(), 1);
        QCOMPARE(p.dialogs.shown.size(), 1);
        QCOMPARE(p.dialogs.shown[0].title, QString("Attenzione"));
        QVERIFY(p.dialogs.shown[0].text.contains("/nonexistent/folder/LOGOUT_x.txt"));
    }

    void closingTheConnectionWindowEndsTheProgram()
    {
        SimBench bench;
        Program p;
        QSignalSpy finished(&p.app, &session::Application::finished);
        p.app.form2().show();
        p.app.form2().close();
        QCOMPARE(finished.count(), 1);
    }

    void resetFromTheConnectionWindowSendsTheCodeThenScansAgain()
    {
        // The logger's own log, shown when the scan after the reset was not heard (once seen under
        // load): it tells a command ignored while busy from one that never reached it. Made before
        // the simulator, whose thread may still log while it stops.
        std::mutex heardLock;
        QStringList heard;
        SimBench bench;
        sim::PtyServer& logger = bench.add(3, {}, [&](const QString& line) {
            const std::lock_guard lock(heardLock);
            heard << line;
        });
        write(bench.savedPortFile(), " 3 \r\n");
        Program p;
        p.dialogs.answers = {true};
        p.app.connection().Command3_Click();
        QCOMPARE(p.dialogs.shown.size(), 1);
        const auto& asked = p.dialogs.shown[0];
        QCOMPARE(asked.title, QString("Attenzione"));
        QCOMPARE(
            asked.text,
            QString(
                "Vuoi veramente resettare il datalogger?\r\nPerderai tutti i dati e tutte le impostazioni!"));
        QCOMPARE(asked.icon, ui::Dialogs::Icon::Critical);
        QVERIFY(!asked.defaultYes);
        if (commands(logger).mid(0, 3) != QStringList{"z 839", "V", "K  0"}) {
            const std::lock_guard lock(heardLock);
            qWarning().noquote() << "the logger's log:\n" + heard.join(QLatin1Char('\n'));
        }
        QCOMPARE(commands(logger).mid(0, 3), (QStringList{"z 839", "V", "K  0"}));
        QVERIFY(logger.received().startsWith("z839,"));
        QVERIFY(p.app.form1().isVisible());
    }

    // No leaves the logger alone: nothing goes out, the connection window stays.
    void answeringNoInTheConnectionWindowSendsNothing()
    {
        SimBench bench;
        sim::PtyServer& logger = bench.add(3);
        write(bench.savedPortFile(), " 3 \r\n");
        Program p;
        p.app.connection().Command3_Click();
        QCOMPARE(p.dialogs.shown.size(), 1);
        QTest::qWait(100);
        QCOMPARE(logger.received(), QByteArray());
        QVERIFY(commands(logger).isEmpty());
        QVERIFY(!p.app.form1().isVisible());
        QVERIFY(p.app.form2().Command3->isEnabled());
        QVERIFY(!p.app.session().port().portOpen());
    }

    void resetFromTheMainWindow()
    {
        SimBench bench;
        sim::PtyServer& logger = bench.add(3);
        Program p;
        p.connect();
        logger.clearTranscript();
        logger.clearReceived();

        // No sends nothing and gives the controls back.
        QVERIFY(p.app.mainWindow().Resetta_Click().ok());
        QCOMPARE(p.dialogs.shown.last().text,
                 QString("Vuoi veramente resettare il datalogger?\r\nTu perderai tutti i dati"));
        QTest::qWait(100);
        QCOMPARE(logger.received(), QByteArray());
        QVERIFY(p.app.form1().Resetta->isEnabled());

        logger.withState([](sim::State& s) { s.stationName = "POZZO9"; });
        p.dialogs.answers = {true};
        auto reset = p.app.mainWindow().Resetta_Click();
        QVERIFY2(reset.ok(), qPrintable(reset.error().message));
        QCOMPARE(commands(logger), (QStringList{"z 839", "H", "M ", "H", "C  0", "C  1", "C  2", "Q", "O"}));
        // The reset put the factory name back, and the window shows what the logger now holds.
        QCOMPARE(p.app.form1().Nome_Centralina->text(), logger.state().stationName);
        QCOMPARE(p.app.form1().MUX[0]->text(), QString::number(logger.state().channels));
        QCOMPARE(ui::backColour(p.app.form1().MUX[0]), ui::kConfirmed);
        QVERIFY(!p.app.form1().conversione[1]->text().isEmpty());
        QVERIFY(!p.app.form1().Acq_possibili->text().isEmpty());
        QVERIFY(p.app.form1().Resetta->isEnabled());
    }

    void eraseAsksThenSendsTheCodeAndRereadsTheMemory()
    {
        SimBench bench;
        sim::PtyServer& logger = bench.add(3);
        Program p;
        p.connect();
        logger.clearTranscript();
        p.dialogs.answers = {true};
        QVERIFY(p.app.mainWindow().Azzera_memoria_Click().ok());
        const auto& asked = p.dialogs.shown.last();
        QCOMPARE(asked.text,
                 QString("Vuoi veramente canncellare la memoria?\r\nTutti i dati saranno persi."));
        QCOMPARE(asked.icon, ui::Dialogs::Icon::Critical);
        QVERIFY(!asked.defaultYes);
        QCOMPARE(commands(logger), (QStringList{"b 839", "H", "M "}));
        QCOMPARE(logger.state().records.size(), 0);
        QCOMPARE(p.app.form1().acq_disponibili->text().toInt(), p.app.form1().Acq_possibili->text().toInt());
    }

    void leggifsStoresTheSixValues()
    {
        SimBench bench;
        bench.add(3);
        Program p;
        p.connect();
        QVERIFY(p.app.mainWindow().leggifs_Click().ok());
        const auto& fs = p.app.session().record.fs;
        QVERIFY(p.app.session().record.fsRead);
        QCOMPARE(fs[0], 12.0);
        QCOMPARE(fs[1], 3.0);
        QCOMPARE(fs[2], 1.25);
        QCOMPARE(fs[3], 2.5);
    }

    void restoreEndsAPendingWaitAndUnlocks()
    {
        SimBench bench;
        auto owned = std::make_unique<testing::FakeDevice>();
        testing::FakeDevice* device = owned.get();
        QTemporaryDir ports;
        QFile(ports.filePath("COM1")).open(QIODevice::WriteOnly);
        ScriptedDialogs dialogs;
        session::Application app(
            std::make_unique<link::CommPort>(std::move(owned), link::PortResolver(ports.path(), false)),
            dialogs);
        link::Link& link = app.session().link();
        link.setReplyTimeout(30s);
        QVERIFY(app.session().port().setCommPort(1).ok());
        QVERIFY(app.session().port().setPortOpen(true).ok());
        link.Porta_Aperta = true;
        device->deliver("half");

        QTimer::singleShot(50, &app, [&app] {
            QVERIFY(!app.form1().leggi_nome->isEnabled());
            app.form1().RIPRISTINA_DA_ERRORI->click();
        });
        QElapsedTimer t;
        t.start();
        auto outcome = app.settings().leggi_nome();
        QVERIFY(t.elapsed() < 10000);
        QVERIFY(!outcome.ok());
        QCOMPARE(outcome.error().kind, link::ErrorKind::Cancelled);
        QVERIFY(app.form1().leggi_nome->isEnabled());
        QVERIFY(link.Accumulo().isEmpty());
        QCOMPARE(device->written(), QByteArray("Q"));
        QVERIFY(dialogs.shown.isEmpty());
    }

    void aLoggerThatStopsAnsweringGivesAMessageAndUnlocks()
    {
        SimBench bench;
        sim::PtyServer& logger = bench.add(3);
        Program p;
        p.connect();
        p.app.session().link().setReplyTimeout(300ms);
        logger.hangUp();
        p.app.form1().leggi_nome->click();
        QCOMPARE(p.dialogs.shown.size(), 1);
        QCOMPARE(p.dialogs.shown[0].title, QString("Attenzione"));
        QVERIFY(p.app.form1().leggi_nome->isEnabled());
    }

    void theTraceSwitchWritesTheLineIntoTheDataFolder()
    {
        testing::ConnectedProgram c;
        QTemporaryDir folder;
        c.f().setDataFolder(folder.path());
        const data::DateParts today = data::dateParts(QDate::currentDate());
        const QString path =
            folder.filePath(QStringLiteral("trace_%1_%2_%3.txt").arg(today.dd, today.mm, today.yy));
        QCOMPARE(c.f().TracciaComunicazione->text(), QString("Traccia comunicazione"));
        QVERIFY(!c.f().TracciaComunicazione->isChecked()); // off by default: nothing is written
        c.f().leggi_nome->click();
        QVERIFY(!QFile::exists(path));

        c.f().TracciaComunicazione->click();
        c.f().leggi_nome->click();
        c.f().TracciaComunicazione->click();
        QCOMPARE(c.p.app.session().port().trace(), nullptr);
        const QString traced = QString::fromUtf8(contents(path));
        QVERIFY2(QRegularExpression(R"(\d\d:\d\d:\d\d\.\d\d\d > Q\n\d\d:\d\d:\d\d\.\d\d\d < STAZ1,\n)")
                     .match(traced)
                     .hasMatch(),
                 qPrintable(traced));
        c.f().Status->click(); // the trace is off again: nothing more is written
        QCOMPARE(QString::fromUtf8(contents(path)), traced);
    }

    void theWindowsOwnTraceFileIsNeverFollowedNorAFifo()
    {
        testing::ConnectedProgram c;
        QTemporaryDir folder;
        c.f().setDataFolder(folder.path());
        const data::DateParts today = data::dateParts(QDate::currentDate());
        const QString path =
            folder.filePath(QStringLiteral("trace_%1_%2_%3.txt").arg(today.dd, today.mm, today.yy));
        // A link in the trace's place: replaced by the trace; what it named is left as it was.
        const QString elsewhere = folder.filePath("elsewhere.txt");
        write(elsewhere, "keep\n");
        QVERIFY(QFile::link(elsewhere, path));
        c.f().TracciaComunicazione->click();
        c.f().leggi_nome->click();
        c.f().TracciaComunicazione->click();
        QCOMPARE(contents(elsewhere), QByteArray("keep\n"));
        QVERIFY(!QFileInfo(path).isSymLink());
        QVERIFY(contents(path).contains("> Q"));

        // A fifo: refused at once (a plain open would wait for a reader for ever), and said.
        QVERIFY(QFile::remove(path));
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        c.f().TracciaComunicazione->click();
        QVERIFY(!c.f().TracciaComunicazione->isChecked());
        QCOMPARE(c.p.app.session().port().trace(), nullptr);
        QCOMPARE(c.p.dialogs.shown.size(), 1);
        QVERIFY(c.p.dialogs.shown[0].text.contains(QFileInfo(path).fileName()));
    }

    void connectionWithoutScan()
    {
        SimBench bench;
        bench.add(5);
        write(bench.savedPortFile(), " 5 \r\n");
        Program p;
        p.app.connection().No_conn_Click();
        QCOMPARE(p.app.form2().Label2->text(), QString(" Telemonitor trovato"));
        QVERIFY(p.app.form1().isVisible());
        QVERIFY(p.app.session().record.Modello.isEmpty());

        Program q;
        q.app.session().link().Porta = 9;
        q.app.connection().No_conn_Click();
        QCOMPARE(q.app.form2().Label2->text(), QString("Il dispositivo non è presente nel sistema."));
        QCOMPARE(contents(bench.savedPortFile()), QByteArray(" 9 \r\n"));
    }

    // A technician outside the serial ports' group is refused every port: the connection window
    // names the fix, both when it connects without a scan and at the end of a scan.
    void aPortRefusedForPermissionNamesTheFix()
    {
        SimBench bench;
        testing::FakePortFixture fx;
        for (int n = 1; n <= 5; ++n)
            fx.device->denied.insert(fx.pathOf(n));
        ScriptedDialogs dialogs;
        session::Application app(std::move(fx.port), dialogs);
        app.session().link().Porta = 2;
        app.connection().No_conn_Click();
        QVERIFY2(app.form2().Label2->text().contains("sudo adduser $USER dialout"),
                 qPrintable(app.form2().Label2->text()));
        QVERIFY(!app.form1().isVisible());

        auto found = app.connection().Command1_Click();
        QVERIFY(found.ok());
        QVERIFY(!*found);
        QVERIFY2(app.form2().Label2->text().contains("sudo adduser $USER dialout"),
                 qPrintable(app.form2().Label2->text()));
        QVERIFY(!app.form1().isVisible());
    }
};

QTEST_MAIN(SessionWindowsTest)
#include "ui_session_test.moc"
