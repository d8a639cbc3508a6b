// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "device/hid_backend.h"

// A HID backend whose devices and reports the test writes by hand: it lists
// what `present` holds, refuses to open while told to (as a node that went
// away between the listing and the open does), and each opened device reads
// the reports the test puts on its line, with report ID 1. Everything but the
// lines lives on the test's thread.

namespace voltrix::testing {

// One opened device's input queue, shared by the reader and the test.
struct ScriptedLine {
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<std::vector<std::uint8_t>> queue;
    std::vector<std::vector<std::uint8_t>> written;
    bool unplugged = false;
    // The reader came back for more after the last report it took: every
    // report taken so far has been dealt with by the reader.
    bool readerWaiting = false;

    // Queues one report of `payload` after report ID 1.
    void push(const std::vector<std::uint8_t>& payload) {
        {
            std::lock_guard lock(mutex);
            std::vector<std::uint8_t> report{1};
            report.insert(report.end(), payload.begin(), payload.end());
            queue.push_back(std::move(report));
        }
        changed.notify_all();
    }

    void unplug() {
        {
            std::lock_guard lock(mutex);
            unplugged = true;
        }
        changed.notify_all();
    }

    // Waits, without running any event loop, until the reader has taken every
    // queued report and come back for more; false after `limit`.
    bool waitUntilReadOut(std::chrono::milliseconds limit) {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, limit, [&] { return queue.empty() && readerWaiting; });
    }

    std::size_t writtenCount() {
        std::lock_guard lock(mutex);
        return written.size();
    }
};

class ScriptedConnection : public HidConnection {
public:
    explicit ScriptedConnection(std::shared_ptr<ScriptedLine> line) : line_(std::move(line)) {}

    int read(std::span<std::uint8_t> buffer, int timeoutMs) override {
        std::unique_lock lock(line_->mutex);
        if (line_->queue.empty() && !line_->unplugged) {
            line_->readerWaiting = true;
            line_->changed.notify_all();
            line_->changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                    [&] { return !line_->queue.empty() || line_->unplugged; });
        }
        if (line_->unplugged) {
            return -1;
        }
        if (line_->queue.empty()) {
            return 0;
        }
        line_->readerWaiting = false;
        const std::vector<std::uint8_t> report = std::move(line_->queue.front());
        line_->queue.pop_front();
        const std::size_t n = std::min(report.size(), buffer.size());
        std::copy_n(report.begin(), n, buffer.begin());
        return static_cast<int>(n);
    }

    bool write(std::span<const std::uint8_t> report) override {
        std::lock_guard lock(line_->mutex);
        line_->written.emplace_back(report.begin(), report.end());
        return !line_->unplugged;
    }

private:
    std::shared_ptr<ScriptedLine> line_;
};

class ScriptedBackend : public HidBackend {
public:
    std::vector<HidDeviceInfo> enumerate() override { return present; }

    std::unique_ptr<HidConnection> open(const std::string& path) override {
        ++opens;
        const bool listed = std::any_of(present.begin(), present.end(), [&](const auto& info) {
            return info.path == path && info.readWriteAccess;
        });
        if (!listed || refuse) {
            errno = ENOENT;
            return nullptr;
        }
        line = std::make_shared<ScriptedLine>();
        return std::make_unique<ScriptedConnection>(line);
    }

    void watchDeviceChanges(std::function<void()> onChange) override { notify = std::move(onChange); }

    static HidDeviceInfo device(const char* path, const char* product, bool access = true) {
        HidDeviceInfo info;
        info.path = path;
        info.vendorId = 0x0483;
        info.productId = 0x5750;
        info.productString = QString::fromLatin1(product);
        info.inputReportLength = 65;
        info.outputReportLength = 65;
        info.readWriteAccess = access;
        return info;
    }

    std::vector<HidDeviceInfo> present;
    bool refuse = false;  // open() fails as for a node that is gone
    int opens = 0;        // open() calls, refused or not
    std::shared_ptr<ScriptedLine> line;  // of the last device opened
    std::function<void()> notify;
};

}  // namespace voltrix::testing
