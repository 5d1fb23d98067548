#pragma once

#include <QString>

namespace ui {

// Hands a URL to the desktop's handler for its scheme, detached, without a shell and without waiting:
// xdg-open found on PATH (ui/posix/); on Windows it would be ShellExecuteW's "open". False when there is
// no handler or it could not be started; the program shows nothing of its own then.
bool shellOpen(const QString& target);

} // namespace ui
