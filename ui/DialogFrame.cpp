#include "DialogFrame.h"

#include "OuterGeometry.h"

#include <QDialog>

#include <algorithm>

namespace ui {

void useDialogFrame(QDialog& dialog, int fontPixels) {
    dialog.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    dialog.setFixedSize(dialog.size());
    setFontPixels(dialog, fontPixels);
    // Left alone, the toolkit centres a dialog over the main window; ours stand in the middle of the screen.
    centreOnScreenAtEveryShowing(dialog);
}

void setFontPixels(QWidget& widget, int pixels) {
    QFont font = widget.font();
    font.setPixelSize(std::max(1, pixels));
    widget.setFont(font);
}

} // namespace ui
