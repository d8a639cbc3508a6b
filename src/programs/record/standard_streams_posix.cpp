// SPDX-License-Identifier: GPL-3.0-or-later
#include "programs/record/standard_streams.h"

#include <cerrno>
#include <initializer_list>

#include <fcntl.h>
#include <unistd.h>

namespace voltrix {

StandardStreams reopenClosedStandardStreams() {
    StandardStreams streams;
    for (const int stream : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
        if (::fcntl(stream, F_GETFD) != -1 || errno != EBADF) {
            continue;
        }
        if (stream == STDOUT_FILENO) {
            streams.outputClosed = true;
        }
        // The lower ones are open by now, so this one is the lowest free.
        const int null = ::open("/dev/null", stream == STDIN_FILENO ? O_RDONLY : O_WRONLY);
        if (null != -1 && null != stream) {
            ::dup2(null, stream);
            ::close(null);
        }
    }
    return streams;
}

}  // namespace voltrix
