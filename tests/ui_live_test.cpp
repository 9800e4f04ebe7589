// The live readings of the main window, the continuous measurement window with its file and its
// chart, against the simulated logger.

#include "link/timing.h"
#include "live/session_table.h"
#include "session/session.h"
#include "support/files.h"
#include "support/program.h"
#include "ui/activity_pane.h"
#include "ui/grafici.h"
#include "ui/live/measurement_window.h"
#include "ui/live/reading_handlers.h"
#include "ui/mis_cont.h"

#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QListWidget>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <csignal>
#include <sys/resource.h>

using namespace stazione;
using namespace std::chrono_literals;
using testing::ConnectedProgram;
using testing::contents;

namespace {

// Presses a button once the condition holds (checked every 20 ms while the program waits).
void pressWhen(QObject* context, std::function<bool()> condition, QAbstractButton* button)
{
    auto* timer = new QTimer(context);
    QObject::connect(timer, &QTimer::timeout, context, [timer, condition = std::move(condition), button] {
        if (condition()) {
            timer->stop();
            timer->deleteLater();
            button->click();
        }
    });
    timer->start(20);
}

} // namespace

class LiveWindowsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { link::setTimeScale(0.05); }

    void theLiveReadingUntilTheStop()
    {
        ConnectedProgram c;
        ui::Form1& f = c.f();
        QCOMPARE(f.MUX[0]->text(), QString("4"));
        int groups = 0;
        pressWhen(
            &c.p.app, [&] { return c.logger->received().size() > 0 && ++groups > 10; }, f.constop);
        f.MISCONTINUA[0]->click();
        QCOMPARE(c.logger->received().left(1), QByteArray("p"));
        QVERIFY(c.logger->received().endsWith("B"));
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(f.LABCANALI[i]->text(), QStringLiteral("CH%1").arg(i));
            QVERIFY2(f.continua[i]->text() != "N.R.", qPrintable(f.continua[i]->text()));
            QVERIFY(f.continua[i]->text().contains('.'));
        }
        // Channels the logger does not send keep "N.R.".
        QCOMPARE(f.continua[4]->text(), QString("N.R."));
        QVERIFY(f.MISCONTINUA[0]->isEnabled() && f.leggidata->isEnabled());
        QCOMPARE(c.p.app.session().Stop_Continua, qint16(1));
        QVERIFY(c.p.dialogs.shown.isEmpty());
    }

    void theVibratingWireLoggerSendsTwoReadingsPerChannel()
    {
        ConnectedProgram c([](sim::Options& o) {
            o.model = "510";
            o.channels = 4;
        });
        ui::Form1& f = c.f();
        QTimer::singleShot(400, &c.p.app, [&] { f.constop->click(); });
        f.MISCONTINUA[0]->click();
        // Eight readings a group: F0 T0 .. F3 T3; the last two have no box.
        QCOMPARE(f.LABCANALI[0]->text(), QString("F0"));
        QCOMPARE(f.LABCANALI[1]->text(), QString("T0"));
        QCOMPARE(f.LABCANALI[5]->text(), QString("T2"));
        QVERIFY(f.continua[5]->text() != "N.R.");
    }

    void aLoggerThatFallsSilentEndsTheReadingWithAMessage()
    {
        ConnectedProgram c([](sim::Options& o) { o.stopAfter = 200; });
        c.p.app.session().link().setReplyTimeout(300ms);
        c.f().MISCONTINUA[0]->click();
        QCOMPARE(c.p.dialogs.shown.size(), 1);
        // The stream stops in the middle of a field: what came is named.
        QVERIFY2(c.p.dialogs.shown[0].text.startsWith("Risposta incompleta da COM3"),
                 qPrintable(c.p.dialogs.shown[0].text));
        QVERIFY(c.f().MISCONTINUA[0]->isEnabled());
    }

    void theStopEndsAWaitThatWouldNotEnd()
    {
        ConnectedProgram c([](sim::Options& o) { o.stopAfter = 200; });
        c.p.app.session().link().setReplyTimeout(60s);
        QTimer::singleShot(500, &c.p.app, [&] { c.f().constop->click(); });
        QElapsedTimer t;
        t.start();
        c.f().MISCONTINUA[0]->click();
        QVERIFY(t.elapsed() < 10000);
        QVERIFY(c.p.dialogs.shown.isEmpty());
        QVERIFY(c.f().MISCONTINUA[0]->isEnabled());
    }

    void aSessionFromStartToStopWithItsChart()
    {
        ConnectedProgram c;
        QTemporaryDir folder;
        const QString path = folder.filePath("mc_test.txt");
        testing::write(path, "an old file that must be replaced\r\n");
        c.p.dialogs.savePaths = {path};
        ui::MisCont& w = c.p.app.misCont();
        live::MeasurementWindow& m = c.p.app.measurement();

        c.f().cmdGrafico->click();
        QCOMPARE(c.p.dialogs.shown.last().title, QString("ATTENZIONE"));
        QCOMPARE(c.p.dialogs.shown.last().text, live::kEnergyWarning);
        QVERIFY(w.isVisible());

        c.p.app.grafici().chkCH[0]->setChecked(true);
        c.p.app.grafici().chkCH[2]->setChecked(true);
        // Once some sets are in, open the chart; a few more, then stop.
        pressWhen(
            &c.p.app, [&] { return m.table().gridRows() >= 5 && w.cmdGraf->isEnabled(); }, w.cmdGraf);
        pressWhen(
            &c.p.app, [&] { return m.table().gridRows() >= 12; }, w.cmdStop);
        QVERIFY(w.cmdStart->isEnabled());
        w.cmdStart->click();

        QCOMPARE(c.p.dialogs.savesAsked.size(), 1);
        QCOMPARE(c.p.dialogs.savesAsked[0].folder, c.f().dataFolder());
        QVERIFY(c.p.dialogs.savesAsked[0].name.startsWith("mc_"));
        QCOMPARE(c.p.dialogs.savesAsked[0].filter, QString("*.txt"));

        const QList<QByteArray> lines = contents(path).split('\n');
        QCOMPARE(lines[0], QByteArray("[INIZIO DATI]\r"));
        QCOMPARE(lines[1], QByteArray("Date,CH 0,CH 1,CH 2,CH 3\r"));
        QCOMPARE(lines[lines.size() - 2], QByteArray("[FINE DATI]\r"));
        const int sets = int(lines.size()) - 4;
        QVERIFY(sets >= 11);
        for (int i = 2; i < 2 + sets; ++i)
            QCOMPARE(lines[i].count(','), 4);
        QCOMPARE(m.table().gridRows(), sets + 1); // the last set stays the last row
        QCOMPARE(w.Grid1->model()->headerData(0, Qt::Horizontal).toString(), QString("Data"));
        QTRY_VERIFY(c.logger->received().endsWith("a")); // the logger takes it a moment later
        QVERIFY(w.cmdStart->isEnabled() && w.cmdChiudi->isEnabled() && !w.cmdStop->isEnabled());

        // The chart followed the session, a point per completed set for each ticked box.
        QVERIFY(m.GraficoAperto);
        QVERIFY(c.p.app.grafici().isVisible());
        const auto series = c.p.app.grafici().MSChart1->chart()->series();
        QCOMPARE(series.size(), 2);
        const auto* line = qobject_cast<QLineSeries*>(series.first());
        QVERIFY(line);
        QCOMPARE(line->count(), sets);
        QVERIFY(!c.p.app.grafici().chkCH[4]->isVisibleTo(&c.p.app.grafici()));
        QVERIFY(c.p.app.grafici().chkCH[3]->isVisibleTo(&c.p.app.grafici()));
        c.p.app.grafici().cmdChiudi->click();
        QVERIFY(!m.GraficoAperto);
        QVERIFY(w.cmdGraf->isEnabled());
    }

    // Opened with nothing ticked the chart draws every channel of the session, and it sits
    // whole on the screen of the measurement window, its buttons included.
    void theChartOpensWithTheChannelsDrawnAndOnTheScreen()
    {
        ConnectedProgram c;
        QTemporaryDir folder;
        c.p.dialogs.savePaths = {folder.filePath("mc_chart.txt")};
        ui::MisCont& w = c.p.app.misCont();
        live::MeasurementWindow& m = c.p.app.measurement();
        ui::Grafici& chart = c.p.app.grafici();
        c.f().cmdGrafico->click();
        QVERIFY(chart.tickedBoxes().empty());
        pressWhen(
            &c.p.app, [&] { return m.table().gridRows() >= 3 && w.cmdGraf->isEnabled(); }, w.cmdGraf);
        pressWhen(
            &c.p.app, [&] { return chart.isVisible() && m.table().gridRows() >= 5; }, w.cmdStop);
        w.cmdStart->click();

        QCOMPARE(chart.tickedBoxes(), (std::vector<int>{0, 1, 2, 3}));
        QCOMPARE(chart.MSChart1->chart()->series().size(), 4);
        QVERIFY(QTest::qWaitForWindowExposed(&chart));
        for (const QPushButton* button : {chart.cmdDisegna, chart.cmdDisegnaTutto, chart.cmdChiudi}) {
            QVERIFY(chart.rect().contains(button->geometry()));
            QVERIFY(button->width() >= button->minimumSizeHint().width());
        }

        // The pane says what ended, not which button started it.
        auto* pane = c.f().findChild<ui::ActivityPane*>();
        QStringList lines;
        for (int i = 0; i < pane->Attivita->count(); ++i)
            lines << pane->Attivita->item(i)->text();
        QVERIFY2(!lines.join('\n').contains(": fatto"), qPrintable(lines.join('\n')));
        QVERIFY2(lines.join('\n').contains("Misura continua terminata"), qPrintable(lines.join('\n')));

        // Boxes the operator unticked stay so while the chart is open.
        chart.chkCH[1]->setChecked(false);
        chart.cmdDisegna->click();
        QCOMPARE(chart.MSChart1->chart()->series().size(), 3);
        chart.cmdChiudi->click();
    }

    void aSessionWithoutChannelsIsCancelled()
    {
        ConnectedProgram c([](sim::Options& o) { o.channels = 0; });
        c.p.app.misCont().show();
        c.p.app.misCont().cmdStart->click();
        QCOMPARE(c.p.dialogs.shown.last().title, QString("Azione annullata"));
        QCOMPARE(c.p.dialogs.shown.last().text, QString("Attivare almeno un canale."));
        QCOMPARE(c.p.app.misCont().txtAvviso->text(), QString("Azione annullata"));
        QVERIFY(c.p.dialogs.savesAsked.isEmpty());
        QCOMPARE(c.p.app.session().port().inputLen(), 1);
    }

    // A session that breaks off on this side leaves the logger streaming unless it is told "a".
    void aSessionThatBreaksOffStopsTheLoggersStream()
    {
        {
            ConnectedProgram c([](sim::Options& o) { o.stopAfter = 3000; }); // then silent: a time-out
            c.p.app.session().link().setReplyTimeout(300ms);
            QTemporaryDir folder;
            c.p.dialogs.savePaths = {folder.filePath("mc.txt")};
            c.p.app.misCont().show();
            c.p.app.misCont().cmdStart->click();
            QVERIFY(contents(folder.filePath("mc.txt")).endsWith("[FILE TERMINATO INASPETTATAMENTE]\r\n"));
            QTRY_VERIFY2(c.logger->received().endsWith("a"), c.logger->received().right(20).constData());
            QTRY_COMPARE(c.logger->activeStream(), sim::Stream::None);
        }
        {
            ConnectedProgram c;
            QTemporaryDir folder;
            const QString path = folder.filePath("mc.txt");
            c.p.dialogs.savePaths = {path};
            live::MeasurementWindow& m = c.p.app.measurement();
            // The disk fills up under the session: no file may grow past its size now, so the next
            // line is written short and the session ends on a file error.
            rlimit before{};
            ::getrlimit(RLIMIT_FSIZE, &before);
            const auto restore = qScopeGuard([&before] { ::setrlimit(RLIMIT_FSIZE, &before); });
            ::signal(SIGXFSZ, SIG_IGN);
            auto* fill = new QTimer(&c.p.app);
            connect(fill, &QTimer::timeout, &c.p.app, [&, fill] {
                if (m.table().gridRows() < 3)
                    return;
                fill->stop();
                const rlimit full{rlim_t(QFileInfo(path).size()), before.rlim_max};
                ::setrlimit(RLIMIT_FSIZE, &full);
            });
            fill->start(10);
            c.p.app.misCont().show();
            c.p.app.misCont().cmdStart->click();
            ::setrlimit(RLIMIT_FSIZE, &before);
            QVERIFY(!fill->isActive());
            QTRY_VERIFY2(c.logger->received().endsWith("a"), c.logger->received().right(20).constData());
            QTRY_COMPARE(c.logger->activeStream(), sim::Stream::None);
            // Nothing more comes down the line.
            const qint64 sent = c.logger->bytesSent();
            QTest::qWait(300);
            QCOMPARE(c.logger->bytesSent(), sent);
        }
    }

    void escapeDuringASessionAsksBeforeEndingIt()
    {
        ConnectedProgram c;
        QTemporaryDir folder;
        c.p.dialogs.savePaths = {folder.filePath("mc.txt")};
        ui::MisCont& w = c.p.app.misCont();
        live::MeasurementWindow& m = c.p.app.measurement();
        c.p.dialogs.answers = {false, true}; // "No" to the first Escape, "Yes" to the second
        int escapes = 0;
        auto* press = new QTimer(&c.p.app);
        connect(press, &QTimer::timeout, &c.p.app, [&] {
            if ((escapes == 0 && m.table().gridRows() >= 3) || (escapes == 1 && m.table().gridRows() >= 6)) {
                ++escapes;
                QTest::keyClick(&w, Qt::Key_Escape);
            }
        });
        press->start(20);
        w.show();
        w.cmdStart->click();
        QCOMPARE(escapes, 2);
        const QList<testing::ScriptedDialogs::Shown> asked = c.p.dialogs.shown;
        QCOMPARE(asked.size(), 2);
        QCOMPARE(asked[0].kind, QString("ask"));
        QVERIFY2(asked[0].text.startsWith("La misura continua è in corso."), qPrintable(asked[0].text));
        QVERIFY(m.table().gridRows() >= 6); // "No" let the session go on
        QVERIFY(!w.isVisible());
        QVERIFY(contents(folder.filePath("mc.txt")).endsWith("[FINE DATI]\r\n"));
    }

    void aChannelTimeOutEndsTheSession()
    {
        ConnectedProgram c([](sim::Options& o) { o.pTimeoutAfter = 2; });
        QTemporaryDir folder;
        const QString path = folder.filePath("mc.txt");
        c.p.dialogs.savePaths = {path};
        c.p.app.misCont().show();
        c.p.app.misCont().cmdStart->click();
        const QList<QByteArray> lines = contents(path).split('\n');
        QCOMPARE(lines.size(), 7); // start, header, two sets, the set with the time-out, end, ""
        QVERIFY(lines[4].contains("Timeout"));
        QCOMPARE(lines[5], QByteArray("[FINE DATI]\r"));
    }
};

QTEST_MAIN(LiveWindowsTest)
#include "ui_live_test.moc"
