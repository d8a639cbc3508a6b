// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdlib>
#include <fstream>
#include <string>

// A figure of a process's /proc/<pid>/status in kB, such as "VmRSS" or
// "VmHWM" (Linux); -1 when it cannot be read. For the benchmark programs.

namespace voltrix::bench {

inline long statusKilobytes(const std::string& pid, const std::string& key) {
    std::ifstream status("/proc/" + pid + "/status");
    const std::string prefix = key + ':';
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(prefix, 0) == 0) {
            return std::strtol(line.c_str() + prefix.size(), nullptr, 10);
        }
    }
    return -1;
}

// This process's resident memory in kB.
inline long residentKilobytes() {
    return statusKilobytes("self", "VmRSS");
}

}  // namespace voltrix::bench
