// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "device/hid_backend.h"
#include "device/virtual/virtual_module.h"

class QObject;

// A virtual HID bus for the tests and the demo program. Devices are plugged and
// unplugged by calls; every change is announced like the real thing does, on
// the Qt thread that created the bus. A plugged VOLTRIX module is backed by a
// VirtualModule: while it is opened it streams measurement reports from a
// thread of its own, one every TriggerTime milliseconds on a steady schedule,
// and the firmware model answers the output reports written to it.
//
// Every opened connection keeps its own bounded input queue like the kernel's:
// 64 reports; while it is full, new reports are dropped and counted. Answers
// to writes enter the same queue, in order with the measurements. All input
// reports carry report ID 1 first and are 65 bytes long; write() accepts only
// 65-byte reports with report ID 1 (anything else returns false). After an
// unplug the connection's read() still returns the reports queued before, as
// hidraw does, and -1 once none are left; write() returns false.
//
// Other devices are identity only, or, with read/write access, open to a
// connection that never receives anything and accepts every write of the
// device's output report length.
//
// Thread safety: every member may be called from any thread. Destroy the bus
// on the thread that created it, after the connections it opened; destroying
// it unplugs every device and stops every stream.

namespace voltrix {

class VirtualDevice;

class VirtualHidBackend : public HidBackend {
public:
    static constexpr std::uint16_t kModuleVendorId = 0x0483;
    static constexpr std::uint16_t kModuleProductId = 0x5750;
    static constexpr std::size_t kQueueCapacity = 64;

    VirtualHidBackend();
    ~VirtualHidBackend() override;

    VirtualHidBackend(const VirtualHidBackend&) = delete;
    VirtualHidBackend& operator=(const VirtualHidBackend&) = delete;

    // --- HidBackend -----------------------------------------------------
    // Devices are listed in the order they were plugged.
    std::vector<HidDeviceInfo> enumerate() override;
    std::unique_ptr<HidConnection> open(const std::string& path) override;
    // Calls `onChange` after every plug and unplug (not on installation).
    void watchDeviceChanges(std::function<void()> onChange) override;

    // --- Scripting --------------------------------------------------------
    // Each call returns the new device's path; a path is never used twice, so
    // a device plugged in again is a new device.

    // A VOLTRIX module: a fresh one, or `module` (for example one unplugged
    // before, which keeps its configuration like the real one does).
    std::string plugModule(std::shared_ptr<VirtualModule> module = nullptr);
    // A VOLTRIX module that cannot be opened for reading and writing (on Linux:
    // the udev rule is missing). open() returns nullptr.
    std::string plugModuleWithoutAccess();
    // A device without a product string, with read/write access.
    std::string plugDeviceWithoutProductString(std::uint16_t vendorId, std::uint16_t productId);
    // "USB Optical Mouse", 046D:C077, without read/write access.
    std::string plugMouse();
    // Any other device; `info.path` is assigned by the bus.
    std::string plugDevice(HidDeviceInfo info);

    // Unplugs a device; false if no device of that path is plugged.
    bool unplug(const std::string& path);
    // Unplugs a device and plugs it back under the same path faster than any
    // listing notices, as the kernel does when it hands the new device the
    // node the old one left: open connections fail as after an unplug, the
    // listing looks unchanged, and no change is announced. A module keeps its
    // firmware model. False if no device of that path is plugged.
    bool replugUnnoticed(const std::string& path);

    // --- Inspection -------------------------------------------------------
    // The firmware model of a plugged module; nullptr for other devices and
    // unknown paths. It stays valid after the unplug.
    std::shared_ptr<VirtualModule> module(const std::string& path) const;
    // Reports dropped because a connection's queue was full, over all
    // connections the device has had since it was plugged.
    std::uint64_t droppedReports(const std::string& path) const;
    // Connections of the device that are open now.
    std::size_t openConnections(const std::string& path) const;
    // Every output report written to the device since it was plugged.
    std::vector<std::vector<std::uint8_t>> writtenReports(const std::string& path) const;

private:
    std::shared_ptr<VirtualDevice> find(const std::string& path) const;
    std::string plug(HidDeviceInfo info, std::shared_ptr<VirtualModule> module);
    void notifyChange();

    std::unique_ptr<QObject> notifier_;  // lives on the creating thread
    mutable std::mutex mutex_;
    std::vector<std::shared_ptr<VirtualDevice>> devices_;
    std::function<void()> onChange_;
    std::uint64_t nextDeviceNumber_ = 1;
};

}  // namespace voltrix
