#pragma once

#include <QMargins>
#include <QRect>

class QWidget;

// Putting top-level windows by their outer rectangle, frame and caption included. On X11 the window
// manager frames a window only after it is mapped, so the frame is guessed first and the window put
// right once more when the real frame is known.
namespace ui {

// A rectangle of that size in the middle of the area (halves rounded towards the area's top left).
QRect centredIn(const QRect& area, const QSize& size);

// The frame a window of ours is expected to get: its own once it has one, else that of another visible
// window of the program, else none.
QMargins expectedFrame(const QWidget& window);

// Makes the outer rectangle of the window `outer`, and keeps it so through the arrival of the frame,
// until anyone else moves, resizes, maximises or hides the window.
void placeOuter(QWidget& window, const QRect& outer);

// The same for a window of fixed size, centred by its outer size on the primary screen's available area:
// now, or from every showing on. Each keeps its window in place while it is the window's only keeper.
void centreOnScreen(QWidget& window);
void centreOnScreenAtEveryShowing(QWidget& window);

} // namespace ui
