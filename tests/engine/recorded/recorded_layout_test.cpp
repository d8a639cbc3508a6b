// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/recorded/recorded_layout.h"

#include <gtest/gtest.h>

#include <string>

#include "engine/recorded/line_parser.h"
#include "engine/recorded/recorded_test_support.h"

namespace voltrix {
namespace {

RecordedLayout layoutOf(std::initializer_list<LogColumn> columns) {
    RecordedLayout::Columns bits;
    for (const LogColumn c : columns) {
        bits.set(static_cast<std::size_t>(c));
    }
    return RecordedLayout(bits);
}

TEST(RecordedLayout, FieldCountAndQuantities) {
    struct Case {
        RecordedLayout layout;
        std::size_t fields;
        std::vector<std::uint8_t> quantities;
    };
    const Case cases[] = {
        {RecordedLayout(RecordedLayout::Columns().set()), 24,
         {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13}},
        {layoutOf({}), 0, {}},
        {layoutOf({LogColumn::Output}), 6, {}},
        {layoutOf({LogColumn::Time, LogColumn::Adc2, LogColumn::Math2, LogColumn::Output}), 9,
         {1, 13}},
        {layoutOf({LogColumn::Date, LogColumn::Counter, LogColumn::CounterModulo,
                   LogColumn::Enc1Position, LogColumn::Adc1Average}),
         5, {4, 8}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.layout.columns().to_string());
        EXPECT_EQ(c.layout.fieldCount(), c.fields);
        EXPECT_EQ(std::vector<std::uint8_t>(c.layout.quantities().begin(),
                                            c.layout.quantities().end()),
                  c.quantities);
        for (std::size_t q = 0; q < kQuantityCount; ++q) {
            EXPECT_EQ(c.layout.hasQuantity(q),
                      std::find(c.quantities.begin(), c.quantities.end(), q) != c.quantities.end());
        }
    }
}

TEST(RecordedLayout, FieldCountMatchesTheWriter) {
    // Every field the writer writes is ended by ';'.
    for (std::uint32_t mask = 1; mask < (1u << kLogColumnCount); mask += 997) {
        LogLineSettings s;
        s.columns = RecordedLayout::Columns(mask);
        const std::string line = test::writtenLine(s, {2026, 1, 2, 3, 4, 5, 6}, 9,
                                                   test::sampleMeasurement(3));
        EXPECT_EQ(countLineFields(line), RecordedLayout(s.columns).fieldCount()) << line;
    }
}

TEST(RecordedLayout, CountsFieldsOfALine) {
    const std::pair<const char*, std::size_t> cases[] = {
        {"", 0},          {"\r\n", 0},  {"a;b;\r\n", 2}, {"a;b;c\r\n", 3},
        {"a;b;c", 3},     {";;;\n", 3}, {"x", 1},        {"1;2;3;4;5;6;7;8;9;10;\r\n", 10},
    };
    for (const auto& [line, fields] : cases) {
        EXPECT_EQ(countLineFields(line), fields) << line;
    }
}

TEST(RecordedLayout, SelectionsWithAFieldCountNearestFirst) {
    const RecordedLayout stored(RecordedLayout::Columns().set());  // 24 fields
    const auto found = layoutsWithFieldCount(18, stored, 50);
    ASSERT_EQ(found.size(), 50u);
    std::size_t previousDistance = 0;
    for (const RecordedLayout& layout : found) {
        EXPECT_EQ(layout.fieldCount(), 18u);
        const std::size_t distance = (layout.columns() ^ stored.columns()).count();
        EXPECT_GE(distance, previousDistance);
        previousDistance = distance;
    }
    // The nearest: the six outputs dropped (one column switched).
    RecordedLayout::Columns noOutput = stored.columns();
    noOutput.reset(static_cast<std::size_t>(LogColumn::Output));
    EXPECT_EQ(found.front(), RecordedLayout(noOutput));

    // Some counts only one selection makes; none makes 25.
    EXPECT_EQ(layoutsWithFieldCount(24, stored, 10).size(), 1u);
    EXPECT_TRUE(layoutsWithFieldCount(25, stored, 10).empty());
    EXPECT_EQ(layoutsWithFieldCount(0, stored, 10).size(), 1u);
}

TEST(RecordedLayout, SelectionsUnderWhichALineParses) {
    // The file has time, ADC1 and the outputs; the stored selection says every column.
    LogLineSettings written;
    written.set(LogColumn::Time);
    written.set(LogColumn::Adc1);
    written.set(LogColumn::Output);
    written.decimalSeparator = ",";
    const std::string line =
        test::writtenLine(written, {2026, 1, 2, 3, 4, 5, 6}, 9, test::sampleMeasurement(3));
    const RecordedLayout stored(RecordedLayout::Columns().set());
    const auto found = layoutsForLine(line, stored, 20);
    ASSERT_FALSE(found.empty());
    ParsedLine p;
    bool writtenOneFound = false;
    for (const RecordedLayout& layout : found) {
        EXPECT_TRUE(parseMeasurementLine(line, layout, p));
        // A time field stands first, so every fit has Time and no Date.
        EXPECT_TRUE(layout.has(LogColumn::Time));
        EXPECT_FALSE(layout.has(LogColumn::Date));
        writtenOneFound |= layout == RecordedLayout::fromSettings(written);
    }
    EXPECT_TRUE(writtenOneFound);
}

}  // namespace
}  // namespace voltrix
