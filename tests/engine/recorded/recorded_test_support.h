// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>

#include "engine/logging/log_line.h"
#include "engine/logging/wall_clock.h"
#include "engine/protocol/measurement.h"
#include "engine/recorded/line_parser.h"

// Shared by the recorded-file tests: lines made by the real writer.

namespace voltrix::test {

inline std::string writtenLine(const LogLineSettings& settings, const ClockReading& clock,
                               std::uint32_t count, const Measurement& m) {
    std::string line;
    BuildLogLine(line, settings, clock, count, m);
    return line;
}

// The calendar date of a day count since 1-1-1970 (the inverse of daysFromCivil).
inline ClockReading clockFromMilliseconds(std::int64_t ms) {
    std::int64_t days = ms / kMillisecondsPerDay;
    std::int64_t rest = ms % kMillisecondsPerDay;
    if (rest < 0) {
        rest += kMillisecondsPerDay;
        --days;
    }
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const auto dayOfEra = static_cast<unsigned>(days - era * 146097);
    const unsigned yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const unsigned mp = (5 * dayOfYear + 2) / 153;
    const unsigned day = dayOfYear - (153 * mp + 2) / 5 + 1;
    const unsigned month = mp < 10 ? mp + 3 : mp - 9;
    const std::int64_t year = static_cast<std::int64_t>(yearOfEra) + era * 400 + (month <= 2);
    ClockReading c;
    c.year = static_cast<int>(year);
    c.month = static_cast<int>(month);
    c.day = static_cast<int>(day);
    c.hour = static_cast<int>(rest / 3'600'000);
    c.minute = static_cast<int>(rest / 60'000 % 60);
    c.second = static_cast<int>(rest / 1000 % 60);
    c.millisecond = static_cast<int>(rest % 1000);
    return c;
}

// A measurement of simple values for line `i`, all quantities distinct.
inline Measurement sampleMeasurement(int i) {
    Measurement m;
    for (int k = 0; k < 4; ++k) {
        m.adc[k].value = static_cast<float>(i) * 0.5f + static_cast<float>(k);
        m.adc[k].average = -static_cast<float>(i) * 0.25f - static_cast<float>(k);
    }
    for (int k = 0; k < 2; ++k) {
        m.enc[k].position = static_cast<float>(i + 100 * k);
        m.enc[k].velocity = static_cast<float>(k) - 0.125f * static_cast<float>(i);
        m.math[k] = static_cast<float>(i % 7) * 1.5f;
    }
    m.outputs = static_cast<std::uint8_t>(i % 64);
    return m;
}

}  // namespace voltrix::test
