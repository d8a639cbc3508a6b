#include "virtual_module/tool_options.h"

#include <charconv>
#include <cstdio>

#include "device/virtual/virtual_hid_backend.h"

namespace voltrix {
namespace {

constexpr long kMaxIntervalMs = 60000;

// Hexadecimal with or without 0x, as IDs are usually written.
std::optional<std::uint16_t> parseId(std::string_view text) {
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
    }
    std::uint16_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

std::optional<std::chrono::milliseconds> parseInterval(std::string_view text) {
    long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < 1 ||
        value > kMaxIntervalMs) {
        return std::nullopt;
    }
    return std::chrono::milliseconds(value);
}

}  // namespace

ToolOptionsResult parseToolOptions(const std::vector<std::string_view>& arguments) {
    ToolOptions options;
    options.vendorId = VirtualHidBackend::kModuleVendorId;
    options.productId = VirtualHidBackend::kModuleProductId;
    const auto fail = [](std::string message) { return ToolOptionsResult{{}, std::move(message)}; };

    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string_view name = arguments[i];
        if (name == "--echo") {
            options.echo = true;
            continue;
        }
        if (name == "--help" || name == "-h") {
            options.help = true;
            continue;
        }
        if (name != "--vendor-id" && name != "--product-id" && name != "--interval") {
            return fail("unknown option " + std::string(name));
        }
        if (i + 1 == arguments.size()) {
            return fail(std::string(name) + " needs a value");
        }
        const std::string_view value = arguments[++i];
        if (name == "--interval") {
            options.interval = parseInterval(value);
            if (!options.interval) {
                return fail("--interval takes milliseconds from 1 to " +
                            std::to_string(kMaxIntervalMs) + ", not " + std::string(value));
            }
            continue;
        }
        const std::optional<std::uint16_t> id = parseId(value);
        if (!id) {
            return fail(std::string(name) + " takes a hexadecimal number up to FFFF, not " +
                        std::string(value));
        }
        (name == "--vendor-id" ? options.vendorId : options.productId) = *id;
    }
    return {options, {}};
}

std::string toolUsage() {
    char defaults[160];
    std::snprintf(defaults, sizeof defaults,
                  "  --vendor-id ID   vendor ID, hexadecimal (default %04X)\n"
                  "  --product-id ID  product ID, hexadecimal (default %04X)\n",
                  VirtualHidBackend::kModuleVendorId, VirtualHidBackend::kModuleProductId);
    return std::string(
               "Usage: voltrix-virtual-module [--vendor-id ID] [--product-id ID] "
               "[--interval MS] [--echo]\n"
               "\n"
               "Runs the virtual VOLTRIX module as a kernel HID device through /dev/uhid until\n"
               "Ctrl-C or SIGTERM unplugs it.\n"
               "\n") +
           defaults +
           "  --interval MS    send a measurement report every MS milliseconds (1 to 60000)\n"
           "                   instead of at the module's report interval\n"
           "  --echo           print every output report received to standard output\n";
}

}  // namespace voltrix
