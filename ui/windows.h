#pragma once

class QWidget;

namespace stazione::ui {

// Places a top-level window in the middle of the screen it is on.
void centreOnScreen(QWidget* window);

} // namespace stazione::ui
