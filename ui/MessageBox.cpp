#include "MessageBox.h"

#include "OuterGeometry.h"

namespace ui {

void MessageBox::showEvent(QShowEvent* event) {
    QMessageBox::showEvent(event); // gives the box its size, and the toolkit's place over the parent
    centreOnScreen(*this);
}

} // namespace ui
