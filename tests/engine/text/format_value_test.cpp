// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/text/format_value.h"

#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <cmath>
#include <limits>

namespace voltrix {
namespace {

struct FormatCase {
    double value;
    int decimals;
    const char* expected;
};

void PrintTo(const FormatCase& c, std::ostream* os) {
    *os << c.value << " with " << c.decimals << " decimals";
}

class FormatValueCases : public ::testing::TestWithParam<FormatCase> {};

TEST_P(FormatValueCases, WithAPointAsSeparator) {
    const FormatCase& c = GetParam();
    EXPECT_EQ(FormatValueUtf8(c.value, c.decimals, "."), c.expected);
}

const double kNegativeNan = std::bit_cast<double>(0xFFF8000000000000ull);

INSTANTIATE_TEST_SUITE_P(
    Rounding, FormatValueCases,
    ::testing::Values(
        // Ties away from zero at the last decimal.
        FormatCase{2.5, 0, "3"}, FormatCase{-2.5, 0, "-3"}, FormatCase{0.5, 0, "1"},
        FormatCase{0.125, 2, "0.13"}, FormatCase{1.6, 0, "2"}, FormatCase{-0.6, 0, "-1"},
        // Values that round to zero carry no sign; -0 is written as 0.
        FormatCase{-0.001, 2, "0.00"}, FormatCase{-0.006, 2, "-0.01"}, FormatCase{-0.0, 2, "0.00"},
        FormatCase{-0.4, 0, "0"}, FormatCase{-5e-324, 4, "0.0000"},
        // The exact binary value decides: 0.15 is stored just below 0.15, 0.05 just above.
        FormatCase{0.15, 1, "0.1"}, FormatCase{0.05, 1, "0.1"},
        // Floats widened without change; their binary tail never shows.
        FormatCase{double(0.1f), 4, "0.1000"}, FormatCase{double(12345.678f), 2, "12345.68"},
        FormatCase{double(16777216.0f), 4, "16777216.0000"}, FormatCase{double(-3.0f), 3, "-3.000"},
        // At most 15 significant digits; places after them are zeros.
        FormatCase{123456789012.3456, 4, "123456789012.3460"},
        FormatCase{999999999999999.4, 2, "999999999999999.00"},
        FormatCase{999999999999999.5, 1, "1000000000000000.0"},
        FormatCase{0.000123456789012345678, 4, "0.0001"},
        // Out-of-range decimals are taken within 0..15.
        FormatCase{1.25, -3, "1"}, FormatCase{0.1, 20, "0.100000000000000"},
        // Non-finite values.
        FormatCase{std::numeric_limits<double>::infinity(), 2, "INF"},
        FormatCase{-std::numeric_limits<double>::infinity(), 0, "-INF"},
        FormatCase{std::numeric_limits<double>::quiet_NaN(), 2, "NAN"},
        FormatCase{kNegativeNan, 2, "NAN"},
        // Exponent form from 10^15 on.
        FormatCase{1e15, 2, "1E+15"}, FormatCase{-1.5e15, 0, "-1.5E+15"},
        FormatCase{1000000000000005.0, 2, "1.00000000000001E+15"},
        FormatCase{9999999999999998.0, 2, "1E+16"},
        FormatCase{double(FLT_MAX), 4, "3.40282346638529E+38"},
        FormatCase{-DBL_MAX, 1, "-1.79769313486232E+308"}));

TEST(FormatValue, UsesTheGivenSeparatorEverywhere) {
    EXPECT_EQ(FormatValueUtf8(0.125, 2, ","), "0,13");
    EXPECT_EQ(FormatValueUtf8(-1500000000000020.0, 2, ","), "-1,50000000000002E+15");
    EXPECT_EQ(FormatValueUtf8(2.5, 1, "\u066B"), "2\u066B5");
    EXPECT_EQ(FormatValueUtf8(2.5, 0, ","), "3");
    EXPECT_EQ(FormatValue(1.5, 2, QStringLiteral(",")), QStringLiteral("1,50"));
}

}  // namespace
}  // namespace voltrix
