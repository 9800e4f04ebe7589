// The data viewer: opened by the download tab's "Grafici" on the file just written, the chart
// thinned again for every zoom, channels shown and hidden, the table, both exports, and the sensor
// data file as text.

#include "data/data_file.h"
#include "data/data_table.h"
#include "link/timing.h"
#include "support/files.h"
#include "support/program.h"
#include "ui/data/download_handlers.h"
#include "ui/data_viewer.h"
#include "ui/trace_chart.h"

#include <QCheckBox>
#include <QDateTimeAxis>
#include <QHeaderView>
#include <QImage>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>

using namespace stazione;
using testing::ConnectedProgram;
using testing::contents;

namespace {

// A continuous measurement file of `rows` sets a minute apart from 5/12/2026 08:00, two channels;
// channel 1 has a spike at row `spike` and a Timeout every 50th row.
QByteArray sessionFile(int rows, int spike)
{
    QByteArray text = "[INIZIO DATI]\r\nDate,CH 0,CH 1\r\n";
    const QDateTime start(QDate(2026, 12, 5), QTime(8, 0));
    for (int r = 0; r < rows; ++r) {
        text += start.addSecs(60LL * r).toString(QStringLiteral("dd/MM/yyyy hh:mm:ss")).toLatin1();
        text += ',' + QByteArray::number(10 + r % 10) + ',';
        text += r == spike    ? QByteArray("500")
                : r % 50 == 0 ? QByteArray("Timeout")
                              : QByteArray::number(20 + r % 5);
        text += "\r\n";
    }
    return text + "[FINE DATI]\r\n";
}

// The layout of the chart's time labels.
QString timeLabels(const ui::DataViewer& v)
{
    const auto axes = v.chart->chart()->axes(Qt::Horizontal);
    return axes.isEmpty() ? QString() : static_cast<QDateTimeAxis*>(axes.first())->format();
}

bool allVisible(const ui::DataViewer& v)
{
    return v.tabs->isTabEnabled(v.tabs->indexOf(v.chartPage)) &&
           v.tabs->isTabEnabled(v.tabs->indexOf(v.tablePage));
}

} // namespace

class DataViewerTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { link::setTimeScale(0.05); }

    void theDownloadTabOpensTheFileJustWritten()
    {
        ConnectedProgram c([](sim::Options& o) {
            o.records = 20;
            o.outOfRange = 7;
        });
        QTemporaryDir folder;
        c.p.app.downloads().chooseFolder(folder.path());
        QVERIFY(c.f().Grafico->isEnabled());
        c.f().Acquisisci_Temp->click();
        c.f().Grafico->click();
        ui::DataViewer& v = c.p.app.dataViewer();
        QVERIFY(v.isVisible());
        QCOMPARE(v.path(), c.p.app.downloads().lastWritten());
        QVERIFY(v.path().endsWith("_TEMP.txt"));
        QVERIFY(allVisible(v));
        QCOMPARE(v.chart->data()->kind, data::DataFileKind::Temperature);
        QCOMPARE(v.chart->data()->rows(), 20);
        QCOMPARE(int(v.channelBoxes.size()), 4);
        QCOMPARE(v.table->model()->rowCount(), 20);
        // The out-of-range value of the file is a gap, never a zero: the 7th value.
        QCOMPARE(v.table->model()->index(1, 3).data().toString(), QString());
        QVERIFY(!v.table->model()->index(1, 2).data().toString().isEmpty());

        // The sensor data file: the logger's text, and the chart since its lines read
        // "date time; values".
        c.f().Acquisisci->click();
        c.f().Grafico->click();
        QVERIFY(v.path().endsWith("_SENS.txt"));
        QVERIFY(v.tabs->isTabVisible(v.tabs->indexOf(v.textPage)));
        QVERIFY(v.text->toPlainText().startsWith(QString::fromLatin1(contents(v.path()).left(19))));
        QVERIFY(allVisible(v));
        QCOMPARE(v.chart->data()->kind, data::DataFileKind::Sensor);
        QCOMPARE(v.chart->data()->rows(), 20);
        QVERIFY(c.p.dialogs.shown.isEmpty());
    }

    void zoomThinsAgainFromTheFullData()
    {
        QTemporaryDir folder;
        const int rows = 200000;
        const QString path = folder.filePath("mc_05-12-2026_8.0.00.txt");
        testing::write(path, sessionFile(rows, 123457));
        testing::ScriptedDialogs dialogs;
        ui::DataViewer v(dialogs);
        v.resize(1000, 600);
        v.show();
        QVERIFY(QTest::qWaitForWindowExposed(&v));
        QVERIFY(v.openFile(path));
        QVERIFY(dialogs.shown.isEmpty());
        QCOMPARE(v.chart->data()->rows(), rows);
        QCOMPARE(v.tabs->isTabVisible(v.tabs->indexOf(v.textPage)), false);
        const int width = int(v.chart->chart()->plotArea().width());
        QVERIFY(width > 300);
        // Everything: two points per pixel column at most, and the spike among them.
        QVERIFY(v.chart->pointsDrawn(1) <= 2 * width + 2);
        QCOMPARE(v.chart->valueHigh() >= 500, true);

        // Ten minutes around the spike: every row is drawn as it is.
        const qint64 spikeAt = data::wallMilliseconds(2026, 12, 5, 8, 0, 0) + 123457LL * 60000;
        v.chart->setSpan(spikeAt - 5 * 60000, spikeAt + 5 * 60000);
        QCOMPARE(v.chart->pointsDrawn(0), 11 + 2);
        QVERIFY(v.chart
                    ->describe(v.chart->mapFromScene(
                        v.chart->chart()->mapToScene(v.chart->chart()->plotArea().center())))
                    .contains(QStringLiteral("CH 1: 500")));

        // Hiding a channel takes its line away; showing it brings it back.
        v.channelBoxes[1]->setChecked(false);
        QCOMPARE(v.chart->pointsDrawn(1), 0);
        v.channelBoxes[1]->setChecked(true);
        QVERIFY(v.chart->pointsDrawn(1) > 0);

        // "Tutto" shows everything again; a rubber band zooms on what it encloses.
        v.cmdTutto->click();
        const qint64 span = v.chart->spanTo() - v.chart->spanFrom();
        QCOMPARE(v.chart->spanFrom(), data::wallMilliseconds(2026, 12, 5, 8, 0, 0));
        const QRect area =
            v.chart->mapFromScene(v.chart->chart()->mapToScene(v.chart->chart()->plotArea())).boundingRect();
        QTest::mousePress(v.chart->viewport(), Qt::LeftButton, {}, area.center() - QPoint(50, 40));
        QTest::mouseMove(v.chart->viewport(), area.center() + QPoint(50, 40));
        QTest::mouseRelease(v.chart->viewport(), Qt::LeftButton, {}, area.center() + QPoint(50, 40));
        const qint64 zoomed = v.chart->spanTo() - v.chart->spanFrom();
        QVERIFY(zoomed < span / 5);
        QVERIFY(zoomed > span / 20);

        // The wheel zooms in on the time under the mouse.
        QWheelEvent wheel(area.center(), v.chart->viewport()->mapToGlobal(area.center()), {}, QPoint(0, 120),
                          Qt::NoButton, {}, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(v.chart->viewport(), &wheel);
        QVERIFY(v.chart->spanTo() - v.chart->spanFrom() < zoomed);

        // What is shown, exported: the channels ticked, the span in view.
        v.channelBoxes[0]->setChecked(false);
        v.chart->setSpan(data::wallMilliseconds(2026, 12, 5, 8, 1, 0),
                         data::wallMilliseconds(2026, 12, 5, 8, 3, 0));
        dialogs.savePaths = {folder.filePath("out.csv"), folder.filePath("out.png")};
        v.cmdEsportaCsv->click();
        QCOMPARE(contents(folder.filePath("out.csv")), QByteArray("time,CH 1\r\n"
                                                                  "2026-12-05T08:01:00,21\r\n"
                                                                  "2026-12-05T08:02:00,22\r\n"
                                                                  "2026-12-05T08:03:00,23\r\n"));
        QCOMPARE(dialogs.savesAsked.first().name, QString("mc_05-12-2026_8.0.00.csv"));
        v.cmdEsportaPng->click();
        const QImage picture(folder.filePath("out.png"));
        QCOMPARE(picture.size(), v.chart->size() * v.chart->devicePixelRatio());
    }

    void theTableShowsTheWholeTimeAndItsExportSaysWhatItWrote()
    {
        QTemporaryDir folder;
        const QString path = folder.filePath("mc.txt");
        testing::write(path, sessionFile(10, 3));
        testing::ScriptedDialogs dialogs;
        ui::DataViewer v(dialogs);
        v.show();
        QVERIFY(QTest::qWaitForWindowExposed(&v));
        QVERIFY(v.openFile(path));
        const QString time = v.table->model()->index(0, 0).data().toString();
        QCOMPARE(time, QString("05/12/2026 08:00:00"));
        QVERIFY2(v.table->horizontalHeader()->sectionSize(0) >
                     v.table->fontMetrics().horizontalAdvance(time) + 8,
                 qPrintable(QString::number(v.table->horizontalHeader()->sectionSize(0))));

        // Zoomed on the chart, exported from the table: the whole table, and the status says so.
        v.chart->setSpan(data::wallMilliseconds(2026, 12, 5, 8, 1, 0),
                         data::wallMilliseconds(2026, 12, 5, 8, 2, 0));
        v.tabs->setCurrentWidget(v.tablePage);
        dialogs.savePaths = {folder.filePath("all.csv")};
        v.cmdEsportaCsv->click();
        QCOMPARE(contents(folder.filePath("all.csv")).count("\r\n"), 11);
        QVERIFY2(v.status->text().contains("10 righe (tutta la tabella)"), qPrintable(v.status->text()));
        // From the chart: the span shown, and the status names it.
        v.tabs->setCurrentWidget(v.chartPage);
        dialogs.savePaths = {folder.filePath("span.csv")};
        v.cmdEsportaCsv->click();
        QCOMPARE(contents(folder.filePath("span.csv")).count("\r\n"), 3);
        QVERIFY2(v.status->text().contains("2 righe dell'intervallo mostrato (da 05/12/2026 08:01:00 a "
                                           "05/12/2026 08:02:00)"),
                 qPrintable(v.status->text()));
        // Never over the data file itself.
        dialogs.savePaths = {path};
        v.cmdEsportaCsv->click();
        QCOMPARE(contents(path), sessionFile(10, 3));
        QCOMPARE(dialogs.shown.size(), 1);
    }

    void theTimeLabelsFollowTheSpan()
    {
        QTemporaryDir folder;
        QByteArray text = "[INIZIO DATI]\r\nDate,CH 0\r\n";
        for (int s = 0; s < 27; ++s)
            text += "06/12/2026 22:18:" + QByteArray::number(s).rightJustified(2, '0') + ",1\r\n";
        testing::write(folder.filePath("short.txt"), text);
        testing::ScriptedDialogs dialogs;
        ui::DataViewer v(dialogs);
        QVERIFY(v.openFile(folder.filePath("short.txt")));
        QCOMPARE(timeLabels(v), QString("hh:mm:ss"));
        QVERIFY(v.openFile([&] {
            testing::write(folder.filePath("long.txt"), sessionFile(60 * 24 * 30, 5));
            return folder.filePath("long.txt");
        }()));
        QVERIFY(!timeLabels(v).contains("ss"));
        QVERIFY(timeLabels(v).contains("dd/MM"));
        v.chart->setSpan(data::wallMilliseconds(2026, 12, 5, 8, 0, 0),
                         data::wallMilliseconds(2026, 12, 5, 8, 5, 0));
        QCOMPARE(timeLabels(v), QString("hh:mm:ss"));
        v.chart->setSpan(data::wallMilliseconds(2026, 12, 5, 8, 0, 0),
                         data::wallMilliseconds(2026, 12, 6, 4, 0, 0));
        QCOMPARE(timeLabels(v), QString("dd/MM hh:mm"));
    }

    void eachSessionsChannelsAndTheValuesOutOfRangeAreShown()
    {
        QTemporaryDir folder;
        const QString path = folder.filePath("mc.txt");
        testing::write(path, "[INIZIO DATI]\r\nDate,CH 0,CH 1\r\n05/12/2026 08:00:00,1,2\r\n[FINE DATI]\r\n"
                             "[INIZIO DATI]\r\nDate,CH 0,Vento\r\n05/12/2026 09:00:00,3,1" +
                                 QByteArray(400, '0') + "\r\n[FINE DATI]\r\n");
        testing::ScriptedDialogs dialogs;
        ui::DataViewer v(dialogs);
        QVERIFY(v.openFile(path));
        QCOMPARE(int(v.channelBoxes.size()), 3);
        QCOMPARE(v.channelBoxes[2]->text(), QString("Vento"));
        QVERIFY2(v.status->text().contains("1 valori fuori scala"), qPrintable(v.status->text()));
        // Exported by name: each session's table has its own columns.
        v.channelBoxes[0]->setChecked(false);
        v.tabs->setCurrentWidget(v.tablePage);
        dialogs.savePaths = {folder.filePath("out.csv")};
        v.cmdEsportaCsv->click();
        QCOMPARE(
            contents(folder.filePath("out.csv")),
            QByteArray("time,CH 1\r\n2026-12-05T08:00:00,2\r\n\r\ntime,Vento\r\n2026-12-05T09:00:00,\r\n"));
    }

    void aSensorFileOfUnknownLayoutIsText()
    {
        QTemporaryDir folder;
        const QString path = folder.filePath("S_05_12_26_SENS.txt");
        testing::write(path, "REC;0001;T=23.5\r\nREC;0002;T=23.6\r\n");
        testing::ScriptedDialogs dialogs;
        ui::DataViewer v(dialogs);
        QVERIFY(v.openFile(path));
        QVERIFY(dialogs.shown.isEmpty());
        QVERIFY(v.tabs->isTabVisible(v.tabs->indexOf(v.textPage)));
        QCOMPARE(v.tabs->currentWidget(), v.textPage);
        QVERIFY(!allVisible(v));
        QVERIFY(!v.cmdEsportaCsv->isEnabled());
        QCOMPARE(v.text->toPlainText(), QString("REC;0001;T=23.5\r\nREC;0002;T=23.6\r\n").remove('\r'));
        QVERIFY(v.status->text().contains("data ora, valore"));
    }

    void aMalformedFileIsReportedWithItsLine()
    {
        QTemporaryDir folder;
        const QString path = folder.filePath("mc.txt");
        testing::write(path,
                       "[INIZIO DATI]\r\nDate,CH 0\r\n05/12/2026 08:00:00,1\r\n05/12/2026 08:01:00,1,2\r\n");
        testing::ScriptedDialogs dialogs;
        ui::DataViewer v(dialogs);
        QVERIFY(!v.openFile(path));
        QCOMPARE(dialogs.shown.size(), 1);
        QVERIFY(dialogs.shown[0].text.contains("Riga 4:"));
        QVERIFY(!allVisible(v));

        // "Apri..." offers another file.
        testing::write(folder.filePath("good.txt"), sessionFile(5, 2));
        dialogs.openPaths = {folder.filePath("good.txt")};
        v.cmdApri->click();
        QCOMPARE(dialogs.opensAsked.first().folder, folder.path());
        QVERIFY(allVisible(v));
        QCOMPARE(v.chart->data()->rows(), 5);
    }
};

QTEST_MAIN(DataViewerTest)
#include "ui_data_viewer_test.moc"
