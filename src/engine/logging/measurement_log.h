// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

#include <QFile>
#include <QString>

#include "engine/logging/stream_output.h"

// The measurement file: lines appended at its end, whole or not at all.
//
// The file is opened by the first line after logging starts and stays open
// between lines; after each periodic close request the next line closes it
// again, having first made the operating system put it on the disk, so that a
// power cut loses at most about a second of lines. A file that such a cut
// left ending in the middle of a line gets the rest of its line end (CR LF)
// first, so that the new lines stand on lines of their own.
//
// An output that is not a regular file (a FIFO, a device, a socket) is only
// written to: it is never sought, sized or cut back. It is opened once,
// without waiting for a reader, and kept open: closing it would end a
// FIFO's reader, and there is no disk to sync. Its lines go one at a time
// and each waits for the reader only so long (see StreamOutput).

namespace voltrix {

class MeasurementLog {
public:
    enum class Result { Written, Failed };

    MeasurementLog() = default;
    MeasurementLog(const MeasurementLog&) = delete;
    MeasurementLog& operator=(const MeasurementLog&) = delete;
    ~MeasurementLog() { close(); }

    // Appends `line` to the file named `fileName`, opening it first if need
    // be (an existing file keeps its contents in front). A line that cannot be
    // written whole is taken out again and the file is closed; the next line
    // tries anew. After a close request the file is closed after this line.
    // `line` may be several whole lines: they go in together or not at all.
    Result append(const QString& fileName, std::string_view line);

    // Appends several whole lines in one write, where a failure can be taken
    // back: true when all of them are in. False, with nothing of them
    // written, when they failed or the output is no regular file: write them
    // one by one then.
    bool appendBlock(const QString& fileName, std::string_view lines);

    // The periodic close request: the next line written syncs (see sync()).
    void requestClose() { closeDue_ = true; }

    // Closes a regular file after putting its data on the disk; another
    // output stays open.
    void sync();

    // Closes the output, a file after putting its data on the disk.
    void close();

    bool isOpen() const { return file_.isOpen() || stream_.isOpen(); }

    // Why the last line failed, in the operating system's words, and the
    // system's error number (0 when the system gave none).
    QString lastError() const { return lastError_; }
    int lastErrorCode() const { return lastErrorCode_; }

private:
    bool open(const QString& fileName);
    Result appendToFile(std::string_view line);
    Result appendToStream(std::string_view line);
    Result fail(int errorCode);
    bool writeWhole(const char* data, qint64 length, int& errorCode);

    QFile file_;
    StreamOutput stream_;          // open instead of file_ for an output that is no file
    qint64 size_ = 0;              // of the file after the last whole line
    std::string_view lineEndDue_;  // goes in front of the next line written
    std::string joined_;           // that line end and the line, for one write
    bool closeDue_ = false;
    QString lastError_;
    int lastErrorCode_ = 0;
};

}  // namespace voltrix
