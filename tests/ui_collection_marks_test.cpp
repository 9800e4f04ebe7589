// The modem window marks each station with the outcome of its last night collection, read from
// the report that the collection left.

#include "link/timing.h"
#include "modem/collection.h"
#include "modem/stations.h"
#include "network/collection_report.h"
#include "support/files.h"
#include "support/program.h"
#include "ui/modem/modem_handlers.h"
#include "ui/modem/modem_window.h"

#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

using namespace stazione;

class CollectionMarksTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { link::setTimeScale(0.05); }

    void eachStationShowsItsLastCollection()
    {
        testing::SimBench bench; // a private settings folder
        QTemporaryDir data;
        testing::write(modem::stationsFile(), "Alfa\r\n111\r\n\r\nBeta\r\n222\r\n\r\nGamma\r\n333\r\n\r\nDelt"
                                              "a\r\n444\r\n\r\nEpsilon\r\n555\r\n\r\n");
        const QString report = QDir(data.path()).filePath(data::kReportFileName);
        auto outcome = [](int row, const QString& name, data::CollectResult result, bool complete) {
            data::StationOutcome o;
            o.start = QDateTime(QDate(2026, 12, 6), QTime(2, 3));
            o.end = o.start.addSecs(60);
            o.row = row;
            o.name = name;
            o.result = result;
            o.complete = complete;
            o.newLines = result == data::CollectResult::Ok ? 12 : 0;
            o.battery = result == data::CollectResult::Ok ? QStringLiteral("12.60") : QString();
            o.error = result == data::CollectResult::Ok ? QString() : QStringLiteral("BUSY");
            return o;
        };
        // An older night for Alfa, then the last one; Beta busy; Gamma cut short; Delta renamed since.
        QVERIFY(data::appendReport(report, outcome(1, "Alfa", data::CollectResult::Busy, false)).ok());
        QVERIFY(data::appendReport(report, outcome(1, "Alfa", data::CollectResult::Ok, true)).ok());
        QVERIFY(data::appendReport(report, outcome(2, "Beta", data::CollectResult::Busy, false)).ok());
        QVERIFY(data::appendReport(report, outcome(3, "Gamma", data::CollectResult::Ok, false)).ok());
        QVERIFY(data::appendReport(report, outcome(4, "Vecchia", data::CollectResult::Ok, true)).ok());
        QVERIFY(
            data::appendReport(report, outcome(5, "Epsilon", data::CollectResult::Cancelled, false)).ok());
        modem::rememberReport(report);

        testing::Program p;
        p.app.modem().open();
        ui::ModemWindow& w = p.app.modemWindow();
        auto colour = [&](int row) {
            return w.Raccolta[row]->autoFillBackground() ? w.Raccolta[row]->palette().color(QPalette::Window)
                                                         : QColor();
        };
        QCOMPARE(colour(0), QColor(0, 176, 0));
        QVERIFY2(w.Raccolta[0]->toolTip().contains("06/12/2026 02:03: riuscita"),
                 qPrintable(w.Raccolta[0]->toolTip()));
        QVERIFY(w.Raccolta[0]->toolTip().contains("Righe nuove: 12"));
        QVERIFY(w.Raccolta[0]->toolTip().contains("Batteria: 12.60 V"));
        QCOMPARE(colour(1), QColor(255, 0, 0));
        QVERIFY(w.Raccolta[1]->toolTip().contains("numero occupato"));
        QVERIFY(!w.Raccolta[1]->toolTip().contains("busy"));
        QVERIFY(w.Raccolta[1]->toolTip().contains("BUSY"));
        QCOMPARE(colour(2), QColor(255, 200, 0));
        QVERIFY(w.Raccolta[2]->toolTip().contains("scarico incompleto"));
        QVERIFY(!colour(3).isValid());
        QVERIFY(w.Raccolta[3]->toolTip().isEmpty());
        QVERIFY(!colour(5).isValid());
        // A collection stopped by the operator says so in the window's words, not as nothing.
        QCOMPARE(colour(4), QColor(255, 0, 0));
        QVERIFY2(w.Raccolta[4]->toolTip().contains("06/12/2026 02:03: interrotta"),
                 qPrintable(w.Raccolta[4]->toolTip()));
        // Selecting a row recolours the boxes, not the marks.
        w.Sel[1]->click();
        QCOMPARE(colour(0), QColor(0, 176, 0));
        w.close();
    }

    // The data came, the clock write did not: the mark is no success, and says what was refused.
    void aRefusedClockIsShownAsRefused()
    {
        testing::SimBench bench;
        QTemporaryDir data;
        testing::write(modem::stationsFile(), "Alfa\r\n111\r\n\r\n");
        const QString report = QDir(data.path()).filePath(data::kReportFileName);
        data::StationOutcome o;
        o.start = QDateTime(QDate(2026, 12, 6), QTime(2, 3));
        o.end = o.start.addSecs(60);
        o.row = 1;
        o.name = QStringLiteral("Alfa");
        o.result = data::CollectResult::ClockRefused;
        o.complete = true;
        o.newLines = 12;
        o.clockDrift = -300;
        o.error =
            QStringLiteral("The logger refused the clock it was sent: its clock is still off by -300 s.");
        QVERIFY(data::appendReport(report, o).ok());
        modem::rememberReport(report);

        testing::Program p;
        p.app.modem().open();
        ui::ModemWindow& w = p.app.modemWindow();
        QVERIFY(w.Raccolta[0]->autoFillBackground());
        QCOMPARE(w.Raccolta[0]->palette().color(QPalette::Window), QColor(255, 0, 0));
        const QString tip = w.Raccolta[0]->toolTip();
        QVERIFY2(tip.contains("06/12/2026 02:03: orologio non accettato dal datalogger"), qPrintable(tip));
        QVERIFY2(tip.contains("Righe nuove: 12"), qPrintable(tip));
        QVERIFY2(tip.contains("refused the clock"), qPrintable(tip));
        w.close();
    }
};

QTEST_MAIN(CollectionMarksTest)
#include "ui_collection_marks_test.moc"
