// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <bitset>
#include <cstdint>
#include <string>

#include "engine/logging/wall_clock.h"
#include "engine/protocol/measurement.h"

// One line of the measurement file: the chosen columns in a fixed order, each
// ended by ";", then CR LF. No header, no units.

namespace voltrix {

// Columns in the order they stand in the line (and in the window, from the
// top). `Output` stands for the six output-state columns.
enum class LogColumn {
    Date,
    Time,
    Counter,
    CounterModulo,
    Adc1,
    Adc2,
    Adc3,
    Adc4,
    Adc1Average,
    Adc2Average,
    Adc3Average,
    Adc4Average,
    Enc1Position,
    Enc2Position,
    Enc1Velocity,
    Enc2Velocity,
    Math1,
    Math2,
    Output,
};
inline constexpr std::size_t kLogColumnCount = 19;

struct LogLineSettings {
    std::bitset<kLogColumnCount> columns;
    int decimals = 2;
    std::uint32_t modDivisor = 1;  // 0 makes the counter-modulo column "---;"
    std::string decimalSeparator = ".";

    bool has(LogColumn column) const { return columns.test(static_cast<std::size_t>(column)); }
    void set(LogColumn column, bool on = true) {
        columns.set(static_cast<std::size_t>(column), on);
    }
};

// Replaces `line` with the line for one measurement report. `measurementCount`
// is the number of measurement reports handled before this one. Reuses the
// capacity of `line`.
void BuildLogLine(std::string& line, const LogLineSettings& settings, const ClockReading& clock,
                  std::uint32_t measurementCount, const Measurement& measurement);

}  // namespace voltrix
