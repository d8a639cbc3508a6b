// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>

// When the virtual module's next measurement report is due, for both places
// that stream it (the virtual HID bus and voltrix-virtual-module): one
// interval after the other on the steady clock, so that the average rate is
// exact even when single wake-ups come late. After a stall longer than
// kMaxLag (a busy machine, a debugger) a new schedule starts instead of the
// missed reports going out at once: at 1 ms per report the catch-up stays
// well below the kernel's input queue of 64 reports, which a burst sent
// faster than any bus could overrun.

namespace voltrix {

class ReportSchedule {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds kMaxLag{20};

    // The first report is due one interval after `start`.
    explicit ReportSchedule(Clock::time_point start) : last_(start) {}

    Clock::time_point due(Clock::duration interval) const { return last_ + interval; }

    // The report due at `interval` went out at `now` (not before it was due).
    void sent(Clock::time_point now, Clock::duration interval) {
        const Clock::time_point wasDue = due(interval);
        last_ = now - wasDue > kMaxLag ? now : wasDue;
    }

private:
    Clock::time_point last_;  // when the last report was due, or the start
};

}  // namespace voltrix
