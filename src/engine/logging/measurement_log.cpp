// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/logging/measurement_log.h"

#include <cerrno>

#include "engine/platform/file_sync.h"

namespace voltrix {

MeasurementLog::Result MeasurementLog::append(const QString& fileName, std::string_view line) {
    if (!file_.isOpen()) {
        file_.setFileName(fileName);
        // Binary and unbuffered: every line goes to the system whole, with
        // its own CR LF, as soon as it is made.
        errno = 0;
        if (!file_.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered)) {
            lastErrorCode_ = errno;
            lastError_ = file_.errorString();
            return Result::Failed;
        }
        size_ = file_.size();
    }
    const auto length = static_cast<qint64>(line.size());
    int errorCode = 0;
    if (!writeWhole(line.data(), length, errorCode)) {
        return fail(errorCode);
    }
    size_ += length;
    if (closeDue_) {
        closeDue_ = false;
        close();
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

void MeasurementLog::close() {
    if (file_.isOpen()) {
        syncFileToDisk(file_, false);  // best effort: the lines are with the system already
        file_.close();
    }
}

}  // namespace voltrix
