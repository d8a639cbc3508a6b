// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QThread>

// Runs a measurement session on a thread of its own, so that neither a busy
// view nor a slow disk holds up the reports: the session's link, dispatch and
// line building run there, and the views hear from it through queued signals.

namespace voltrix {

class MeasurementSession;

class SessionThread {
public:
    // Moves `session` (which must have no parent and live on the calling
    // thread) to the new thread and starts it there.
    explicit SessionThread(MeasurementSession& session);
    SessionThread(const SessionThread&) = delete;
    SessionThread& operator=(const SessionThread&) = delete;
    // Shuts the session down on its thread (the file is written out and
    // closed), then ends the thread. The session may be destroyed afterwards
    // on the owner's thread.
    ~SessionThread();

private:
    MeasurementSession& session_;
    QThread thread_;
};

}  // namespace voltrix
