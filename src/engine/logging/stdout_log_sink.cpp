// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/logging/stdout_log_sink.h"

#include "engine/platform/output_file.h"

namespace voltrix {

namespace {

constexpr int kStandardOutput = 1;

}  // namespace

// The descriptor is the program's: the sink leaves it open.
StdoutLogSink::StdoutLogSink() {
    out_.open(kStandardOutput, false);
}

LogSink::Result StdoutLogSink::append(const QString&, std::string_view line) {
    int errorCode = 0;
    if (!out_.write(line, errorCode)) {
        lastErrorCode_ = errorCode;
        lastError_ = systemErrorText(errorCode);
        return Result::Failed;
    }
    return Result::Written;
}

}  // namespace voltrix
