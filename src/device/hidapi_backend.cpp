// SPDX-License-Identifier: GPL-3.0-or-later
#include "device/hidapi_backend.h"

#include <hidapi/hidapi.h>

#include <set>
#include <utility>

#include <QObject>
#include <QTimer>

#include "device/platform/hid_platform.h"
#include "engine/protocol/report_descriptor.h"

namespace voltrix {

int readReportWithId(std::span<std::uint8_t> buffer, bool numberedReports,
                     const std::function<int(std::uint8_t*, std::size_t)>& readData) {
    if (buffer.size() < 2) {
        return -1;
    }
    if (numberedReports || kReadsCarryReportId) {
        const int count = readData(buffer.data(), buffer.size());
        return count < 0 ? -1 : count;
    }
    const int count = readData(buffer.data() + 1, buffer.size() - 1);
    if (count <= 0) {
        return count < 0 ? -1 : 0;
    }
    buffer[0] = 0;
    return count + 1;
}

HidapiBackend::HidapiBackend(HidapiBackendOptions options) : options_(std::move(options)) {
    // A failure here shows again, and harmlessly, in the first listing.
    hid_init();
}

HidapiBackend::~HidapiBackend() {
    stopWatching();
    hid_exit();
}

std::vector<HidDeviceInfo> HidapiBackend::enumerate() {
    hid_device_info* list = hid_enumerate(0, 0);
    std::vector<HidDeviceInfo> devices = describeDevices(list);
    hid_free_enumeration(list);
    return devices;
}

std::vector<HidDeviceInfo> HidapiBackend::describeDevices(const hid_device_info* first) {
    std::vector<HidDeviceInfo> devices;
    std::set<std::string> listed;
    std::map<std::string, bool> numberedByPath;
    for (const hid_device_info* entry = first; entry != nullptr; entry = entry->next) {
        if (entry->path == nullptr || !listed.insert(entry->path).second) {
            continue;
        }
        HidDeviceInfo info;
        info.path = entry->path;
        info.vendorId = entry->vendor_id;
        info.productId = entry->product_id;
        if (entry->product_string != nullptr) {
            info.productString = QString::fromWCharArray(entry->product_string);
        }
        if (const auto descriptor = platformReportDescriptor(options_.sysfsRoot, info.path)) {
            const ReportDescriptorSummary summary = parseReportDescriptor(*descriptor);
            info.inputReportLength = summary.inputReportLength;
            info.outputReportLength = summary.outputReportLength;
            numberedByPath[info.path] = summary.numberedReports;
        }
        info.readWriteAccess = platformGrantsAccess(info.path);
        devices.push_back(std::move(info));
    }
    numberedByPath_ = std::move(numberedByPath);
    return devices;
}

// The descriptor is read again: the node may belong to another device by now.
bool HidapiBackend::numberedReports(const std::string& path) const {
    if (const auto descriptor = platformReportDescriptor(options_.sysfsRoot, path)) {
        return parseReportDescriptor(*descriptor).numberedReports;
    }
    const auto known = numberedByPath_.find(path);
    return known != numberedByPath_.end() && known->second;
}

std::unique_ptr<HidConnection> HidapiBackend::open(const std::string& path) {
    return platformOpenDevice(path, numberedReports(path));
}

void HidapiBackend::watchDeviceChanges(std::function<void()> onChange) {
    stopWatching();
    onChange_ = std::move(onChange);
    if (!onChange_) {
        return;
    }
    if (options_.useSystemMonitor) {
        monitor_ = startDeviceChangeMonitor([this] { notifyChange(); });
        if (monitor_) {
            return;
        }
    }
    pollTimer_ = std::make_unique<QTimer>();
    pollTimer_->setInterval(options_.pollIntervalMs);
    QObject::connect(pollTimer_.get(), &QTimer::timeout, pollTimer_.get(),
                     [this] { notifyChange(); });
    pollTimer_->start();
}

HidapiBackend::ChangeWatch HidapiBackend::changeWatch() const {
    if (monitor_) {
        return ChangeWatch::SystemMonitor;
    }
    return pollTimer_ ? ChangeWatch::Polling : ChangeWatch::None;
}

void HidapiBackend::stopWatching() {
    // A watch stopped from its own callback is still inside its notifier's or
    // timer's signal; those objects go once control is back in the event loop.
    const auto dispose = [this](auto& object) {
        if (notifying_) {
            object.release()->deleteLater();
        } else {
            object.reset();
        }
    };
    if (pollTimer_) {
        pollTimer_->stop();
        dispose(pollTimer_);
    }
    if (monitor_) {
        dispose(monitor_);
    }
    onChange_ = nullptr;
}

void HidapiBackend::notifyChange() {
    if (!onChange_) {
        return;
    }
    // A copy, because the callback may replace or stop the watch.
    const std::function<void()> callback = onChange_;
    const bool wasNotifying = std::exchange(notifying_, true);
    callback();
    notifying_ = wasNotifying;
}

}  // namespace voltrix
