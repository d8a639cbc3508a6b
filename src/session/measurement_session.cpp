// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/measurement_session.h"

#include <utility>
#include <vector>

#include <QMetaObject>

#include "session/device_link.h"

namespace voltrix {

MeasurementSession::MeasurementSession(HidBackend& backend, SessionOptions options,
                                       QObject* parent)
    : QObject(parent),
      receiver_(*this, std::move(options.clock)),
      writer_(options.makeSink ? options.makeSink() : nullptr, options.logBufferBytes),
      link_(new DeviceLink(
          backend, [this](std::span<const std::uint8_t> data) { receiver_.ReportReceived(data); },
          DeviceLink::Options{.retryTimer = {}, .readCount = reportsRead_}, this)) {
    qRegisterMetaType<voltrix::LastReport>();
    qRegisterMetaType<voltrix::LogWriter::Status>();
    connect(link_, &DeviceLink::devicesListed, this, &MeasurementSession::devicesListed);
    // The writer's thread tells; the session's thread passes it on, unless
    // the run it belongs to has ended meanwhile.
    writer_.setOnStateChange([this](const LogWriter::Status& status) {
        const std::uint64_t run = logRun_.load();
        QMetaObject::invokeMethod(
            this,
            [this, status, run] {
                if (run == logRun_.load() && loggingOn()) {
                    emit logStatusChanged(status);
                }
            },
            Qt::QueuedConnection);
    });
}

MeasurementSession::~MeasurementSession() {
    shutdown();
}

template <typename Function>
void MeasurementSession::post(Function function) {
    // Direct on the session's own thread, queued from any other.
    QMetaObject::invokeMethod(this, std::move(function), Qt::AutoConnection);
}

void MeasurementSession::start() {
    post([this] { link_->start(); });
}

void MeasurementSession::shutdown() {
    link_->stop();
    stopLoggingNow();
}

void MeasurementSession::ReportReceived(std::span<const std::uint8_t> data) {
    // Counted when it comes, like a report the reader reads.
    reportsRead_->fetch_add(1, std::memory_order_relaxed);
    post([this, report = std::vector<std::uint8_t>(data.begin(), data.end())] {
        receiver_.ReportReceived(report);
    });
}

void MeasurementSession::SendCommand(CommandKind kind, std::span<const std::uint8_t> payload) {
    post([this, kind, bytes = std::vector<std::uint8_t>(payload.begin(), payload.end())] {
        link_->send(kind, bytes);
    });
}

void MeasurementSession::setLogLineSettings(const LogLineSettings& settings) {
    post([this, settings] { receiver_.logSettings() = settings; });
}

void MeasurementSession::startLogging(const QString& fileName, std::uint64_t lineLimit) {
    post([this, fileName, lineLimit] {
        ++logRun_;
        lineLimit_ = lineLimit;
        linesHanded_ = 0;
        writer_.start(fileName);
        loggingOn_.store(true);
    });
}

void MeasurementSession::stopLogging() {
    post([this] { stopLoggingNow(); });
}

void MeasurementSession::stopLoggingNow() {
    ++logRun_;
    writer_.stop();
    // Only now: whoever sees logging off finds the file complete.
    loggingOn_.store(false);
}

MeasurementSnapshot MeasurementSession::snapshot() const {
    std::lock_guard lock(snapshotMutex_);
    return snapshot_;
}

bool MeasurementSession::connected() const {
    return link_->connected();
}

std::uint64_t MeasurementSession::droppedReports() const {
    return link_->droppedReports() + writer_.droppedLines();
}

std::uint64_t MeasurementSession::linkFailures() const {
    return link_->failureCount();
}

void MeasurementSession::AppendLogLine(std::string_view line) {
    if (!loggingOn_.load(std::memory_order_relaxed) ||
        (lineLimit_ != 0 && linesHanded_ == lineLimit_)) {
        return;
    }
    // A line the writer had to drop counts too: it is reported as lost.
    writer_.submit(line);
    if (++linesHanded_ == lineLimit_) {
        emit loggingLimitReached();
    }
}

void MeasurementSession::parameterReportReceived(const LastReport& report) {
    emit parameterReport(report);
}

void MeasurementSession::outputRuleAcknowledged(std::uint8_t channel) {
    emit ruleAcknowledged(channel);
}

void MeasurementSession::writeAcknowledged(std::uint8_t paramId, std::uint8_t channel) {
    emit acknowledged(paramId, channel);
}

void MeasurementSession::measurementDecoded(const Measurement& measurement) {
    std::lock_guard lock(snapshotMutex_);
    snapshot_.measurement = measurement;
    snapshot_.measurementCount = receiver_.measurementCount();
}

}  // namespace voltrix
