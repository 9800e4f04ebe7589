#include "ui/trace_chart.h"

#include "live/chart_data.h"
#include "ui/grafici.h"

#include <QChart>
#include <QDateTimeAxis>
#include <QGraphicsLayout>
#include <QLineSeries>
#include <QMouseEvent>
#include <QPainter>
#include <QRubberBand>
#include <QTimeZone>
#include <QValueAxis>

#include <algorithm>
#include <cmath>
#include <limits>

namespace stazione::ui {

namespace {

constexpr qint64 kShortestSpan = 2000; // ms: two seconds fill the width at most

} // namespace

TraceChart::TraceChart(QWidget* parent)
    : QChartView(new QChart, parent)
{
    QChart* c = chart();
    c->setAnimationOptions(QChart::NoAnimation);
    c->layout()->setContentsMargins(0, 0, 0, 0);
    c->setMargins(QMargins(4, 8, 16, 4));
    c->legend()->setVisible(false);

    m_axisX = new QDateTimeAxis;
    m_axisX->setFormat(QStringLiteral("dd/MM/yy hh:mm"));
    m_axisX->setTickCount(7);
    c->addAxis(m_axisX, Qt::AlignBottom);
    m_axisY = new QValueAxis;
    m_axisY->setLabelFormat(QStringLiteral("%g"));
    m_axisY->setTickCount(9);
    c->addAxis(m_axisY, Qt::AlignLeft);
    // The axes need a series to hold their domain; the lines themselves are drawn by LinesItem.
    auto* holder = new QLineSeries;
    c->addSeries(holder);
    holder->attachAxis(m_axisX);
    holder->attachAxis(m_axisY);
    holder->setPen(Qt::NoPen);

    m_item = new LinesItem(c, [this] {
        const double x0 = double(m_axisX->min().toMSecsSinceEpoch());
        const double x1 = double(m_axisX->max().toMSecsSinceEpoch());
        return QRectF(x0, m_axisY->min(), x1 - x0, m_axisY->max() - m_axisY->min());
    });
    m_item->setZValue(10);
    connect(c, &QChart::plotAreaChanged, this, [this] {
        m_item->areaChanged();
        redecimate();
    });
    m_band = new QRubberBand(QRubberBand::Rectangle, viewport());
    setRenderHint(QPainter::Antialiasing, true);
    setMouseTracking(true);
    setDragMode(QGraphicsView::NoDrag);
    setRubberBand(QChartView::NoRubberBand);
}

TraceChart::~TraceChart() = default;

QPen TraceChart::penFor(int channel)
{
    return Grafici::penFor(live::seriesStyles().at(size_t(channel) % 16));
}

void TraceChart::setData(std::shared_ptr<const data::DataSet> data)
{
    m_data = std::move(data);
    m_indexes.clear();
    m_visible.clear();
    if (m_data) {
        m_indexes.resize(m_data->values.size());
        for (size_t c = 0; c < m_data->values.size(); ++c)
            m_indexes[c].update(m_data->values[c].data(), m_data->rows());
        m_visible.assign(m_data->values.size(), true);
        m_offsets.clear();
        const qint64 from = m_data->times.empty() ? 0 : m_data->times.front();
        const qint64 to = m_data->times.empty() ? 0 : m_data->times.back();
        const QDateTime start = data::wallDateTime(from).addDays(-2);
        const qint64 startOffset = qint64(start.offsetFromUtc()) * 1000;
        m_offsets.push_back(
            {std::numeric_limits<qint64>::min(), std::numeric_limits<qint64>::min(), startOffset});
        for (const auto& change :
             QTimeZone::systemTimeZone().transitions(start, data::wallDateTime(to).addDays(2))) {
            const qint64 utc = change.atUtc.toMSecsSinceEpoch();
            const qint64 offset = qint64(change.offsetFromUtc) * 1000;
            m_offsets.push_back({utc, utc + offset, offset});
        }
    }
    showAll();
}

double TraceChart::axisValue(qint64 wall) const
{
    if (m_offsets.empty())
        return double(wall);
    auto after = std::upper_bound(m_offsets.begin(), m_offsets.end(), wall,
                                  [](qint64 w, const Offset& o) { return w < o.wall; });
    return double(wall - (after - 1)->offset);
}

qint64 TraceChart::wallTime(double axis) const
{
    const qint64 utc = qint64(std::llround(axis));
    if (m_offsets.empty())
        return utc;
    auto after = std::upper_bound(m_offsets.begin(), m_offsets.end(), utc,
                                  [](qint64 u, const Offset& o) { return u < o.utc; });
    return utc + (after - 1)->offset;
}

void TraceChart::setChannelVisible(int channel, bool visible)
{
    if (channel < 0 || size_t(channel) >= m_visible.size() || m_visible[size_t(channel)] == visible)
        return;
    m_visible[size_t(channel)] = visible;
    redecimate();
}

bool TraceChart::channelVisible(int channel) const
{
    return channel >= 0 && size_t(channel) < m_visible.size() && m_visible[size_t(channel)];
}

qint64 TraceChart::spanFrom() const
{
    return wallTime(double(m_axisX->min().toMSecsSinceEpoch()));
}

qint64 TraceChart::spanTo() const
{
    return wallTime(double(m_axisX->max().toMSecsSinceEpoch()));
}

double TraceChart::valueLow() const
{
    return m_axisY->min();
}

double TraceChart::valueHigh() const
{
    return m_axisY->max();
}

void TraceChart::showAll()
{
    if (!m_data || m_data->times.empty()) {
        const qint64 now = data::wallMilliseconds(QDateTime::currentDateTime());
        setSpan(now - 3600000, now);
        setValueRange(0, 1);
        return;
    }
    qint64 from = m_data->times.front();
    qint64 to = m_data->times.back();
    if (to - from < kShortestSpan) {
        from -= kShortestSpan / 2;
        to += kShortestSpan / 2;
    }
    setSpan(from, to);
    autoValueRange();
}

void TraceChart::setSpan(qint64 from, qint64 to)
{
    if (to - from < kShortestSpan) {
        const qint64 middle = from + (to - from) / 2;
        from = middle - kShortestSpan / 2;
        to = middle + kShortestSpan / 2;
    }
    m_axisX->setFormat(timeFormat(to - from));
    m_axisX->setRange(QDateTime::fromMSecsSinceEpoch(qint64(axisValue(from))),
                      QDateTime::fromMSecsSinceEpoch(qint64(axisValue(to))));
    redecimate();
}

QString TraceChart::timeFormat(qint64 span)
{
    // Seven ticks: under ten minutes they are seconds apart, under two days minutes or hours apart.
    constexpr qint64 kMinute = 60000;
    constexpr qint64 kDay = 24 * 60 * kMinute;
    if (span <= 10 * kMinute)
        return QStringLiteral("hh:mm:ss");
    if (span <= 2 * kDay)
        return QStringLiteral("dd/MM hh:mm");
    if (span <= 60 * kDay)
        return QStringLiteral("dd/MM/yy hh:mm");
    return QStringLiteral("dd/MM/yyyy");
}

void TraceChart::setValueRange(double low, double high)
{
    if (!(high > low)) {
        const double pad = std::max(1.0, std::abs(low) * 0.05);
        low -= pad;
        high += pad;
    }
    m_axisY->setRange(low, high);
    m_item->update();
    emit viewChanged();
}

void TraceChart::autoValueRange()
{
    double low = std::numeric_limits<double>::infinity();
    double high = -low;
    for (const auto& line : m_item->lines()) {
        for (const QPointF& p : line.points) {
            if (std::isnan(p.y()))
                continue;
            low = std::min(low, p.y());
            high = std::max(high, p.y());
        }
    }
    if (low > high)
        setValueRange(0, 1);
    else
        setValueRange(low - (high - low) * 0.05, high + (high - low) * 0.05);
    // Round steps: short labels that the axis does not cut.
    m_axisY->applyNiceNumbers();
    m_item->update();
}

void TraceChart::redecimate()
{
    if (!m_data) {
        m_item->setLines({});
        return;
    }
    const QRectF area = chart()->plotArea();
    const int columns = std::max(1, int(area.width()));
    const std::vector<qint64> bounds =
        data::timeBounds(m_data->times, double(spanFrom()), double(spanTo()), columns);
    std::vector<LinesItem::Line> lines(m_data->values.size());
    for (size_t c = 0; c < lines.size(); ++c) {
        if (!m_visible[c])
            continue;
        const auto& values = m_data->values[c];
        const auto thinned = data::decimate(values.data(), m_data->rows(), &m_indexes[c], bounds);
        lines[c].pen = penFor(int(c));
        lines[c].points.reserve(qsizetype(thinned.size()));
        for (const data::TracePoint& p : thinned) {
            if (p.isBreak())
                lines[c].points.append(QPointF(0, data::kGap));
            else
                lines[c].points.append(QPointF(axisValue(m_data->times[size_t(p.row)]), p.value));
        }
    }
    m_item->setLines(std::move(lines));
    emit viewChanged();
}

qsizetype TraceChart::pointsDrawn(int channel) const
{
    const auto& lines = m_item->lines();
    if (channel < 0 || size_t(channel) >= lines.size())
        return 0;
    const auto& points = lines[size_t(channel)].points;
    return std::count_if(points.begin(), points.end(), [](const QPointF& p) { return !std::isnan(p.y()); });
}

QPointF TraceChart::toValue(const QPointF& viewPoint) const
{
    const QPointF scene = mapToScene(viewPoint.toPoint());
    const QPointF local = chart()->mapFromScene(scene);
    const QRectF area = chart()->plotArea();
    const double x0 = double(m_axisX->min().toMSecsSinceEpoch());
    const double x1 = double(m_axisX->max().toMSecsSinceEpoch());
    return {x0 + (local.x() - area.left()) / area.width() * (x1 - x0),
            m_axisY->min() + (area.bottom() - local.y()) / area.height() * (m_axisY->max() - m_axisY->min())};
}

QString TraceChart::describe(const QPointF& viewPoint) const
{
    if (!m_data || m_data->times.empty())
        return {};
    const QPointF value = toValue(viewPoint);
    const qint64 wall = wallTime(value.x());
    const auto& times = m_data->times;
    auto after = std::lower_bound(times.begin(), times.end(), wall);
    if (after == times.end() || (after != times.begin() && wall - *(after - 1) < *after - wall))
        --after;
    const size_t row = size_t(after - times.begin());
    QString text = data::wallDateTime(times[row]).toString(QStringLiteral("dd/MM/yyyy hh:mm:ss"));
    for (size_t c = 0; c < m_data->values.size(); ++c) {
        if (!m_visible[c])
            continue;
        const double v = m_data->values[c][row];
        text += QStringLiteral("   %1: %2")
                    .arg(m_data->channels.value(int(c)),
                         std::isnan(v) ? QStringLiteral("—") : QString::number(v, 'g', 12));
    }
    text += tr("   (puntatore: %1)").arg(QString::number(value.y(), 'g', 6));
    return text;
}

void TraceChart::mousePressEvent(QMouseEvent* event)
{
    m_pressAt = event->position().toPoint();
    const bool pan = event->button() == Qt::RightButton || event->button() == Qt::MiddleButton ||
                     (event->button() == Qt::LeftButton && event->modifiers().testFlag(Qt::ControlModifier));
    if (pan) {
        m_drag = Drag::Pan;
        m_panFrom = spanFrom();
        m_panTo = spanTo();
        setCursor(Qt::ClosedHandCursor);
    } else if (event->button() == Qt::LeftButton) {
        m_drag = Drag::Zoom;
        m_band->setGeometry(QRect(m_pressAt, QSize()));
        m_band->show();
    }
    event->accept();
}

void TraceChart::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    if (m_drag == Drag::Zoom) {
        m_band->setGeometry(QRect(m_pressAt, at).normalized());
    } else if (m_drag == Drag::Pan) {
        const QRectF area = chart()->plotArea();
        const double shift = double(m_pressAt.x() - at.x()) / area.width() * double(m_panTo - m_panFrom);
        const double rise = double(at.y() - m_pressAt.y()) / area.height();
        setSpan(m_panFrom + qint64(shift), m_panTo + qint64(shift));
        if (rise != 0) {
            const double span = valueHigh() - valueLow();
            setValueRange(valueLow() + rise * span, valueHigh() + rise * span);
            m_pressAt.setY(at.y());
        }
    }
    emit hovered(describe(event->position()));
    event->accept();
}

void TraceChart::mouseReleaseEvent(QMouseEvent* event)
{
    if (m_drag == Drag::Zoom) {
        m_band->hide();
        const QRect rect = QRect(m_pressAt, event->position().toPoint()).normalized();
        if (rect.width() > 4) {
            const QPointF a = toValue(rect.topLeft());
            const QPointF b = toValue(rect.bottomRight());
            setSpan(wallTime(a.x()), wallTime(b.x()));
            if (rect.height() > 4)
                setValueRange(b.y(), a.y());
            else
                autoValueRange();
        }
    }
    m_drag = Drag::None;
    unsetCursor();
    event->accept();
}

void TraceChart::wheelEvent(QWheelEvent* event)
{
    const double steps = event->angleDelta().y() / 120.0;
    if (steps == 0 || !m_data)
        return;
    const double factor = std::pow(0.8, steps);
    const qint64 at = wallTime(toValue(event->position()).x());
    const qint64 from = spanFrom();
    const qint64 to = spanTo();
    setSpan(at - qint64(double(at - from) * factor), at + qint64(double(to - at) * factor));
    event->accept();
}

void TraceChart::resizeEvent(QResizeEvent* event)
{
    QChartView::resizeEvent(event);
    redecimate();
}

} // namespace stazione::ui
