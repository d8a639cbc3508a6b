// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

#include <QString>

#include "engine/logging/log_line.h"
#include "engine/logging/wall_clock.h"
#include "engine/protocol/measurement.h"
#include "engine/parameters/parameters.h"

// The program's end of the input reports: every report of the connected
// module is counted, kept in the last-report buffer and dispatched by its
// first byte.
//
// Threads: ReportReceived() and everything it calls on the observer run on
// one thread, the one handling the device's reports. The counters
// (reportCount, takeChartPointDue, measurementCount) may be
// read from any thread; the buffers (lastReport, measurement, logLine) and
// the log settings only on the reports' thread.

namespace voltrix {

enum class ReportType : std::uint8_t { Measurement = 0, Parameter = 1, WriteAcknowledgement = 2 };


// Status text of a write acknowledgement, for the views: "Zaktualizowane parametr: [p][c]" in
// the active language.
QString acknowledgementText(std::uint8_t paramId, std::uint8_t channel);

// The report rate shown in the status bar: `reports` counted in one interval
// of `intervalMs`, as thousands per second with 4 decimals, e.g. "0,7508 kHz".
QString reportRateText(std::uint32_t reports, int intervalMs, const QString& decimalSeparator);

// What the rest of the program does with the dispatched reports.
class ReportObserver {
public:
    virtual ~ReportObserver() = default;
    // Every measurement line, logging on or off; the logger decides whether to write it.
    virtual void AppendLogLine(std::string_view line) = 0;
    // A parameter report, as it stands in the last-report buffer.
    virtual void parameterReportReceived(const LastReport& report) = 0;
    // Acknowledgement of output rule `channel` (0..4): the next rule is due.
    virtual void outputRuleAcknowledged(std::uint8_t channel) = 0;
    // Any other write acknowledgement: the status bar says which parameter.
    virtual void writeAcknowledged(std::uint8_t paramId, std::uint8_t channel) = 0;
    // A measurement, decoded and counted, after its line was handed over.
    virtual void measurementDecoded(const Measurement& measurement) { (void)measurement; }
};

class ReportReceiver {
public:
    using Clock = std::function<ClockReading()>;

    // Without a clock the local wall clock is read.
    explicit ReportReceiver(ReportObserver& observer, Clock clock = {});

    // Handles one input report: `data` is its payload, the report ID already
    // stripped. Reports longer than the last-report buffer are cut to its size.
    void ReportReceived(std::span<const std::uint8_t> data);

    // Reports of any type handled. The rate display counts reports where
    // they are read instead (MeasurementSession::takeReportCount).
    std::uint32_t reportCount() const { return reportCount_.load(std::memory_order_relaxed); }

    // True once a measurement report arrived since the last call.
    bool takeChartPointDue();

    const LastReport& lastReport() const { return lastReport_; }
    const Measurement& measurement() const { return measurement_; }
    std::uint32_t measurementCount() const {
        return measurementCount_.load(std::memory_order_relaxed);
    }
    const std::string& logLine() const { return logLine_; }

    LogLineSettings& logSettings() { return logSettings_; }
    const LogLineSettings& logSettings() const { return logSettings_; }

private:
    void measurementReceived();
    void acknowledgementReceived();

    ReportObserver& observer_;
    Clock clock_;
    LocalClock localClock_;
    LogLineSettings logSettings_;

    std::atomic<std::uint32_t> reportCount_{0};
    LastReport lastReport_{};
    Measurement measurement_{};
    std::atomic<std::uint32_t> measurementCount_{0};
    std::atomic<bool> chartPointDue_{false};
    std::string logLine_;
};

}  // namespace voltrix
