#include "app/EndSignals.h"

#include <QSocketNotifier>

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

EndSignals::EndSignals(QObject* parent) : QObject(parent) {
    std::array<int, 2> ends{};
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, ends.data()) != 0) {
        throw std::system_error(errno, std::generic_category(), "socketpair");
    }
    signalSocket[0] = ends[0];
    signalSocket[1] = ends[1];
    auto* notifier = new QSocketNotifier(ends[0], QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [this] {
        std::array<char, 64> bytes{};
        while (::read(signalSocket[0].load(), bytes.data(), bytes.size()) > 0) {
        }
        emit received();
    });

    struct sigaction action {};
    action.sa_handler = forwardSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t index = 0; index < ClosingSignals.size(); ++index) {
        ::sigaction(ClosingSignals[index], &action, &previousActions[index]);
    }
}

EndSignals::~EndSignals() {
    for (std::size_t index = 0; index < ClosingSignals.size(); ++index) {
        ::sigaction(ClosingSignals[index], &previousActions[index], nullptr);
    }
    for (std::atomic<int>& end : signalSocket) {
        ::close(end.exchange(-1)); // withdrawn before it is closed, so that no handler writes to a reused one
    }
}
