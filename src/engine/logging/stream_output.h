// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string_view>

// An output that is not a regular file: a FIFO, a pipe, a device, a socket.
// What went to it cannot be taken back, and it can be neither sought nor
// sized, so it is only ever written to.

namespace voltrix {

class StreamOutput {
public:
    StreamOutput() = default;
    StreamOutput(const StreamOutput&) = delete;
    StreamOutput& operator=(const StreamOutput&) = delete;
    ~StreamOutput() { close(); }

    // Writes to `descriptor` from now on; close() closes it when `owned`.
    void open(int descriptor, bool owned);
    bool isOpen() const { return descriptor_ >= 0; }
    void close();

    // Writes `data` whole: true, or false with the system's error number.
    bool write(std::string_view data, int& errorCode);

private:
    int descriptor_ = -1;
    bool owned_ = false;
};

}  // namespace voltrix
