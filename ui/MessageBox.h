#pragma once

#include <QMessageBox>

namespace ui {

// The toolkit's standard message box, standing in the middle of the screen wherever the main window is.
// Once closed, it hands the activation back to its parent's window, also where no window manager does.
class MessageBox : public QMessageBox {
    Q_OBJECT
public:
    using QMessageBox::QMessageBox;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
};

} // namespace ui
