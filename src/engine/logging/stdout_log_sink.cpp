// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/logging/stdout_log_sink.h"

#include <cstdio>

namespace voltrix {

StdoutLogSink::StdoutLogSink() {
    // Unbuffered: the line is out when append returns, as with the file.
    if (!out_.open(stdout, QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        lastError_ = out_.errorString();
    }
}

LogSink::Result StdoutLogSink::append(const QString&, std::string_view line) {
    if (!out_.isOpen()) {
        return Result::Failed;
    }
    const qint64 written = out_.write(line.data(), static_cast<qint64>(line.size()));
    if (written != static_cast<qint64>(line.size())) {
        lastError_ = out_.errorString();
        return Result::Failed;
    }
    return Result::Written;
}

}  // namespace voltrix
