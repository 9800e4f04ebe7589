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

namespace {

// Until a window is shown its frame is unknown: room for a title bar and thin borders.
constexpr QSize kFrameAllowance(2 * 8, 32 + 8);

QSize frameSize(const QWidget* window)
{
    const QSize frame = window->frameGeometry().size();
    return frame == window->size() ? window->size() + kFrameAllowance : frame;
}

} // namespace

void fitOnScreen(QWidget* window, const QWidget* anchor)
{
    const QWidget* on = anchor ? anchor : window;
    QScreen* screen = on->screen() ? on->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QSize room = screen->availableGeometry().size() - (frameSize(window) - window->size());
    window->resize(window->size().boundedTo(room).expandedTo(window->minimumSizeHint()));
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
    const QSize size = frameSize(window);
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
