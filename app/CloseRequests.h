#pragma once

#include <QObject>

#include <functional>

class QSessionManager;
class QWidget;

// Shutdown and a terminal's Ctrl+C close the main window as its close box does, and then end the
// program. SIGTERM, SIGHUP and SIGINT only leave a byte in a socket pair inside the signal handler; the
// event loop reads it and does the work. One instance at a time: the signal handler has no other way to
// find the socket than a global.
//
// A log-off through the session manager comes in two steps: its save request (Qt's commitDataRequest)
// stores everything and the program goes on, since the user may still cancel the log-off; when it goes
// ahead, the session ends the program through the toolkit, which closes the main window.
class CloseRequests : public QObject {
    Q_OBJECT
public:
    // saveAll stores what a close stores, without closing, and raises when the addresses are not safe.
    CloseRequests(QWidget& mainWindow, std::function<void()> saveAll);
    ~CloseRequests() override;
    CloseRequests(const CloseRequests&) = delete;
    CloseRequests& operator=(const CloseRequests&) = delete;

private:
    void installSignalHandlers();
    void restoreSignalHandlers();
    void readSignals();
    void closeAndEnd();
    void commitData(QSessionManager& manager);

    QWidget& mainWindow_;
    std::function<void()> saveAll_;
    bool closing_ = false;
};
