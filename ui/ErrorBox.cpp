#include "ErrorBox.h"

#include "MessageBox.h"

#include <QGuiApplication>

namespace ui {

QString errorBoxText(const QString& message) {
    if (!message.isEmpty() && message.back().unicode() > u'.') {
        return message + u'.';
    }
    return message;
}

void showErrorBox(QWidget* parent, const QString& message) {
    MessageBox box(QMessageBox::Critical, QGuiApplication::applicationName(), errorBoxText(message),
                   QMessageBox::Ok, parent);
    box.exec();
}

void showInformation(QWidget* parent, const QString& message) {
    MessageBox box(QMessageBox::Information, QStringLiteral("Information"), message, QMessageBox::Ok, parent);
    box.exec();
}

} // namespace ui
