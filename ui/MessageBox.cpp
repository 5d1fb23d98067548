#include "MessageBox.h"

#include "OuterGeometry.h"

namespace ui {

void MessageBox::showEvent(QShowEvent* event) {
    QMessageBox::showEvent(event); // gives the box its size, and the toolkit's place over the parent
    centreOnScreen(*this);
}

void MessageBox::hideEvent(QHideEvent* event) {
    QMessageBox::hideEvent(event);
    if (parentWidget() != nullptr && parentWidget()->isVisible()) {
        parentWidget()->window()->activateWindow();
    }
}

} // namespace ui
