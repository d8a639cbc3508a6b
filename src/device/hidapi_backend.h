// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "device/hid_backend.h"
#include "device/platform/hid_platform.h"

// The real HID devices of this computer: hidapi lists, opens, reads and
// writes them; the system's part (report descriptors, access, notices of
// devices coming and going) is behind device/platform/hid_platform.h.

struct hid_device_info;  // an entry of hidapi's device list
class QTimer;

namespace voltrix {

struct HidapiBackendOptions {
    // Where Linux mounts sysfs. Report descriptors are read from
    // <sysfsRoot>/class/hidraw/<node>/device/report_descriptor.
    std::string sysfsRoot = "/sys";
    // Watch the system's device notices (udev on Linux); otherwise, or
    // where there are none, poll.
    bool useSystemMonitor = true;
    // Short enough that a module plugged in is connected within a second.
    int pollIntervalMs = 500;
};

// One per program: its end calls hid_exit(), which frees hidapi's global state.
class HidapiBackend final : public HidBackend {
public:
    enum class ChangeWatch { None, SystemMonitor, Polling };

    explicit HidapiBackend(HidapiBackendOptions options = {});
    // Stops watching; must run on the thread that called watchDeviceChanges().
    ~HidapiBackend() override;
    HidapiBackend(const HidapiBackend&) = delete;
    HidapiBackend& operator=(const HidapiBackend&) = delete;

    // hidapi lists a device once per top-level collection; each path is
    // listed once. `readWriteAccess` is the system's answer without opening
    // the device (platformGrantsAccess). Report lengths are 0 when the
    // system gives no descriptor for a device.
    std::vector<HidDeviceInfo> enumerate() override;

    // Opens the device twice, one handle for the reader thread and one for
    // writing, so that no hidapi handle is ever used by two threads.
    std::unique_ptr<HidConnection> open(const std::string& path) override;

    // The system's device notices (udev's, for hidraw, on Linux), watched by
    // the calling thread's event loop; where there are none, a timer that calls `onChange` every
    // `pollIntervalMs`. `onChange` may itself stop or replace the watch, but
    // must not destroy the backend.
    void watchDeviceChanges(std::function<void()> onChange) override;

    ChangeWatch changeWatch() const;

    // The device list that enumerate() makes of hidapi's list.
    std::vector<HidDeviceInfo> describeDevices(const hid_device_info* first);

private:
    void stopWatching();
    void notifyChange();
    bool numberedReports(const std::string& path) const;

    HidapiBackendOptions options_;
    // Whether each device of the last listing numbers its reports; the
    // fallback when the descriptor cannot be read at open().
    std::map<std::string, bool> numberedByPath_;
    std::function<void()> onChange_;
    std::unique_ptr<DeviceChangeMonitor> monitor_;
    std::unique_ptr<QTimer> pollTimer_;
    bool notifying_ = false;
};

// One input report read by `readData` (which reads into the given bytes and
// returns the count, 0 on timeout, negative on failure) delivered as report
// ID + data: hidraw and macOS put the report ID in front only for a device
// that numbers its reports, so report ID 0 is put in front for the others
// (Windows always puts it there: kReadsCarryReportId). Returns
// the bytes in `buffer`, 0 when nothing came, -1 on failure or when `buffer`
// has no room for a report ID and one data byte.
int readReportWithId(std::span<std::uint8_t> buffer, bool numberedReports,
                     const std::function<int(std::uint8_t*, std::size_t)>& readData);

}  // namespace voltrix
