// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>

// Runs the calling thread's event loop until `done` holds or `timeoutMs`
// passed; whether it holds. For tests of objects that answer through their
// event loop.

namespace voltrix::testing {

template <typename Condition>
bool waitFor(Condition done, qint64 timeoutMs = 5000) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

}  // namespace voltrix::testing
