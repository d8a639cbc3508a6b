// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "engine/text/diag_stats_text.h"
#include "qt_printers.h"

namespace voltrix {
namespace {

TEST(DiagStatsTextTest, FifteenLinesWithSignedCountersAndTemperaturesInDegrees) {
    DiagStats stats;
    stats.counters = {18342, -1, 0, 2147483647, -2147483647 - 1, 5, 256, 7, 1};
    stats.temperatures = {235, -5, -32768};

    const QStringList expected = {
        "=====MODBUS STAT=====",
        "BC:  18342",
        "FRA: -1",
        "FRC: 0",
        "TC:  2147483647",
        "FE:  -2147483648",
        "ORE: 5",
        "NE:  256",
        "PE:  7",
        "ID:  1",
        "======TEMPERATURA======",
        "T:   23,5",
        "TMI: -0,5",
        "TMX: -3276,8",
        "============OK=========",
    };
    EXPECT_EQ(diagStatsLines(stats, QStringLiteral(",")), expected);
}

TEST(DiagStatsTextTest, TemperaturesAreTenthsWrittenWithTheGivenSeparator) {
    DiagStats stats;
    stats.temperatures = {0, 1, -1};

    const QStringList lines = diagStatsLines(stats, QStringLiteral("."));

    ASSERT_EQ(lines.size(), kDiagStatsLineCount);
    EXPECT_EQ(lines[11], QStringLiteral("T:   0.0"));
    EXPECT_EQ(lines[12], QStringLiteral("TMI: 0.1"));
    EXPECT_EQ(lines[13], QStringLiteral("TMX: -0.1"));
}

}  // namespace
}  // namespace voltrix
