// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <thread>
#include <utility>
#include <vector>

#include <QObject>

#include "device/hid_backend.h"
#include "engine/protocol/report_framing.h"

// The list of present HID devices on top of a backend: it lists them again
// whenever the backend reports a change and tells its owner when the list
// really changed, lends devices out, and runs one reader thread for every
// device that has a data handler.
//
// Reports reach the data handler on the controller's thread, one at a time and
// in arrival order. The reader never waits for that thread: it queues each
// report and reads on at once, so a busy session thread loses nothing while the
// system's small per-device queue keeps being emptied.
//
// A device whose reads fail is gone even when the next listing still shows
// it: unplugged and plugged back quickly, it usually comes back under the
// same path, and its old handles stay dead. Such a failure counts as a change
// of the list: the controller lists again at once and gives the device a
// fresh object. A device that is listed with access but cannot be opened
// (its node went away after the listing, or is not there yet) changes
// nothing: it stays in the list unread, and its owner may set the handler
// again later to try once more.

namespace voltrix {

class DeviceController;

class HidDevice : public OutputReportDevice {
public:
    // Called on the controller's thread with the report ID and the rest of
    // one input report.
    using DataHandler = std::function<void(HidDevice& device, std::uint8_t reportId,
                                           std::span<const std::uint8_t> data)>;

    // Reports as the reader reads them, before they wait for the
    // controller's thread: a count taken at any moment holds every report
    // read until then, whenever the controller's thread gets to them.
    using ReadCount = std::atomic<std::uint32_t>;

    // Memory bound for reports waiting for the controller's thread: more than
    // a minute of reports at 1 kHz. Only a thread that stopped for good fills
    // it; reports beyond it are dropped and counted.
    static constexpr std::size_t kMaxQueuedReports = 100000;

    ~HidDevice() override;

    const HidDeviceInfo& info() const { return info_; }
    bool pluggedIn() const { return pluggedIn_; }

    // Starts the reader when the device is checked out, plugged in and
    // accessible, opening it first if need be; reading() tells whether it
    // could. Setting the handler again on a device that did not open tries
    // again. An empty handler stops the reader. Stopping waits for the
    // reader to end and hands over every report it had already read, so the
    // old handler may run during the call, and never after it.
    void setDataHandler(DataHandler handler);
    bool reading() const { return reader_.joinable(); }
    // Where the reader counts each report it reads (those dropped at a full
    // queue too); from the next start of the reader on. Any number of
    // devices may share one count.
    void countReadsIn(std::shared_ptr<ReadCount> count) { readCount_ = std::move(count); }
    // A read failed: the device is gone, and the next listing replaces this
    // object.
    bool failed() const { return failed_; }
    // Reports read but dropped because the queue for the controller's thread
    // was full; any thread may ask.
    std::uint64_t droppedReports() const { return droppedReports_.load(std::memory_order_relaxed); }

    // OutputReportDevice
    std::size_t outputReportLength() override { return info_.outputReportLength; }
    bool writeOutputReport(std::span<const std::uint8_t> report) override;

private:
    friend class DeviceController;

    // Reports read but not yet handled, shared with the reader thread.
    struct Inbox {
        std::mutex mutex;
        std::deque<std::vector<std::uint8_t>> reports;
    };

    HidDevice(DeviceController& controller, HidDeviceInfo info);
    bool ensureOpen();
    void stopReader();
    void readLoop();
    void deliverQueued();
    void scheduleDelivery(const std::shared_ptr<std::atomic<bool>>& alive);
    void unplug();

    DeviceController& controller_;
    HidDeviceInfo info_;
    bool pluggedIn_ = true;
    bool checkedOut_ = false;
    std::unique_ptr<HidConnection> connection_;
    DataHandler handler_;
    std::shared_ptr<ReadCount> readCount_;
    std::thread reader_;
    std::atomic<bool> stopRequested_{false};
    std::atomic<bool> failed_{false};
    std::atomic<std::uint64_t> droppedReports_{0};
    std::shared_ptr<Inbox> inbox_ = std::make_shared<Inbox>();
    std::shared_ptr<std::atomic<bool>> alive_ = std::make_shared<std::atomic<bool>>(true);
};

class DeviceController : public QObject {
    Q_OBJECT

public:
    explicit DeviceController(HidBackend& backend, QObject* parent = nullptr);
    ~DeviceController() override;

    // Starts watching for changes; the first listing, and with it the first
    // deviceChange, follows as soon as the event loop runs.
    void start();

    // Calls `visit` for each plugged-in device in list order until it returns
    // false; returns the number of calls.
    int enumerate(const std::function<bool(HidDevice& device, int index)>& visit);

    // Lends out the device at `index` of the list; nullptr when the index is
    // outside the list or the device is already lent out.
    HidDevice* checkOut(int index);

    // Gives a lent device back: its reader stops, and the list gets a fresh
    // device object for it if it is still present. `device` must not be used
    // afterwards.
    void release(HidDevice* device);

    // Lists the devices again now (normally done on the backend's notice).
    void relist();

    std::size_t deviceCount() const { return devices_.size(); }
    // Device failures seen (a read that failed, an open that failed); any
    // thread may ask.
    std::uint64_t failureCount() const { return failures_.load(std::memory_order_relaxed); }

signals:
    // The list of devices changed (and once after start()).
    void deviceChange();

private:
    friend class HidDevice;

    // Lists again after a device's read failed: at once the first time,
    // then no more often than every kFailureRetry while failures keep coming.
    void deviceFailed();
    void countFailure() { failures_.fetch_add(1, std::memory_order_relaxed); }

    HidBackend& backend_;
    std::vector<std::unique_ptr<HidDevice>> devices_;
    bool listedOnce_ = false;
    bool listing_ = false;
    bool failureRelistDue_ = false;
    std::atomic<std::uint64_t> failures_{0};
    std::chrono::steady_clock::time_point lastFailureRelist_{};
};

}  // namespace voltrix
