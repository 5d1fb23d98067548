#pragma once

#include "ErrorBox.h"

#include <QString>

#include <exception>

namespace ui {

// The edge of every handler: whatever its work raises ends the handler there and is shown in the error
// box, and the program goes on. No exception may pass through the toolkit's event loop.
template <typename Work> void atHandlerEdge(QWidget* window, Work&& work) noexcept {
    try {
        work();
    } catch (const std::exception& error) {
        showErrorBox(window, QString::fromUtf8(error.what()));
    } catch (...) {
        showErrorBox(window, QStringLiteral("Unbekannter Fehler"));
    }
}

} // namespace ui
