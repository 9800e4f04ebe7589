#pragma once

class QWidget;

namespace stazione::ui {

// Orders the keyboard's walk through `page` as the operator reads it: the frames in reading order
// (top to bottom, then left to right), and inside each frame its controls row by row, left to
// right (day, month, year, hours ..., then the buttons of that row, then the next row). The
// layouts must have placed the controls.
void orderTabsByRows(QWidget* page);

} // namespace stazione::ui
