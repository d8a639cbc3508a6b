// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// The latest measurement report of the module, in the module's own engineering
// units. The program never computes with these values; it only shows, charts
// and logs them.

namespace voltrix {

struct EncoderReading {
    std::uint8_t mode = 0;  // 0 rev, rev/s; 1 rev, rev/min; 2 mm, mm/s; 3 mm, mm/min
    float velocity = 0.0f;
    float position = 0.0f;
};

struct AdcReading {
    std::uint8_t mode = 0;  // 0 voltage input; any other value current input
    float value = 0.0f;     // instantaneous value
    float average = 0.0f;   // averaged value
};

// The module's transistor outputs: one state bit each in a measurement, one
// rule each in the configuration.
inline constexpr std::size_t kOutputCount = 6;

struct Measurement {
    std::array<EncoderReading, 2> enc{};
    std::array<AdcReading, 4> adc{};
    std::array<float, 2> math{};
    std::uint8_t outputs = 0;  // bit n set: transistor output n + 1 is on (n < kOutputCount)

    bool outputOn(int index) const { return (outputs >> index) & 1u; }
};

// Payload of the most recent input report (the report ID already stripped).
// Never cleared: a shorter report overwrites only its own length.
inline constexpr std::size_t kLastReportSize = 128;
using LastReport = std::array<std::uint8_t, kLastReportSize>;

// Overwrites every field of `out` from the measurement report held in `report`.
// Floats are taken bit for bit: NaN, infinities and -0 pass unchanged.
void DecodeMeasurement(const LastReport& report, Measurement& out);

}  // namespace voltrix
