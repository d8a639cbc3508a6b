// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/device_link.h"

#include <algorithm>
#include <utility>

#include <QTimer>

#include "device/device_controller.h"
#include "engine/parameters/parameters.h"

namespace voltrix {
namespace {

const QString kModuleProduct = QStringLiteral("VOLTRIX");

QString listedName(const HidDeviceInfo& info) {
    return info.productString.isEmpty()
               ? QString::asprintf("Device VID=%04X PID=%04X", info.vendorId, info.productId)
               : info.productString;
}

}  // namespace

bool deviceListOrder(const QString& left, const QString& right) {
    const int order = QString::compare(left, right, Qt::CaseInsensitive);
    return order != 0 ? order < 0 : QString::compare(left, right) < 0;
}

DeviceLink::DeviceLink(HidBackend& backend, ReportHandler onReport, QObject* parent)
    : DeviceLink(backend, std::move(onReport), Options{}, parent) {}

DeviceLink::DeviceLink(HidBackend& backend, ReportHandler onReport, Options options,
                       QObject* parent)
    : QObject(parent),
      JvHidDeviceController1(std::make_unique<DeviceController>(backend, this)),
      onReport_(std::move(onReport)),
      retryTimer_(std::move(options.retryTimer)),
      readCount_(std::move(options.readCount)) {
    if (!retryTimer_) {
        retryTimer_ = [this](std::chrono::milliseconds wait, std::function<void()> retry) {
            QTimer::singleShot(wait, this, std::move(retry));
        };
    }
    connect(JvHidDeviceController1.get(), &DeviceController::deviceChange, this,
            &DeviceLink::JvHidDeviceController1DeviceChange);
}

DeviceLink::~DeviceLink() {
    stop();
}

void DeviceLink::start() {
    if (JvHidDeviceController1) {
        JvHidDeviceController1->start();
    }
}

void DeviceLink::stop() {
    if (!JvHidDeviceController1) {
        return;
    }
    // The readers stop before the handler they call goes.
    cancelRetry();
    disconnect();
    for (HidDevice* device : listed_) {
        JvHidDeviceController1->release(device);
    }
    listed_.clear();
    JvHidDeviceController1.reset();
}

std::uint64_t DeviceLink::droppedReports() const {
    return retiredDrops_.load(std::memory_order_relaxed) +
           currentDrops_.load(std::memory_order_relaxed);
}

std::string DeviceLink::connectedPath() const {
    return connected() && current_device != nullptr ? current_device->info().path : std::string();
}

std::size_t DeviceLink::deviceCount() const {
    return JvHidDeviceController1 ? JvHidDeviceController1->deviceCount() : 0;
}

void DeviceLink::send(CommandKind kind, std::span<const std::uint8_t> payload) {
    sender_.SendCommand(kind, payload);
}

void DeviceLink::takeDroppedCount() {
    if (current_device != nullptr) {
        currentDrops_.store(current_device->droppedReports(), std::memory_order_relaxed);
    }
}

void DeviceLink::takeFailureCount() {
    failures_.store(JvHidDeviceController1->failureCount(), std::memory_order_relaxed);
}

void DeviceLink::disconnect() {
    if (current_device != nullptr) {
        current_device->setDataHandler(nullptr);
        takeDroppedCount();
        retiredDrops_.fetch_add(currentDrops_.exchange(0, std::memory_order_relaxed),
                                std::memory_order_relaxed);
    }
    current_device = nullptr;
    sender_.setDevice(nullptr);
    connected_.store(false, std::memory_order_relaxed);
}

// Every present device is listed, and checked out so that it can be read.
bool DeviceLink::JvHidDeviceController1Enumerate(HidDevice& device, int index) {
    entries_.emplace_back(listedName(device.info()), JvHidDeviceController1->checkOut(index));
    return true;
}

void DeviceLink::JvHidDeviceController1DeviceChange() {
    cancelRetry();
    disconnect();
    for (HidDevice* device : listed_) {
        JvHidDeviceController1->release(device);
    }
    listed_.clear();

    entries_.clear();
    JvHidDeviceController1->enumerate([this](HidDevice& device, int index) {
        return JvHidDeviceController1Enumerate(device, index);
    });
    std::vector<std::pair<QString, HidDevice*>> entries = std::exchange(entries_, {});
    std::stable_sort(entries.begin(), entries.end(), [](const auto& left, const auto& right) {
        return deviceListOrder(left.first, right.first);
    });

    QStringList names;
    for (const auto& [name, device] : entries) {
        names.push_back(name);
        listed_.push_back(device);
    }

    // Every module is connected in turn; the last one in the list stays. A
    // module without access is listed but not connected, and not tried
    // again; one with access that would not open is tried again later.
    for (const auto& [name, device] : entries) {
        if (name != kModuleProduct || device == nullptr) {
            continue;
        }
        disconnect();
        const bool reads = connectModule(device);
        unopened_ = !reads && device->info().readWriteAccess ? device : nullptr;
    }
    // A failed read makes the controller list again, and a failed open is
    // counted here, so the count is current whenever the list is told.
    takeFailureCount();
    if (unopened_ != nullptr) {
        scheduleRetry();
    }
    names_ = names;
    emit devicesListed(names, connected());
}

bool DeviceLink::connectModule(HidDevice* device) {
    current_device = device;
    current_device->countReadsIn(readCount_);
    current_device->setDataHandler(
        [this](HidDevice&, std::uint8_t, std::span<const std::uint8_t> data) {
            takeDroppedCount();
            onReport_(data);
        });
    if (!current_device->reading()) {
        disconnect();
        return false;
    }
    sender_.setDevice(current_device);
    connected_.store(true, std::memory_order_relaxed);
    sender_.RequestParameter(static_cast<std::uint8_t>(ParamId::FirmwareVersion), 0);
    return true;
}

void DeviceLink::scheduleRetry() {
    retryTimer_(backoff_.next(), [this, round = retryRound_] {
        if (round == retryRound_) {
            retryOpen();
        }
    });
}

void DeviceLink::retryOpen() {
    HidDevice* device = std::exchange(unopened_, nullptr);
    if (device == nullptr || !JvHidDeviceController1) {
        return;
    }
    const bool reads = connectModule(device);
    takeFailureCount();
    if (!reads) {
        unopened_ = device;
        scheduleRetry();
        return;
    }
    // The devices are the same; the connection is new.
    backoff_.reset();
    emit devicesListed(names_, true);
}

void DeviceLink::cancelRetry() {
    ++retryRound_;
    unopened_ = nullptr;
    backoff_.reset();
}

}  // namespace voltrix
