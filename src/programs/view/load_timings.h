// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace voltrix {

class ViewerWindow;

// With VOLTRIX_VIEW_TIMINGS set, the viewer reports on standard error when
// its chart first showed lines and when the whole file was read (on the
// system's monotonic clock, in nanoseconds, so that the program that started
// it can tell how long each took), with its peak resident memory, and
// quits. For the benchmark (voltrix-view-bench), which times the real
// program from its start.
void reportLoadTimingsIfAsked(ViewerWindow& window);

}  // namespace voltrix
