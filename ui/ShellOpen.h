#pragma once

#include <QString>

namespace ui {

// Hands a URL to the desktop's handler for its scheme (xdg-open found on PATH), detached, without a
// shell and without waiting. False when there is no xdg-open or it could not be started; the program
// shows nothing of its own then.
bool shellOpen(const QString& target);

} // namespace ui
