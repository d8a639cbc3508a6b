#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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
    bool help = false;
};

struct ToolOptionsResult {
    std::optional<ToolOptions> options;  // nothing on error
    std::string error;
};

// `arguments` without the program name. Vendor and product ID default to the
// module's own.
ToolOptionsResult parseToolOptions(const std::vector<std::string_view>& arguments);

std::string toolUsage();

}  // namespace voltrix
