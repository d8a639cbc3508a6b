// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <cstddef>

#include <QString>

class QFile;

// Opening the measurement output, and writing to one that is not a regular
// file, in each system's own way: open(2) and write(2) on POSIX, where the
// output may be a FIFO, a device or a socket; Qt's own file on Windows.

namespace voltrix {

struct OpenedOutput {
    enum class Kind { Failed, File, Stream };
    Kind kind = Kind::Failed;
    int descriptor = -1;  // a stream's
    int errorCode = 0;    // the system's error number when it failed
    QString error;        // and its text
};

// Opens `path` to append to it, creating a missing file, without waiting
// for anyone: a FIFO that no one reads fails at once with ENXIO. A regular
// file is opened in `file`, unbuffered; any other output (a FIFO, a device,
// a socket) is handed back as a non-blocking descriptor for the stream
// functions below, `file` left closed, since it can be neither sought nor
// sized nor cut back.
OpenedOutput openForAppend(QFile& file, const QString& path);

// Waits up to `timeout` until a stream's descriptor takes data (or has an
// error to tell): 1 then, 0 when the time ran out, -1 with the system's
// error number in `errorCode`. Where the system cannot tell, 1 at once.
int waitUntilWritable(int descriptor, std::chrono::milliseconds timeout, int& errorCode);

// The most a pipe takes in one write whole or not at all, and without
// blocking once it is writable.
std::size_t atomicPipeWrite();

// One write of at most `length` bytes to a stream's descriptor: the bytes it
// took, or -1 with the system's error number in `errorCode` (EAGAIN when it
// had no room).
long long writeToStream(int descriptor, const char* data, std::size_t length, int& errorCode);

void closeStream(int descriptor);

// The system's text for an error number.
QString systemErrorText(int errorCode);

}  // namespace voltrix
