// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/protocol/report_receiver.h"

#include <algorithm>
#include <utility>

#include "engine/text/format_value.h"
#include "engine/text/string_table.h"

namespace voltrix {

QString acknowledgementText(std::uint8_t paramId, std::uint8_t channel) {
    return lookup(Ids::IDS_2) + QString::number(paramId) + QStringLiteral("][") +
           QString::number(channel) + QLatin1Char(']');
}

QString reportRateText(std::uint32_t reports, int intervalMs, const QString& decimalSeparator) {
    // Reports per millisecond are thousands per second. The configured
    // interval is used, not the time that really passed.
    return FormatValue(static_cast<double>(reports) / intervalMs, 4, decimalSeparator) +
           QStringLiteral(" kHz");
}

ReportReceiver::ReportReceiver(ReportObserver& observer, Clock clock)
    : observer_(observer), clock_(std::move(clock)) {
    logLine_.reserve(512);
}

void ReportReceiver::ReportReceived(std::span<const std::uint8_t> data) {
    reportCount_.fetch_add(1, std::memory_order_relaxed);
    const std::size_t size = std::min(data.size(), lastReport_.size());
    std::copy_n(data.begin(), size, lastReport_.begin());
    if (size == 0) {
        return;  // nothing to dispatch on
    }
    switch (lastReport_[0]) {
        case static_cast<std::uint8_t>(ReportType::Measurement):
            measurementReceived();
            break;
        case static_cast<std::uint8_t>(ReportType::Parameter):
            observer_.parameterReportReceived(lastReport_);
            break;
        case static_cast<std::uint8_t>(ReportType::WriteAcknowledgement):
            acknowledgementReceived();
            break;
        default:
            break;  // counted and kept, nothing more
    }
}

void ReportReceiver::measurementReceived() {
    DecodeMeasurement(lastReport_, measurement_);
    // The line is built before the count grows: the first report logs 0.
    const std::uint32_t count = measurementCount_.load(std::memory_order_relaxed);
    BuildLogLine(logLine_, logSettings_, clock_ ? clock_() : localClock_.now(), count,
                 measurement_);
    observer_.AppendLogLine(logLine_);
    measurementCount_.store(count + 1, std::memory_order_relaxed);
    chartPointDue_.store(true, std::memory_order_relaxed);
    observer_.measurementDecoded(measurement_);
}

void ReportReceiver::acknowledgementReceived() {
    const std::uint8_t paramId = lastReport_[1];
    const std::uint8_t channel = lastReport_[2];
    // Output-rule acknowledgements drive the write chain of the rules.
    if (paramId == static_cast<std::uint8_t>(ParamId::OutputRule) && channel + 1u < kOutputCount) {
        observer_.outputRuleAcknowledged(channel);
    } else {
        observer_.writeAcknowledged(paramId, channel);
    }
}

bool ReportReceiver::takeChartPointDue() {
    return chartPointDue_.exchange(false, std::memory_order_relaxed);
}

}  // namespace voltrix
