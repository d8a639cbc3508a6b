// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/logging/wall_clock.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

namespace voltrix {
namespace {

// Runs a test in a fixed time zone and restores the previous one after it.
class WallClockTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (const char* tz = std::getenv("TZ")) {
            savedTz_ = tz;
            hadTz_ = true;
        }
        setenv("TZ", "UTC", 1);
        tzset();
    }
    void TearDown() override {
        if (hadTz_) {
            setenv("TZ", savedTz_.c_str(), 1);
        } else {
            unsetenv("TZ");
        }
        tzset();
    }

private:
    std::string savedTz_;
    bool hadTz_ = false;
};

TEST_F(WallClockTest, BreaksAnInstantDownToTheMillisecond) {
    using namespace std::chrono;
    // 2026-12-08 09:05:03.042 UTC
    const system_clock::time_point instant{seconds{1796720703} + milliseconds{42}};
    EXPECT_EQ(toLocalClock(instant), (ClockReading{2026, 12, 8, 9, 5, 3, 42}));

    // Before 1970 the millisecond still counts up from the whole second.
    const system_clock::time_point early{milliseconds{-1}};
    EXPECT_EQ(toLocalClock(early), (ClockReading{1969, 12, 31, 23, 59, 59, 999}));
}

TEST_F(WallClockTest, CachedReadingAgreesWithAFreshConversion) {
    LocalClock clock;
    for (int i = 0; i < 3; ++i) {
        const auto before = std::chrono::system_clock::now();
        const ClockReading reading = clock.now();
        const auto after = std::chrono::system_clock::now();
        EXPECT_TRUE(reading == toLocalClock(before) || reading == toLocalClock(after) ||
                    (toLocalClock(before).second != toLocalClock(after).second));
        EXPECT_EQ(reading.year, toLocalClock(after).year);
    }
}

}  // namespace
}  // namespace voltrix
