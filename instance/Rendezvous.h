#pragma once

#include <QByteArray>
#include <QLocalServer>
#include <QObject>
#include <QString>

#include <filesystem>

namespace instance {

// What a later start of the program hands to the window that has the list.
struct OpenRequest {
    QString contacts;     // an absolute file name, or empty
    QByteArray startupId; // the desktop's startup notification id (X11), or empty
};

// One window per list: the first start for a program folder listens on a local socket named after the
// user and the folder; a later start hands its request over and ends. Copies of the program in other
// folders are other lists and meet elsewhere.
//
// A lock file keeps two starts at once from both listening. A socket that no process answers (left
// by one that was killed, or held by one that hangs) is replaced by the start that finds it.
class Rendezvous : public QObject {
    Q_OBJECT
public:
    explicit Rendezvous(const std::filesystem::path& programFolder, QObject* parent = nullptr);

    // True when a running window took the request: this start ends. Otherwise this process listens for
    // later starts from now on.
    bool handOver(const OpenRequest& request);

signals:
    // A later start's request, once the whole of it has arrived.
    void requested(const instance::OpenRequest& request);

private:
    bool sendTo(const OpenRequest& request);
    void listen();
    void accept();

    QString name_;
    QString lockFile_;
    QLocalServer server_;
};

} // namespace instance
