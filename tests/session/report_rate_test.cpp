// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>

#include <QString>

#include "engine/protocol/report_receiver.h"
#include "measurement_report.h"
#include "scripted_backend.h"
#include "session/measurement_session.h"
#include "wait_for.h"

namespace voltrix {
namespace {

using namespace std::chrono_literals;

// A steady stream of 250 reports in every interval of the rate display, while
// the session's thread gets to the reader's batches at ever other points of
// the interval: the rate counts the reports read in the interval, however
// many of them the session has handled by the tick.
TEST(ReportRate, ASteadyStreamShowsASteadyRateWhereverTheBatchesFall) {
    constexpr int kPerInterval = 250;
    constexpr int kIntervalMs = 333;
    // Reports of each interval the session handles before its tick.
    const int handledBeforeTick[] = {40, 200, 0, 125, 250, 10};

    testing::ScriptedBackend backend;
    backend.present = {testing::ScriptedBackend::device("/dev/hidraw3", "VOLTRIX")};
    MeasurementSession session(backend);  // on this thread: it runs while events do
    session.start();
    ASSERT_TRUE(testing::waitFor([&] { return session.connected(); }));
    testing::ScriptedLine& line = *backend.line;
    const auto push = [&](int reports) {
        for (int i = 0; i < reports; ++i) {
            line.push(testing::measurementReport(1.0f, 0));
        }
    };
    session.takeReportCount();
    std::uint32_t sent = 0;

    for (const int handled : handledBeforeTick) {
        SCOPED_TRACE(handled);
        push(handled);
        sent += handled;
        ASSERT_TRUE(testing::waitFor([&] { return session.measurementCount() == sent; }));
        // The rest is read, but waits for the session's thread: the tick
        // comes before it gets there.
        push(kPerInterval - handled);
        sent += kPerInterval - handled;
        ASSERT_TRUE(line.waitUntilReadOut(10s));

        EXPECT_EQ(reportRateText(session.takeReportCount(), kIntervalMs, QStringLiteral(","))
                      .toStdString(),
                  "0,7508 kHz");
    }
    ASSERT_TRUE(testing::waitFor([&] { return session.measurementCount() == sent; }));
}

}  // namespace
}  // namespace voltrix
