// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/session_thread.h"

#include <QMetaObject>

#include "session/measurement_session.h"

namespace voltrix {

SessionThread::SessionThread(MeasurementSession& session) : session_(session) {
    thread_.setObjectName(QStringLiteral("session"));
    session_.moveToThread(&thread_);
    thread_.start();
    session_.start();
}

SessionThread::~SessionThread() {
    QMetaObject::invokeMethod(
        &session_, [this] { session_.shutdown(); }, Qt::BlockingQueuedConnection);
    thread_.quit();
    thread_.wait();
}

}  // namespace voltrix
