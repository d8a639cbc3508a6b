// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/logging/wall_clock.h"

#include <ctime>

namespace voltrix {
namespace {

ClockReading brokenDown(std::int64_t secondsSinceEpoch) {
    const auto seconds = static_cast<std::time_t>(secondsSinceEpoch);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &seconds);
#else
    localtime_r(&seconds, &local);
#endif
    ClockReading reading;
    reading.year = local.tm_year + 1900;
    reading.month = local.tm_mon + 1;
    reading.day = local.tm_mday;
    reading.hour = local.tm_hour;
    reading.minute = local.tm_min;
    reading.second = local.tm_sec;
    return reading;
}

struct SplitInstant {
    std::int64_t seconds;
    int millisecond;
};

SplitInstant split(std::chrono::system_clock::time_point instant) {
    using namespace std::chrono;
    const auto ms = duration_cast<milliseconds>(instant.time_since_epoch()).count();
    // Floor division, so instants before 1970 split correctly too.
    std::int64_t seconds = ms / 1000;
    std::int64_t rest = ms % 1000;
    if (rest < 0) {
        rest += 1000;
        --seconds;
    }
    return {seconds, static_cast<int>(rest)};
}

}  // namespace

ClockReading toLocalClock(std::chrono::system_clock::time_point instant) {
    const SplitInstant parts = split(instant);
    ClockReading reading = brokenDown(parts.seconds);
    reading.millisecond = parts.millisecond;
    return reading;
}

ClockReading LocalClock::now() {
    const SplitInstant parts = split(std::chrono::system_clock::now());
    if (parts.seconds != cachedSecond_) {
        cached_ = brokenDown(parts.seconds);
        cachedSecond_ = parts.seconds;
    }
    ClockReading reading = cached_;
    reading.millisecond = parts.millisecond;
    return reading;
}

}  // namespace voltrix
