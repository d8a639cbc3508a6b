// SPDX-License-Identifier: GPL-3.0-or-later
#include "programs/record/standard_streams.h"

#include <cstdio>

namespace voltrix {

// Windows gives its own handles no numbers of the C streams; a program
// started without standard output has its stream unattached.
StandardStreams reopenClosedStandardStreams() {
    StandardStreams streams;
    streams.outputClosed = _fileno(stdout) < 0;
    return streams;
}

}  // namespace voltrix
