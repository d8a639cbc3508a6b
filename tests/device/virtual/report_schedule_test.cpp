// SPDX-License-Identifier: GPL-3.0-or-later
#include "device/virtual/report_schedule.h"

#include <gtest/gtest.h>

namespace voltrix {
namespace {

using namespace std::chrono_literals;
using Clock = ReportSchedule::Clock;

// Late wake-ups within the allowed lag keep the reports on their grid, so
// the average rate stays exact; a longer stall starts a new grid instead of
// a burst of the missed reports.
TEST(ReportSchedule, KeepsItsGridThroughLateWakeUpsAndRestartsAfterAStall) {
    const Clock::time_point t0{};
    ReportSchedule schedule(t0);
    EXPECT_EQ(schedule.due(1ms), t0 + 1ms);

    schedule.sent(t0 + 1ms, 1ms);  // on time
    EXPECT_EQ(schedule.due(1ms), t0 + 2ms);
    schedule.sent(t0 + 7ms, 1ms);  // 5 ms late: the next ones catch up
    EXPECT_EQ(schedule.due(1ms), t0 + 3ms);
    schedule.sent(t0 + 7ms, 1ms);
    EXPECT_EQ(schedule.due(1ms), t0 + 4ms);

    schedule.sent(t0 + 4ms + 20ms, 1ms);  // exactly the allowed lag: still the grid
    EXPECT_EQ(schedule.due(1ms), t0 + 5ms);
    schedule.sent(t0 + 500ms, 1ms);  // a stall: a new grid from now
    EXPECT_EQ(schedule.due(1ms), t0 + 501ms);

    // The interval changed (the program wrote TriggerTime): the grid follows.
    EXPECT_EQ(schedule.due(10ms), t0 + 510ms);
    schedule.sent(t0 + 510ms, 10ms);
    EXPECT_EQ(schedule.due(10ms), t0 + 520ms);
}

}  // namespace
}  // namespace voltrix
