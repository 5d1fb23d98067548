#pragma once

#include <QObject>

#include <functional>

class QSessionManager;
class QWidget;

// Shutdown and a terminal's Ctrl+C close the main window as its close box does, and then end the
// program; the system's signals come through EndSignals, in the event loop. One instance at a time.
//
// A log-off through the session manager comes in two steps: its save request (Qt's commitDataRequest)
// stores everything and the program goes on, since the user may still cancel the log-off; when it goes
// ahead, the session ends the program through the toolkit, which closes the main window.
class CloseRequests : public QObject {
    Q_OBJECT
public:
    // saveAll stores what a close stores, without closing, and raises when the addresses are not safe.
    CloseRequests(QWidget& mainWindow, std::function<void()> saveAll);
    CloseRequests(const CloseRequests&) = delete;
    CloseRequests& operator=(const CloseRequests&) = delete;

private:
    void closeAndEnd();
    void commitData(QSessionManager& manager);

    QWidget& mainWindow_;
    std::function<void()> saveAll_;
    bool closing_ = false;
};
