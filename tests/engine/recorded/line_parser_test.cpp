// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/recorded/line_parser.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "engine/logging/log_line.h"
#include "engine/protocol/quantities.h"
#include "engine/recorded/recorded_test_support.h"

namespace voltrix {
namespace {

using test::clockFromMilliseconds;
using test::writtenLine;

constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

LogLineSettings settingsFor(std::uint32_t columns, int decimals, const char* separator,
                            std::uint32_t divisor) {
    LogLineSettings s;
    s.columns = std::bitset<kLogColumnCount>(columns);
    s.decimals = decimals;
    s.decimalSeparator = separator;
    s.modDivisor = divisor;
    return s;
}

// The line the writer makes again from what was parsed.
std::string rewritten(const ParsedLine& p, const LogLineSettings& settings) {
    const Measurement m = measurementOf(p.values, p.outputs);
    LogLineSettings s = settings;
    // The count: from the counter when logged, else the remainder itself.
    std::uint32_t count = 0;
    if (p.counterKnown) {
        count = static_cast<std::uint32_t>(p.counter);
    } else if (p.counterModuloKnown) {
        count = p.counterModulo;
    }
    if (settings.has(LogColumn::CounterModulo) && !p.counterModuloKnown) {
        s.modDivisor = 0;
    }
    return writtenLine(s, clockFromMilliseconds(p.time), count, m);
}

// Every column, quantities alone, a few mixed selections and seeded random ones.
std::vector<std::uint32_t> columnSelections() {
    std::vector<std::uint32_t> selections = {
        (1u << kLogColumnCount) - 1,                  // every column
        ((1u << 14) - 1) << 4,                        // the fourteen quantities
        (1u << 1) | (1u << 4) | (1u << 18),           // time, ADC1, outputs
        (1u << 0) | (1u << 1) | (1u << 2),            // date, time, counter
        (1u << 3) | (1u << 16) | (1u << 17),          // modulo, MATH1, MATH2
        1u << 18,                                     // outputs only
        1u << 2,                                      // counter only
    };
    std::mt19937 random(7);
    for (int i = 0; i < 12; ++i) {
        selections.push_back(random() & ((1u << kLogColumnCount) - 1));
    }
    std::erase(selections, 0u);
    return selections;
}

struct ValueCase {
    std::array<float, kQuantityCount> values;
    std::uint8_t outputs;
};

std::vector<ValueCase> valueCases() {
    const float fmax = std::numeric_limits<float>::max();
    return {
        {{1.5f, 2.25f, 0.0f, 10.0f, 1.375f, 2.125f, 0.5f, 9.75f, 12.5f, -3.0f, 0.75f, 0.0f,
          3.75f, -0.5f},
         0b000101},
        {{0.00004f, -1234.5678f, 123456.7f, 1e10f, -0.004f, 999999.99f, 3.14159265f, -2.71828f,
          16777217.0f, -0.0f, 0.00005f, 0.99995f, 65535.9999f, -99999.5f},
         0b111111},
        {{1e15f, -3e38f, fmax, -fmax, 9.9999e14f, 1.2345e20f, 1e-30f, -1e-30f, 4.5e15f, 7e30f,
          1e14f, 123456789012.0f, -5e-5f, 5e-5f},
         0b101010},
        {{kNaN, kInf, -kInf, 1.0f, -kNaN, 0.1f, 0.01f, 0.001f, 0.0001f, 1.25e-3f, kInf, kNaN,
          -kInf, 42.0f},
         0},
    };
}

TEST(RecordedLineParser, WriterLinesParseBackByteForByte) {
    const std::vector<std::uint32_t> counts = {0, 1234, 2147483647u, 2147483648u, 4294967295u};
    const std::vector<ClockReading> clocks = {
        {2026, 12, 8, 9, 5, 3, 42},
        {1999, 12, 31, 23, 59, 59, 999},
        {2024, 2, 29, 0, 0, 0, 0},
        {1970, 1, 1, 12, 30, 7, 5},
    };
    std::size_t n = 0;  // picks a clock and a count for each line
    for (const std::uint32_t columns : columnSelections()) {
        for (const char* separator : {",", "."}) {
            for (int decimals = 0; decimals <= 4; ++decimals) {
                for (const std::uint32_t divisor : {100u, 0u, 7u}) {
                    const LogLineSettings settings =
                        settingsFor(columns, decimals, separator, divisor);
                    const RecordedLayout layout = RecordedLayout::fromSettings(settings);
                    for (std::size_t v = 0; v < valueCases().size(); ++v) {
                        const ValueCase value = valueCases()[v];
                        const Measurement m = measurementOf(value.values, value.outputs);
                        const ClockReading& clock = clocks[n % clocks.size()];
                        const std::uint32_t count = counts[(n / 3) % counts.size()];
                        const std::string line = writtenLine(settings, clock, count, m);
                        SCOPED_TRACE(line);
                        ParsedLine parsed;
                        ASSERT_TRUE(parseMeasurementLine(line, layout, parsed));
                        EXPECT_EQ(parsed.fields, layout.fieldCount());
                        EXPECT_EQ(rewritten(parsed, settings), line);

                        // The values themselves, to the written precision.
                        const double unit = std::pow(10.0, -decimals);
                        for (std::size_t q = 0; q < kQuantityCount; ++q) {
                            const float want = value.values[q];
                            const float got = parsed.values[q];
                            if (!layout.hasQuantity(q) || std::isnan(want)) {
                                EXPECT_TRUE(std::isnan(got)) << q;
                            } else if (std::isinf(want)) {
                                EXPECT_EQ(got, want) << q;
                            } else {
                                // Half a written unit, and the float nearest the text.
                                const double tolerance =
                                    unit / 2 + std::fabs(static_cast<double>(want)) * 1e-7;
                                EXPECT_NEAR(got, want, tolerance) << q;
                            }
                        }
                        if (layout.has(LogColumn::Counter)) {
                            EXPECT_TRUE(parsed.counterKnown);
                            EXPECT_EQ(parsed.counter, static_cast<std::int32_t>(count));
                        }
                        if (layout.has(LogColumn::CounterModulo)) {
                            EXPECT_EQ(parsed.counterModuloKnown, divisor != 0);
                            if (divisor != 0) {
                                EXPECT_EQ(parsed.counterModulo, count % divisor);
                            }
                        }
                        if (layout.has(LogColumn::Output)) {
                            EXPECT_EQ(parsed.outputs, value.outputs);
                            EXPECT_EQ(parsed.outputsKnown, 0b111111);
                        }
                        const std::int64_t timeOfDay =
                            ((clock.hour * 60 + clock.minute) * 60 + clock.second) * 1000 +
                            clock.millisecond;
                        const std::int64_t day =
                            daysFromCivil(clock.year, static_cast<unsigned>(clock.month),
                                          static_cast<unsigned>(clock.day));
                        const std::int64_t want =
                            (layout.has(LogColumn::Date) ? day * kMillisecondsPerDay : 0) +
                            (layout.has(LogColumn::Time) ? timeOfDay : 0);
                        EXPECT_EQ(parsed.time, want);
                        ++n;
                    }
                }
            }
        }
    }
}

TEST(RecordedLineParser, DaysFromCivilMatchesKnownDates) {
    EXPECT_EQ(daysFromCivil(1970, 1, 1), 0);
    EXPECT_EQ(daysFromCivil(2000, 3, 1), 11017);
    EXPECT_EQ(daysFromCivil(2026, 12, 8), 20795);
    EXPECT_EQ(daysFromCivil(1969, 12, 31), -1);
    // Day after day agrees with the inverse across leap years and centuries.
    for (std::int64_t d = -800; d < 200000; d += 13) {
        const ClockReading c = clockFromMilliseconds(d * kMillisecondsPerDay);
        ASSERT_EQ(daysFromCivil(c.year, static_cast<unsigned>(c.month),
                                static_cast<unsigned>(c.day)),
                  d);
    }
}

const char kWorkedLine[] =
    "8-12-2026;9:5:3:42;1234;34;1,500;2,250;0,000;10,000;1,375;2,125;0,500;9,750;12,500;-3,000;"
    "0,750;0,000;3,750;-0,500;HI;LO;HI;LO;LO;LO;\r\n";

RecordedLayout everyColumn() {
    return RecordedLayout(RecordedLayout::Columns().set());
}

TEST(RecordedLineParser, WorkedExample) {
    ParsedLine p;
    ASSERT_TRUE(parseMeasurementLine(kWorkedLine, everyColumn(), p));
    EXPECT_EQ(p.time, daysFromCivil(2026, 12, 8) * kMillisecondsPerDay + 32'703'042);
    EXPECT_EQ(p.counter, 1234);
    EXPECT_EQ(p.counterModulo, 34u);
    const float want[] = {1.5f,  2.25f, 0.0f, 10.0f, 1.375f, 2.125f, 0.5f,
                          9.75f, 12.5f, -3.0f, 0.75f, 0.0f,  3.75f,  -0.5f};
    for (std::size_t q = 0; q < kQuantityCount; ++q) {
        EXPECT_EQ(p.values[q], want[q]) << q;
    }
    EXPECT_EQ(p.outputs, 0b000101);
    EXPECT_EQ(p.fields, 24u);
}

// The worked line with field `index` replaced by `text`.
std::string withField(std::size_t index, const std::string& text) {
    std::string line = kWorkedLine;
    std::size_t start = 0;
    for (std::size_t i = 0; i < index; ++i) {
        start = line.find(';', start) + 1;
    }
    const std::size_t end = line.find(';', start);
    return line.substr(0, start) + text + line.substr(end);
}

TEST(RecordedLineParser, AcceptsWhatTheWriterMayWrite) {
    struct Case {
        std::size_t field;
        const char* text;
        float value;  // quantity fields
    };
    const Case cases[] = {
        {4, "1.500", 1.5f},          // a dot in a comma line
        {4, "---", kNaN},            // placeholder
        {4, "NAN", kNaN},
        {5, "INF", kInf},
        {5, "-INF", -kInf},
        {6, "-0", 0.0f},
        {6, "7", 7.0f},
        {7, "1,5E+20", 1.5e20f},     // exponent form
        {7, "-3,40282346638529E+38", -std::numeric_limits<float>::max()},
        {7, "3,4028235677973E+38", std::numeric_limits<float>::max()},  // just below the half step
        {7, "3,4028236E+38", kInf},
        {7, "-1E+300", -kInf},
        {8, "123456789012345678,5", 123456789012345678.5f},  // more than 15 digits
        {8, "0000000000000000000000001,25", 1.25f},
        {9, "0,1234567890123456789", 0.12345679f},
    };
    for (const Case& c : cases) {
        const std::string line = withField(c.field, c.text);
        SCOPED_TRACE(line);
        ParsedLine p;
        ASSERT_TRUE(parseMeasurementLine(line, everyColumn(), p));
        const float got = p.values[c.field - 4];
        if (std::isnan(c.value)) {
            EXPECT_TRUE(std::isnan(got));
        } else {
            EXPECT_EQ(got, c.value);
        }
    }

    ParsedLine p;
    ASSERT_TRUE(parseMeasurementLine(withField(2, "---"), everyColumn(), p));
    EXPECT_FALSE(p.counterKnown);
    ASSERT_TRUE(parseMeasurementLine(withField(3, "---"), everyColumn(), p));
    EXPECT_FALSE(p.counterModuloKnown);
    ASSERT_TRUE(parseMeasurementLine(withField(20, "---"), everyColumn(), p));
    EXPECT_EQ(p.outputsKnown, 0b111011);
    EXPECT_EQ(p.outputs, 0b000001);
    ASSERT_TRUE(parseMeasurementLine(withField(2, "-2147483648"), everyColumn(), p));
    EXPECT_EQ(p.counter, std::numeric_limits<std::int32_t>::min());
    // A bare LF, and no line end at all.
    std::string lf = kWorkedLine;
    lf.erase(lf.size() - 2, 1);
    EXPECT_TRUE(parseMeasurementLine(lf, everyColumn(), p));
    lf.pop_back();
    EXPECT_TRUE(parseMeasurementLine(lf, everyColumn(), p));
}

TEST(RecordedLineParser, RejectsFieldsThatAreNotTheirColumn) {
    const std::pair<std::size_t, const char*> cases[] = {
        {0, "32-1-2026"},  {0, "29-2-2025"},  {0, "0-1-2026"},   {0, "1-13-2026"},
        {0, "1-1-20261"},  {0, "1-1"},        {0, "---"},        {0, "a-1-2026"},
        {1, "24:0:0:0"},   {1, "9:60:0:0"},   {1, "9:5:3:1000"}, {1, "9:5:3"},
        {1, "9:5:3:42:1"}, {1, "---"},        {2, "2147483648"}, {2, "-2147483649"},
        {2, "12a"},        {2, ""},           {2, "1,5"},        {3, "-1"},
        {3, "4294967296"}, {3, "--"},         {4, "1,"},         {4, ",5"},
        {4, "1,5,5"},      {4, "1.5e"},       {4, "INFX"},       {4, "inf"},
        {4, "--"},         {4, "1 5"},        {4, "+1,5"},       {4, ""},
        {4, "-"},          {4, "1E+400"},     {4, "1e5x"},       {4, "nan"},
        {4, "0x10"},       {18, "Hi"},        {18, "HIGH"},      {18, "1"},
        {18, ""},          {23, "L0"},
    };
    for (const auto& [field, text] : cases) {
        const std::string line = withField(field, text);
        SCOPED_TRACE(line);
        ParsedLine p;
        EXPECT_FALSE(parseMeasurementLine(line, everyColumn(), p));
    }
}

TEST(RecordedLineParser, RejectsEveryPartOfALineAndWrongFieldCounts) {
    ParsedLine p;
    const std::string whole = kWorkedLine;
    // Every cut short of the last ';' is a half line.
    const std::size_t lastField = whole.rfind(';');
    for (std::size_t n = 0; n <= lastField; ++n) {
        EXPECT_FALSE(parseMeasurementLine(whole.substr(0, n), everyColumn(), p)) << n;
    }
    for (const char* line : {"", "\r\n", "\n", "garbage\r\n", ";;;;\r\n", "\r"}) {
        EXPECT_FALSE(parseMeasurementLine(line, everyColumn(), p)) << line;
    }
    // One field more, one field less.
    EXPECT_FALSE(parseMeasurementLine(whole.substr(0, lastField + 1) + "LO;\r\n", everyColumn(), p));
    EXPECT_FALSE(parseMeasurementLine(whole.substr(0, whole.rfind("LO;")) + "\r\n", everyColumn(), p));
    // The line under a selection of a different field count.
    RecordedLayout::Columns fewer = everyColumn().columns();
    fewer.reset(static_cast<std::size_t>(LogColumn::Math2));
    EXPECT_FALSE(parseMeasurementLine(whole, RecordedLayout(fewer), p));
    // Text after the line end is not part of a line.
    EXPECT_FALSE(parseMeasurementLine(whole + "1", everyColumn(), p));
}

// A measurement line under some selection, or a note, an empty line, garbage.
TEST(RecordedLineParser, TellsMeasurementLinesFromOthers) {
    struct Case {
        const char* line;
        bool measurement;
    };
    const Case cases[] = {
        {"8-12-2026;9:5:3:42;1234;34;1,500;2,250;0,000;10,000;1,375;2,125;0,500;9,750;12,500;"
         "-3,000;0,750;0,000;3,750;-0,500;HI;LO;HI;LO;LO;LO;\r\n",
         true},
        {"9:5:3:42;1,5;\r\n", true},
        {"8-12-2026;---;NAN;\r\n", true},
        {"LO;LO;LO;LO;LO;LO;", true},
        {"12;", true},
        {"12", false},  // every field ends with its ';'
        {"1;2;3;4;5;6;7;8;9;10;11;12;13;14;15;16;", true},  // counter, modulo, 14 numbers
        {"1;2;3;4;5;6;7;8;9;10;11;12;13;14;15;16;17;", false},  // one number too many
        {"", false},
        {"\r\n", false},
        {"Pomiar 3: czujnik B\r\n", false},
        {"1;HI;", false},
        {"9:5:3:42;8-12-2026;", false},  // time before date
        {"garbage;1,0;", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(someLayoutReads(c.line), c.measurement) << c.line;
    }
}

}  // namespace
}  // namespace voltrix
