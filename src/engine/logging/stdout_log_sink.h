// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string_view>

#include <QFile>
#include <QString>

#include "engine/logging/log_writer.h"

// The measurement lines to the standard output, for a recorder whose lines
// go on through a pipe. Each line goes out in one write; a stream that
// refuses it (the reader went away) fails the line and every later one.

namespace voltrix {

class StdoutLogSink final : public LogSink {
public:
    StdoutLogSink();

    Result append(const QString& fileName, std::string_view line) override;
    void requestClose() override {}
    void close() override {}
    QString lastError() const override { return lastError_; }
    int lastErrorCode() const override { return 0; }

private:
    QFile out_;
    QString lastError_;
};

}  // namespace voltrix
