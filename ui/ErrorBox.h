#pragma once

#include <QString>

class QWidget;

namespace ui {

// The text as the error box shows it: a full stop appended when the last character's code is above
// that of '.'.
QString errorBoxText(const QString& message);

// The application's standard error box: error icon, one "OK", titled with the application title.
void showErrorBox(QWidget* parent, const QString& message);

// The notice box: "Information", information icon, one "OK".
void showInformation(QWidget* parent, const QString& message);

} // namespace ui
