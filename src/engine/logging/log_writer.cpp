#include "engine/logging/log_writer.h"

#include <utility>

namespace voltrix {

LogWriter::LogWriter(std::unique_ptr<LogSink> sink, std::size_t bufferBytes)
    : sink_(sink ? std::move(sink) : std::make_unique<MeasurementLogSink>()),
      bufferBytes_(bufferBytes) {}

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
    bool wasEmpty = false;
    {
        std::lock_guard lock(queueMutex_);
        if (cost <= bufferBytes_ - queuedBytes_) {
            wasEmpty = queue_.empty();
            queue_.emplace_back(line);
            queuedBytes_ += cost;
        } else {
            std::lock_guard statusLock(statusMutex_);
            ++status_.linesDropped;
            return false;
        }
    }
    // The writer only ever waits on an empty queue.
    if (wasEmpty) {
        queueReady_.notify_one();
    }
    return true;
}

bool LogWriter::waitUntilWritten(std::chrono::milliseconds timeout) {
    std::unique_lock lock(queueMutex_);
    return drained_.wait_for(lock, timeout, [this] { return queuedBytes_ == 0; });
}

void LogWriter::run() {
    using Clock = std::chrono::steady_clock;
    auto nextSync = Clock::now() + kSyncInterval;
    std::unique_lock lock(queueMutex_);
    for (;;) {
        queueReady_.wait_until(lock, nextSync, [this] { return stopping_ || !queue_.empty(); });
        const bool syncDue = Clock::now() >= nextSync;
        if (syncDue) {
            nextSync = Clock::now() + kSyncInterval;
        }
        if (queue_.empty()) {
            if (stopping_) {
                break;
            }
            // Nothing waiting: put what was written on the disk now rather
            // than when the next line comes, which may be never.
            if (syncDue) {
                lock.unlock();
                sink_->close();
                lock.lock();
            }
            continue;
        }
        std::string line = std::move(queue_.front());
        queue_.pop_front();
        lock.unlock();
        if (syncDue) {
            sink_->requestClose();
        }
        record(sink_->append(fileName_, line));
        lock.lock();
        queuedBytes_ -= bufferCost(line);
        if (queuedBytes_ == 0) {
            drained_.notify_all();
        }
    }
    lock.unlock();
    sink_->close();
}

void LogWriter::record(LogSink::Result result) {
    const bool failed = result == LogSink::Result::Failed;
    const int code = failed ? sink_->lastErrorCode() : 0;
    const QString text = failed ? sink_->lastError() : QString();
    Status snapshot;
    bool changed = false;
    {
        std::lock_guard lock(statusMutex_);
        if (failed) {
            ++status_.linesFailed;
        } else {
            ++status_.linesWritten;
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
