// SPDX-License-Identifier: GPL-3.0-or-later
// Device-change notices from udev, for the hidraw subsystem.

#include <fcntl.h>
#include <libudev.h>
#include <unistd.h>

#include <QSocketNotifier>

#include "device/platform/hid_platform.h"

namespace voltrix {
namespace {

// Events handled per wake-up; the notifier fires again for the rest.
constexpr int kMaxEventsPerWakeUp = 256;
// udev's control socket exists while the udev daemon runs. Without the daemon
// libudev's monitor never reports anything.
constexpr const char* kUdevControlSocket = "/run/udev/control";

class UdevChangeMonitor final : public DeviceChangeMonitor {
public:
    ~UdevChangeMonitor() override {
        if (notifier_ != nullptr) {
            notifier_->setEnabled(false);  // before udev closes the socket below
            delete notifier_;
        }
        if (monitor_ != nullptr) {
            udev_monitor_unref(monitor_);
        }
        if (udev_ != nullptr) {
            udev_unref(udev_);
        }
    }

    bool start(std::function<void()> onChange) {
        udev_ = udev_new();
        if (udev_ != nullptr) {
            monitor_ = udev_monitor_new_from_netlink(udev_, "udev");
        }
        int fd = -1;
        if (monitor_ != nullptr &&
            udev_monitor_filter_add_match_subsystem_devtype(monitor_, "hidraw", nullptr) >= 0 &&
            udev_monitor_enable_receiving(monitor_) >= 0) {
            fd = udev_monitor_get_fd(monitor_);
        }
        // Draining reads until the socket is empty, so it must not block.
        const int flags = fd >= 0 ? ::fcntl(fd, F_GETFL) : -1;
        if (flags < 0 || ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) < 0) {
            return false;
        }
        notifier_ = new QSocketNotifier(fd, QSocketNotifier::Read, this);
        QObject::connect(notifier_, &QSocketNotifier::activated, this,
                         [this, onChange = std::move(onChange)] {
                             for (int i = 0; i < kMaxEventsPerWakeUp; ++i) {
                                 udev_device* device = udev_monitor_receive_device(monitor_);
                                 if (device == nullptr) {
                                     break;
                                 }
                                 udev_device_unref(device);
                             }
                             onChange();
                         });
        return true;
    }

private:
    udev* udev_ = nullptr;
    udev_monitor* monitor_ = nullptr;
    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace

std::unique_ptr<DeviceChangeMonitor> startDeviceChangeMonitor(std::function<void()> onChange) {
    if (::access(kUdevControlSocket, F_OK) != 0) {
        return nullptr;
    }
    auto monitor = std::make_unique<UdevChangeMonitor>();
    if (!monitor->start(std::move(onChange))) {
        return nullptr;
    }
    return monitor;
}

}  // namespace voltrix
