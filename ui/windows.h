#pragma once

class QWidget;

namespace stazione::ui {

// Places a top-level window in the middle of the screen it is on.
void centreOnScreen(QWidget* window);

// Places `window` beside `anchor` (to its right, else to its left, else below it) on the screen
// that shows the anchor, so that it covers none of the anchor's buttons when there is room.
void placeBeside(QWidget* window, const QWidget* anchor);

} // namespace stazione::ui
