#include "ui/windows.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

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

} // namespace stazione::ui
