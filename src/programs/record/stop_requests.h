// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>

// The operator's or the system's request to stop the recording, turned into
// a call on the event loop so that the file is completed and synced before
// the program ends: SIGINT and SIGTERM on Linux and macOS
// (stop_requests_posix.cpp); Ctrl+C, Ctrl+Break, a closed console, log-off
// and shut-down on Windows (stop_requests_windows.cpp).

namespace voltrix {

// Calls `onStop` on the thread that calls this, through its event loop, for
// every request from now on. False when the requests cannot be caught. Call
// once per program.
bool catchStopRequests(std::function<void()> onStop);

// Says that the program has finished with its file, for a system that kills
// the program once its stop request is answered (Windows); call it before
// returning from main.
void stopRequestsDone();

// Whether standard error is a terminal, for the progress line.
bool standardErrorIsTerminal();

}  // namespace voltrix
