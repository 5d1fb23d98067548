#include "CloseRequests.h"

#include <QGuiApplication>
#include <QSessionManager>
#include <QSocketNotifier>
#include <QWidget>

#include <array>
#include <cerrno>
#include <csignal>
#include <system_error>

#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr std::array ClosingSignals{SIGTERM, SIGHUP, SIGINT};

// [0] is read by the event loop, [1] written by the signal handler.
std::array<int, 2> signalSocket{-1, -1};
std::array<struct sigaction, ClosingSignals.size()> previousActions{};

void forwardSignal(int signalNumber) {
    const int savedErrno = errno; // the interrupted code may be about to read it
    const auto byte = static_cast<char>(signalNumber);
    // A full socket already holds a request, which is all the loop needs to know.
    [[maybe_unused]] const ssize_t written = ::write(signalSocket[1], &byte, 1);
    errno = savedErrno;
}

} // namespace

CloseRequests::CloseRequests(QWidget& mainWindow) : mainWindow_(mainWindow) {
    installSignalHandlers();
#if QT_CONFIG(sessionmanager)
    // Direct: the session manager waits for the answer, and the data must be saved before it gets one.
    connect(
        qGuiApp, &QGuiApplication::commitDataRequest, this, [this](QSessionManager&) { closeAndEnd(); },
        Qt::DirectConnection);
#endif
}

CloseRequests::~CloseRequests() {
    restoreSignalHandlers();
}

void CloseRequests::installSignalHandlers() {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, signalSocket.data()) != 0) {
        throw std::system_error(errno, std::generic_category(), "socketpair");
    }
    auto* notifier = new QSocketNotifier(signalSocket[0], QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, &CloseRequests::readSignals);

    struct sigaction action {};
    action.sa_handler = forwardSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t index = 0; index < ClosingSignals.size(); ++index) {
        ::sigaction(ClosingSignals[index], &action, &previousActions[index]);
    }
}

void CloseRequests::restoreSignalHandlers() {
    for (std::size_t index = 0; index < ClosingSignals.size(); ++index) {
        ::sigaction(ClosingSignals[index], &previousActions[index], nullptr);
    }
    for (int& end : signalSocket) {
        ::close(end);
        end = -1;
    }
}

void CloseRequests::readSignals() {
    std::array<char, 64> bytes{};
    while (::read(signalSocket[0], bytes.data(), bytes.size()) > 0) {
    }
    closeAndEnd();
}

void CloseRequests::closeAndEnd() {
    if (closing_) {
        return; // a second request while the first one still shows a message
    }
    closing_ = true;
    const bool closed = mainWindow_.close();
    closing_ = false;
    // Also ends an open modal dialog's loop; a close refused because the save failed keeps running.
    if (closed) {
        QCoreApplication::exit(0);
    }
}
