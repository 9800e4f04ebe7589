#pragma once

#include <QRect>
#include <QSize>

class QWidget;

namespace stazione::ui {

// Places a top-level window in the middle of the screen it is on.
void centreOnScreen(QWidget* window);

// Where a window whose frame wants `frame` goes inside the screen's `area`: to the right of
// `anchor`, else to its left, below it or above it; when the screen has no room beside the whole
// anchor, just below (or above) the anchor's `keep` part, cut to the room left but never below
// `minimum`. The result is the window's frame, always inside `area` when the area can hold
// `minimum`, and never over `keep` when there is room to avoid it.
QRect placementBeside(const QRect& area, const QRect& anchor, const QRect& keep, QSize frame, QSize minimum);

// Places and, when the screen is too small for it, shrinks `window` beside `anchor` on the screen
// that shows the anchor, so that it covers none of `keep` (a part of the anchor in global
// coordinates, such as its row of buttons) and is whole on the screen with its frame. Before the
// window was ever shown its frame is unknown: the anchor's frame stands for it.
void placeBeside(QWidget* window, const QWidget* anchor, const QRect& keep);

} // namespace stazione::ui
