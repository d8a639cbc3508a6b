// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <span>

// The report descriptor the virtual module shows the kernel: one vendor-defined
// application collection with report ID 1 for both directions, 64 data bytes
// each way. Report lengths with the ID are 65, as the real module's.

namespace voltrix {

std::span<const std::uint8_t> moduleReportDescriptor();

}  // namespace voltrix
