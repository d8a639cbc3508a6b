// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/logging/splitting_log_sink.h"

#include <utility>

namespace voltrix {

SplittingLogSink::SplittingLogSink(Options options) : options_(std::move(options)) {
    if (!options_.clock) {
        options_.clock = [] { return std::chrono::system_clock::now(); };
    }
}

LogSink::Result SplittingLogSink::append(const QString& fileName, std::string_view line) {
    if (current_.isEmpty() || fileFull(line.size())) {
        startFile(fileName);
    }
    const Result result = log_.append(current_, line);
    if (result == Result::Written) {
        taken(fileName, line.size());
    }
    return result;
}

bool SplittingLogSink::appendBlock(const QString& fileName, std::string_view lines) {
    if (current_.isEmpty() || fileFull(lines.size())) {
        return false;
    }
    if (!log_.appendBlock(current_, lines)) {
        return false;
    }
    taken(fileName, lines.size());
    return true;
}

// A file with no line yet is never full: a line bigger than the limit gets
// a file of its own, and a file that could not be written is tried again.
bool SplittingLogSink::fileFull(std::size_t bytes) const {
    if (fileBytes_ == 0) {
        return false;
    }
    const SplitLimit& limit = options_.limit;
    if (limit.bytes != 0 && fileBytes_ + bytes > limit.bytes) {
        return true;
    }
    return limit.duration.count() != 0 && options_.clock() - fileStart_ >= limit.duration;
}

void SplittingLogSink::startFile(const QString& baseName) {
    // The full file goes on the disk before the next one begins.
    log_.close();
    fileStart_ = options_.clock();
    current_ = freeSplitFileName(baseName, toLocalClock(fileStart_));
    fileBytes_ = 0;
    announced_ = false;
}

void SplittingLogSink::taken(const QString& baseName, std::size_t bytes) {
    fileBytes_ += bytes;
    if (announced_) {
        return;
    }
    announced_ = true;
    // Only now does the new file exist to count among those kept.
    removeOldestFiles(baseName, options_.keep);
    if (options_.onFileStarted) {
        options_.onFileStarted(current_);
    }
}

}  // namespace voltrix
