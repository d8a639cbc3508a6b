// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/logging/log_writer.h"

#include <algorithm>
#include <utility>

#include "engine/platform/thread_name.h"

namespace voltrix {

LogWriter::LogWriter(std::unique_ptr<LogSink> sink, std::size_t bufferBytes)
    : sink_(sink ? std::move(sink) : std::make_unique<MeasurementLogSink>()),
      bufferBytes_(bufferBytes),
      // A small budget must not fill up while a batch gathers.
      wakeBytes_(std::min(kWakeBytes, bufferBytes / 2)) {}

LogWriter::~LogWriter() {
    stop();
}

void LogWriter::setOnStateChange(StateCallback callback) {
    onStateChange_ = std::move(callback);
}

void LogWriter::start(const QString& fileName) {
    stop();
    fileName_ = fileName;
    {
        std::lock_guard lock(statusMutex_);
        status_ = Status{};
    }
    {
        std::lock_guard lock(queueMutex_);
        stopping_ = false;
    }
    thread_ = std::thread([this] { run(); });
}

void LogWriter::stop() {
    if (!thread_.joinable()) {
        return;
    }
    {
        std::lock_guard lock(queueMutex_);
        stopping_ = true;
    }
    queueReady_.notify_one();
    thread_.join();
}

bool LogWriter::submit(std::string_view line) {
    if (!thread_.joinable()) {
        return false;
    }
    const std::size_t cost = bufferCost(line);
    bool wakeWriter = false;
    {
        std::lock_guard lock(queueMutex_);
        if (cost <= bufferBytes_ - queuedBytes_) {
            // The writer waits for the first line of a batch, and cuts the
            // batch short when much has gathered.
            wakeWriter = queue_.empty() ||
                       (queuedBytes_ < wakeBytes_ && queuedBytes_ + cost >= wakeBytes_);
            queue_.emplace_back(line);
            queuedBytes_ += cost;
        } else {
            std::lock_guard statusLock(statusMutex_);
            ++status_.linesDropped;
            return false;
        }
    }
    if (wakeWriter) {
        queueReady_.notify_one();
    }
    return true;
}

bool LogWriter::waitUntilWritten(std::chrono::milliseconds timeout) {
    std::unique_lock lock(queueMutex_);
    flushRequested_ = true;
    queueReady_.notify_one();
    return drained_.wait_for(lock, timeout, [this] { return queuedBytes_ == 0; });
}

void LogWriter::run() {
    nameThisThread("voltrix-writer");
    using Clock = std::chrono::steady_clock;
    auto nextSync = Clock::now() + kSyncInterval;
    std::unique_lock lock(queueMutex_);
    for (;;) {
        // Asleep until the first line of a batch, a stop or the sync is due.
        queueReady_.wait_until(lock, nextSync, [this] { return stopping_ || !queue_.empty(); });
        // The rest of the batch gathers for a while, unless much waits
        // already or someone wants the lines out now: one wake-up writes
        // about a hundred lines at 1 kHz instead of one.
        if (!queue_.empty()) {
            queueReady_.wait_for(lock, kBatchInterval, [this] {
                return stopping_ || flushRequested_ || queuedBytes_ >= wakeBytes_;
            });
        }
        const bool syncDue = Clock::now() >= nextSync;
        if (syncDue) {
            nextSync = Clock::now() + kSyncInterval;
        }
        if (queue_.empty() && stopping_) {
            break;
        }
        while (!queue_.empty()) {
            std::deque<std::string> batch;
            batch.swap(queue_);
            lock.unlock();
            writeBatch(batch);
            lock.lock();
        }
        flushRequested_ = false;
        drained_.notify_all();
        // What was written goes on the disk now, also when nothing more
        // comes for a long time.
        if (syncDue) {
            lock.unlock();
            sink_->sync();
            lock.lock();
        }
    }
    lock.unlock();
    sink_->close();
}

bool LogSink::appendBlock(const QString&, std::string_view) {
    return false;
}

void LogWriter::writeBatch(std::deque<std::string>& lines) {
    auto next = lines.begin();
    while (next != lines.end()) {
        const auto first = next;
        block_.clear();
        std::size_t cost = 0;
        do {
            block_ += *next;
            cost += bufferCost(*next);
            ++next;
        } while (next != lines.end() && block_.size() + next->size() <= kBlockBytes);
        const auto count = static_cast<std::uint64_t>(next - first);
        if (count > 1 && sink_->appendBlock(fileName_, block_)) {
            record(LogSink::Result::Written, count);
        } else {
            for (auto line = first; line != next; ++line) {
                record(sink_->append(fileName_, *line));
            }
        }
        // A line counts against the budget until the sink is done with it.
        std::lock_guard lock(queueMutex_);
        queuedBytes_ -= cost;
    }
}

void LogWriter::record(LogSink::Result result, std::uint64_t lines) {
    const bool failed = result == LogSink::Result::Failed;
    const int code = failed ? sink_->lastErrorCode() : 0;
    const QString text = failed ? sink_->lastError() : QString();
    Status snapshot;
    bool changed = false;
    {
        std::lock_guard lock(statusMutex_);
        if (failed) {
            status_.linesFailed += lines;
        } else {
            status_.linesWritten += lines;
        }
        changed = status_.failing != failed || status_.errorCode != code;
        status_.failing = failed;
        status_.errorCode = code;
        status_.error = text;
        if (changed) {
            snapshot = status_;
        }
    }
    if (changed && onStateChange_) {
        onStateChange_(snapshot);
    }
}

LogWriter::Status LogWriter::status() const {
    std::lock_guard lock(statusMutex_);
    return status_;
}

std::uint64_t LogWriter::linesWritten() const {
    return status().linesWritten;
}
std::uint64_t LogWriter::droppedLines() const {
    return status().linesDropped;
}
std::uint64_t LogWriter::failedLines() const {
    return status().linesFailed;
}
bool LogWriter::isFailing() const {
    return status().failing;
}
int LogWriter::lastErrorCode() const {
    return status().errorCode;
}
QString LogWriter::lastError() const {
    return status().error;
}

}  // namespace voltrix
