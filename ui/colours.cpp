#include "ui/colours.h"

#include <QPalette>
#include <QWidget>

namespace stazione::ui {

void setBackColour(QWidget* widget, const QColor& colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Base, colour);
    palette.setColor(QPalette::Window, colour);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

void clearBackColour(QWidget* widget)
{
    widget->setPalette(QPalette());
    widget->setAutoFillBackground(false);
}

QColor backColour(const QWidget* widget)
{
    return widget->palette().color(QPalette::Base);
}

} // namespace stazione::ui
