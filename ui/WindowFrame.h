#pragma once

#include <QMargins>

class QWidget;

namespace ui {

// The frame the window manager has put around a shown top-level window, as it says now; none for a
// hidden window. On X11 it is read from the window's _NET_FRAME_EXTENTS: the toolkit renews its own copy
// only when the window is moved or resized, and a frame can change without either (openbox takes the
// border off a maximised window just after resizing it). Elsewhere it is the toolkit's.
QMargins windowFrame(const QWidget& window);

} // namespace ui
