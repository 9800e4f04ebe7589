// The activity pane of the main and connection windows: one line per exchange with its outcome,
// in the operator's words, coloured by outcome; cleared and copied.

#include "app/application.h"
#include "link/timing.h"
#include "session/activity.h"
#include "session/exchange_guard.h"
#include "session/operations.h"
#include "session/session.h"
#include "support/fake_device.h"
#include "support/program.h"
#include "support/scripted_dialogs.h"
#include "ui/activity_pane.h"
#include "ui/form1.h"
#include "ui/form2.h"
#include "ui/language.h"
#include "ui/windows.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>

using namespace stazione;
using namespace std::chrono_literals;

namespace {

// The program on a fake port held open as after a connection, with a logger played by the test:
// each command's bytes get the reply queued for them, and a command with no reply queued gets none.
struct ScriptedProgram {
    testing::FakePortFixture fx;
    link::CommPort* port = fx.port.get();
    testing::FakeDevice* device = fx.device;
    testing::ScriptedDialogs dialogs;
    session::Application app{std::move(fx.port), dialogs};
    QList<QPair<QByteArray, QByteArray>> script;
    QByteArray pending;

    ScriptedProgram()
    {
        device->onWrite = [this](const QString&, const QByteArray& bytes) {
            pending += bytes;
            if (!script.isEmpty() && pending.endsWith(script.first().first)) {
                device->deliverLater(1, script.takeFirst().second);
                pending.clear();
            }
        };
        link::Link& link = app.session().link();
        link.setReplyTimeout(300ms);
        const bool numbered = port->setCommPort(3).ok();
        const auto opened = port->setPortOpen(true);
        if (!numbered || !opened.ok())
            qFatal("the fake port did not open: %s",
                   qPrintable(opened.ok() ? QString() : opened.error().message));
        link.Porta = 3;
        link.Porta_Aperta = true;
        app.form1().show();
    }

    ui::ActivityPane& pane() { return *app.form1().findChild<ui::ActivityPane*>(); }
    QStringList lines()
    {
        QStringList out;
        for (int i = 0; i < pane().Attivita->count(); ++i)
            out << pane().Attivita->item(i)->text();
        return out;
    }
    QColor colour(int row) { return pane().Attivita->item(row)->foreground().color(); }
};

// "14:03:07  text" -> "text", after checking the time.
QString withoutTime(const QString& line)
{
    static const QRegularExpression time(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d  "));
    if (!time.match(line).hasMatch())
        return QStringLiteral("<no time> ") + line;
    return line.mid(10);
}

} // namespace

class ActivityTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        link::setTimeScale(0.05);
        ui::installLanguage(ui::kItalian);
    }

    void aWriteARefusedWriteAndATimeOutGiveThreeLinesWithTheirOutcome()
    {
        ScriptedProgram p;
        ui::Form1& f = p.app.form1();
        p.script = {{"qPOZZO1,", "OK,"}, {"qPOZZO2,", "NO,"}};

        f.Nome_Centralina->setText("POZZO1");
        f.imposta_nome->click();
        f.Nome_Centralina->setText("POZZO2");
        f.imposta_nome->click();
        f.Status->click(); // the battery voltage: nobody answers

        const QStringList lines = p.lines();
        QCOMPARE(lines.size(), 3);
        QCOMPARE(withoutTime(lines[0]), QString("Nome Datalogger scritto: POZZO1"));
        QCOMPARE(withoutTime(lines[1]), QString("Nome Datalogger: Parametro non registrato"));
        QCOMPARE(withoutTime(lines[2]), QString("Tensione di Batteria: nessuna risposta da COM3 in 0.3 s"));
        QCOMPARE(p.colour(0), p.pane().Attivita->palette().color(QPalette::Text));
        QCOMPARE(p.colour(1), ui::ActivityPane::kRefused);
        QCOMPARE(p.colour(2), ui::ActivityPane::kFailed);
        // The refusal stood in the title only until the next exchange began.
        QCOMPARE(f.windowTitle(), QString("Stazione"));

        // The connection window shows the same activity.
        auto* other = p.app.form2().findChild<ui::ActivityPane*>();
        QVERIFY(other);
        QCOMPARE(other->Attivita->count(), 3);
    }

    // Using each control of an operation runs that operation: with a logger that never answers,
    // it ends in a line of the pane that names it, and in nothing else.
    void everyOperationIsWiredToItsControl()
    {
        using session::Kind;
        ScriptedProgram p;
        ui::Form1& f = p.app.form1();
        link::setTimeScale(0.01);
        p.app.session().link().setReplyTimeout(50ms);
        for (const session::Operation& row : session::operations()) {
            if (row.kind != Kind::Exchange && row.kind != Kind::Query)
                continue;
            const QString name = QString::fromUtf8(row.control);
            auto* control = f.findChild<QAbstractButton*>(name);
            QVERIFY2(control, qPrintable(name));
            const qsizetype before = p.lines().size();
            if (qobject_cast<QCheckBox*>(control)) {
                control->setVisible(true);
                QTest::mousePress(control, Qt::LeftButton);
                QTest::mouseRelease(control, Qt::LeftButton);
            } else {
                control->click();
            }
            QTRY_VERIFY2_WITH_TIMEOUT(p.lines().size() > before, qPrintable(name), 5000);
            const QString line = withoutTime(p.lines().last());
            const QString done = QString::fromUtf8(row.done).section(QStringLiteral("%1"), 0, 0);
            QVERIFY2(line.startsWith(QString::fromUtf8(row.subject)) || line.startsWith(done),
                     qPrintable(name + QStringLiteral(": ") + line));
            QVERIFY2(!p.app.session().guard().busy(), qPrintable(name));
        }
        link::setTimeScale(0.05);
    }

    void aTypedValueTheLineCannotCarryIsAnOrangeLineAndNothingIsSent()
    {
        ScriptedProgram p;
        ui::Form1& f = p.app.form1();
        QByteArray sent;
        p.device->onWrite = [&](const QString&, const QByteArray& bytes) { sent += bytes; };
        f.Nome_Centralina->setText("POZZO,1");
        f.imposta_nome->click();
        QVERIFY2(sent.isEmpty(), sent.constData());
        const QStringList lines = p.lines();
        QCOMPARE(lines.size(), 1);
        QVERIFY2(withoutTime(lines[0]).startsWith("Nome Datalogger: "), qPrintable(lines[0]));
        QCOMPARE(p.colour(0), ui::ActivityPane::kRefused);
    }

    void aClickRefusedDuringAnExchangeIsAnOrangeLine()
    {
        ScriptedProgram p;
        ui::Form1& f = p.app.form1();
        // The read waits for a reply; meanwhile a control that is not locked is used.
        QTimer::singleShot(50, &f, [&] { f.minipan_read->click(); });
        f.Status->click();
        const QStringList lines = p.lines();
        QCOMPARE(lines.size(), 2);
        QVERIFY2(withoutTime(lines[0]).startsWith("Minipannello: rifiutato"), qPrintable(lines[0]));
        QCOMPARE(p.colour(0), ui::ActivityPane::kRefused);
        QVERIFY(withoutTime(lines[1]).startsWith("Tensione di Batteria: nessuna risposta"));
        QCOMPARE(p.dialogs.beeps, 1);
    }

    void theLinesCanBeCopiedAndCleared()
    {
        ScriptedProgram p;
        p.script = {{"W", "12.6,"}};
        p.app.form1().Status->click();
        QCOMPARE(p.lines().size(), 1);
        QCOMPARE(withoutTime(p.lines()[0]), QString("Tensione di Batteria letta: 12.60"));

        p.pane().Copia->click();
        QCOMPARE(QApplication::clipboard()->text(), p.lines()[0] + "\n");
        p.pane().Pulisci->click();
        QCOMPARE(p.pane().Attivita->count(), 0);
        QVERIFY(p.app.session().activity().entries().isEmpty());
        QCOMPARE(p.app.form2().findChild<ui::ActivityPane*>()->Attivita->count(), 0);
    }

    void theScanAndTheRetrievalAreInThePane()
    {
        testing::SimBench bench;
        bench.add(3);
        testing::Program p;
        p.connect();
        QStringList lines;
        for (const auto& entry : p.app.session().activity().entries())
            lines << entry.text;
        QVERIFY2(lines.size() >= 12, qPrintable(lines.join('\n')));
        QVERIFY2(lines[0].startsWith("Datalogger M610_M410 V3.2 rilevato su COM3"), qPrintable(lines[0]));
        QVERIFY(lines.contains("Tensione di Batteria: OK"));
        QCOMPARE(lines.last(), QString("Minipannello: OK"));
    }

    void aPortThatWillNotOpenIsNamedWithItsDevice()
    {
        testing::SimBench bench; // no logger: COM7 is not there
        testing::Program p;
        p.app.session().link().Porta = 7;
        p.app.form2().No_conn->click();
        const auto& entries = p.app.session().activity().entries();
        QCOMPARE(entries.size(), 1);
        QCOMPARE(entries[0].text, QString("Connessione Passo Passo: COM7: porta inesistente"));
        QCOMPARE(entries[0].outcome, session::Activity::Outcome::Failed);
    }

    // The pane and the progress strip make the windows taller: they must still fit a 1280x800
    // screen less a desktop panel and the title bar, with every tab's controls room to show whole.
    void theWindowsWithThePaneStillFitTheScreen()
    {
        constexpr QSize kUsableScreen(1280 - 16, 800 - 80);
        ScriptedProgram p;
        QVERIFY(QTest::qWaitForWindowExposed(&p.app.form1()));
        p.app.form2().show();
        QVERIFY(QTest::qWaitForWindowExposed(&p.app.form2()));
        for (const QWidget* window :
             {static_cast<QWidget*>(&p.app.form1()), static_cast<QWidget*>(&p.app.form2())}) {
            QVERIFY(window->frameGeometry().width() <= kUsableScreen.width());
            QVERIFY(window->frameGeometry().height() <= kUsableScreen.height());
        }
        ui::Form1& main = p.app.form1();
        QVERIFY(main.rect().contains(main.RIPRISTINA_DA_ERRORI->geometry()));
        for (int tab = 0; tab < main.SSTab1->count(); ++tab) {
            main.SSTab1->setCurrentIndex(tab);
            QCoreApplication::processEvents();
            QWidget* page = main.SSTab1->widget(tab);
            QVERIFY(page->height() >= page->minimumSizeHint().height());
        }
        QVERIFY(p.pane().height() >= 100);
    }

    void theChartWindowStandsWholeBesideTheMeasurementWindow()
    {
        // A 1280x800 screen under a window manager that adds a title bar and borders, with and
        // without a panel; the measurement window in the middle, its buttons in its top row.
        const QSize chartFrame(1040 + 8, 640 + 27);
        const QSize chartMinimum(600 + 8, 420 + 27);
        for (const QRect area : {QRect(0, 0, 1280, 800), QRect(0, 40, 1264, 720), QRect(0, 0, 1024, 600)}) {
            QRect measurement(0, 0, 760 + 8, 560 + 27);
            measurement.moveCenter(area.center());
            const QRect buttons(measurement.left() + 12, measurement.top() + 35, 740, 30);
            const QRect chart = ui::placementBeside(area, measurement, buttons, chartFrame, chartMinimum);
            const QString where = QStringLiteral("chart at %1,%2 %3x%4 in a screen of %5x%6")
                                      .arg(chart.x())
                                      .arg(chart.y())
                                      .arg(chart.width())
                                      .arg(chart.height())
                                      .arg(area.width())
                                      .arg(area.height());
            QVERIFY2(area.contains(chart), qPrintable(where));
            QVERIFY2(!chart.intersects(buttons), qPrintable(where));
            QVERIFY2(chart.width() >= chartMinimum.width() && chart.height() >= chartMinimum.height(),
                     qPrintable(where));
        }
        // Where there is room, beside it at full size.
        const QRect wide(0, 0, 2560, 1440);
        const QRect measurement(100, 100, 768, 587);
        QCOMPARE(ui::placementBeside(wide, measurement, measurement, chartFrame, chartMinimum),
                 QRect(QPoint(measurement.right() + 9, 100), chartFrame));
    }
};

QTEST_MAIN(ActivityTest)
#include "ui_activity_test.moc"
