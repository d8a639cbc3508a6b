// SPDX-License-Identifier: GPL-3.0-or-later
#include "device/device_controller.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include <QMetaObject>
#include <QTimer>

#include "engine/platform/thread_name.h"

namespace voltrix {
namespace {

// How long one read waits before the reader looks at its stop request.
constexpr int kReadTimeoutMs = 100;

// Reports wait in the inbox at most this long before the controller's thread
// is asked for them: a stream at 1 kHz then wakes that thread fifty times a
// second rather than a thousand, and a lone report (an answer) goes at once.
constexpr auto kDeliveryInterval = std::chrono::milliseconds(20);

// Once the reader has emptied the system's queue it rests this long before
// reading again, so that a stream at 1 kHz wakes it about 125 times a second
// rather than a thousand: waking a thread costs far more than reading a
// report. The system queues the reports meanwhile (hidraw keeps 64), so a
// late reader keeps nearly all of its slack. Only connections that still
// hand out queued reports after an unplug allow the rest.
constexpr auto kDrainPause = std::chrono::milliseconds(8);

// Shortest time between two listings caused by failing devices.
constexpr auto kFailureRetry = std::chrono::milliseconds(250);

}  // namespace

HidDevice::HidDevice(DeviceController& controller, HidDeviceInfo info)
    : controller_(controller), info_(std::move(info)) {}

HidDevice::~HidDevice() {
    *alive_ = false;
    if (reader_.joinable()) {
        stopRequested_ = true;
        reader_.join();
    }
}

bool HidDevice::ensureOpen() {
    if (!connection_) {
        connection_ = controller_.backend_.open(info_.path);
    }
    return connection_ != nullptr;
}

void HidDevice::setDataHandler(DataHandler handler) {
    if (!handler) {
        stopReader();
        handler_ = nullptr;
        return;
    }
    handler_ = std::move(handler);
    if (reader_.joinable() || !checkedOut_ || !pluggedIn_ || !info_.readWriteAccess || failed_) {
        return;
    }
    if (!ensureOpen()) {
        // Listed with access but not there to open: gone, or not there yet.
        // Not a change of the list: a device that went, goes out of the
        // next listing, and one that comes, opens when tried again.
        controller_.countFailure();
        return;
    }
    stopRequested_ = false;
    reader_ = std::thread(&HidDevice::readLoop, this);
}

void HidDevice::stopReader() {
    if (!reader_.joinable()) {
        return;
    }
    stopRequested_ = true;
    reader_.join();
    stopRequested_ = false;
    // What the reader had read is handed over now; nothing comes after.
    deliverQueued();
    std::lock_guard lock(inbox_->mutex);
    inbox_->reports.clear();
}

void HidDevice::readLoop() {
    nameThisThread("voltrix-reader");
    std::vector<std::uint8_t> buffer(std::max<std::size_t>(info_.inputReportLength, 2));
    const std::shared_ptr<Inbox> inbox = inbox_;
    const std::shared_ptr<std::atomic<bool>> alive = alive_;
    const std::shared_ptr<ReadCount> readCount = readCount_;
    using Clock = std::chrono::steady_clock;
    auto lastAsked = Clock::now() - kDeliveryInterval;
    bool waiting = false;   // reports in the inbox that no delivery will take
    bool draining = false;  // the last read returned a report: read on without waiting
    const bool mayRest = connection_->keepsReportsPastUnplug();
    const auto askWhenDue = [&] {
        if (waiting && Clock::now() - lastAsked >= kDeliveryInterval) {
            scheduleDelivery(alive);
            lastAsked = Clock::now();
            waiting = false;
        }
    };
    while (!stopRequested_) {
        int timeoutMs = kReadTimeoutMs;
        if (draining) {
            timeoutMs = 0;
        } else if (waiting) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(
                lastAsked + kDeliveryInterval - Clock::now());
            timeoutMs = static_cast<int>(std::clamp<std::int64_t>(left.count(), 0, kReadTimeoutMs));
        }
        const int n = connection_->read(buffer, timeoutMs);
        if (n < 0) {
            // The device failed, most likely unplugged. Its handle stays dead
            // even if it comes back, so reading ends here and the controller
            // lists again; what was read before is still handed over.
            failed_ = true;
            QMetaObject::invokeMethod(
                &controller_,
                [this, alive] {
                    if (*alive) {
                        controller_.deviceFailed();
                    }
                },
                Qt::QueuedConnection);
            return;
        }
        if (n == 0) {
            askWhenDue();
            if (draining) {
                draining = false;
                std::this_thread::sleep_for(kDrainPause);
            }
            continue;
        }
        draining = mayRest;
        if (readCount) {
            readCount->fetch_add(1, std::memory_order_relaxed);
        }
        bool wasEmpty = false;
        {
            std::lock_guard lock(inbox->mutex);
            wasEmpty = inbox->reports.empty();
            if (inbox->reports.size() < kMaxQueuedReports) {
                inbox->reports.emplace_back(buffer.begin(), buffer.begin() + n);
            } else {
                droppedReports_.fetch_add(1, std::memory_order_relaxed);
            }
        }
        // A report joining others in the inbox goes with them: a delivery
        // is asked for already, or will be.
        waiting = waiting || wasEmpty;
        askWhenDue();
    }
}

// Hands the queued reports to the data handler, in order. One call takes the
// reports queued so far and asks for another call if more came meanwhile, so
// that timers and painting run between batches.
void HidDevice::deliverQueued() {
    std::deque<std::vector<std::uint8_t>> batch;
    {
        std::lock_guard lock(inbox_->mutex);
        batch.swap(inbox_->reports);
    }
    const std::shared_ptr<std::atomic<bool>> alive = alive_;
    for (std::size_t i = 0; i < batch.size(); ++i) {
        if (!handler_) {
            return;
        }
        const std::vector<std::uint8_t>& report = batch[i];
        handler_(*this, report[0], std::span<const std::uint8_t>(report).subspan(1));
        if (!*alive) {
            return;  // the handler released this device
        }
    }
    bool more = false;
    {
        std::lock_guard lock(inbox_->mutex);
        more = !inbox_->reports.empty();
    }
    if (more && reader_.joinable()) {
        scheduleDelivery(alive);
    }
}

// Asks the controller's thread (the session's) for a deliverQueued() call,
// which a released device (`alive` false by then) skips. Safe from any thread.
void HidDevice::scheduleDelivery(const std::shared_ptr<std::atomic<bool>>& alive) {
    QMetaObject::invokeMethod(
        &controller_,
        [this, alive] {
            if (*alive) {
                deliverQueued();
            }
        },
        Qt::QueuedConnection);
}

bool HidDevice::writeOutputReport(std::span<const std::uint8_t> report) {
    if (!pluggedIn_ || !info_.readWriteAccess || !ensureOpen()) {
        return false;
    }
    return connection_->write(report);
}

void HidDevice::unplug() {
    stopReader();
    connection_.reset();
    pluggedIn_ = false;
}

DeviceController::DeviceController(HidBackend& backend, QObject* parent)
    : QObject(parent), backend_(backend) {}

DeviceController::~DeviceController() {
    backend_.watchDeviceChanges({});
    devices_.clear();
}

void DeviceController::start() {
    // The backend may tell from another thread (the virtual one tells on
    // its creator's); the listing runs on the controller's own.
    backend_.watchDeviceChanges([this] {
        QMetaObject::invokeMethod(this, &DeviceController::relist, Qt::AutoConnection);
    });
    QTimer::singleShot(0, this, &DeviceController::relist);
}

void DeviceController::relist() {
    if (listing_) {
        return;  // a notice during a listing changes nothing
    }
    listing_ = true;
    const std::vector<HidDeviceInfo> present = backend_.enumerate();
    bool changed = false;

    for (auto it = devices_.begin(); it != devices_.end();) {
        HidDevice& device = **it;
        const bool stillThere = !device.failed_ && std::find(present.begin(), present.end(),
                                                             device.info_) != present.end();
        if (!stillThere && device.pluggedIn_) {
            device.unplug();
            changed = true;
        }
        if (!device.pluggedIn_ && !device.checkedOut_) {
            it = devices_.erase(it);
        } else {
            ++it;
        }
    }
    for (const HidDeviceInfo& info : present) {
        const bool known = std::any_of(devices_.begin(), devices_.end(), [&](const auto& device) {
            return device->pluggedIn_ && device->info_ == info;
        });
        if (!known) {
            devices_.push_back(std::unique_ptr<HidDevice>(new HidDevice(*this, info)));
            changed = true;
        }
    }
    listing_ = false;

    if (changed || !listedOnce_) {
        listedOnce_ = true;
        emit deviceChange();
    }
}

void DeviceController::deviceFailed() {
    countFailure();
    if (failureRelistDue_) {
        return;
    }
    failureRelistDue_ = true;
    const auto now = std::chrono::steady_clock::now();
    const auto wait = std::max(lastFailureRelist_ + kFailureRetry - now, now - now);
    QTimer::singleShot(std::chrono::duration_cast<std::chrono::milliseconds>(wait), this, [this] {
        failureRelistDue_ = false;
        lastFailureRelist_ = std::chrono::steady_clock::now();
        relist();
    });
}

int DeviceController::enumerate(const std::function<bool(HidDevice&, int)>& visit) {
    int calls = 0;
    for (std::size_t i = 0; i < devices_.size(); ++i) {
        if (!devices_[i]->pluggedIn_) {
            continue;
        }
        ++calls;
        if (!visit(*devices_[i], static_cast<int>(i))) {
            break;
        }
    }
    return calls;
}

HidDevice* DeviceController::checkOut(int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= devices_.size()) {
        return nullptr;
    }
    HidDevice& device = *devices_[index];
    if (device.checkedOut_ || !device.pluggedIn_) {
        return nullptr;
    }
    device.checkedOut_ = true;
    return &device;
}

void DeviceController::release(HidDevice* device) {
    const auto it = std::find_if(devices_.begin(), devices_.end(),
                                 [device](const auto& entry) { return entry.get() == device; });
    if (it == devices_.end()) {
        return;
    }
    device->setDataHandler(nullptr);
    if (device->pluggedIn_) {
        *it = std::unique_ptr<HidDevice>(new HidDevice(*this, device->info_));
    } else {
        devices_.erase(it);
    }
}

}  // namespace voltrix
