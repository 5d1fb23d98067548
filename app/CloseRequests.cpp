#include "CloseRequests.h"

#include "ui/ErrorBox.h"

#include <QGuiApplication>
#include <QSessionManager>
#include <QSocketNotifier>
#include <QWidget>

#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <system_error>

#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr std::array ClosingSignals{SIGTERM, SIGHUP, SIGINT};

// [0] is read by the event loop, [1] written by the signal handler, which may run on any thread.
std::array<std::atomic<int>, 2> signalSocket{-1, -1};
static_assert(std::atomic<int>::is_always_lock_free, "read inside a signal handler");
std::array<struct sigaction, ClosingSignals.size()> previousActions{};

void forwardSignal(int signalNumber) {
    const int savedErrno = errno; // the interrupted code may be about to read it
    const auto byte = static_cast<char>(signalNumber);
    // A full socket already holds a request, which is all the loop needs to know.
    if (const int end = signalSocket[1].load(); end >= 0) {
        [[maybe_unused]] const ssize_t written = ::write(end, &byte, 1);
    }
    errno = savedErrno;
}

} // namespace

CloseRequests::CloseRequests(QWidget& mainWindow, std::function<void()> saveAll)
    : mainWindow_(mainWindow), saveAll_(std::move(saveAll)) {
    installSignalHandlers();
#if QT_CONFIG(sessionmanager)
    // Direct: the session manager waits for the answer, and the data must be saved before it gets one.
    connect(qGuiApp, &QGuiApplication::commitDataRequest, this, &CloseRequests::commitData,
            Qt::DirectConnection);
#endif
}

CloseRequests::~CloseRequests() {
    restoreSignalHandlers();
}

void CloseRequests::installSignalHandlers() {
    std::array<int, 2> ends{};
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, ends.data()) != 0) {
        throw std::system_error(errno, std::generic_category(), "socketpair");
    }
    signalSocket[0] = ends[0];
    signalSocket[1] = ends[1];
    auto* notifier = new QSocketNotifier(ends[0], QSocketNotifier::Read, this);
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
    for (std::atomic<int>& end : signalSocket) {
        ::close(end.exchange(-1)); // withdrawn before it is closed, so that no handler writes to a reused one
    }
}

void CloseRequests::readSignals() {
    std::array<char, 64> bytes{};
    while (::read(signalSocket[0].load(), bytes.data(), bytes.size()) > 0) {
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

void CloseRequests::commitData(QSessionManager& manager) {
#if QT_CONFIG(sessionmanager)
    QString failure;
    try {
        saveAll_();
        return;
    } catch (const std::exception& error) {
        failure = QString::fromUtf8(error.what());
    } catch (...) {
        failure = QStringLiteral("Unbekannter Fehler beim Speichern von Adressen.txt");
    }
    // Ending the session now would lose the changes: the user hears why, and the log-off stops.
    if (manager.allowsErrorInteraction()) {
        ui::showErrorBox(&mainWindow_, failure);
        manager.release();
    }
    manager.cancel();
#else
    Q_UNUSED(manager);
#endif
}
