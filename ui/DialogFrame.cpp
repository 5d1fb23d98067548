#include "DialogFrame.h"

#include <QDialog>
#include <QEvent>
#include <QScreen>

namespace ui {

namespace {

// Left alone, the toolkit centres a dialog over the main window; ours stand in the middle of the screen.
class ScreenCentring : public QObject {
public:
    explicit ScreenCentring(QDialog& dialog) : QObject(&dialog), dialog_(dialog) {
        dialog.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == &dialog_ && event->type() == QEvent::Show && !event->spontaneous()) {
            const QPoint middle = dialog_.screen()->geometry().center();
            dialog_.move(middle - QPoint(dialog_.width() / 2, dialog_.height() / 2));
        }
        return false;
    }

private:
    QDialog& dialog_;
};

} // namespace

void useDialogFrame(QDialog& dialog, int fontPixels) {
    dialog.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    dialog.setFixedSize(dialog.size());
    setFontPixels(dialog, fontPixels);
    new ScreenCentring(dialog); // owned by the dialog
}

void setFontPixels(QWidget& widget, int pixels) {
    QFont font = widget.font();
    font.setPixelSize(pixels);
    widget.setFont(font);
}

} // namespace ui
