// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Standard input, output and error that were closed when the program was
// started (`voltrix-record -o - >&-`). The system hands a new descriptor the
// lowest free number, so an event loop's or a socket pair's descriptor
// would take the number of standard output, and the measurement lines for
// standard output would go into it.

namespace voltrix {

struct StandardStreams {
    bool outputClosed = false;
};

// Opens the null device on each standard stream that is closed, before
// anything else opens a descriptor; call it first thing in main. Says
// which of them were closed.
StandardStreams reopenClosedStandardStreams();

}  // namespace voltrix
