// SPDX-License-Identifier: GPL-3.0-or-later
#include "programs/record/long_timer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <climits>

#include <QElapsedTimer>

#include "wait_for.h"

namespace voltrix {
namespace {

using std::chrono::milliseconds;

// A span beyond what a QTimer takes is counted down whole.
TEST(LongTimer, ASpanBeyondIntMillisecondsIsArmed) {
    LongTimer timer;
    const milliseconds month = std::chrono::hours(24 * 30);
    ASSERT_GT(month.count(), INT_MAX);
    timer.start(month);
    EXPECT_TRUE(timer.isActive());
    EXPECT_GT(timer.remaining().count(), INT_MAX);
    EXPECT_LE(timer.remaining(), month);
    timer.stop();
    EXPECT_FALSE(timer.isActive());
    EXPECT_EQ(timer.remaining(), milliseconds(0));
}

// Waited for in pieces, the span fires once, and not before it is over.
TEST(LongTimer, ASpanOfManyPiecesFiresOnceAtItsEnd) {
    LongTimer timer;
    timer.setPiece(milliseconds(20));
    int fired = 0;
    QObject::connect(&timer, &LongTimer::timeout, [&] { ++fired; });
    QElapsedTimer clock;
    clock.start();
    timer.start(milliseconds(300));
    ASSERT_TRUE(testing::waitFor([&] { return fired > 0; }, 20000));
    EXPECT_GE(clock.elapsed(), 300);
    EXPECT_FALSE(timer.isActive());
    testing::waitFor([] { return false; }, 100);
    EXPECT_EQ(fired, 1);
}

}  // namespace
}  // namespace voltrix
