#include "ui/grafici.h"

#include "live/chart_data.h"
#include "ui/lines_item.h"
#include "ui/widgets.h"

#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGraphicsLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLineSeries>
#include <QPushButton>
#include <QSet>
#include <QVBoxLayout>
#include <QValueAxis>

#include <algorithm>
#include <cmath>
#include <limits>

namespace stazione::ui {

namespace {

// About eight intervals between the value labels, on steps of 1, 2 or 5 times a power of ten.
double niceStep(double span)
{
    const double rough = span / 8.0;
    const double power = std::pow(10.0, std::floor(std::log10(rough)));
    for (double factor : {1.0, 2.0, 5.0}) {
        if (factor * power >= rough)
            return factor * power;
    }
    return 10.0 * power;
}

} // namespace

Grafici::Grafici(QWidget* parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("Grafici"));
    closeOnKeys(this, QKeySequence(Qt::Key_Escape));
    setWindowTitle(tr("Grafici"));

    m_chart = new QChart;
    m_chart->setObjectName(QStringLiteral("chart"));
    m_chart->setAnimationOptions(QChart::NoAnimation);
    m_chart->layout()->setContentsMargins(0, 0, 0, 0);
    m_chart->setMargins(QMargins(4, 4, 12, 4));
    m_chart->legend()->setAlignment(Qt::AlignTop);

    m_axisX = new QCategoryAxis;
    m_axisX->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    // Some twenty time stamps share the width: only standing on end do they fit whole (the chart
    // cuts a label to "..." when its turned box is wider than its share).
    m_axisX->setLabelsAngle(-90);
    m_axisX->setRange(0, 1);
    m_chart->addAxis(m_axisX, Qt::AlignBottom);

    m_axisY = new QValueAxis;
    m_axisY->setTickType(QValueAxis::TicksDynamic);
    m_axisY->setTickAnchor(0);
    m_axisY->setLabelFormat(QStringLiteral("%g"));
    m_chart->addAxis(m_axisY, Qt::AlignLeft);
    setYRange(-1, 1);

    m_lines = new LinesItem(m_chart, [this] {
        return QRectF(m_axisX->min(), m_axisY->min(), m_axisX->max() - m_axisX->min(),
                      m_axisY->max() - m_axisY->min());
    });
    m_lines->setZValue(10);
    connect(m_chart, &QChart::plotAreaChanged, this, [this] { m_lines->areaChanged(); });

    MSChart1 = new QChartView(m_chart, this);
    MSChart1->setObjectName(QStringLiteral("MSChart1"));
    MSChart1->setMinimumSize(480, 320);
    MSChart1->setRenderHint(QPainter::Antialiasing);
    // No OpenGL series: they draw every pen solid, which would lose the dotted lines of boxes 8-15,
    // and a window of 1000 rows takes a few milliseconds to paint without it.

    auto* boxes = new QGridLayout;
    boxes->setVerticalSpacing(2);
    for (int i = 0; i < 16; ++i) {
        chkCH[i] = makeCheck(this, indexedName(u"chkCH", i), tr("CH%1").arg(i));
        boxes->addWidget(chkCH[i], i % 8, i / 8);
    }
    auto* side = new QVBoxLayout;
    side->addLayout(boxes);
    side->addStretch();

    auto* top = new QHBoxLayout;
    top->addWidget(MSChart1, 1);
    top->addLayout(side);

    cmdDisegna = makeButton(this, QStringLiteral("cmdDisegna"), tr("Disegna ultimi dati"));
    cmdDisegnaTutto = makeButton(this, QStringLiteral("cmdDisegnaTutto"), tr("Disegna tutti i dati"));
    cmdChiudi = makeButton(this, QStringLiteral("cmdChiudi"), tr("Chiudi"));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdDisegna);
    buttons->addWidget(cmdDisegnaTutto);
    buttons->addStretch();
    buttons->addWidget(cmdChiudi);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addLayout(buttons);

    connect(cmdDisegna, &QPushButton::clicked, this, &Grafici::drawLatestRequested);
    connect(cmdDisegnaTutto, &QPushButton::clicked, this, &Grafici::drawAllRequested);
    connect(cmdChiudi, &QPushButton::clicked, this, &QWidget::close);

    setChannels(1);
    resize(1040, 640);
}

void Grafici::setChannels(int dataColumns)
{
    for (int i = 0; i < 16; ++i) {
        const bool shown = i == 0 || i < dataColumns;
        chkCH[i]->setHidden(!shown);
        if (!shown)
            chkCH[i]->setCheckState(Qt::Unchecked);
    }
}

void Grafici::tickChannels(int dataColumns)
{
    for (int i = 0; i < 16 && i < dataColumns; ++i)
        chkCH[i]->setCheckState(Qt::Checked);
}

std::vector<int> Grafici::tickedBoxes() const
{
    std::vector<int> ticked;
    for (int i = 0; i < 16; ++i) {
        if (chkCH[i]->checkState() != Qt::Unchecked)
            ticked.push_back(i);
    }
    return ticked;
}

QPen Grafici::penFor(const live::SeriesStyle& style)
{
    QPen pen(QColor(style.red, style.green, style.blue));
    // The table's widths are 30 for the first eight channels and 2 for the others: a tenth of
    // that, never under a pixel, keeps the first bold and the others thin.
    pen.setWidthF(std::max(1.0, style.width / 10.0));
    switch (style.styleCode) {
    case 0:
        pen.setStyle(Qt::NoPen);
        break;
    case 2:
        pen.setStyle(Qt::DashLine);
        break;
    case 3:
        pen.setStyle(Qt::DotLine);
        break;
    case 4:
        pen.setStyle(Qt::DashDotLine);
        break;
    case 5:
        pen.setStyle(Qt::DashDotDotLine);
        break;
    case 6:
        // Closer than Qt's dots, so that a thin line that wanders still reads as one line.
        pen.setDashPattern({1.0, 1.5});
        pen.setCapStyle(Qt::FlatCap);
        break;
    default:
        pen.setStyle(Qt::SolidLine);
        break;
    }
    return pen;
}

void Grafici::draw(const live::ChartData& data)
{
    if (data.zeroOnly)
        drawZero();
    else
        setSeries(data);
}

void Grafici::popola_grafico(const live::SessionTable& table, int points)
{
    draw(live::chartWindow(table, points, tickedBoxes(), plotColumns()));
}

int Grafici::plotColumns() const
{
    return std::max(100, int(m_chart->plotArea().width()));
}

void Grafici::drawZero()
{
    removeAllSeries();
    m_lines->setLines({});
    if (!m_zero) {
        m_zero = new QLineSeries;
        // One point makes no line: the marker is what shows it.
        m_zero->setPointsVisible(true);
        m_zero->setMarkerSize(8);
        m_zero->setPen(QPen(Qt::black, 2));
        m_chart->addSeries(m_zero);
        m_zero->attachAxis(m_axisX);
        m_zero->attachAxis(m_axisY);
        m_chart->legend()->setVisible(false);
    }
    m_zero->replace(QList<QPointF>{QPointF(0, 0)});
    setCategories({});
    if (m_axisX->min() != -1 || m_axisX->max() != 1)
        m_axisX->setRange(-1, 1);
    setYRange(-1, 1);
}

void Grafici::setSeries(const live::ChartData& data)
{
    std::vector<int> boxes;
    for (const auto& series : data.series)
        boxes.push_back(series.box);
    if (m_zero || boxes != m_seriesBoxes) {
        removeAllSeries();
        for (const auto& series : data.series) {
            auto* line = new QLineSeries;
            line->setName(series.name);
            line->setPen(penFor(live::seriesStyles().at(size_t(series.box))));
            m_chart->addSeries(line);
            line->attachAxis(m_axisX);
            line->attachAxis(m_axisY);
            m_series.push_back(line);
        }
        m_seriesBoxes = std::move(boxes);
        m_chart->legend()->setVisible(true);
    }

    double low = std::numeric_limits<double>::infinity();
    double high = -low;
    std::vector<LinesItem::Line> thinned;
    for (size_t s = 0; s < data.series.size(); ++s) {
        const auto& values = data.series[s].values;
        if (m_series[s]->name() != data.series[s].name)
            m_series[s]->setName(data.series[s].name);
        QList<QPointF> points;
        if (data.thinned) {
            // The series keeps its legend entry; the overlay draws the thinned line.
            LinesItem::Line line{m_series[s]->pen(), {}};
            line.points.reserve(qsizetype(data.series[s].points.size()));
            for (const auto& [row, value] : data.series[s].points) {
                line.points.append(QPointF(double(row), value));
                low = std::min(low, value);
                high = std::max(high, value);
            }
            if (!m_series[s]->points().isEmpty())
                m_series[s]->clear();
            thinned.push_back(std::move(line));
            continue;
        }
        points.reserve(qsizetype(values.size()));
        for (size_t r = 0; r < values.size(); ++r) {
            if (!values[r])
                continue;
            const double value = *values[r];
            points.append(QPointF(double(r), value));
            low = std::min(low, value);
            high = std::max(high, value);
        }
        m_series[s]->replace(points);
    }
    m_lines->setLines(std::move(thinned));
    if (low > high)
        setYRange(0, 1);
    else if (low == high)
        setYRange(low - std::max(1.0, std::abs(low) * 0.05), high + std::max(1.0, std::abs(high) * 0.05));
    else
        setYRange(low - (high - low) * 0.05, high + (high - low) * 0.05);

    const int step =
        data.labelEvery > 0 ? data.labelEvery : std::max(1, int(std::lround(data.points / 20.0)));
    // The axis keeps a label once; a time stamp seen twice (two sets in one second) keeps its first
    // place, and a row without one gets none.
    QList<QPair<QString, int>> categories = data.categories;
    QSet<QString> seen;
    for (int r = 0; !data.thinned && r <= data.points && r < data.labels.size(); r += step) {
        const QString& label = data.labels[r];
        if (label.isEmpty() || seen.contains(label))
            continue;
        seen.insert(label);
        categories.append({label, r});
    }
    setCategories(categories);
    const int last = std::max(data.points, 1);
    if (m_axisX->min() != 0 || m_axisX->max() != last)
        m_axisX->setRange(0, last);
}

void Grafici::setCategories(const QList<QPair<QString, int>>& categories)
{
    if (categories == m_categories)
        return;
    const QStringList old = m_axisX->categoriesLabels();
    for (auto label = old.crbegin(); label != old.crend(); ++label)
        m_axisX->remove(*label);
    for (const auto& [label, row] : categories)
        m_axisX->append(label, row);
    m_categories = categories;
}

void Grafici::setYRange(double low, double high)
{
    if (m_axisY->min() == low && m_axisY->max() == high)
        return;
    m_axisY->setRange(low, high);
    m_axisY->setTickInterval(niceStep(high - low));
}

void Grafici::removeAllSeries()
{
    for (QLineSeries* series : m_series) {
        m_chart->removeSeries(series);
        delete series;
    }
    m_series.clear();
    m_seriesBoxes.clear();
    if (m_zero) {
        m_chart->removeSeries(m_zero);
        delete m_zero;
        m_zero = nullptr;
    }
}

void Grafici::closeEvent(QCloseEvent* event)
{
    event->accept();
    emit closed();
}

} // namespace stazione::ui
