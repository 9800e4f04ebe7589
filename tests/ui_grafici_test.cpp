#include "live/chart_data.h"
#include "live/session_table.h"
#include "ui/grafici.h"

#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QDateTime>
#include <QLineSeries>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QValueAxis>

#include <cmath>
#include <functional>
#include <memory>

using stazione::live::chartWindow;
using stazione::live::SeriesStyle;
using stazione::live::SessionTable;
using stazione::ui::Grafici;

namespace {

// A 1280x800 screen less a desktop panel and the window's own title bar and borders.
constexpr QSize kUsableScreen(1280 - 16, 800 - 80);

QString stamp(int row)
{
    const QDateTime first(QDate(2026, 12, 5), QTime(14, 0, 1));
    return first.addSecs(row - 1).toString(QStringLiteral("dd/MM/yyyy hh:mm:ss"));
}

QString reading(int row, int column)
{
    return QString::number(10.0 * column + std::sin(row / 40.0), 'f', 3);
}

// A session grid of `gridRows` rows (the header, the completed sets, the row being filled, which
// here is filled too) with `channels` data columns.
std::unique_ptr<SessionTable> session(
    int gridRows, int channels, const std::function<QString(int, int)>& cellText = [](int row, int column) {
        return column == 0 ? stamp(row) : reading(row, column);
    })
{
    auto table = std::make_unique<SessionTable>();
    table->start(channels);
    for (int r = 1; r < gridRows; ++r) {
        for (int c = 0; c <= channels; ++c)
            table->setCell(c, cellText(r, c));
        if (r < gridRows - 1)
            table->completeRow();
    }
    return table;
}

QList<QLineSeries*> lines(const Grafici& window)
{
    QList<QLineSeries*> result;
    for (QAbstractSeries* series : window.MSChart1->chart()->series()) {
        auto* line = qobject_cast<QLineSeries*>(series);
        if (line)
            result << line;
    }
    return result;
}

QCategoryAxis* axisX(const Grafici& window)
{
    const auto axes = window.MSChart1->chart()->axes(Qt::Horizontal);
    return axes.isEmpty() ? nullptr : qobject_cast<QCategoryAxis*>(axes.first());
}

QValueAxis* axisY(const Grafici& window)
{
    const auto axes = window.MSChart1->chart()->axes(Qt::Vertical);
    return axes.isEmpty() ? nullptr : qobject_cast<QValueAxis*>(axes.first());
}

QList<qreal> xs(const QLineSeries* series)
{
    QList<qreal> result;
    for (const QPointF& point : series->points())
        result << point.x();
    return result;
}

} // namespace

class GraficiTest : public QObject {
    Q_OBJECT

private slots:
    void controlsAndCaptions();
    void fitsTheScreen();
    void setChannelsShowsTheSessionsBoxes();
    void tickedBoxesCountsPartlyTickedBoxes();
    void nothingTickedDrawsASingleZero();
    void allRowsOfAShortSessionLabelEveryRow();
    void latestThousandRowsLabelEveryFifty();
    void repeatedTimeStampIsLabelledOnce();
    void boxesZeroAndNineGetTheirPens();
    void penFromStyleCode_data();
    void penFromStyleCode();
    void rowWithoutANumberGivesNoPoint();
    void valueAxisHoldsTheDataWithAMargin();
    void redrawReusesTheSeries();
    void changedBoxesReplaceTheSeries();
    void buttonsAndCloseEmitTheirSignals();
    void drawsOffscreenWithoutOpenGL();
};

void GraficiTest::controlsAndCaptions()
{
    Grafici window;
    QCOMPARE(window.windowTitle(), QStringLiteral("Grafici"));
    QVERIFY(window.isWindow());
    for (int i = 0; i < 16; ++i) {
        QVERIFY(window.chkCH[i]);
        QCOMPARE(window.chkCH[i]->text(), QStringLiteral("CH%1").arg(i));
        QCOMPARE(window.findChild<QCheckBox*>(QStringLiteral("chkCH_%1").arg(i)), window.chkCH[i]);
        QCOMPARE(window.chkCH[i]->checkState(), Qt::Unchecked);
    }
    const std::array<std::pair<QPushButton*, const char*>, 3> buttons{{
        {window.cmdDisegna, "Disegna ultimi dati"},
        {window.cmdDisegnaTutto, "Disegna tutti i dati"},
        {window.cmdChiudi, "Chiudi"},
    }};
    for (const auto& [button, caption] : buttons) {
        QVERIFY(button);
        QCOMPARE(button->text(), QString::fromUtf8(caption));
    }
    QCOMPARE(window.findChild<QPushButton*>(QStringLiteral("cmdDisegna")), window.cmdDisegna);
    QCOMPARE(window.findChild<QPushButton*>(QStringLiteral("cmdDisegnaTutto")), window.cmdDisegnaTutto);
    QCOMPARE(window.findChild<QPushButton*>(QStringLiteral("cmdChiudi")), window.cmdChiudi);
    QCOMPARE(window.findChild<QChartView*>(QStringLiteral("MSChart1")), window.MSChart1);
    QVERIFY(window.MSChart1->chart());
    QVERIFY(axisX(window));
    QCOMPARE(axisX(window)->labelsPosition(), QCategoryAxis::AxisLabelsPositionOnValue);
    QVERIFY(axisY(window));
}

void GraficiTest::fitsTheScreen()
{
    Grafici window;
    window.setChannels(16);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(window.minimumSizeHint().width() <= kUsableScreen.width());
    QVERIFY(window.minimumSizeHint().height() <= kUsableScreen.height());
    QVERIFY(window.width() <= kUsableScreen.width());
    QVERIFY(window.height() <= kUsableScreen.height());
    // The chart is what the window is for.
    QVERIFY(window.MSChart1->width() > window.width() * 2 / 3);
    QVERIFY(window.MSChart1->height() > window.height() * 2 / 3);
    for (QCheckBox* box : window.chkCH)
        QVERIFY(window.rect().contains(box->geometry()));
}

void GraficiTest::setChannelsShowsTheSessionsBoxes()
{
    Grafici window;
    window.setChannels(4);
    for (int i = 0; i < 16; ++i)
        QCOMPARE(window.chkCH[i]->isHidden(), i >= 4);

    window.setChannels(0);
    QVERIFY(!window.chkCH[0]->isHidden());
    for (int i = 1; i < 16; ++i)
        QVERIFY(window.chkCH[i]->isHidden());

    window.setChannels(16);
    for (QCheckBox* box : window.chkCH)
        QVERIFY(!box->isHidden());

    window.chkCH[1]->setChecked(true);
    window.chkCH[6]->setChecked(true);
    window.setChannels(3);
    QCOMPARE(window.tickedBoxes(), std::vector<int>{1});
}

void GraficiTest::tickedBoxesCountsPartlyTickedBoxes()
{
    Grafici window;
    window.setChannels(16);
    QVERIFY(window.tickedBoxes().empty());
    window.chkCH[12]->setCheckState(Qt::Checked);
    window.chkCH[2]->setCheckState(Qt::Checked);
    window.chkCH[5]->setCheckState(Qt::PartiallyChecked);
    QCOMPARE(window.tickedBoxes(), (std::vector<int>{2, 5, 12}));
    window.chkCH[2]->setCheckState(Qt::Unchecked);
    QCOMPARE(window.tickedBoxes(), (std::vector<int>{5, 12}));
}

void GraficiTest::nothingTickedDrawsASingleZero()
{
    Grafici window;
    window.setChannels(4);
    const auto table = session(30, 4);
    window.chkCH[1]->setChecked(true);
    window.popola_grafico(*table, 10);
    QCOMPARE(lines(window).size(), 1);
    QCOMPARE(lines(window).first()->count(), 11);

    window.chkCH[1]->setChecked(false);
    window.popola_grafico(*table, 10);
    QCOMPARE(window.MSChart1->chart()->series().size(), 1);
    const QList<QLineSeries*> drawn = lines(window);
    QCOMPARE(drawn.size(), 1);
    QCOMPARE(drawn.first()->points(), QList<QPointF>{QPointF(0, 0)});
    QVERIFY(drawn.first()->pointsVisible());
    QVERIFY(axisX(window)->categoriesLabels().isEmpty());
    QVERIFY(axisY(window)->min() < 0);
    QVERIFY(axisY(window)->max() > 0);
}

void GraficiTest::allRowsOfAShortSessionLabelEveryRow()
{
    Grafici window;
    window.setChannels(2);
    window.chkCH[0]->setChecked(true);
    const auto table = session(15, 2);
    const auto data = chartWindow(*table, 0, window.tickedBoxes());
    QCOMPARE(data.labelEvery, 0);
    window.draw(data);

    QCategoryAxis* axis = axisX(window);
    const QStringList labels = axis->categoriesLabels();
    QCOMPARE(labels.size(), 15);
    QCOMPARE(labels.first(), QStringLiteral("Data"));
    for (int r = 0; r < 15; ++r)
        QCOMPARE(axis->endValue(labels[r]), qreal(r));
    QCOMPARE(labels[1], stamp(1));
    QCOMPARE(labels[14], stamp(14));
    QCOMPARE(axis->min(), 0.0);
    QCOMPARE(axis->max(), 14.0);

    // The header row holds no reading.
    const QLineSeries* line = lines(window).first();
    QCOMPARE(line->count(), 14);
    QCOMPARE(line->at(0).x(), 1.0);
    QCOMPARE(line->at(13), QPointF(14, table->cell(14, 1).toDouble()));
}

void GraficiTest::latestThousandRowsLabelEveryFifty()
{
    Grafici window;
    window.setChannels(4);
    window.chkCH[3]->setChecked(true);
    const auto table = session(1500, 4);
    window.popola_grafico(*table, 1000);

    const QList<QLineSeries*> drawn = lines(window);
    QCOMPARE(drawn.size(), 1);
    QCOMPARE(drawn.first()->count(), 1001);
    // Row 0 of the window is grid row 499; the last is the row being filled.
    QCOMPARE(drawn.first()->at(0), QPointF(0, table->cell(499, 4).toDouble()));
    QCOMPARE(drawn.first()->at(1000), QPointF(1000, table->cell(1499, 4).toDouble()));

    QCategoryAxis* axis = axisX(window);
    const QStringList labels = axis->categoriesLabels();
    QCOMPARE(labels.size(), 21);
    for (int k = 0; k < 21; ++k) {
        QCOMPARE(labels[k], stamp(499 + 50 * k));
        QCOMPARE(axis->endValue(labels[k]), qreal(50 * k));
    }
    QCOMPARE(axis->min(), 0.0);
    QCOMPARE(axis->max(), 1000.0);
}

void GraficiTest::repeatedTimeStampIsLabelledOnce()
{
    Grafici window;
    window.setChannels(1);
    window.chkCH[0]->setChecked(true);
    // Two sets within one second carry the same stamp.
    const auto table = session(8, 1, [](int row, int column) {
        if (column == 0)
            return row == 4 ? stamp(3) : stamp(row);
        return reading(row, column);
    });
    window.popola_grafico(*table, 0);

    QCategoryAxis* axis = axisX(window);
    const QStringList labels = axis->categoriesLabels();
    QCOMPARE(labels, (QStringList{"Data", stamp(1), stamp(2), stamp(3), stamp(5), stamp(6), stamp(7)}));
    QCOMPARE(axis->endValue(stamp(3)), 3.0);
    QCOMPARE(axis->endValue(stamp(5)), 5.0);
    QCOMPARE(axis->endValue(stamp(7)), 7.0);
    // The row keeps its reading; only its label is left out.
    QCOMPARE(xs(lines(window).first()), (QList<qreal>{1, 2, 3, 4, 5, 6, 7}));
}

void GraficiTest::boxesZeroAndNineGetTheirPens()
{
    Grafici window;
    window.setChannels(10);
    window.chkCH[0]->setChecked(true);
    window.chkCH[9]->setChecked(true);
    const auto table = session(40, 10);
    window.popola_grafico(*table, 1000);

    const QList<QLineSeries*> drawn = lines(window);
    QCOMPARE(drawn.size(), 2);
    QCOMPARE(drawn[0]->name(), QStringLiteral("CH 0"));
    QCOMPARE(drawn[1]->name(), QStringLiteral("CH 9"));

    const QPen first = drawn[0]->pen();
    QCOMPARE(first.color(), QColor(240, 0, 0));
    QCOMPARE(first.style(), Qt::SolidLine);
    QCOMPARE(first.widthF(), 3.0);

    const QPen second = drawn[1]->pen();
    QCOMPARE(second.color(), QColor(20, 80, 20));
    QCOMPARE(second.style(), Qt::CustomDashLine);
    QCOMPARE(second.dashPattern(), (QList<qreal>{1.0, 1.5}));
    QCOMPARE(second.widthF(), 1.0);

    // The eleventh column of the grid is channel box 9.
    QCOMPARE(drawn[1]->at(0).y(), table->cell(1, 10).toDouble());
}

void GraficiTest::penFromStyleCode_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("style");
    QTest::addColumn<qreal>("pixels");
    QTest::newRow("solid bold") << 1 << 30 << int(Qt::SolidLine) << 3.0;
    QTest::newRow("dashed") << 2 << 10 << int(Qt::DashLine) << 1.0;
    QTest::newRow("dotted") << 3 << 20 << int(Qt::DotLine) << 2.0;
    QTest::newRow("dash-dot") << 4 << 15 << int(Qt::DashDotLine) << 1.5;
    QTest::newRow("dash-dot-dot") << 5 << 40 << int(Qt::DashDotDotLine) << 4.0;
    QTest::newRow("fine dots thin") << 6 << 2 << int(Qt::CustomDashLine) << 1.0;
    QTest::newRow("no line") << 0 << 30 << int(Qt::NoPen) << 3.0;
    QTest::newRow("unknown code") << 7 << 0 << int(Qt::SolidLine) << 1.0;
    QTest::newRow("negative code") << -1 << 30 << int(Qt::SolidLine) << 3.0;
}

void GraficiTest::penFromStyleCode()
{
    QFETCH(int, code);
    QFETCH(int, width);
    QFETCH(int, style);
    QFETCH(qreal, pixels);
    const QPen pen = Grafici::penFor(SeriesStyle{12, 34, 56, code, width});
    QCOMPARE(int(pen.style()), style);
    QCOMPARE(pen.widthF(), pixels);
    QCOMPARE(pen.color(), QColor(12, 34, 56));
}

void GraficiTest::rowWithoutANumberGivesNoPoint()
{
    Grafici window;
    window.setChannels(2);
    window.chkCH[0]->setChecked(true);
    window.chkCH[1]->setChecked(true);
    const auto table = session(12, 2, [](int row, int column) {
        if (column == 0)
            return stamp(row);
        if (column == 1 && row == 6)
            return QStringLiteral("Timeout");
        if (column == 2 && row == 9)
            return QString();
        return reading(row, column);
    });
    window.popola_grafico(*table, 0);

    const QList<QLineSeries*> drawn = lines(window);
    QCOMPARE(drawn.size(), 2);
    QCOMPARE(xs(drawn[0]), (QList<qreal>{1, 2, 3, 4, 5, 7, 8, 9, 10, 11}));
    QCOMPARE(xs(drawn[1]), (QList<qreal>{1, 2, 3, 4, 5, 6, 7, 8, 10, 11}));
    for (const QPointF& point : drawn[0]->points())
        QCOMPARE(point.y(), table->cell(int(point.x()), 1).toDouble());
}

void GraficiTest::valueAxisHoldsTheDataWithAMargin()
{
    Grafici window;
    window.setChannels(2);
    window.chkCH[0]->setChecked(true);
    window.chkCH[1]->setChecked(true);
    const auto table = session(30, 2, [](int row, int column) {
        if (column == 0)
            return stamp(row);
        return QString::number(column == 1 ? 100 + row : -20 - row);
    });
    window.popola_grafico(*table, 0);
    const double low = -20 - 29;
    const double high = 100 + 29;
    QValueAxis* axis = axisY(window);
    QVERIFY2(axis->min() < low && axis->max() > high,
             qPrintable(QStringLiteral("%1 .. %2").arg(axis->min()).arg(axis->max())));
    QVERIFY(axis->max() - axis->min() < 1.5 * (high - low));

    // A flat line is not drawn on the axis' edge either.
    const auto flat =
        session(5, 2, [](int row, int column) { return column == 0 ? stamp(row) : QStringLiteral("7.5"); });
    window.popola_grafico(*flat, 0);
    QVERIFY(axis->min() < 7.5 && axis->max() > 7.5);
}

void GraficiTest::redrawReusesTheSeries()
{
    Grafici window;
    window.setChannels(3);
    window.chkCH[0]->setChecked(true);
    window.chkCH[2]->setChecked(true);
    auto table = session(60, 3);
    window.popola_grafico(*table, 1000);
    const QList<QLineSeries*> before = lines(window);
    QCOMPARE(before.size(), 2);
    // Every row but the header.
    QCOMPARE(before[0]->count(), 59);
    // A series deleted and a new one made at the same address would pass a bare pointer check.
    const QPointer<QLineSeries> first = before[0];
    const QPointer<QLineSeries> second = before[1];

    // The next set arrives and the session redraws.
    table->completeRow();
    table->setCell(0, stamp(60));
    table->setCell(1, QStringLiteral("123.5"));
    table->setCell(3, QStringLiteral("-4"));
    window.popola_grafico(*table, 1000);
    const QList<QLineSeries*> after = lines(window);
    QVERIFY(first && second);
    QCOMPARE(after, before);
    QCOMPARE(after[0]->count(), 60);
    QCOMPARE(after[0]->points().last(), QPointF(60, 123.5));
    QCOMPARE(after[1]->points().last(), QPointF(60, -4));
    QCOMPARE(axisX(window)->max(), 60.0);
}

void GraficiTest::changedBoxesReplaceTheSeries()
{
    Grafici window;
    window.setChannels(3);
    window.chkCH[0]->setChecked(true);
    const auto table = session(20, 3);
    window.popola_grafico(*table, 0);
    QCOMPARE(lines(window).size(), 1);
    QCOMPARE(lines(window)[0]->name(), QStringLiteral("CH 0"));

    window.chkCH[0]->setChecked(false);
    window.chkCH[1]->setChecked(true);
    window.chkCH[2]->setChecked(true);
    window.popola_grafico(*table, 0);
    const QList<QLineSeries*> drawn = lines(window);
    QCOMPARE(drawn.size(), 2);
    QCOMPARE(drawn[0]->name(), QStringLiteral("CH 1"));
    QCOMPARE(drawn[1]->name(), QStringLiteral("CH 2"));
    QCOMPARE(drawn[0]->pen().color(), QColor(0, 0, 240));
    QCOMPARE(drawn[0]->at(0).y(), table->cell(1, 2).toDouble());

    // From the single zero back to channels: the zero goes.
    window.chkCH[1]->setChecked(false);
    window.chkCH[2]->setChecked(false);
    window.popola_grafico(*table, 0);
    window.chkCH[1]->setChecked(true);
    window.popola_grafico(*table, 0);
    QCOMPARE(window.MSChart1->chart()->series().size(), 1);
    QCOMPARE(lines(window)[0]->name(), QStringLiteral("CH 1"));
    QCOMPARE(lines(window)[0]->count(), 19);
}

void GraficiTest::buttonsAndCloseEmitTheirSignals()
{
    Grafici window;
    QSignalSpy latest(&window, &Grafici::drawLatestRequested);
    QSignalSpy all(&window, &Grafici::drawAllRequested);
    QSignalSpy closed(&window, &Grafici::closed);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    QTest::mouseClick(window.cmdDisegna, Qt::LeftButton);
    QCOMPARE(latest.count(), 1);
    QCOMPARE(all.count(), 0);
    QTest::mouseClick(window.cmdDisegnaTutto, Qt::LeftButton);
    QCOMPARE(latest.count(), 1);
    QCOMPARE(all.count(), 1);
    QCOMPARE(closed.count(), 0);

    QTest::mouseClick(window.cmdChiudi, Qt::LeftButton);
    QCOMPARE(closed.count(), 1);
    QVERIFY(!window.isVisible());

    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(window.close());
    QCOMPARE(closed.count(), 2);
    QVERIFY(!window.isVisible());
    QCOMPARE(latest.count(), 1);
    QCOMPARE(all.count(), 1);
}

void GraficiTest::drawsOffscreenWithoutOpenGL()
{
    Grafici window;
    window.setChannels(10);
    window.chkCH[0]->setChecked(true);
    window.chkCH[9]->setChecked(true);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const auto table = session(1500, 10);
    window.popola_grafico(*table, 1000);
    const QImage image = window.grab().toImage();
    QVERIFY(!image.isNull());
    for (const QLineSeries* line : lines(window))
        QVERIFY(!line->useOpenGL());
    // The bold red line of box 0 is on the picture.
    int red = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            if (pixel.red() > 200 && pixel.green() < 60 && pixel.blue() < 60)
                ++red;
        }
    }
    QVERIFY(red > 500);
}

QTEST_MAIN(GraficiTest)
#include "ui_grafici_test.moc"
