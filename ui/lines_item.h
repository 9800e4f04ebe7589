#pragma once

#include <QGraphicsItem>
#include <QList>
#include <QPen>
#include <QPointF>

#include <functional>
#include <vector>

class QChart;

namespace stazione::ui {

// Thinned lines drawn straight onto a chart's plot area. A chart series builds a path and its
// hover shape from every point and costs several times as much to paint; lines that are already
// thinned to the pixel columns need neither.
class LinesItem : public QGraphicsItem {
public:
    struct Line {
        QPen pen;
        QList<QPointF> points; // in axis units; a point with a NaN y breaks the line
    };

    // `window` gives the axes' ranges at paint time: x from left, y from top, in axis units.
    LinesItem(QChart* chart, std::function<QRectF()> window);

    void setLines(std::vector<Line> lines);
    const std::vector<Line>& lines() const { return m_lines; }
    void areaChanged() { prepareGeometryChange(); }

    QRectF boundingRect() const override;
    void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget) override;

private:
    QChart* m_chart;
    std::function<QRectF()> m_window;
    std::vector<Line> m_lines;
    QPolygonF m_run;
};

} // namespace stazione::ui
