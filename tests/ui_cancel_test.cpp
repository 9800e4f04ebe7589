// Every long wait shows how far it got and stops within half a second of "Annulla" or of its
// window being closed: the scan, the retrieval, both downloads, the call's start-up, and a pause.

#include "app/application.h"
#include "data/downloads.h"
#include "link/exchange.h"
#include "link/timing.h"
#include "modem/stations.h"
#include "session/progress.h"
#include "session/session.h"
#include "support/files.h"
#include "support/program.h"
#include "support/sim_fixture.h"
#include "ui/data/download_handlers.h"
#include "ui/form1.h"
#include "ui/form2.h"
#include "ui/main/connection.h"
#include "ui/modem/modem_handlers.h"
#include "ui/modem/modem_window.h"
#include "ui/progress_strip.h"

#include <QAction>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace stazione;
using namespace std::chrono_literals;
using testing::ConnectedProgram;
using testing::Program;
using testing::SimBench;

namespace {

constexpr qint64 kPromptly = 500; // ms from the click to the operation's end

ui::ProgressStrip& strip(QWidget& window)
{
    return *window.findChild<ui::ProgressStrip*>();
}

// Clicks "Annulla" of `window` as the operator does (through the window system's input, which a
// pause holds back for every other control) once `ready` holds, and notes what the strip showed.
struct Canceller {
    QWidget& window;
    std::function<bool()> ready;
    QElapsedTimer sinceClick;
    QString shown;
    QString bar;
    bool clicked = false;
    QTimer poll;

    Canceller(QWidget& w, std::function<bool()> when)
        : window(w)
        , ready(std::move(when))
    {
        poll.setInterval(20);
        QObject::connect(&poll, &QTimer::timeout, [this] {
            ui::ProgressStrip& s = strip(window);
            if (clicked || !ready() || !s.isVisible())
                return;
            shown = s.Avanzamento->text();
            bar = s.Barra->text();
            clicked = true;
            poll.stop();
            sinceClick.start();
            QTest::mouseClick(s.Annulla, Qt::LeftButton);
        });
        poll.start();
    }
    qint64 afterClick() const { return clicked ? sinceClick.elapsed() : -1; }
};

// A download cut short leaves the logger sending: the line is drained, which the strip says;
// a second "Annulla" gives up the drain as well.
struct DrainWatch {
    session::Progress& progress;
    QWidget& window;
    Canceller& first;
    qint64 toDrain = -1; // first click to the drain's notice
    QString shown;       // the notice
    QElapsedTimer sinceSecond;
    QTimer poll;
    DrainWatch(session::Progress& p, QWidget& w, Canceller& c)
        : progress(p)
        , window(w)
        , first(c)
    {
        poll.setInterval(10);
        QObject::connect(&poll, &QTimer::timeout, [this] {
            if (!first.clicked || !progress.text().startsWith(data::kDraining))
                return;
            shown = progress.text();
            toDrain = first.afterClick();
            poll.stop();
            sinceSecond.start();
            QTest::mouseClick(strip(window).Annulla, Qt::LeftButton);
        });
        poll.start();
    }
};

} // namespace

class CancelTest : public QObject {
    Q_OBJECT

private slots:
    void init() { link::setTimeScale(1.0); }
    void cleanup() { link::setTimeScale(0.05); }

    void theScanShowsThePortAndStopsOnAnnulla()
    {
        SimBench bench(1.0);
        bench.add(3, [](sim::Options& o) { o.silent = true; }); // wakes no reply: the full pause
        Program p;
        p.app.form2().show();
        QElapsedTimer started;
        started.start();
        Canceller annulla(p.app.form2(), [&] { return started.elapsed() > 1000; });
        auto found = p.app.connection().Command1_Click();
        const qint64 late = annulla.afterClick();
        QVERIFY(annulla.clicked);
        QVERIFY2(late >= 0 && late < kPromptly, qPrintable(QString::number(late)));
        QVERIFY(!found.ok() && found.error().kind == link::ErrorKind::Cancelled);
        QVERIFY2(annulla.shown.startsWith("Ricerca del datalogger: porta "), qPrintable(annulla.shown));
        QVERIFY(annulla.shown.endsWith(" di 31"));
        QVERIFY(!strip(p.app.form2()).isVisible());
        // The next operation is not cancelled in advance.
        QVERIFY(!link::pausesAborted());
    }

    void closingTheConnectionWindowDuringAScanEndsItPromptly()
    {
        SimBench bench(1.0);
        bench.add(3, [](sim::Options& o) { o.silent = true; });
        Program p;
        p.app.form2().show();
        QElapsedTimer sinceClose;
        QTimer::singleShot(1000, &p.app.form2(), [&] {
            sinceClose.start();
            p.app.form2().close();
        });
        auto found = p.app.connection().Command1_Click();
        QVERIFY(sinceClose.isValid());
        QVERIFY2(sinceClose.elapsed() < kPromptly, qPrintable(QString::number(sinceClose.elapsed())));
        QVERIFY(!found.ok());
    }

    void theRetrievalShowsItsStepAndStopsOnAnnulla()
    {
        SimBench bench(1.0);
        bench.add(3);
        Program p;
        p.app.form2().show();
        session::Progress& progress = p.app.session().progress();
        QStringList steps;
        connect(&progress, &session::Progress::changed, this, [&] {
            if (progress.text().contains("passo") && (steps.isEmpty() || steps.last() != progress.text()))
                steps << progress.text();
        });
        Canceller annulla(p.app.form2(), [&] { return progress.text().contains("passo 4 di 11"); });
        auto found = p.app.connection().Command1_Click();
        QVERIFY(annulla.clicked);
        QVERIFY2(annulla.afterClick() < kPromptly, qPrintable(QString::number(annulla.afterClick())));
        QVERIFY(found.ok() && !*found);
        QCOMPARE(steps.first(), QString("Recupero dei parametri interni: passo 1 di 11"));
        QVERIFY(steps.contains("Recupero dei parametri interni: passo 4 di 11"));
        QVERIFY2(p.app.form2().Label2->text().endsWith("interrotto"),
                 qPrintable(p.app.form2().Label2->text()));
        QVERIFY(!p.app.form1().isVisible());
    }

    void theDataDownloadShowsLinesBytesAndRateAndStopsOnAnnulla()
    {
        link::setTimeScale(0.05); // the connection, quickly; the stream is paced as on the line
        ConnectedProgram c([](sim::Options& o) {
            o.pace = true;
            o.records = 2000;
        });
        QTemporaryDir folder;
        c.p.app.downloads().chooseFolder(folder.path());
        QElapsedTimer started;
        started.start();
        Canceller annulla(c.f(), [&] { return started.elapsed() > 1500; });
        DrainWatch drain(c.p.app.session().progress(), c.f(), annulla);
        c.f().Acquisisci->click();
        QVERIFY(annulla.clicked);
        QVERIFY2(drain.toDrain >= 0 && drain.toDrain < kPromptly, qPrintable(QString::number(drain.toDrain)));
        QVERIFY2(drain.sinceSecond.elapsed() < kPromptly,
                 qPrintable(QString::number(drain.sinceSecond.elapsed())));
        // The memory counters read at connection give the total: a share and the time left.
        static const QRegularExpression shape(QStringLiteral(
            R"(^Scarico dei dati: (\d+) di 2000 righe \((\d+)%\), \d+\.\d kB, \d+\.\d\d kB/s, 00:0[1-9], )"
            R"(tempo rimasto (\d\d):(\d\d)$)"));
        const QRegularExpressionMatch match = shape.match(annulla.shown);
        QVERIFY2(match.hasMatch(), qPrintable(annulla.shown));
        QCOMPARE(match.captured(2).toInt(), match.captured(1).toInt() * 100 / 2000);
        QVERIFY(match.captured(3).toInt() * 60 + match.captured(4).toInt() > 30); // a paced line is slow
        QCOMPARE(c.p.app.session().progress().maximum(), 0);                      // the strip is gone
        // The drain says how long it may take and how to cut it short.
        QVERIFY2(drain.shown.endsWith(" s. Premi di nuovo Annulla per interrompere subito"),
                 qPrintable(drain.shown));
        QVERIFY2(drain.shown.contains("ancora al massimo "), qPrintable(drain.shown));
        QVERIFY(c.f().NREC->text().toInt() > 0);
        QVERIFY(c.f().NREC->text().toInt() < 2000);
    }

    void theTemperatureDownloadShowsThePercentageAndStopsOnAnnulla()
    {
        link::setTimeScale(0.05);
        ConnectedProgram c([](sim::Options& o) {
            o.pace = true;
            o.records = 3000;
        });
        QTemporaryDir folder;
        c.p.app.downloads().chooseFolder(folder.path());
        session::Progress& progress = c.p.app.session().progress();
        Canceller annulla(c.f(), [&] { return progress.value() >= 2; });
        DrainWatch drain(progress, c.f(), annulla);
        c.f().Acquisisci_Temp->click();
        QVERIFY(annulla.clicked);
        QVERIFY2(drain.toDrain >= 0 && drain.toDrain < kPromptly, qPrintable(QString::number(drain.toDrain)));
        QVERIFY2(drain.sinceSecond.elapsed() < kPromptly,
                 qPrintable(QString::number(drain.sinceSecond.elapsed())));
        QVERIFY2(annulla.shown.startsWith("Scarico delle temperature: "), qPrintable(annulla.shown));
        QVERIFY2(annulla.shown.endsWith("%"), qPrintable(annulla.shown));
        QVERIFY2(annulla.bar.endsWith("%") && annulla.bar != "0%", qPrintable(annulla.bar));
    }

    void theCallStartUpShowsItsPausesAndStopsOnAnnulla()
    {
        link::setTimeScale(0.25); // 21 s become 5.25 s; the click comes in the first pause
        SimBench bench(0.25);
        bench.add(3, [](sim::Options& o) { o.modem = true; });
        testing::write(modem::modemPortFile(), " 3 \r\n");
        Program p;
        ui::ModemWindow& w = p.app.modemWindow();
        p.app.modem().open();
        w.Telefono[0]->setText("0471");
        w.Sel[0]->click();
        session::Progress& progress = p.app.session().progress();
        QElapsedTimer inStartUp;
        connect(&progress, &session::Progress::changed, this, [&] {
            if (progress.text().startsWith("Avvio della chiamata") && !inStartUp.isValid())
                inStartUp.start();
        });
        Canceller annulla(w, [&] { return inStartUp.isValid() && inStartUp.elapsed() > 800; });
        w.Connetti->trigger();
        QTRY_VERIFY2_WITH_TIMEOUT(annulla.clicked,
                                  qPrintable(w.Text1->text() + " | " + progress.text() + " | " +
                                             QString::number(w.isVisible()) +
                                             QString::number(strip(w).isVisible())),
                                  30000);
        QTRY_VERIFY_WITH_TIMEOUT(!progress.active(), 5000);
        QVERIFY2(annulla.afterClick() < kPromptly, qPrintable(QString::number(annulla.afterClick())));
        QCOMPARE(annulla.shown, QString("Avvio della chiamata: attesa del datalogger"));
        QVERIFY(!p.app.form1().isVisible());
    }

    void aPauseHearsRestoreAndAnnullaButNoOtherControl()
    {
        link::setTimeScale(0.05);
        ConnectedProgram c;
        ui::Form1& f = c.f();
        link::setTimeScale(1.0);
        QSignalSpy restore(f.RIPRISTINA_DA_ERRORI, &QPushButton::clicked);
        QSignalSpy other(f.leggifs, &QPushButton::clicked);
        QTimer::singleShot(300, &f, [&] {
            QTest::mouseClick(f.leggifs, Qt::LeftButton);
            QTest::mouseClick(f.RIPRISTINA_DA_ERRORI, Qt::LeftButton);
        });
        QElapsedTimer pause;
        pause.start();
        c.p.app.session().link().Ritardo(100);
        QVERIFY(pause.elapsed() >= 990);
        QCOMPARE(restore.count(), 1);
        QCOMPARE(other.count(), 0);
    }

    // What the operator types or clicks during a pause is handed over when it ends: a box gets
    // its characters, and a click that would start an exchange meets the guard like any other.
    void inputDuringAPauseIsDeliveredAfterIt()
    {
        link::setTimeScale(0.05);
        ConnectedProgram c;
        ui::Form1& f = c.f();
        link::setTimeScale(1.0);
        f.Nome_Centralina->clear();
        f.Nome_Centralina->setFocus();
        QSignalSpy clicked(f.leggifs, &QPushButton::clicked);
        QTimer::singleShot(200, &f, [&] {
            QTest::keyClicks(f.Nome_Centralina, "POZZO7");
            QTest::mouseClick(f.leggifs, Qt::LeftButton);
        });
        link::Link& link = c.p.app.session().link();
        {
            // A handler's body: a pause, then a command and the wait for its reply.
            const auto exchange = c.p.app.session().guard().hold();
            link.Ritardo(60);
            QCOMPARE(f.Nome_Centralina->text(), QString()); // nothing reached the box during the pause
            QCOMPARE(clicked.count(), 0);
            auto name = link::requestField(link, link::cmd::readStationName());
            QVERIFY(name.ok());
            QCOMPARE(*name, QString("STAZ1"));
        }
        QCOMPARE(f.Nome_Centralina->text(), QString("POZZO7"));
        QCOMPARE(clicked.count(), 1);
        // The click came during the wait for the reply: the guard refused it, nothing of it was sent.
        QCOMPARE(c.p.dialogs.beeps, 1);
        QCOMPARE(c.logger->received(), QByteArray("Q"));
    }

    void closingTheMainWindowDuringAPauseEndsItPromptly()
    {
        link::setTimeScale(0.05);
        ConnectedProgram c;
        link::setTimeScale(1.0);
        QElapsedTimer sinceClose;
        QTimer::singleShot(300, &c.f(), [&] {
            sinceClose.start();
            c.f().close();
        });
        c.p.app.session().link().Ritardo(950); // the 9.5 s it used to take
        QVERIFY(sinceClose.isValid());
        QVERIFY2(sinceClose.elapsed() < kPromptly, qPrintable(QString::number(sinceClose.elapsed())));
    }
};

QTEST_MAIN(CancelTest)
#include "ui_cancel_test.moc"
