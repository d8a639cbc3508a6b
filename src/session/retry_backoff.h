// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <algorithm>
#include <chrono>

// The waits between attempts that keep failing: the first wait, doubled
// after every further failure up to the longest, so that something gone for
// good costs little while something back soon is found soon.

namespace voltrix {

class RetryBackoff {
public:
    using Wait = std::chrono::milliseconds;

    constexpr RetryBackoff(Wait first, Wait longest) : first_(first), longest_(longest) {}

    // The wait before the next attempt; the one after it is twice as long.
    Wait next() {
        const Wait wait = next_;
        next_ = std::min(next_ * 2, longest_);
        return wait;
    }

    // After a success or a change: the next wait is the first again.
    void reset() { next_ = first_; }

private:
    Wait first_;
    Wait longest_;
    Wait next_ = first_;
};

}  // namespace voltrix
