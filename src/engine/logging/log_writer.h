// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include <QString>

#include "engine/logging/measurement_log.h"

// The measurement file written on a thread of its own, so that a slow or
// stalled disk holds up that thread alone and never the one making the lines.
//
// Threads:
// - the owner thread (the one producing the lines) constructs and destroys the
//   writer and calls setOnStateChange(), start(), stop(), isRunning() and
//   submit(); there is exactly one such thread;
// - waitUntilWritten() may be called from any thread;
// - the status getters may be called from any thread at any time;
// - the sink and the onStateChange callback run on the writer's own thread.
//
// Memory: lines waiting for the disk are held up to the byte budget given to
// the constructor (each line costing bufferCost() of it); a line that does not
// fit is dropped whole and counted, so the writer never holds more than the
// budget however long the disk stalls.

namespace voltrix {

// Where the writer's lines go. The writer calls it from its own thread only.
class LogSink {
public:
    using Result = MeasurementLog::Result;

    virtual ~LogSink() = default;
    // Appends one line whole or not at all (see MeasurementLog::append).
    virtual Result append(const QString& fileName, std::string_view line) = 0;
    // Appends several whole lines in one go, all of them or none: true when
    // they are in. False leaves nothing of them behind, and the writer hands
    // them over again line by line, so that each line's fate and the
    // system's reason are known. A sink that cannot take a write back (a
    // pipe) keeps this default and gets one line at a time.
    virtual bool appendBlock(const QString& fileName, std::string_view lines);
    // The next line closes the file after putting it on the disk.
    virtual void requestClose() = 0;
    // The periodic sync while lines flow: puts the file on the disk and
    // closes it, as close() does. A sink whose output is no file (a pipe)
    // keeps it open.
    virtual void sync() { close(); }
    // Puts the file on the disk and closes it now, if it is open.
    virtual void close() = 0;
    virtual QString lastError() const = 0;
    virtual int lastErrorCode() const = 0;
};

// The ordinary sink: the measurement file itself.
class MeasurementLogSink final : public LogSink {
public:
    Result append(const QString& fileName, std::string_view line) override {
        return log_.append(fileName, line);
    }
    bool appendBlock(const QString& fileName, std::string_view lines) override {
        return log_.appendBlock(fileName, lines);
    }
    void requestClose() override { log_.requestClose(); }
    void sync() override { log_.sync(); }
    void close() override { log_.close(); }
    QString lastError() const override { return log_.lastError(); }
    int lastErrorCode() const override { return log_.lastErrorCode(); }

private:
    MeasurementLog log_;
};

class LogWriter {
public:
    // 32 MiB: at 1 kHz with every column (lines of about 250 bytes, about 300
    // with their bookkeeping) that is close to two minutes of a stalled disk,
    // enough to ride out a network share reconnecting or a USB stick waking.
    static constexpr std::size_t kDefaultBufferBytes = std::size_t{32} << 20;
    // How often the file is put on the disk and closed while lines flow, which
    // bounds what a power cut can take (LogSink::sync).
    static constexpr std::chrono::milliseconds kSyncInterval{1000};
    // Lines are written in batches: the first line of a batch waits this long
    // for the others, or until kWakeBytes wait. A line reaches the file at
    // most this late, and a stream of lines costs the writer ten wake-ups a
    // second rather than one for each line.
    static constexpr std::chrono::milliseconds kBatchInterval{100};
    static constexpr std::size_t kWakeBytes = std::size_t{256} << 10;
    // Lines go to the sink in blocks of up to this many bytes, one write each
    // (a batch at 1 kHz is about 25 KB), rather than one write per line.
    static constexpr std::size_t kBlockBytes = std::size_t{64} << 10;

    struct Status {
        std::uint64_t linesWritten = 0;
        std::uint64_t linesDropped = 0;  // the buffer was full
        std::uint64_t linesFailed = 0;   // the disk refused them
        bool failing = false;            // the last line tried was refused
        int errorCode = 0;               // the system's error number while failing
        QString error;                   // its text while failing
    };
    using StateCallback = std::function<void(const Status&)>;

    // With no sink the lines go to the measurement file (MeasurementLogSink).
    explicit LogWriter(std::unique_ptr<LogSink> sink = {},
                       std::size_t bufferBytes = kDefaultBufferBytes);
    LogWriter(const LogWriter&) = delete;
    LogWriter& operator=(const LogWriter&) = delete;
    // Stops, writing what was submitted first.
    ~LogWriter();

    // Called on the writer thread whenever `failing` flips or the error code
    // changes; the owner is expected to pass it on to its own thread. Set it
    // before start().
    void setOnStateChange(StateCallback callback);

    // Starts the thread writing to `fileName` and zeroes the counts; a writer
    // already running is stopped first.
    void start(const QString& fileName);
    // Writes every line submitted so far, puts the file on the disk, closes it
    // and returns once the thread has ended. Waits as long as the disk takes;
    // a pipe's reader that stopped reading, only so long (StreamOutput).
    void stop();
    bool isRunning() const { return thread_.joinable(); }

    // Hands a line to the writer thread without waiting for the disk. False
    // when the line was not taken: the buffer lacked room for all of it (it is
    // dropped whole and counted) or the writer is not running (not counted).
    bool submit(std::string_view line);

    // Waits until the sink is done with every line submitted so far, or the
    // timeout passed; true in the first case. For tests and tools that need
    // the file as it stands; the program itself never waits for the disk.
    bool waitUntilWritten(std::chrono::milliseconds timeout);

    // What a line takes of the byte budget: its bytes and its bookkeeping.
    static constexpr std::size_t bufferCost(std::string_view line) {
        return line.size() + kLineOverheadBytes;
    }

    Status status() const;
    std::uint64_t linesWritten() const;
    std::uint64_t droppedLines() const;
    std::uint64_t failedLines() const;
    bool isFailing() const;
    int lastErrorCode() const;
    QString lastError() const;

private:
    // A queued string's own size and the allocator's header of its text.
    static constexpr std::size_t kLineOverheadBytes = sizeof(std::string) + 16;

    void run();
    // Writes `lines` to the sink and frees their share of the budget; called
    // with queueMutex_ unlocked.
    void writeBatch(std::deque<std::string>& lines);
    void record(LogSink::Result result, std::uint64_t lines = 1);

    const std::unique_ptr<LogSink> sink_;
    const std::size_t bufferBytes_;
    const std::size_t wakeBytes_;
    StateCallback onStateChange_;
    QString fileName_;  // written by start() before the thread exists
    std::thread thread_;
    std::string block_;  // the writer thread's: lines joined for one write

    // Shared by the owner and the writer thread. A line counts against the
    // budget until the sink is done with it, not just while it is queued.
    std::mutex queueMutex_;
    std::condition_variable queueReady_;
    std::condition_variable drained_;  // queuedBytes_ fell to 0
    std::deque<std::string> queue_;
    std::size_t queuedBytes_ = 0;
    bool stopping_ = false;
    bool flushRequested_ = false;  // waitUntilWritten wants the batch out now

    mutable std::mutex statusMutex_;
    Status status_;
};

}  // namespace voltrix
