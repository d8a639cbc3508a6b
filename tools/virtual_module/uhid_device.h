// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <linux/uhid.h>

#include <cstdint>
#include <optional>
#include <span>
#include <string>

// A HID device made by this program through Linux' /dev/uhid: the kernel
// lists it like any other HID device and gives it a hidraw node. Input
// reports are written to the control node; output reports and the kernel's
// other requests come back from it as events.

namespace voltrix {

struct UhidDeviceIdentity {
    std::string name;  // what hidapi shows as the product string; at most 127 bytes
    std::uint16_t bus = 0;
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
};

// The UHID_CREATE2 event for a device. The descriptor must fit the event
// (HID_MAX_DESCRIPTOR_SIZE bytes); a longer name is cut.
uhid_event makeCreateEvent(const UhidDeviceIdentity& identity,
                           std::span<const std::uint8_t> descriptor);

// The UHID_INPUT2 event carrying one input report, report ID first.
uhid_event makeInputEvent(std::span<const std::uint8_t> report);

class UhidDevice {
public:
    // Opens the control node, non-blocking. Throws std::system_error.
    explicit UhidDevice(const std::string& controlPath = "/dev/uhid");
    // Unplugs the device if it still exists.
    ~UhidDevice();
    UhidDevice(const UhidDevice&) = delete;
    UhidDevice& operator=(const UhidDevice&) = delete;

    // For poll(): readable when the kernel has an event.
    int fd() const { return fd_; }

    // Writes one event (UHID_CREATE2, UHID_INPUT2, a reply). Throws
    // std::system_error.
    void send(const uhid_event& event);

    // The next event of the kernel, or nothing when none is waiting. Throws
    // std::system_error.
    std::optional<uhid_event> readEvent();

    // UHID_DESTROY: the kernel removes the device at once. Closing the
    // control node would do the same; this says it explicitly.
    void destroy();

private:
    int fd_ = -1;
    bool created_ = false;
};

}  // namespace voltrix
