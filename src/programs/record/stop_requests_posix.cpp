// SPDX-License-Identifier: GPL-3.0-or-later
#include "programs/record/stop_requests.h"

#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>

namespace voltrix {
namespace {

int signalPipe[2] = {-1, -1};

// Only async-signal-safe work here: one byte for the event loop to find.
void onStopSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(signalPipe[1], &byte, 1);
}

}  // namespace

bool catchStopRequests(std::function<void()> onStop) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0) {
        return false;
    }
    // Lives as long as the application.
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read,
                                         QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier,
                     [onStop = std::move(onStop)] {
                         char byte = 0;
                         [[maybe_unused]] const ssize_t n = ::read(signalPipe[0], &byte, 1);
                         onStop();
                     });
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    return ::sigaction(SIGINT, &action, nullptr) == 0 && ::sigaction(SIGTERM, &action, nullptr) == 0;
}

void stopRequestsDone() {}

bool standardErrorIsTerminal() {
    return ::isatty(STDERR_FILENO) == 1;
}

}  // namespace voltrix
