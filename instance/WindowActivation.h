#pragma once

class QByteArray;
class QWidget;

namespace instance {

// Brings the window to the front for a later start: out of its minimised state, raised, and activated
// by a request to the window manager. On X11 the request carries the time of the user's action from the
// desktop's startup id, which tells the window manager that the user asked for it, and the desktop is
// told that the start it announced is complete.
void bringToFront(QWidget& window, const QByteArray& startupId);

} // namespace instance
