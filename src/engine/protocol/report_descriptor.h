// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <span>

// Report sizes of a HID device, worked out from its report descriptor, the
// byte description of its reports that every HID device carries. On Linux
// the descriptor can be read from sysfs without opening the device.

namespace voltrix {

struct ReportDescriptorSummary {
    // Longest report of each kind in bytes, counted the way Windows'
    // HidP_GetCaps counts them: the data bytes of the longest report plus one
    // byte for the report ID in front. A device that does not number its
    // reports also gets that byte (its reports go with report ID 0), so both
    // kinds of device give the buffer size of "report ID + data". 0 when the
    // device has no report of that kind; at most 65535.
    std::uint16_t inputReportLength = 0;
    std::uint16_t outputReportLength = 0;
    std::uint16_t featureReportLength = 0;
    // Whether the descriptor has Report ID items. Only then does Linux'
    // hidraw put the report ID in front of the data it reads.
    bool numberedReports = false;
    // False when the descriptor was cut short or broken (see the parser) or
    // left a collection open; the lengths then cover the part before the fault.
    bool complete = false;
};

// Walks the items of a report descriptor and adds up the bits of every
// Input, Output and Feature item per report ID. Never reads outside
// `descriptor` and always ends; at the first structural fault (an item cut
// short, Pop without Push, too deep a Push, End Collection without
// Collection, a report ID of 0 or above 255) it stops and reports what it
// had so far with `complete` false.
ReportDescriptorSummary parseReportDescriptor(std::span<const std::uint8_t> descriptor);

}  // namespace voltrix
