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

void placeBeside(QWidget* window, const QWidget* anchor)
{
    QScreen* screen = anchor->screen() ? anchor->screen() : QGuiApplication::primaryScreen();
    if (!screen) {
        centreOnScreen(window);
        return;
    }
    const QRect area = screen->availableGeometry();
    const QRect beside = anchor->frameGeometry();
    const QSize size = window->frameGeometry().size();
    constexpr int kGap = 8;
    QPoint at;
    if (beside.right() + kGap + size.width() <= area.right())
        at = QPoint(beside.right() + kGap, beside.top());
    else if (beside.left() - kGap - size.width() >= area.left())
        at = QPoint(beside.left() - kGap - size.width(), beside.top());
    else
        at = QPoint(beside.left(), beside.bottom() + kGap);
    at.setX(std::clamp(at.x(), area.left(), std::max(area.left(), area.right() - size.width())));
    at.setY(std::clamp(at.y(), area.top(), std::max(area.top(), area.bottom() - size.height())));
    window->move(at);
}

} // namespace stazione::ui
