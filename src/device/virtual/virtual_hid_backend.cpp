// SPDX-License-Identifier: GPL-3.0-or-later
#include "device/virtual/virtual_hid_backend.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <stop_token>
#include <thread>
#include <utility>

#include <QMetaObject>
#include <QObject>

#include "engine/platform/thread_name.h"
#include "device/virtual/report_schedule.h"

namespace voltrix {
namespace {

// The entry of the device at `path` in a device list; the caller holds the
// list's lock.
template <typename Devices>
auto locate(Devices& devices, const std::string& path) {
    return std::find_if(devices.begin(), devices.end(),
                        [&](const auto& device) { return device->info().path == path; });
}

using Clock = std::chrono::steady_clock;
using Report = VirtualModule::Report;

// The input queue of one connection, bounded like the kernel's.
class ReportQueue {
public:
    // False when the queue was full and the report was dropped.
    bool push(const Report& report) {
        std::lock_guard lock(mutex_);
        if (gone_) {
            return true;
        }
        if (reports_.size() >= VirtualHidBackend::kQueueCapacity) {
            return false;
        }
        reports_.push_back(report);
        ready_.notify_one();
        return true;
    }

    // The device is gone. As with hidraw, the reports queued before are still
    // read; then reads return -1.
    void close() {
        std::lock_guard lock(mutex_);
        gone_ = true;
        ready_.notify_all();
    }

    int pop(std::span<std::uint8_t> buffer, int timeoutMs) {
        std::unique_lock lock(mutex_);
        const auto available = [this] { return gone_ || !reports_.empty(); };
        if (timeoutMs < 0) {
            ready_.wait(lock, available);
        } else if (timeoutMs == 0 && !available()) {
            return 0;  // a wait that has run out already still costs a sleep
        } else if (!ready_.wait_for(lock, std::chrono::milliseconds(timeoutMs), available)) {
            return 0;
        }
        if (reports_.empty()) {
            return -1;  // gone, and nothing left to read
        }
        const std::size_t size = std::min(buffer.size(), reports_.front().size());
        std::copy_n(reports_.front().begin(), size, buffer.begin());
        reports_.pop_front();
        return static_cast<int>(size);
    }

private:
    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<Report> reports_;
    bool gone_ = false;
};

}  // namespace

// One plugged device. A module streams while at least one connection is open;
// its reports and answers go to every open connection, as the kernel hands
// every input report to every open handle of a device.
//
// Lock order: the device's mutex, then a queue's (and the module's own).
class VirtualDevice {
public:
    VirtualDevice(HidDeviceInfo info, std::shared_ptr<VirtualModule> module)
        : info_(std::move(info)), module_(std::move(module)) {}

    ~VirtualDevice() { unplug(); }

    const HidDeviceInfo& info() const { return info_; }
    const std::shared_ptr<VirtualModule>& module() const { return module_; }

    // Registers a connection's queue; false once the device is unplugged.
    bool attach(ReportQueue* queue) {
        std::lock_guard lock(mutex_);
        if (!plugged_) {
            return false;
        }
        queues_.push_back(queue);
        if (module_ && !streamer_.joinable()) {
            streamer_ = std::jthread([this](std::stop_token stop) { stream(stop); });
        }
        return true;
    }

    void detach(ReportQueue* queue) {
        std::jthread finished;
        {
            std::lock_guard lock(mutex_);
            std::erase(queues_, queue);
            if (queues_.empty()) {
                finished = stopStreaming();
            }
        }
        // `finished` joins here, without the lock the streamer needs to end.
    }

    void unplug() {
        std::jthread finished;
        {
            std::lock_guard lock(mutex_);
            plugged_ = false;
            for (ReportQueue* queue : queues_) {
                queue->close();
            }
            finished = stopStreaming();
        }
    }

    bool write(std::span<const std::uint8_t> report) {
        std::lock_guard lock(mutex_);
        if (!plugged_ || report.empty() || report.size() != info_.outputReportLength ||
            (module_ && report[0] != VirtualModule::kReportId)) {
            return false;
        }
        written_.emplace_back(report.begin(), report.end());
        if (module_) {
            // The answer is queued before any later measurement report.
            if (const std::optional<Report> answer = module_->handleOutputReport(report)) {
                deliver(*answer);
            }
            scheduleChanged_ = true;  // the report interval may have changed
            wakeup_.notify_all();
        }
        return true;
    }

    std::uint64_t dropped() const {
        std::lock_guard lock(mutex_);
        return dropped_;
    }

    std::size_t connections() const {
        std::lock_guard lock(mutex_);
        return queues_.size();
    }

    std::vector<std::vector<std::uint8_t>> written() const {
        std::lock_guard lock(mutex_);
        return written_;
    }

private:
    // Called with the lock held; the caller joins the returned thread after
    // releasing the lock.
    std::jthread stopStreaming() {
        streamer_.request_stop();
        return std::move(streamer_);
    }

    // Called with the lock held.
    void deliver(const Report& report) {
        for (ReportQueue* queue : queues_) {
            if (!queue->push(report)) {
                ++dropped_;
            }
        }
    }

    // The module's transmission schedule (see ReportSchedule).
    void stream(std::stop_token stop) {
        // The module's own work, not the program's: measurements leave it out.
        nameThisThread("voltrix-module");
        std::unique_lock lock(mutex_);
        ReportSchedule schedule(Clock::now());
        while (!stop.stop_requested()) {
            const auto interval = module_->reportInterval();
            const auto deadline = schedule.due(interval);
            const auto now = Clock::now();
            if (now < deadline) {
                scheduleChanged_ = false;
                wakeup_.wait_until(lock, stop, deadline, [this] { return scheduleChanged_; });
                continue;
            }
            schedule.sent(now, interval);
            if (const std::optional<Report> report = module_->tick()) {
                deliver(*report);
            }
        }
    }

    const HidDeviceInfo info_;
    const std::shared_ptr<VirtualModule> module_;

    mutable std::mutex mutex_;
    std::condition_variable_any wakeup_;
    bool scheduleChanged_ = false;
    bool plugged_ = true;
    std::vector<ReportQueue*> queues_;
    std::uint64_t dropped_ = 0;
    std::vector<std::vector<std::uint8_t>> written_;
    std::jthread streamer_;  // last member: stopped before the rest goes
};

namespace {

class VirtualConnection : public HidConnection {
public:
    explicit VirtualConnection(std::shared_ptr<VirtualDevice> device)
        : device_(std::move(device)) {}

    ~VirtualConnection() override { device_->detach(&queue_); }

    bool attach() { return device_->attach(&queue_); }

    int read(std::span<std::uint8_t> buffer, int timeoutMs) override {
        return queue_.pop(buffer, timeoutMs);
    }

    bool write(std::span<const std::uint8_t> report) override { return device_->write(report); }

    bool keepsReportsPastUnplug() const override { return true; }

private:
    std::shared_ptr<VirtualDevice> device_;
    ReportQueue queue_;
};

}  // namespace

VirtualHidBackend::VirtualHidBackend() : notifier_(std::make_unique<QObject>()) {}

VirtualHidBackend::~VirtualHidBackend() {
    notifier_.reset();  // no notification after this point
    std::vector<std::shared_ptr<VirtualDevice>> devices;
    {
        std::lock_guard lock(mutex_);
        devices.swap(devices_);
    }
    for (const std::shared_ptr<VirtualDevice>& device : devices) {
        device->unplug();
    }
}

std::vector<HidDeviceInfo> VirtualHidBackend::enumerate() {
    std::lock_guard lock(mutex_);
    std::vector<HidDeviceInfo> infos;
    infos.reserve(devices_.size());
    for (const std::shared_ptr<VirtualDevice>& device : devices_) {
        infos.push_back(device->info());
    }
    return infos;
}

std::unique_ptr<HidConnection> VirtualHidBackend::open(const std::string& path) {
    const std::shared_ptr<VirtualDevice> device = find(path);
    if (!device || !device->info().readWriteAccess) {
        return nullptr;
    }
    auto connection = std::make_unique<VirtualConnection>(device);
    if (!connection->attach()) {
        return nullptr;  // unplugged meanwhile
    }
    return connection;
}

void VirtualHidBackend::watchDeviceChanges(std::function<void()> onChange) {
    std::lock_guard lock(mutex_);
    onChange_ = std::move(onChange);
}

std::string VirtualHidBackend::plugModule(std::shared_ptr<VirtualModule> module) {
    if (!module) {
        module = std::make_shared<VirtualModule>();
    }
    HidDeviceInfo info;
    info.vendorId = kModuleVendorId;
    info.productId = kModuleProductId;
    info.productString = QStringLiteral("VOLTRIX");
    info.inputReportLength = VirtualModule::kReportLength;
    info.outputReportLength = VirtualModule::kReportLength;
    info.readWriteAccess = true;
    return plug(std::move(info), std::move(module));
}

std::string VirtualHidBackend::plugModuleWithoutAccess() {
    HidDeviceInfo info;
    info.vendorId = kModuleVendorId;
    info.productId = kModuleProductId;
    info.productString = QStringLiteral("VOLTRIX");
    info.inputReportLength = VirtualModule::kReportLength;
    info.outputReportLength = VirtualModule::kReportLength;
    info.readWriteAccess = false;
    return plug(std::move(info), nullptr);
}

std::string VirtualHidBackend::plugDeviceWithoutProductString(std::uint16_t vendorId,
                                                              std::uint16_t productId) {
    HidDeviceInfo info;
    info.vendorId = vendorId;
    info.productId = productId;
    info.inputReportLength = 9;
    info.outputReportLength = 9;
    info.readWriteAccess = true;
    return plug(std::move(info), nullptr);
}

std::string VirtualHidBackend::plugMouse() {
    HidDeviceInfo info;
    info.vendorId = 0x046D;
    info.productId = 0xC077;
    info.productString = QStringLiteral("USB Optical Mouse");
    info.inputReportLength = 5;
    info.outputReportLength = 0;
    info.readWriteAccess = false;
    return plug(std::move(info), nullptr);
}

std::string VirtualHidBackend::plugDevice(HidDeviceInfo info) {
    return plug(std::move(info), nullptr);
}

std::string VirtualHidBackend::plug(HidDeviceInfo info, std::shared_ptr<VirtualModule> module) {
    std::string path;
    {
        std::lock_guard lock(mutex_);
        path = "virtual:" + std::to_string(nextDeviceNumber_++);
        info.path = path;
        devices_.push_back(std::make_shared<VirtualDevice>(std::move(info), std::move(module)));
    }
    notifyChange();
    return path;
}

bool VirtualHidBackend::unplug(const std::string& path) {
    std::shared_ptr<VirtualDevice> device;
    {
        std::lock_guard lock(mutex_);
        const auto it = locate(devices_, path);
        if (it == devices_.end()) {
            return false;
        }
        device = *it;
        devices_.erase(it);
    }
    device->unplug();
    notifyChange();
    return true;
}

bool VirtualHidBackend::replugUnnoticed(const std::string& path) {
    std::shared_ptr<VirtualDevice> old;
    {
        std::lock_guard lock(mutex_);
        const auto it = locate(devices_, path);
        if (it == devices_.end()) {
            return false;
        }
        old = *it;
        *it = std::make_shared<VirtualDevice>(old->info(), old->module());
    }
    old->unplug();
    return true;
}

std::shared_ptr<VirtualModule> VirtualHidBackend::module(const std::string& path) const {
    const std::shared_ptr<VirtualDevice> device = find(path);
    return device ? device->module() : nullptr;
}

std::uint64_t VirtualHidBackend::droppedReports(const std::string& path) const {
    const std::shared_ptr<VirtualDevice> device = find(path);
    return device ? device->dropped() : 0;
}

std::size_t VirtualHidBackend::openConnections(const std::string& path) const {
    const std::shared_ptr<VirtualDevice> device = find(path);
    return device ? device->connections() : 0;
}

std::vector<std::vector<std::uint8_t>> VirtualHidBackend::writtenReports(
    const std::string& path) const {
    const std::shared_ptr<VirtualDevice> device = find(path);
    return device ? device->written() : std::vector<std::vector<std::uint8_t>>{};
}

std::shared_ptr<VirtualDevice> VirtualHidBackend::find(const std::string& path) const {
    std::lock_guard lock(mutex_);
    const auto it = locate(devices_, path);
    return it == devices_.end() ? nullptr : *it;
}

// Queued on the creating thread's event loop, like the real notification.
// Pending calls die with the notifier object.
void VirtualHidBackend::notifyChange() {
    QMetaObject::invokeMethod(
        notifier_.get(),
        [this] {
            std::function<void()> onChange;
            {
                std::lock_guard lock(mutex_);
                onChange = onChange_;
            }
            if (onChange) {
                onChange();
            }
        },
        Qt::QueuedConnection);
}

}  // namespace voltrix
