// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/recorded/recorded_index.h"

#include <gtest/gtest.h>

#include <cmath>

namespace voltrix {
namespace {

RecordedLayout layoutWith(std::initializer_list<LogColumn> columns) {
    LogLineSettings settings;
    for (const LogColumn c : columns) {
        settings.set(c);
    }
    return RecordedLayout::fromSettings(settings);
}

ParsedLine lineWith(std::int64_t time, float value, std::uint8_t outputs = 0) {
    ParsedLine line;
    line.time = time;
    line.values.fill(std::numeric_limits<float>::quiet_NaN());
    line.values[0] = value;
    line.outputs = outputs;
    return line;
}

TEST(RecordedIndex, StaysWithinItsBlocksHoweverManyLinesCome) {
    RecordedIndex index(layoutWith({LogColumn::Adc1, LogColumn::Output}));
    const std::size_t lines = RecordedIndex::kMaxBlocks * RecordedIndex::kFirstBlockLines * 2 + 5;
    for (std::size_t i = 0; i < lines; ++i) {
        // Line i starts at byte 10 i, is line 2 i + 1 of its file (a note
        // between each two), and holds i; output 1 is HI on every 1000th.
        index.append(lineWith(0, static_cast<float>(i), i % 1000 == 0 ? 1 : 0),
                     {10 * i, 2 * i + 1});
    }
    const ParsedLine lastLine = lineWith(0, static_cast<float>(lines - 1));
    index.setEnd(10 * lines, 2 * lines, &lastLine);
    EXPECT_EQ(index.size(), lines);
    EXPECT_EQ(index.blockLines(), 4 * RecordedIndex::kFirstBlockLines);
    ASSERT_EQ(index.blocks().size(), RecordedIndex::kMaxBlocks / 2 + 1);
    for (std::size_t b = 0; b < index.blocks().size(); b += 4099) {
        const IndexBlock& block = index.blocks()[b];
        const std::size_t first = index.firstLineOf(b);
        const std::size_t last = index.endLineOf(b) - 1;
        EXPECT_EQ(block.offset, 10 * first) << b;
        EXPECT_EQ(block.fileLine, 2 * first) << b;
        EXPECT_EQ(block.range[0].min, static_cast<float>(first)) << b;
        EXPECT_EQ(block.range[0].max, static_cast<float>(last)) << b;
        EXPECT_EQ(block.first[0], static_cast<float>(first)) << b;
        EXPECT_EQ(block.last[0], static_cast<float>(last)) << b;
        // The x of a line number: the axis went on across the merges.
        EXPECT_EQ(block.firstX, static_cast<double>(2 * first + 1)) << b;
        const bool thousandth = first / 1000 != last / 1000 || first % 1000 == 0;
        EXPECT_EQ(block.outputsAny, thousandth ? 1 : 0) << b;
        EXPECT_EQ(block.outputsAll, 0) << b;
    }
    EXPECT_EQ(index.blocks().back().last[0], static_cast<float>(lines - 1));
    // Each coarse block is its blocks, the open one at the end included.
    const RecordedIndex::Level coarse = index.level(true);
    ASSERT_EQ(coarse.units->size(),
              (index.blocks().size() + RecordedIndex::kCoarseFanOut - 1) / RecordedIndex::kCoarseFanOut);
    for (std::size_t c = 0; c < coarse.units->size(); c += 97) {
        const IndexBlock& unit = (*coarse.units)[c];
        const std::size_t first = c * RecordedIndex::kCoarseFanOut;
        const std::size_t last = std::min(first + RecordedIndex::kCoarseFanOut, index.blocks().size()) - 1;
        EXPECT_EQ(unit.firstX, index.blocks()[first].firstX) << c;
        EXPECT_EQ(unit.lastX, index.blocks()[last].lastX) << c;
        EXPECT_EQ(unit.range[0].min, index.blocks()[first].range[0].min) << c;
        EXPECT_EQ(unit.range[0].max, index.blocks()[last].range[0].max) << c;
        EXPECT_EQ(unit.last[0], index.blocks()[last].last[0]) << c;
    }
    EXPECT_EQ(coarse.units->back().last[0], static_cast<float>(lines - 1));
    EXPECT_LT(index.allocatedBytes(), std::size_t{64} << 20);
}

TEST(RecordedIndex, FindsTheBlockOfAnX) {
    RecordedIndex index(layoutWith({LogColumn::Time, LogColumn::Adc1}));
    std::uint64_t n = 0;
    const auto lines = [&](std::int64_t from, std::int64_t count, std::int64_t step) {
        for (std::int64_t i = 0; i < count; ++i, ++n) {
            index.append(lineWith(from + i * step, 1.0f), {n * 50, n + 1});
        }
    };
    lines(0, 640, 1);          // blocks 0..9, a millisecond apart
    lines(600'000, 640, 1);    // ten minutes later: blocks 10..19
    lines(600'640, 640, 20);   // a slower rate, no jump: blocks 20..29
    ASSERT_EQ(index.blocks().size(), 30u);
    EXPECT_EQ(index.blockAtOrAfter(0.063), 0u);
    EXPECT_EQ(index.blockAtOrAfter(0.0635), 1u);
    EXPECT_EQ(index.blockAtOrAfter(300.0), 10u);
    EXPECT_EQ(index.blockAtOrAfter(1e9), 30u);
}

}  // namespace
}  // namespace voltrix
