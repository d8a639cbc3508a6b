// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#if defined(__unix__) || defined(__APPLE__)
#define VOLTRIX_HAS_STREAM_FEEDER 1

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <thread>

// A pipe or a FIFO that a thread writes given bytes into and then closes,
// for the readers of streams. The stream is kept open for reading here too
// (never read), so that the writer needs no reader to open, and the bytes
// stay in it until a reader takes them.

namespace voltrix::test {

class StreamFeeder {
public:
    enum class Kind { Pipe, Fifo };

    // `fifoPath`: where to make the FIFO (Kind::Fifo only).
    StreamFeeder(Kind kind, const std::string& fifoPath) {
        int writer = -1;
        if (kind == Kind::Pipe) {
            int ends[2];
            if (::pipe(ends) == 0) {
                keeper_ = ends[0];
                writer = ends[1];
                path_ = "/dev/fd/" + std::to_string(keeper_);
            }
        } else if (::mkfifo(fifoPath.c_str(), 0600) == 0) {
            path_ = fifoPath;
            keeper_ = ::open(fifoPath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
            writer = ::open(fifoPath.c_str(), O_WRONLY | O_CLOEXEC);
        }
        writer_ = writer;
    }
    ~StreamFeeder() {
        if (thread_.joinable()) {
            thread_.join();
        }
        if (writer_ >= 0) {
            ::close(writer_);
        }
        if (keeper_ >= 0) {
            ::close(keeper_);
        }
    }
    StreamFeeder(const StreamFeeder&) = delete;
    StreamFeeder& operator=(const StreamFeeder&) = delete;

    bool ok() const { return keeper_ >= 0 && writer_ >= 0; }
    // The name a reader opens.
    const std::string& path() const { return path_; }

    // Writes `bytes` on a thread of its own, then closes the writing end:
    // the reader sees the end of the stream.
    void feed(std::string bytes) {
        thread_ = std::thread([this, bytes = std::move(bytes)] {
            std::size_t done = 0;
            while (done < bytes.size()) {
                const ssize_t n = ::write(writer_, bytes.data() + done, bytes.size() - done);
                if (n < 0 && errno == EINTR) {
                    continue;
                }
                if (n <= 0) {
                    break;
                }
                done += static_cast<std::size_t>(n);
            }
            ::close(writer_);
            writer_ = -1;
        });
    }

private:
    std::string path_;
    int keeper_ = -1;
    int writer_ = -1;
    std::thread thread_;
};

}  // namespace voltrix::test

#endif
