// The keyboard alone is enough: Tab walks a tab row by row, the focus stays on the button that
// was used, the small windows close with Chiudi and Escape, the chart opens beside its session.

#include "app/application.h"
#include "link/timing.h"
#include "modem/stations.h"
#include "session/session.h"
#include "support/files.h"
#include "support/program.h"
#include "support/sim_fixture.h"
#include "ui/allarmi_an.h"
#include "ui/data_viewer.h"
#include "ui/form1.h"
#include "ui/form2.h"
#include "ui/grafici.h"
#include "ui/live/measurement_window.h"
#include "ui/mis_cont.h"
#include "ui/modem/modem_handlers.h"
#include "ui/modem/modem_window.h"
#include "ui/sensori_an.h"

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

using namespace stazione;
using testing::ConnectedProgram;

namespace {

QStringList walk(QWidget* from, int steps)
{
    QStringList names;
    from->setFocus(Qt::TabFocusReason);
    for (int i = 0; i < steps; ++i) {
        names << QApplication::focusWidget()->objectName();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    return names;
}

} // namespace

class KeyboardTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { link::setTimeScale(0.05); }

    void tabWalksTheDateTabRowByRow()
    {
        ConnectedProgram c;
        ui::Form1& f = c.f();
        f.SSTab1->setCurrentIndex(0);
        f.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&f));
        const QStringList expected{"data_0",
                                   "data_1",
                                   "data_2",
                                   "data_3",
                                   "data_4",
                                   "data_5",
                                   "leggidata",
                                   "impostadata",
                                   "dataPC",
                                   "data_allarme_0",
                                   "data_allarme_1",
                                   "data_allarme_2",
                                   "data_allarme_3",
                                   "data_allarme_4",
                                   "data_allarme_5",
                                   "LeggiDataAllarme",
                                   "ScriviDataAllarme",
                                   "Subito"};
        const QStringList walked = walk(f.data[0], expected.size() + 1);
        QCOMPARE(walked.mid(0, expected.size()), expected);
        // Then the next frame.
        QCOMPARE(QApplication::focusWidget()->parentWidget(), static_cast<QWidget*>(f.Frame5));
    }

    void afterAnExchangeTheFocusStaysOnTheButtonUsed()
    {
        ConnectedProgram c;
        ui::Form1& f = c.f();
        f.SSTab1->setCurrentIndex(3);
        f.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&f));
        f.leggi_nome->setFocus(Qt::TabFocusReason);
        QTest::keyClick(f.leggi_nome, Qt::Key_Space);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(f.leggi_nome));
        for (QLineEdit* box : f.findChildren<QLineEdit*>())
            QVERIFY2(box->selectedText().isEmpty() || !box->hasFocus(), qPrintable(box->objectName()));
    }

    void theSensorAndAlarmWindowsCloseWithChiudiAndEscape()
    {
        ConnectedProgram c;
        ui::Form1& f = c.f();
        for (QPushButton* opener : {f.Leggi_poprietà, f.Leggi_Allarmi}) {
            opener->setEnabled(true);
            opener->setVisible(true);
        }
        f.Leggi_poprietà->click();
        ui::Sensori_An& s = c.p.app.sensori();
        QVERIFY(s.isVisible());
        QVERIFY(!f.isVisible());
        s.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&s));
        QTest::keyClick(&s, Qt::Key_Escape);
        QVERIFY(!s.isVisible());
        QVERIFY(f.isVisible());

        f.Leggi_poprietà->click();
        QVERIFY(s.isVisible());
        s.Chiudi->click();
        QVERIFY(!s.isVisible());
        QVERIFY(f.isVisible());

        f.Leggi_Allarmi->click();
        ui::Allarmi_An& a = c.p.app.allarmi();
        QVERIFY(a.isVisible());
        a.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&a));
        QTest::keyClick(&a, Qt::Key_Escape);
        QVERIFY(!a.isVisible());
        QVERIFY(f.isVisible());
        f.Leggi_Allarmi->click();
        a.Chiudi->click();
        QVERIFY(!a.isVisible());
    }

    void everyOtherWindowClosesWithEscapeAndTheProgramWithCtrlQ()
    {
        testing::SimBench bench;
        testing::Program p;
        session::Application& app = p.app;
        for (QWidget* w : std::initializer_list<QWidget*>{&app.misCont(), &app.grafici(), &app.modemWindow(),
                                                          &app.dataViewer()}) {
            w->show();
            w->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(w));
            QTest::keyClick(w, Qt::Key_Escape);
            QVERIFY2(!w->isVisible(), qPrintable(w->objectName()));
        }
        // The connection window and the main window end the program when they close.
        QSignalSpy finished(&app, &session::Application::finished);
        app.form2().show();
        app.form2().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&app.form2()));
        QTest::keyClick(&app.form2(), Qt::Key_Q, Qt::ControlModifier);
        QVERIFY(!app.form2().isVisible());
        QCOMPARE(finished.count(), 1);
    }

    void theMainWindowEndsTheProgramWithCtrlQ()
    {
        ConnectedProgram c;
        QSignalSpy finished(&c.p.app, &session::Application::finished);
        c.f().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&c.f()));
        QTest::keyClick(&c.f(), Qt::Key_Q, Qt::ControlModifier);
        QVERIFY(!c.f().isVisible());
        QCOMPARE(finished.count(), 1);
    }

    // The keys that leave are heard in the middle of the scan's pauses and of a call's start-up,
    // not held until the waiting is over.
    void ctrlQDuringTheScanAndEscapeDuringACallsStartUpAreHeard()
    {
        {
            testing::SimBench bench;
            bench.add(3, [](sim::Options& o) { o.silent = true; }); // a port that opens, and pauses
            testing::Program p;
            QSignalSpy finished(&p.app, &session::Application::finished);
            ui::Form2& f2 = p.app.form2();
            f2.show();
            f2.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&f2));
            bool pressed = false;
            QTimer press;
            press.setInterval(5);
            connect(&press, &QTimer::timeout, this, [&] {
                if (!link::pausing() || pressed)
                    return;
                pressed = true;
                QTest::keyClick(&f2, Qt::Key_Q, Qt::ControlModifier);
            });
            press.start();
            f2.Command1->click();
            press.stop();
            QVERIFY(pressed);
            QCOMPARE(finished.count(), 1);
            QVERIFY(!f2.isVisible());
            QVERIFY(!p.app.form1().isVisible());
        }
        {
            testing::SimBench bench;
            bench.add(3, [](sim::Options& o) { o.modem = true; });
            testing::write(modem::modemPortFile(), " 3 \r\n");
            testing::Program p;
            ui::ModemWindow& w = p.app.modemWindow();
            p.app.modem().open();
            w.Telefono[0]->setText("0471123456");
            w.Sel[0]->click();
            bool pressed = false;
            QTimer press;
            press.setInterval(5);
            connect(&press, &QTimer::timeout, this, [&] {
                const session::Progress& progress = p.app.session().progress();
                if (pressed || !progress.active() || !progress.text().startsWith("Avvio della chiamata") ||
                    !link::pausing())
                    return;
                pressed = true;
                w.activateWindow();
                QTest::keyClick(&w, Qt::Key_Escape);
            });
            press.start();
            w.Connetti->trigger();
            QTRY_VERIFY_WITH_TIMEOUT(pressed, 30000);
            QTRY_VERIFY_WITH_TIMEOUT(!p.app.session().progress().active(), 10000);
            QVERIFY(!w.isVisible());
            QVERIFY(p.app.form2().isVisible());
            QVERIFY(!p.app.form1().isVisible());
            QVERIFY(!p.app.session().port().portOpen());
        }
    }

    void theChartOpensBesideTheMeasurementWindow()
    {
        ConnectedProgram c;
        c.f().cmdGrafico->click();
        ui::MisCont& mis = c.p.app.misCont();
        QVERIFY(mis.isVisible());
        mis.cmdGraf->setEnabled(true);
        mis.cmdGraf->click();
        ui::Grafici& chart = c.p.app.grafici();
        QVERIFY(chart.isVisible());
        const QRect stop = QRect(mis.cmdStop->mapToGlobal(QPoint(0, 0)), mis.cmdStop->size());
        QVERIFY2(!chart.frameGeometry().intersects(stop), "the chart covers the Stop button");
        // Whole on the screen, however small, with every button of its own whole.
        const QRect screen = chart.screen()->availableGeometry();
        QVERIFY2(screen.contains(chart.frameGeometry()),
                 qPrintable(QStringLiteral("chart at %1,%2 %3x%4 on a screen of %5x%6")
                                .arg(chart.frameGeometry().x())
                                .arg(chart.frameGeometry().y())
                                .arg(chart.frameGeometry().width())
                                .arg(chart.frameGeometry().height())
                                .arg(screen.width())
                                .arg(screen.height())));
        for (const QPushButton* button : {chart.cmdDisegna, chart.cmdDisegnaTutto, chart.cmdChiudi}) {
            QVERIFY2(chart.rect().contains(button->geometry()), qPrintable(button->text()));
            QVERIFY2(button->width() >= button->sizeHint().width(), qPrintable(button->text()));
        }
    }

    void theConnectionWindowListsThePortsAndUsesTheOnePicked()
    {
        testing::SimBench bench;
        bench.add(3);
        bench.add(5);
        testing::Program p;
        QComboBox* box = p.app.form2().Porta;
        QStringList labels;
        for (int i = 0; i < box->count(); ++i)
            labels << box->itemText(i);
        QCOMPARE(labels.size(), 2);
        QVERIFY2(labels[0].startsWith("COM3  " + bench.portsFolder() + "/COM3 -> /dev/pts/"),
                 qPrintable(labels[0]));
        QVERIFY2(labels[1].startsWith("COM5  "), qPrintable(labels[1]));

        emit box->activated(1);
        QCOMPARE(p.app.session().link().Porta, qint16(5));
        p.app.form2().No_conn->click();
        QVERIFY(p.app.form1().isVisible());
        QCOMPARE(p.app.session().port().commPort(), 5);
        QVERIFY(p.app.session().activity().entries().first().text.startsWith("Porta scelta: COM5  "));
    }
};

QTEST_MAIN(KeyboardTest)
#include "ui_keyboard_test.moc"
