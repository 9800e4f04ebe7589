#include "ui/windows.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace stazione::ui {

void centreOnScreen(QWidget* window)
{
    QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    QRect frame = window->frameGeometry();
    frame.moveCenter(area.center());
    window->move(frame.topLeft().x() < area.left() ? area.left() : frame.topLeft().x(),
                 frame.topLeft().y() < area.top() ? area.top() : frame.topLeft().y());
}

QRect placementBeside(const QRect& area, const QRect& anchor, const QRect& keep, QSize frame, QSize minimum)
{
    constexpr int kGap = 8;
    const QSize size = frame.boundedTo(area.size()).expandedTo(minimum.boundedTo(area.size()));
    const auto inside = [&](QRect r) {
        r.moveLeft(std::clamp(r.left(), area.left(), std::max(area.left(), area.right() - r.width() + 1)));
        r.moveTop(std::clamp(r.top(), area.top(), std::max(area.top(), area.bottom() - r.height() + 1)));
        return r;
    };
    const QRect beside[] = {
        QRect(QPoint(anchor.right() + 1 + kGap, anchor.top()), size),
        QRect(QPoint(anchor.left() - kGap - size.width(), anchor.top()), size),
        QRect(QPoint(anchor.left(), anchor.bottom() + 1 + kGap), size),
        QRect(QPoint(anchor.left(), anchor.top() - kGap - size.height()), size),
    };
    for (const QRect& r : beside) {
        if (area.contains(r))
            return r;
    }
    // No room beside the whole anchor: stand under (or over) the part that must stay in sight,
    // as tall as the screen leaves.
    const int roomBelow = area.bottom() - (keep.bottom() + kGap);
    const int roomAbove = keep.top() - kGap - area.top();
    const int wanted = std::min(size.height(), std::max(roomBelow, roomAbove));
    if (wanted >= minimum.height()) {
        if (roomBelow >= roomAbove)
            return inside(QRect(anchor.left(), keep.bottom() + 1 + kGap, size.width(), wanted));
        return inside(QRect(anchor.left(), keep.top() - kGap - wanted, size.width(), wanted));
    }
    return inside(QRect(beside[0].topLeft(), size));
}

void placeBeside(QWidget* window, const QWidget* anchor, const QRect& keep)
{
    QScreen* screen = anchor->screen() ? anchor->screen() : QGuiApplication::primaryScreen();
    if (!screen) {
        centreOnScreen(window);
        return;
    }
    // A window that was never shown has no frame yet: the window manager gives it the anchor's.
    const QWidget* framed = window->frameGeometry().size() != window->size() ? window : anchor;
    const QSize margins = framed->frameGeometry().size() - framed->size();
    const QRect frame = placementBeside(screen->availableGeometry(), anchor->frameGeometry(), keep,
                                        window->size() + margins, window->minimumSizeHint() + margins);
    window->resize(frame.size() - margins);
    window->move(frame.topLeft());
}

} // namespace stazione::ui
