#pragma once

#include "data/data_file.h"
#include "data/decimation.h"
#include "ui/lines_item.h"

#include <QChartView>
#include <QPen>

#include <functional>
#include <memory>
#include <vector>

class QDateTimeAxis;
class QRubberBand;
class QValueAxis;

namespace stazione::ui {

// Every channel of a data file against time. However long the file, each line is drawn from at
// most two points per pixel column, thinned again from the full data for the span in view after
// every zoom or pan, so spikes of a single row stay visible and drawing costs what the width costs.
//
// Left drag: zoom on the rectangle. Wheel: zoom the time around the mouse. Right or middle drag
// (or Ctrl + left drag): pan. showAll(): everything.
class TraceChart : public QChartView {
    Q_OBJECT

public:
    explicit TraceChart(QWidget* parent = nullptr);
    ~TraceChart() override;

    void setData(std::shared_ptr<const data::DataSet> data);
    const data::DataSet* data() const { return m_data.get(); }

    void setChannelVisible(int channel, bool visible);
    bool channelVisible(int channel) const;

    void showAll();
    // The span in view, in the files' wall-clock milliseconds.
    void setSpan(qint64 from, qint64 to);
    qint64 spanFrom() const;
    qint64 spanTo() const;
    void setValueRange(double low, double high);
    double valueLow() const;
    double valueHigh() const;

    // The text the status line shows for a point of the view: the time and the values of the
    // row nearest to it.
    QString describe(const QPointF& viewPoint) const;

    // The time labels' layout for a span of this many milliseconds: seconds for a short span,
    // the day for a long one.
    static QString timeFormat(qint64 span);

    // The pen of channel i: the session chart's colours and line styles.
    static QPen penFor(int channel);

    // Points drawn for a channel now (after thinning), for tests and benchmarks.
    qsizetype pointsDrawn(int channel) const;
    // Thins the data again for the span in view; done by every zoom, pan and resize.
    void redecimate();

signals:
    void viewChanged();
    void hovered(const QString& text);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // Axis positions are real instants (the axis prints them in local time); the files' times are
    // wall-clock readings. These convert between the two at the right offset, summer time included.
    double axisValue(qint64 wall) const;
    qint64 wallTime(double axis) const;
    QPointF toValue(const QPointF& viewPoint) const; // (axis time, value)
    void autoValueRange();

    std::shared_ptr<const data::DataSet> m_data;
    std::vector<data::MinMaxIndex> m_indexes;
    std::vector<bool> m_visible;
    QDateTimeAxis* m_axisX = nullptr;
    QValueAxis* m_axisY = nullptr;
    LinesItem* m_item = nullptr;
    QRubberBand* m_band = nullptr;
    QPoint m_pressAt;
    enum class Drag { None, Zoom, Pan } m_drag = Drag::None;
    qint64 m_panFrom = 0;
    qint64 m_panTo = 0;
    // The local clock's offsets from UTC over the data's span: from each instant (and each wall
    // time) on, the offset in milliseconds.
    struct Offset {
        qint64 utc;
        qint64 wall;
        qint64 offset;
    };
    std::vector<Offset> m_offsets;
};

} // namespace stazione::ui
