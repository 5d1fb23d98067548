#include "OpenRequests.h"

#include "WindowActivation.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>

namespace instance {

namespace {

constexpr int RetryMs = 200;

} // namespace

OpenRequests::OpenRequests(Rendezvous& rendezvous, QWidget& mainWindow, AddContacts addContacts)
    : mainWindow_(mainWindow), addContacts_(std::move(addContacts)) {
    mainWindow_.installEventFilter(this);
    retry_.setInterval(RetryMs);
    connect(&retry_, &QTimer::timeout, this, &OpenRequests::serve);
    connect(&rendezvous, &Rendezvous::requested, this, [this](const OpenRequest& request) {
        toFront_.push_back(request.startupId);
        if (!request.contacts.isEmpty()) {
            contacts_.emplace_back(request.contacts.toStdString());
        }
        serve();
    });
}

void OpenRequests::serve() {
    if (mainWindow_.isVisible()) {
        for (const QByteArray& startupId : std::exchange(toFront_, {})) {
            bringToFront(mainWindow_, startupId);
        }
        if (QApplication::activeModalWidget() == nullptr) {
            for (const std::filesystem::path& file : std::exchange(contacts_, {})) {
                addContacts_(file, true); // its notice is a message box: later files wait for it
            }
        }
    }
    if (toFront_.empty() && contacts_.empty()) {
        retry_.stop();
    } else {
        retry_.start();
    }
}

bool OpenRequests::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &mainWindow_ && event->type() == QEvent::Close) {
        for (const std::filesystem::path& file : std::exchange(contacts_, {})) {
            addContacts_(file, false);
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace instance
