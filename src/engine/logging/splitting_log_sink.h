// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>

#include <QString>

#include "engine/logging/log_writer.h"
#include "engine/logging/measurement_log.h"
#include "engine/logging/split_files.h"

// A measurement file split into several: when the current file is full
// (SplitLimit), the next line starts a new one, named from the file name the
// writer gives and the time of that line (split_files.h). The split falls
// between two whole lines, so every line is in exactly one file, and the
// files one after the other hold what one file would. A file is never
// appended to that existed before this sink named it.

namespace voltrix {

class SplittingLogSink final : public LogSink {
public:
    using Clock = std::function<std::chrono::system_clock::time_point()>;

    struct Options {
        SplitLimit limit;
        // Files of this recording kept when a new one starts; 0 keeps all.
        std::size_t keep = 0;
        // The wall clock naming the files and timing them; empty: the system's.
        Clock clock;
        // Called on the writer's thread with the name of each new file, once
        // its first line is in.
        std::function<void(const QString& fileName)> onFileStarted;
    };

    explicit SplittingLogSink(Options options);

    Result append(const QString& fileName, std::string_view line) override;
    // A block that would cross the limit is refused, and the writer hands
    // its lines over one by one, each finding the file it belongs in.
    bool appendBlock(const QString& fileName, std::string_view lines) override;
    void requestClose() override { log_.requestClose(); }
    void sync() override { log_.sync(); }
    void close() override { log_.close(); }
    QString lastError() const override { return log_.lastError(); }
    int lastErrorCode() const override { return log_.lastErrorCode(); }

    // The file lines go to now; empty before the first line.
    const QString& currentFile() const { return current_; }

private:
    bool fileFull(std::size_t bytes) const;
    void startFile(const QString& baseName);
    void taken(const QString& baseName, std::size_t bytes);

    Options options_;
    MeasurementLog log_;
    QString current_;
    std::chrono::system_clock::time_point fileStart_{};
    std::uint64_t fileBytes_ = 0;
    bool announced_ = false;  // onFileStarted was told of current_
};

}  // namespace voltrix
