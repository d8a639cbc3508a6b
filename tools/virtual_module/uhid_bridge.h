// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <linux/uhid.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "device/virtual/virtual_module.h"

// The virtual module's side of a uhid device, without the device itself:
// what to answer each event of the kernel, and the measurement stream.
//
// - Output reports (the program's writes to the hidraw node) go to the
//   firmware model; its answer goes back as an input report.
// - Requests for feature reports, which the module does not have, are
//   refused with EIO, so that the asking program does not wait for the
//   kernel's timeout.
// - The stream runs while the kernel has the device started and opened
//   (someone has its hidraw node open): nobody would see the reports
//   otherwise.

namespace voltrix {

class UhidModuleBridge {
public:
    // `echo`, when given, receives one line per output report received and
    // per answer sent: "output " or "answer " and the bytes in hexadecimal.
    explicit UhidModuleBridge(VirtualModule& module,
                              std::function<void(std::string_view line)> echo = {});

    // The events to write back to the kernel for `event`.
    std::vector<uhid_event> handle(const uhid_event& event);

    bool streaming() const { return started_ && opened_; }

    // Advances the model by one report interval; the measurement report to
    // send, or nothing in the trigger modes that send none.
    std::optional<uhid_event> nextMeasurement();

private:
    std::optional<uhid_event> answerOutputReport(std::span<const std::uint8_t> report);

    VirtualModule& module_;
    std::function<void(std::string_view)> echo_;
    bool started_ = false;
    bool opened_ = false;
};

// "01 02 FF": the bytes in upper-case hexadecimal, separated by blanks.
std::string hexBytes(std::span<const std::uint8_t> bytes);

}  // namespace voltrix
