// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string_view>

#include <QString>

#include "engine/logging/log_writer.h"
#include "engine/logging/stream_output.h"

// The measurement lines to the standard output, for a recorder whose lines
// go on through a pipe. Each line goes out whole, and waits for the reader
// only so long (see StreamOutput); a reader that went away fails the line
// with EPIPE, as every later one.

namespace voltrix {

class StdoutLogSink final : public LogSink {
public:
    StdoutLogSink();

    Result append(const QString& fileName, std::string_view line) override;
    void requestClose() override {}
    void close() override {}
    QString lastError() const override { return lastError_; }
    int lastErrorCode() const override { return lastErrorCode_; }

private:
    StreamOutput out_;
    QString lastError_;
    int lastErrorCode_ = 0;
};

}  // namespace voltrix
