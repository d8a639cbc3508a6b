// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/logging/measurement_log.h"

#include <cerrno>

#include "engine/platform/file_sync.h"
#include "engine/platform/output_file.h"

namespace voltrix {

namespace {

// What must go in front of the first new line so that it starts a line of
// its own: nothing after a whole line, the rest of the line end after a line
// cut off (a power cut while it was written). Read through a handle of its
// own, the log's being write-only; a file that cannot be read counts as whole.
std::string_view lineEndMissingAt(const QString& fileName, qint64 size) {
    if (size <= 0) {
        return {};
    }
    QFile file(fileName);
    char last = '\n';
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered) || !file.seek(size - 1) ||
        !file.getChar(&last)) {
        return {};
    }
    if (last == '\n') {
        return {};
    }
    return last == '\r' ? std::string_view("\n") : std::string_view("\r\n");
}

}  // namespace

MeasurementLog::Result MeasurementLog::append(const QString& fileName, std::string_view line) {
    if (!isOpen() && !open(fileName)) {
        return Result::Failed;
    }
    const Result result = stream_.isOpen() ? appendToStream(line) : appendToFile(line);
    if (result == Result::Written && closeDue_) {
        closeDue_ = false;
        sync();
    }
    return result;
}

bool MeasurementLog::appendBlock(const QString& fileName, std::string_view lines) {
    if (!isOpen() && !open(fileName)) {
        return false;
    }
    return !stream_.isOpen() && append(fileName, lines) == Result::Written;
}

bool MeasurementLog::open(const QString& fileName) {
    const OpenedOutput opened = openForAppend(file_, fileName);
    switch (opened.kind) {
        case OpenedOutput::Kind::File:
            size_ = file_.size();
            lineEndDue_ = lineEndMissingAt(fileName, size_);
            return true;
        case OpenedOutput::Kind::Stream:
            stream_.open(opened.descriptor, true);
            return true;
        case OpenedOutput::Kind::Failed:
            break;
    }
    lastErrorCode_ = opened.errorCode;
    lastError_ = opened.error;
    return false;
}

// The line end a cut-off line lacks goes in one write with the first line,
// so that a refused line leaves no lone line end behind.
MeasurementLog::Result MeasurementLog::appendToFile(std::string_view line) {
    std::string_view data = line;
    if (!lineEndDue_.empty()) {
        joined_.assign(lineEndDue_).append(line);
        data = joined_;
    }
    const auto length = static_cast<qint64>(data.size());
    int errorCode = 0;
    if (!writeWhole(data.data(), length, errorCode)) {
        return fail(errorCode);
    }
    size_ += length;
    lineEndDue_ = {};
    return Result::Written;
}

// What went to a stream cannot be taken back, nor can it be sized. A slow
// reader, or one that went away, keeps it open: the lines fail with that
// cause until a reader takes them again (a FIFO's new reader comes to the
// same pipe). A device's error closes it, and the next line opens it anew.
MeasurementLog::Result MeasurementLog::appendToStream(std::string_view line) {
    int errorCode = 0;
    if (!stream_.write(line, errorCode)) {
        lastErrorCode_ = errorCode;
        lastError_ = systemErrorText(errorCode);
        if (errorCode != EAGAIN && errorCode != EPIPE) {
            stream_.close();
        }
        return Result::Failed;
    }
    return Result::Written;
}

// A write that the system takes only in part (a disk that fills up) reports
// no error; writing on is what brings the system's reason to light.
bool MeasurementLog::writeWhole(const char* data, qint64 length, int& errorCode) {
    qint64 written = 0;
    while (written < length) {
        errno = 0;
        const qint64 n = file_.write(data + written, length - written);
        if (n <= 0) {
            errorCode = errno;
            return false;
        }
        written += n;
    }
    return true;
}

// A line that went in only partly is cut off again, so that the file holds
// whole lines only.
MeasurementLog::Result MeasurementLog::fail(int errorCode) {
    lastErrorCode_ = errorCode;
    lastError_ = file_.errorString();
    file_.resize(size_);
    file_.close();
    return Result::Failed;
}

void MeasurementLog::sync() {
    if (file_.isOpen()) {
        close();
    }
}

void MeasurementLog::close() {
    if (file_.isOpen()) {
        syncFileToDisk(file_, false);  // best effort: the lines are with the system already
        file_.close();
    }
    stream_.close();
}

}  // namespace voltrix
