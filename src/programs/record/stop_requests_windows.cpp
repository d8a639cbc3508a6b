// SPDX-License-Identifier: GPL-3.0-or-later
// Written for Windows and not yet built there.
#include "programs/record/stop_requests.h"

#include <windows.h>

#include <io.h>

#include <atomic>
#include <cstdio>

#include <QCoreApplication>
#include <QMetaObject>

namespace voltrix {
namespace {

std::function<void()> stopCall;
std::atomic<bool> finished{false};

// Windows calls this on a thread of its own. After a closed console, a
// log-off or a shut-down it ends the program as soon as this returns (or
// after about 5 s), so the handler waits for the file to be completed.
BOOL WINAPI onConsoleControl(DWORD event) {
    QMetaObject::invokeMethod(QCoreApplication::instance(), [] { stopCall(); },
                              Qt::QueuedConnection);
    if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT ||
        event == CTRL_SHUTDOWN_EVENT) {
        for (int waited = 0; waited < 4500 && !finished; waited += 50) {
            ::Sleep(50);
        }
    }
    return TRUE;
}

}  // namespace

bool catchStopRequests(std::function<void()> onStop) {
    stopCall = std::move(onStop);
    return ::SetConsoleCtrlHandler(onConsoleControl, TRUE) != 0;
}

void stopRequestsDone() {
    finished = true;
}

bool standardErrorIsTerminal() {
    return ::_isatty(::_fileno(stderr)) != 0;
}

}  // namespace voltrix
