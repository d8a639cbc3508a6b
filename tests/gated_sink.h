// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string_view>

#include <QString>

#include "engine/logging/log_writer.h"

namespace voltrix::testing {

// The measurement file behind a gate that a test can close, as a stalled
// mount would: a line written while it is closed waits until it opens.
class GatedSink final : public LogSink {
public:
    struct Gate {
        std::mutex mutex;
        std::condition_variable opened;
        bool closed = false;
        std::atomic<bool> waiting{false};  // a line is held at the gate

        void close() {
            std::lock_guard lock(mutex);
            closed = true;
        }
        void open() {
            {
                std::lock_guard lock(mutex);
                closed = false;
            }
            opened.notify_all();
        }
    };

    explicit GatedSink(std::shared_ptr<Gate> gate) : gate_(std::move(gate)) {}

    Result append(const QString& fileName, std::string_view line) override {
        std::unique_lock lock(gate_->mutex);
        if (gate_->closed) {
            gate_->waiting = true;
            gate_->opened.wait(lock, [this] { return !gate_->closed; });
            gate_->waiting = false;
        }
        lock.unlock();
        return file_.append(fileName, line);
    }
    void requestClose() override { file_.requestClose(); }
    void close() override { file_.close(); }
    QString lastError() const override { return file_.lastError(); }
    int lastErrorCode() const override { return file_.lastErrorCode(); }

private:
    std::shared_ptr<Gate> gate_;
    MeasurementLogSink file_;
};

}  // namespace voltrix::testing
