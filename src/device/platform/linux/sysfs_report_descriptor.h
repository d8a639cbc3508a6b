// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace voltrix {

// The report descriptor of a hidraw node such as /dev/hidraw3 from sysfs;
// nothing when the path is not a hidraw node or the file cannot be read.
std::optional<std::vector<std::uint8_t>> readReportDescriptor(const std::string& sysfsRoot,
                                                              const std::string& devicePath);

}  // namespace voltrix
