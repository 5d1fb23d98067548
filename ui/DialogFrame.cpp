#include "DialogFrame.h"

#include "OuterGeometry.h"

#include <QDialog>

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
    font.setPixelSize(pixels);
    widget.setFont(font);
}

} // namespace ui
