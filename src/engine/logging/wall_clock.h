// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <cstdint>

// One reading of the local wall clock, broken down for the measurement file.

namespace voltrix {

struct ClockReading {
    int year = 0;
    int month = 0;  // 1..12
    int day = 0;    // 1..31
    int hour = 0;   // 0..23
    int minute = 0;
    int second = 0;
    int millisecond = 0;  // 0..999

    friend bool operator==(const ClockReading&, const ClockReading&) = default;
};

// Local time of a system clock instant.
ClockReading toLocalClock(std::chrono::system_clock::time_point instant);

// Reads the local wall clock once per call. The conversion to local time is
// kept for the current second, so reading it for every report costs little;
// time zone and daylight-saving changes fall on whole seconds, so the cache
// never gives a different answer than a fresh conversion.
class LocalClock {
public:
    ClockReading now();

private:
    std::int64_t cachedSecond_ = INT64_MIN;
    ClockReading cached_{};
};

}  // namespace voltrix
