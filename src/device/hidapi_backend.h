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

// The real HID devices of a Linux computer: hidapi (hidraw) lists, opens,
// reads and writes them, sysfs gives their report descriptors, and udev tells
// when devices come and go.

struct hid_device_info;  // an entry of hidapi's device list
struct udev;
struct udev_monitor;
class QSocketNotifier;
class QTimer;

namespace voltrix {

struct HidapiBackendOptions {
    // Where sysfs is mounted. Report descriptors are read from
    // <sysfsRoot>/class/hidraw/<node>/device/report_descriptor.
    std::string sysfsRoot = "/sys";
    // Watch udev's events; otherwise, or when no udev daemon runs, poll.
    bool useUdev = true;
    // Short enough that a module plugged in is connected within a second.
    int pollIntervalMs = 500;
};

// One per program: its end calls hid_exit(), which frees hidapi's global state.
class HidapiBackend final : public HidBackend {
public:
    enum class ChangeWatch { None, Udev, Polling };

    explicit HidapiBackend(HidapiBackendOptions options = {});
    // Stops watching; must run on the thread that called watchDeviceChanges().
    ~HidapiBackend() override;
    HidapiBackend(const HidapiBackend&) = delete;
    HidapiBackend& operator=(const HidapiBackend&) = delete;

    // hidapi lists a device once per top-level collection; each path is
    // listed once. `readWriteAccess` is access(2) with R_OK | W_OK on the
    // device node: it honours the permission bits and the ACL that udev's
    // uaccess tag grants, without opening (and so waking) every device.
    // Report lengths are 0 when sysfs has no readable descriptor for a node.
    std::vector<HidDeviceInfo> enumerate() override;

    // Opens the device twice, one handle for the reader thread and one for
    // writing, so that no hidapi handle is ever used by two threads.
    std::unique_ptr<HidConnection> open(const std::string& path) override;

    // A udev monitor on the hidraw subsystem, watched by the calling thread's
    // event loop; without udev, a timer that calls `onChange` every
    // `pollIntervalMs`. `onChange` may itself stop or replace the watch, but
    // must not destroy the backend.
    void watchDeviceChanges(std::function<void()> onChange) override;

    ChangeWatch changeWatch() const;

    // The device list that enumerate() makes of hidapi's list.
    std::vector<HidDeviceInfo> describeDevices(const hid_device_info* first);

private:
    bool startUdevMonitor();
    void releaseUdev();
    void stopWatching();
    void notifyChange();
    bool numberedReports(const std::string& path) const;

    HidapiBackendOptions options_;
    // Whether each device of the last listing numbers its reports; the
    // fallback when the descriptor cannot be read at open().
    std::map<std::string, bool> numberedByPath_;
    std::function<void()> onChange_;
    udev* udev_ = nullptr;
    udev_monitor* monitor_ = nullptr;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::unique_ptr<QTimer> pollTimer_;
    bool notifying_ = false;
};

// The report descriptor of a hidraw node such as /dev/hidraw3 from sysfs;
// nothing when the path is not a hidraw node or the file cannot be read.
std::optional<std::vector<std::uint8_t>> readReportDescriptor(const std::string& sysfsRoot,
                                                              const std::string& devicePath);

// One input report read by `readData` (which reads into the given bytes and
// returns the count, 0 on timeout, negative on failure) delivered as report
// ID + data: hidraw puts the report ID in front only for a device that
// numbers its reports, so report ID 0 is put in front for the others. Returns
// the bytes in `buffer`, 0 when nothing came, -1 on failure or when `buffer`
// has no room for a report ID and one data byte.
int readReportWithId(std::span<std::uint8_t> buffer, bool numberedReports,
                     const std::function<int(std::uint8_t*, std::size_t)>& readData);

}  // namespace voltrix
