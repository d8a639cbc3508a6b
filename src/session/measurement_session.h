// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>

#include <QObject>
#include <QString>
#include <QStringList>

#include "engine/logging/log_line.h"
#include "engine/logging/log_writer.h"
#include "engine/protocol/measurement.h"
#include "engine/protocol/report_framing.h"
#include "engine/protocol/report_receiver.h"

// The measurement engine at work: the link to the module, the dispatch and
// decoding of its reports, the measurement lines and the file they go to. It
// has no window; the main window is one view of it, and any program that
// records or shows measurements can be another.
//
// Threads. A session lives on one thread, its own (SessionThread) or, in
// tests, the caller's:
// - the device link, the report dispatch and the line building run there,
//   and every signal is emitted there;
// - the file is written on the log writer's thread;
// - the commands (start, SendCommand, setLogLineSettings, startLogging,
//   stopLogging, ReportReceived) may be called from any thread: they run on
//   the session's thread, in the order they were called, and the caller does
//   not wait for them;
// - the published state (snapshot, the counters, connected, loggingOn,
//   logStatus, droppedReports) may be read from any thread at any time.
// Views connect to the signals; across threads Qt queues them, so a view
// that stalls delays its own updates and nothing else.

namespace voltrix {

class DeviceLink;
class HidBackend;

struct SessionOptions {
    // Time stamps of the lines; empty means the local wall clock.
    ReportReceiver::Clock clock;
    // Where the lines go; empty means the measurement file itself.
    std::function<std::unique_ptr<LogSink>()> makeSink;
    std::size_t logBufferBytes = LogWriter::kDefaultBufferBytes;
};

// The latest measurement, as indicators and chart show it.
struct MeasurementSnapshot {
    Measurement measurement{};
    std::uint32_t measurementCount = 0;
};

class MeasurementSession : public QObject, public CommandPort, private ReportObserver {
    Q_OBJECT

public:
    // `backend` must outlive the session.
    explicit MeasurementSession(HidBackend& backend, SessionOptions options = {},
                                QObject* parent = nullptr);
    ~MeasurementSession() override;

    // --- Commands (any thread) ---

    // Starts the device link: the first listing follows on the session's thread.
    void start();
    // One input report of the module, without its report ID.
    void ReportReceived(std::span<const std::uint8_t> data);
    // CommandPort: sends to the connected module, if any.
    void SendCommand(CommandKind kind, std::span<const std::uint8_t> payload) override;
    // Columns, decimals, divisor and separator of the lines from now on.
    void setLogLineSettings(const LogLineSettings& settings);
    // Appends the lines of the following measurements to `fileName`; with a
    // `lineLimit`, only that many, after which loggingLimitReached is emitted
    // (logging stays on until stopped).
    void startLogging(const QString& fileName, std::uint64_t lineLimit = 0);
    // Writes what is waiting, puts the file on the disk and closes it.
    void stopLogging();

    // Ends the link and the logging; called on the session's thread (by
    // SessionThread before the thread ends, or by the destructor).
    void shutdown();

    // --- Published state (any thread) ---

    MeasurementSnapshot snapshot() const;
    // True once a measurement came since the last call.
    bool takeChartPointDue() { return receiver_.takeChartPointDue(); }
    // Reports of any type since the last call, counted as the reader reads
    // them (or as ReportReceived is called), not as this thread gets to
    // them: the reader hands them over in batches, and a count taken between
    // batches would swing by a batch from one call to the next.
    std::uint32_t takeReportCount() {
        return reportsRead_->exchange(0, std::memory_order_relaxed);
    }
    std::uint32_t measurementCount() const { return receiver_.measurementCount(); }
    bool connected() const;
    // Turns false once the file of the last run is complete and closed.
    bool loggingOn() const { return loggingOn_.load(); }
    LogWriter::Status logStatus() const { return writer_.status(); }
    // Reports lost on their way to the file: dropped at a full reader queue
    // (counted while and whether or not logging is on) and lines dropped at a
    // full writer buffer.
    std::uint64_t droppedReports() const;
    // Failures of the link's devices (reads that failed, opens refused),
    // each followed by a reconnection attempt.
    std::uint64_t linkFailures() const;
    // The device link, for tests that run the session on their own thread.
    const DeviceLink& link() const { return *link_; }

    // Waits until every line handed to the writer so far is in the file (or
    // failed); false after `timeout`. For tests and tools.
    bool waitUntilLogged(std::chrono::milliseconds timeout) {
        return writer_.waitUntilWritten(timeout);
    }

signals:
    // The devices present, by name in list order, and whether the module
    // among them is connected.
    void devicesListed(const QStringList& names, bool moduleConnected);
    // A parameter report as it stands in the last-report buffer.
    void parameterReport(const voltrix::LastReport& report);
    // Output rule `channel` (0..4) was written: the next one is due.
    void ruleAcknowledged(std::uint8_t channel);
    // Any other write was acknowledged.
    void acknowledged(std::uint8_t paramId, std::uint8_t channel);
    // The file began or stopped failing, or failed for another reason.
    void logStatusChanged(const voltrix::LogWriter::Status& status);
    // The line limit of the current run was reached.
    void loggingLimitReached();

private:
    template <typename Function>
    void post(Function function);
    void stopLoggingNow();

    // ReportObserver, on the session's thread.
    void AppendLogLine(std::string_view line) override;
    void parameterReportReceived(const LastReport& report) override;
    void outputRuleAcknowledged(std::uint8_t channel) override;
    void writeAcknowledged(std::uint8_t paramId, std::uint8_t channel) override;
    void measurementDecoded(const Measurement& measurement) override;

    std::shared_ptr<std::atomic<std::uint32_t>> reportsRead_ =
        std::make_shared<std::atomic<std::uint32_t>>(0);
    ReportReceiver receiver_;
    LogWriter writer_;
    DeviceLink* link_;  // a child, so that it moves along to the session's thread
    std::atomic<bool> loggingOn_{false};
    std::uint64_t lineLimit_ = 0;  // of the current run; 0: none
    std::uint64_t linesHanded_ = 0;
    // Tells the status of a finished run of the writer from the current one.
    std::atomic<std::uint64_t> logRun_{0};

    mutable std::mutex snapshotMutex_;
    MeasurementSnapshot snapshot_;
};

}  // namespace voltrix
