// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/logging/log_line.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

namespace voltrix {
namespace {

LogLineSettings allColumns(int decimals, std::uint32_t modDivisor, const char* separator) {
    LogLineSettings settings;
    settings.columns.set();
    settings.decimals = decimals;
    settings.modDivisor = modDivisor;
    settings.decimalSeparator = separator;
    return settings;
}

Measurement workedExampleMeasurement() {
    Measurement m;
    const float values[] = {1.5f, 2.25f, 0.0f, 10.0f};
    const float averages[] = {1.375f, 2.125f, 0.5f, 9.75f};
    for (int k = 0; k < 4; ++k) {
        m.adc[k].value = values[k];
        m.adc[k].average = averages[k];
    }
    m.enc[0].position = 12.5f;
    m.enc[1].position = -3.0f;
    m.enc[0].velocity = 0.75f;
    m.enc[1].velocity = 0.0f;
    m.math = {3.75f, -0.5f};
    m.outputs = 0b000101;
    return m;
}

const ClockReading kWorkedExampleClock{2026, 12, 8, 9, 5, 3, 42};

std::string build(const LogLineSettings& settings, std::uint32_t count, const Measurement& m,
                  const ClockReading& clock = kWorkedExampleClock) {
    std::string line = "left over from before";
    BuildLogLine(line, settings, clock, count, m);
    return line;
}

TEST(BuildLogLine, WorkedExampleWithEveryColumn) {
    EXPECT_EQ(build(allColumns(3, 100, ","), 1234, workedExampleMeasurement()),
              "8-12-2026;9:5:3:42;1234;34;1,500;2,250;0,000;10,000;1,375;2,125;0,500;9,750;"
              "12,500;-3,000;0,750;0,000;3,750;-0,500;HI;LO;HI;LO;LO;LO;\r\n");
}

TEST(BuildLogLine, ColumnsStandInTheirFixedOrder) {
    LogLineSettings settings;
    settings.decimals = 1;
    settings.set(LogColumn::Math2);
    settings.set(LogColumn::Adc3Average);
    settings.set(LogColumn::Enc2Velocity);
    settings.set(LogColumn::Time);
    Measurement m;
    m.adc[2].average = 3.0f;
    m.enc[1].velocity = 2.0f;
    m.math[1] = 1.0f;

    EXPECT_EQ(build(settings, 0, m), "9:5:3:42;3.0;2.0;1.0;\r\n");
}

TEST(BuildLogLine, EdgeCases) {
    struct Case {
        const char* name;
        LogLineSettings settings;
        std::uint32_t count;
        Measurement measurement;
        ClockReading clock;
        std::string expected;
    };
    auto only = [](std::initializer_list<LogColumn> columns, int decimals = 2,
                   std::uint32_t divisor = 100) {
        LogLineSettings settings;
        for (LogColumn c : columns) {
            settings.set(c);
        }
        settings.decimals = decimals;
        settings.modDivisor = divisor;
        return settings;
    };
    Measurement roundingAtZeroDecimals;
    roundingAtZeroDecimals.adc[0].value = 1.6f;
    roundingAtZeroDecimals.adc[1].value = -0.6f;
    Measurement nanMath;
    nanMath.math[0] = std::numeric_limits<float>::quiet_NaN();
    Measurement allOn;
    allOn.outputs = 0x3F;

    const Case cases[] = {
        {"no column", only({}), 5, {}, kWorkedExampleClock, "\r\n"},
        {"outputs off",
         only({LogColumn::Output}),
         5,
         {},
         kWorkedExampleClock,
         "LO;LO;LO;LO;LO;LO;\r\n"},
        {"outputs on", only({LogColumn::Output}), 5, allOn, kWorkedExampleClock,
         "HI;HI;HI;HI;HI;HI;\r\n"},
        {"zero decimals", only({LogColumn::Adc1, LogColumn::Adc2}, 0), 0, roundingAtZeroDecimals,
         kWorkedExampleClock, "2;-1;\r\n"},
        {"divisor 1",
         only({LogColumn::CounterModulo}, 2, 1),
         987,
         {},
         kWorkedExampleClock,
         "0;\r\n"},
        {"divisor 0",
         only({LogColumn::Counter, LogColumn::CounterModulo, LogColumn::Math1}, 2, 0),
         7,
         {},
         kWorkedExampleClock,
         "7;---;0.00;\r\n"},
        {"counter past 2^31",
         only({LogColumn::Counter, LogColumn::CounterModulo}, 2, 1000),
         2147483648u,
         {},
         kWorkedExampleClock,
         "-2147483648;648;\r\n"},
        {"midnight",
         only({LogColumn::Date, LogColumn::Time}),
         0,
         {},
         {2027, 1, 1, 0, 0, 0, 7},
         "1-1-2027;0:0:0:7;\r\n"},
        {"NaN", only({LogColumn::Math1}), 0, nanMath, kWorkedExampleClock, "NAN;\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(build(c.settings, c.count, c.measurement, c.clock), c.expected);
    }
}

TEST(BuildLogLine, LongestLineFits) {
    LogLineSettings settings = allColumns(15, 3, "\u066B");
    Measurement m;
    for (auto& adc : m.adc) {
        adc.value = -1.17549435e-38f;
        adc.average = -3.4e38f;
    }
    m.enc[0].position = -123456.789f;
    const std::string line =
        build(settings, 0xFFFFFFFFu, m, {-2147483647, 12, 31, 23, 59, 59, 999});
    EXPECT_EQ(line.rfind("31-12--2147483647;23:59:59:999;-1;0;0\u066B000000000000000;", 0), 0u);
    EXPECT_NE(line.find(";-3\u066B39999995214436E+38;"), std::string::npos);
    EXPECT_EQ(line.substr(line.size() - 20), "LO;LO;LO;LO;LO;LO;\r\n");
}

}  // namespace
}  // namespace voltrix
