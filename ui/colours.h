#pragma once

#include <QColor>

class QWidget;

namespace stazione::ui {

// The colours a value box takes: red when the operator typed into it, light green when the logger
// gave or accepted its value, light yellow for a few readings.
inline const QColor kEdited(255, 0, 0);
inline const QColor kConfirmed(192, 255, 192);
inline const QColor kReadYellow(255, 255, 128);
// A row the operator chose (the station to call): not a box in error.
inline const QColor kSelected(200, 220, 255);
// The free memory box when less than a tenth of the memory is left: time to download.
inline const QColor kMemoryLow(255, 170, 60);

void setBackColour(QWidget* widget, const QColor& colour);
QColor backColour(const QWidget* widget);
// Back to the style's own colour: the box says nothing about its value.
void clearBackColour(QWidget* widget);

} // namespace stazione::ui
