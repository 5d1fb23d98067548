#pragma once

#include <QApplication>
#include <QString>

// The GUI application: an error that escapes a handler ends that handler, is shown in the error box,
// and the program keeps running.
class Application : public QApplication {
    Q_OBJECT
public:
    Application(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;
};

// The executable's file name up to its first '.', every letter after the first in lower case.
QString applicationTitle(const QString& executableFileName);
