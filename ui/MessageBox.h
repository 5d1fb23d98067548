#pragma once

#include <QMessageBox>

namespace ui {

// The toolkit's standard message box, standing in the middle of the screen wherever the main window is.
class MessageBox : public QMessageBox {
    Q_OBJECT
public:
    using QMessageBox::QMessageBox;

protected:
    void showEvent(QShowEvent* event) override;
};

} // namespace ui
