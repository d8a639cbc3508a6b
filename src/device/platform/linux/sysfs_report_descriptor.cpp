// SPDX-License-Identifier: GPL-3.0-or-later
#include "device/platform/linux/sysfs_report_descriptor.h"

#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <string_view>

#include "device/platform/hid_platform.h"

namespace voltrix {
namespace {

// Kernel descriptors are at most 4 KiB; anything beyond this is not a
// descriptor and is cut (the parser then reports it incomplete).
constexpr std::streamsize kMaxDescriptorBytes = 64 * 1024;

// "hidraw" followed by digits, the only node names hidapi's hidraw backend
// lists; anything else would not name a sysfs directory of ours.
bool isHidrawNode(const std::string& name) {
    constexpr std::string_view kPrefix = "hidraw";
    return name.size() > kPrefix.size() && name.compare(0, kPrefix.size(), kPrefix) == 0 &&
           std::all_of(name.begin() + kPrefix.size(), name.end(),
                       [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

std::optional<std::vector<std::uint8_t>> readReportDescriptor(const std::string& sysfsRoot,
                                                              const std::string& devicePath) {
    const std::size_t slash = devicePath.find_last_of('/');
    const std::string node = slash == std::string::npos ? devicePath : devicePath.substr(slash + 1);
    if (!isHidrawNode(node)) {
        return std::nullopt;
    }
    std::ifstream file(sysfsRoot + "/class/hidraw/" + node + "/device/report_descriptor",
                       std::ios::binary);
    if (!file) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes(kMaxDescriptorBytes);
    file.read(reinterpret_cast<char*>(bytes.data()), kMaxDescriptorBytes);
    if (file.bad()) {
        return std::nullopt;
    }
    bytes.resize(static_cast<std::size_t>(file.gcount()));
    return bytes;
}

std::optional<std::vector<std::uint8_t>> platformReportDescriptor(const std::string& sysfsRoot,
                                                                  const std::string& path) {
    return readReportDescriptor(sysfsRoot, path);
}

// access(2) honours the permission bits and the ACL that udev's uaccess tag
// grants.
bool platformGrantsAccess(const std::string& path) {
    return ::access(path.c_str(), R_OK | W_OK) == 0;
}

}  // namespace voltrix
