// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QObject>

#include "device/hid_backend.h"

// What the real HID backend needs from the operating system beyond what
// hidapi does the same everywhere. One implementation per system, chosen by
// the build: linux/ (sysfs, access(2), udev) and portable/ (hidapi's own
// descriptor call and polling: Windows, macOS and the BSDs). Nothing outside
// these folders includes a system's own headers.

namespace voltrix {

// The report descriptor of the device at `path`, as hidapi lists it; nothing
// when the system does not say. `sysfsRoot` is where Linux mounts sysfs.
std::optional<std::vector<std::uint8_t>> platformReportDescriptor(const std::string& sysfsRoot,
                                                                  const std::string& path);

// Whether this user may open the device for reading and writing, asked
// without opening (and so waking) it. True where the system cannot say
// without opening; opening then tells.
bool platformGrantsAccess(const std::string& path);

// Opens the device at `path` for reading and writing; nullptr when that
// fails. `numberedReports`: its reports start with their report ID.
std::unique_ptr<HidConnection> platformOpenDevice(const std::string& path, bool numberedReports);

// hidapi on Windows puts the report ID (0 when the device does not number
// its reports) in front of every input report; hidraw and macOS put it there
// only for a device that numbers its reports.
#if defined(_WIN32)
inline constexpr bool kReadsCarryReportId = true;
#else
inline constexpr bool kReadsCarryReportId = false;
#endif

// Tells of devices coming and going, on the event loop of the thread that
// started it, for as long as it lives. A QObject so that it may be deleted
// later from inside its own notice.
class DeviceChangeMonitor : public QObject {
public:
    ~DeviceChangeMonitor() override = default;
};

// The system's device-change notices calling `onChange`; nullptr when there
// are none here (Linux without a udev daemon, or a system not wired up yet),
// and the backend polls instead.
std::unique_ptr<DeviceChangeMonitor> startDeviceChangeMonitor(std::function<void()> onChange);

}  // namespace voltrix
