#pragma once

#include <QObject>

class QWidget;

// Log-off, shutdown and a terminal's Ctrl+C close the main window as its close box does, and then end
// the program. SIGTERM, SIGHUP and SIGINT only leave a byte in a socket pair inside the signal handler;
// the event loop reads it and does the work. The session manager's save request arrives from Qt.
// One instance at a time: the signal handler has no other way to find the socket than a global.
class CloseRequests : public QObject {
    Q_OBJECT
public:
    explicit CloseRequests(QWidget& mainWindow);
    ~CloseRequests() override;
    CloseRequests(const CloseRequests&) = delete;
    CloseRequests& operator=(const CloseRequests&) = delete;

private:
    void installSignalHandlers();
    void restoreSignalHandlers();
    void readSignals();
    void closeAndEnd();

    QWidget& mainWindow_;
    bool closing_ = false;
};
