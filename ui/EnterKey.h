#pragma once

#include <functional>

class QAbstractButton;
class QWidget;

namespace ui {

// Gives the Enter key (main or keypad, any modifiers) one job on this widget while it has the focus: the
// action runs and the key goes no further, so the widget and its dialog never see it.
void onEnter(QWidget& widget, std::function<void()> action);

// Enter presses a focused button, as Space does: our dialogs have no default button, which is what
// otherwise lets Enter press one.
void pressOnEnter(QAbstractButton& button);

} // namespace ui
