// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <string_view>

// An output that is not a regular file: a FIFO, a pipe, a device, a socket.
// What went to it cannot be taken back, and it can be neither sought nor
// sized, so it is only ever written to.
//
// Its reader sets the pace. A write waits for room only so long: a reader
// that takes nothing for that long loses the data (EAGAIN), and the writes
// after it wait no more until the reader takes something again, so that a
// reader that stopped reading holds up the writer's thread, and a stop, for
// about that long once and never for good.

namespace voltrix {

class StreamOutput {
public:
    // How long a write waits for its reader to make room.
    static constexpr std::chrono::milliseconds kPatience{2000};

    StreamOutput() = default;
    StreamOutput(const StreamOutput&) = delete;
    StreamOutput& operator=(const StreamOutput&) = delete;
    ~StreamOutput() { close(); }

    // Writes to `descriptor` from now on; close() closes it when `owned`.
    void open(int descriptor, bool owned);
    bool isOpen() const { return descriptor_ >= 0; }
    void close();

    // Writes `data` whole: true, or false with the system's error number
    // (EAGAIN: the reader took none of it in time). Data that went out only
    // in part, a half line, cannot be taken back: nothing may follow it, so
    // every later write fails at once with the same cause until close().
    bool write(std::string_view data, int& errorCode);

private:
    bool fail(int cause, bool begun, int& errorCode);

    int descriptor_ = -1;
    bool owned_ = false;
    bool stalled_ = false;  // the last write waited in vain: the next ones do not wait
    int cutShortBy_ = 0;    // why a write went out in part; 0 while none did
};

}  // namespace voltrix
