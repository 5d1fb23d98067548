#include "SpinField.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>

namespace {

bool wouldEdit(const QKeyEvent& event) {
    switch (event.key()) {
    case Qt::Key_Backspace:
    case Qt::Key_Delete:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return true;
    default:
        break;
    }
    if (event.matches(QKeySequence::Paste) || event.matches(QKeySequence::Cut)) {
        return true;
    }
    const QString text = event.text();
    return !text.isEmpty() && text.front().isPrint();
}

} // namespace

SpinField::SpinField(QWidget* parent) : QSpinBox(parent) {
    // Read-only text also shuts out middle-click pasting, input methods and the other editing keys.
    lineEdit()->setReadOnly(true);
    setContextMenuPolicy(Qt::NoContextMenu);
}

void SpinField::keyPressEvent(QKeyEvent* event) {
    if (wouldEdit(*event)) {
        QApplication::beep();
        event->accept();
        return;
    }
    QSpinBox::keyPressEvent(event);
}
