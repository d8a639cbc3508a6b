// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <bit>
#include <cstdint>
#include <vector>

// A measurement report for tests: every ADC value and average `adc`, math
// values `adc` + 1, encoder velocities and positions `adc` + 2, the given
// output bits.

namespace voltrix::testing {

inline std::vector<std::uint8_t> measurementReport(float adc, std::uint8_t outputs) {
    std::vector<std::uint8_t> report(64, 0);
    auto put = [&report](std::size_t offset, float value) {
        const auto bits = std::bit_cast<std::uint32_t>(value);
        for (int i = 0; i < 4; ++i) {
            report[offset + i] = static_cast<std::uint8_t>(bits >> (8 * i));
        }
    };
    report[1] = static_cast<std::uint8_t>(outputs << 2);
    for (std::size_t encoder : {1u, 10u}) {
        put(encoder + 1, adc + 2);
        put(encoder + 5, adc + 2);
    }
    for (std::size_t block : {19u, 28u, 37u, 46u}) {
        put(block + 1, adc);
        put(block + 5, adc);
    }
    put(55, adc + 1);
    put(59, adc + 1);
    return report;
}

}  // namespace voltrix::testing
