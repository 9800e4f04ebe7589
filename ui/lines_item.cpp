#include "ui/lines_item.h"

#include <QChart>
#include <QPainter>

#include <cmath>

namespace stazione::ui {

LinesItem::LinesItem(QChart* chart, std::function<QRectF()> window)
    : QGraphicsItem(chart)
    , m_chart(chart)
    , m_window(std::move(window))
{
    setFlag(ItemClipsToShape);
}

void LinesItem::setLines(std::vector<Line> lines)
{
    m_lines = std::move(lines);
    update();
}

QRectF LinesItem::boundingRect() const
{
    return m_chart->plotArea();
}

void LinesItem::paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*)
{
    const QRectF area = m_chart->plotArea();
    const QRectF window = m_window();
    if (!(window.width() > 0) || !(window.height() > 0))
        return;
    const double sx = area.width() / window.width();
    const double sy = area.height() / window.height();
    const double x0 = window.left();
    const double y0 = window.top();
    painter->save();
    painter->setClipRect(area);
    // Lines thinned to pixel columns gain nothing from antialiasing, and draw several times
    // faster without it.
    painter->setRenderHint(QPainter::Antialiasing, false);
    for (const Line& line : m_lines) {
        QPen pen = line.pen;
        // A line a pixel wide is drawn as a cosmetic line: the fast path, dotted patterns included.
        if (pen.widthF() <= 1.0)
            pen.setWidth(0);
        painter->setPen(pen);
        auto flush = [&] {
            if (m_run.size() == 1)
                painter->drawPoint(m_run.front());
            else if (m_run.size() > 1)
                painter->drawPolyline(m_run);
            m_run.clear();
        };
        for (const QPointF& p : line.points) {
            if (std::isnan(p.y())) {
                flush();
                continue;
            }
            m_run.append(QPointF(area.left() + (p.x() - x0) * sx, area.bottom() - (p.y() - y0) * sy));
        }
        flush();
    }
    painter->restore();
}

} // namespace stazione::ui
