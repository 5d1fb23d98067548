#pragma once

#include <QObject>

// The system's requests to end the program, told to the event loop: SIGTERM, SIGHUP and SIGINT (a
// terminal's Ctrl+C) on POSIX (app/posix/); a Windows build would take the console's Ctrl+C and close
// events here. The handler runs on any thread and only leaves a note; the event loop emits received().
// One instance at a time: the handler has no other way to find it than a global.
class EndSignals : public QObject {
    Q_OBJECT
public:
    explicit EndSignals(QObject* parent = nullptr);
    ~EndSignals() override; // the handlers that were there before come back
    EndSignals(const EndSignals&) = delete;
    EndSignals& operator=(const EndSignals&) = delete;

signals:
    void received();
};
