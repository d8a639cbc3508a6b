// SPDX-License-Identifier: GPL-3.0-or-later
// The system part of the HID backend where hidapi alone has to do: Windows,
// macOS and the BSDs. Written for them but built and run on Linux only so far.

#include <hidapi/hidapi.h>

#include "device/platform/hid_platform.h"

namespace voltrix {

// hidapi 0.14 rebuilds the descriptor from what the system says of the
// device (Windows keeps no descriptor of its own). Older hidapi cannot, and
// the device's report lengths then stay unknown.
std::optional<std::vector<std::uint8_t>> platformReportDescriptor(const std::string& /*sysfsRoot*/,
                                                                  const std::string& path) {
#if HID_API_VERSION >= HID_API_MAKE_VERSION(0, 14, 0)
    hid_device* device = hid_open_path(path.c_str());
    if (device == nullptr) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes(HID_API_MAX_REPORT_DESCRIPTOR_SIZE);
    const int size = hid_get_report_descriptor(device, bytes.data(), bytes.size());
    hid_close(device);
    if (size < 0) {
        return std::nullopt;
    }
    bytes.resize(static_cast<std::size_t>(size));
    return bytes;
#else
    (void)path;
    return std::nullopt;
#endif
}

bool platformGrantsAccess(const std::string& /*path*/) {
    return true;
}

// Windows (RegisterDeviceNotification) and macOS (IOHIDManager matching
// callbacks) have notices of their own; until they are wired up the backend
// polls, which finds a module within its poll interval.
std::unique_ptr<DeviceChangeMonitor> startDeviceChangeMonitor(std::function<void()> /*onChange*/) {
    return nullptr;
}

}  // namespace voltrix
