// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include <QStringList>

// The command line of voltrix-virtual-module.

namespace voltrix {

struct ToolOptions {
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    // Real time between two measurement reports; nothing: the module's own
    // report interval (TriggerTime), which follows the program's writes.
    std::optional<std::chrono::milliseconds> interval;
    // Print every output report received to standard output.
    bool echo = false;
};

struct ToolOptionsResult {
    std::optional<ToolOptions> options;  // nothing on an error, --help or --version
    std::string error;                   // why the command line is refused
    std::string text;                    // what --help or --version prints
};

// `arguments` without the program name. Vendor and product ID default to the
// module's own.
ToolOptionsResult parseToolOptions(const QStringList& arguments);

}  // namespace voltrix
