// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include <QString>

// The operating system's HID support as the program needs it: list the
// present devices, open one, read its input reports, write output reports, and
// hear when devices come and go. Two implementations exist: the real one
// (hidapi and udev) and the virtual VOLTRIX module used by the tests and the
// demo program.

namespace voltrix {

struct HidDeviceInfo {
    std::string path;  // identifies the device while it is present
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    QString productString;  // empty when the device has none
    // Longest input and output report in bytes, report ID byte included.
    std::uint16_t inputReportLength = 0;
    std::uint16_t outputReportLength = 0;
    // Whether the device can be opened for reading and writing; a device
    // without access is listed by its identity only and never opened.
    bool readWriteAccess = false;

    friend bool operator==(const HidDeviceInfo&, const HidDeviceInfo&) = default;
};

// An opened device. read() and write() may be called from different threads
// at the same time (one reader thread, the session's thread writing).
class HidConnection {
public:
    virtual ~HidConnection() = default;

    // Waits up to `timeoutMs` for one input report and copies it into
    // `buffer`, report ID first (0 for a device that does not number its
    // reports). Returns the number of bytes copied, 0 when none came in time,
    // -1 when the device failed (for example it was unplugged).
    virtual int read(std::span<std::uint8_t> buffer, int timeoutMs) = 0;

    // Writes one output report, report ID first. Returns false on failure.
    virtual bool write(std::span<const std::uint8_t> report) = 0;

    // Whether read() still hands out the reports the system held when the
    // device went away, and returns -1 only after them. Only then may the
    // reader let reports gather between reads without losing any at an
    // unplug.
    virtual bool keepsReportsPastUnplug() const { return false; }
};

class HidBackend {
public:
    virtual ~HidBackend() = default;

    // The HID devices present now.
    virtual std::vector<HidDeviceInfo> enumerate() = 0;

    // Opens a listed device for reading and writing; nullptr when that fails.
    virtual std::unique_ptr<HidConnection> open(const std::string& path) = 0;

    // `onChange` is called whenever the set of devices may have changed (the
    // receiver lists the devices again and compares): on the thread of the
    // backend's creator or of the caller, whichever the backend watches
    // from, so a receiver on another thread posts it to its own. Called once
    // with an empty function to stop notifications, on the caller's thread,
    // while the thread that tells is not telling.
    virtual void watchDeviceChanges(std::function<void()> onChange) = 0;
};

}  // namespace voltrix
