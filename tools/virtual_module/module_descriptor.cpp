// SPDX-License-Identifier: GPL-3.0-or-later
#include "virtual_module/module_descriptor.h"

namespace voltrix {
namespace {

constexpr std::uint8_t kDescriptor[] = {
    0x06, 0x00, 0xFF,  // Usage Page (vendor-defined 0xFF00)
    0x09, 0x01,        // Usage (1)
    0xA1, 0x01,        // Collection (Application)
    0x85, 0x01,        //   Report ID (1)
    0x15, 0x00,        //   Logical Minimum (0)
    0x26, 0xFF, 0x00,  //   Logical Maximum (255)
    0x75, 0x08,        //   Report Size (8 bits)
    0x95, 0x40,        //   Report Count (64)
    0x09, 0x02,        //   Usage (2): measurement and answer data
    0x81, 0x02,        //   Input (Data, Variable, Absolute)
    0x09, 0x03,        //   Usage (3): command data
    0x91, 0x02,        //   Output (Data, Variable, Absolute)
    0xC0,              // End Collection
};

}  // namespace

std::span<const std::uint8_t> moduleReportDescriptor() {
    return kDescriptor;
}

}  // namespace voltrix
