// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/logging/stream_output.h"

#include <algorithm>
#include <cerrno>
#include <thread>

#include "engine/platform/output_file.h"

namespace voltrix {

namespace {

// After a stream said it had room and then took nothing.
constexpr std::chrono::milliseconds kRetryPause{10};

}  // namespace

void StreamOutput::open(int descriptor, bool owned) {
    close();
    descriptor_ = descriptor;
    owned_ = owned;
}

void StreamOutput::close() {
    if (descriptor_ >= 0 && owned_) {
        closeStream(descriptor_);
    }
    descriptor_ = -1;
    stalled_ = false;
    cutShortBy_ = 0;
}

bool StreamOutput::write(std::string_view data, int& errorCode) {
    if (cutShortBy_ != 0) {
        errorCode = cutShortBy_;
        return false;
    }
    using Clock = std::chrono::steady_clock;
    // Pieces a pipe takes whole once it has room, so that a write on a
    // blocking descriptor (a standard output shared with others) does not
    // block either.
    const std::size_t piece = atomicPipeWrite();
    // A stalled reader gets a look, not a wait; once it takes a piece, the
    // rest of the data may wait for it in full.
    auto deadline = Clock::now() + (stalled_ ? std::chrono::milliseconds{0} : kPatience);
    std::size_t written = 0;
    while (written < data.size()) {
        const auto left =
            std::max(std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()),
                     std::chrono::milliseconds{0});
        int cause = 0;
        const int ready = waitUntilWritable(descriptor_, left, cause);
        if (ready < 0) {
            return fail(cause, written > 0, errorCode);
        }
        if (ready == 0) {
            stalled_ = true;
            return fail(EAGAIN, written > 0, errorCode);
        }
        const std::size_t length = std::min(piece, data.size() - written);
        const long long n = writeToStream(descriptor_, data.data() + written, length, cause);
        if (n > 0) {
            written += static_cast<std::size_t>(n);
            deadline = Clock::now() + kPatience;
            stalled_ = false;
        } else if (n == 0 || cause == EAGAIN || cause == EWOULDBLOCK) {
            if (Clock::now() >= deadline) {
                stalled_ = true;
                return fail(EAGAIN, written > 0, errorCode);
            }
            std::this_thread::sleep_for(kRetryPause);
        } else {
            return fail(cause, written > 0, errorCode);
        }
    }
    stalled_ = false;
    return true;
}

bool StreamOutput::fail(int cause, bool begun, int& errorCode) {
    if (begun) {
        cutShortBy_ = cause;
    }
    errorCode = cause;
    return false;
}

}  // namespace voltrix
