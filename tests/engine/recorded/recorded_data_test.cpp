// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/recorded/recorded_data.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

namespace voltrix {
namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

RecordedLayout layoutOf(std::initializer_list<LogColumn> columns) {
    RecordedLayout::Columns bits;
    for (const LogColumn c : columns) {
        bits.set(static_cast<std::size_t>(c));
    }
    return RecordedLayout(bits);
}

ParsedLine timeLine(std::int64_t ms) {
    ParsedLine p;
    p.time = ms;
    return p;
}

ParsedLine counterLine(std::int32_t counter, bool known = true) {
    ParsedLine p;
    p.counter = counter;
    p.counterKnown = known;
    return p;
}

TEST(RecordedXAxis, SourceFollowsTheColumns) {
    EXPECT_EQ(xSourceFor(layoutOf({LogColumn::Date, LogColumn::Time, LogColumn::Counter})),
              XSource::DateTime);
    EXPECT_EQ(xSourceFor(layoutOf({LogColumn::Time, LogColumn::Counter})), XSource::TimeOfDay);
    EXPECT_EQ(xSourceFor(layoutOf({LogColumn::Date, LogColumn::Counter})), XSource::Counter);
    EXPECT_EQ(xSourceFor(layoutOf({LogColumn::Date, LogColumn::Adc1})), XSource::LineNumber);
}

TEST(RecordedXAxis, TimesStayMonotonic) {
    constexpr std::int64_t kDay = kMillisecondsPerDay;
    constexpr std::int64_t kBase = 20795 * kDay;  // 8-12-2026
    struct Case {
        const char* name;
        XSource source;
        std::vector<std::int64_t> raw;  // time in ms
        std::vector<double> x;          // seconds
    };
    const Case cases[] = {
        {"steady", XSource::DateTime, {kBase, kBase + 1, kBase + 2},
         {kBase / 1000.0, kBase / 1000.0 + 0.001, kBase / 1000.0 + 0.002}},
        {"forward gap stays", XSource::DateTime, {10000, 10010, 70000, 70010},
         {10.0, 10.01, 70.0, 70.01}},
        {"clock set back continues", XSource::DateTime,
         {10000, 10010, 10020, 5000, 5010, 5030, 4000, 4005},
         {10.0, 10.01, 10.02, 10.03, 10.04, 10.06, 10.08, 10.085}},
        {"back at once keeps 1 ms", XSource::DateTime, {10000, 9000, 9002}, {10.0, 10.001, 10.003}},
        {"equal times stay equal", XSource::DateTime, {10000, 10000, 10005}, {10.0, 10.0, 10.005}},
        {"midnight with time alone", XSource::TimeOfDay,
         {kDay - 10, kDay - 5, 5, 15, 3600000},
         {86399.99, 86399.995, 86400.005, 86400.015, 90000.0}},
        {"an hour back with time alone is no day", XSource::TimeOfDay,
         {7200000, 7200500, 3600000, 3600100},
         {7200.0, 7200.5, 7201.0, 7201.1}},
        {"midnight on another day with the date", XSource::DateTime,
         {kBase + kDay - 20, kBase + kDay - 10, kBase + 5, kBase + 15},
         {(kBase + kDay - 20) / 1000.0, (kBase + kDay - 10) / 1000.0, (kBase + kDay) / 1000.0,
          (kBase + kDay + 10) / 1000.0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        XAxis axis(c.source);
        for (std::size_t i = 0; i < c.raw.size(); ++i) {
            EXPECT_DOUBLE_EQ(axis.next(timeLine(c.raw[i]), i + 1), c.x[i]) << i;
        }
    }
}

TEST(RecordedXAxis, CounterUnwrapsAndRestarts) {
    struct Case {
        const char* name;
        std::vector<std::int64_t> counters;  // INT64_MIN: "---"
        std::vector<double> x;
    };
    const std::int64_t absent = std::numeric_limits<std::int64_t>::min();
    const Case cases[] = {
        {"wrap to negative", {2147483646, 2147483647, -2147483648LL, -2147483647},
         {2147483646.0, 2147483647.0, 2147483648.0, 2147483649.0}},
        {"past 2^32", {-2, -1, 0, 1}, {-2.0, -1.0, 0.0, 1.0}},
        {"restart from zero", {100, 102, 104, 0, 1}, {100, 102, 104, 106, 107}},
        {"gap", {5, 6, 1000, 1001}, {5, 6, 1000, 1001}},
        {"placeholder continues by the last step", {10, 20, absent, 30, 35}, {10, 20, 30, 30, 35}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        XAxis axis(XSource::Counter);
        for (std::size_t i = 0; i < c.counters.size(); ++i) {
            const bool known = c.counters[i] != absent;
            const auto counter = known ? static_cast<std::int32_t>(c.counters[i]) : 0;
            EXPECT_DOUBLE_EQ(axis.next(counterLine(counter, known), i + 1), c.x[i]) << i;
        }
    }
    // Four billion reports: the wrap is undone each time round.
    XAxis axis(XSource::Counter);
    double x = 0;
    for (std::int64_t n = 0; n <= 5'000'000'000LL; n += 1'000'000'000LL) {
        x = axis.next(counterLine(static_cast<std::int32_t>(static_cast<std::uint32_t>(n))), 0);
    }
    EXPECT_DOUBLE_EQ(x, 5e9);
}

TEST(RecordedData, LineNumberAxisShowsSkippedLinesAsGaps) {
    RecordedData data(layoutOf({LogColumn::Adc1}));
    ParsedLine p;
    p.values.fill(1.0f);
    data.append(p);
    data.addSkipped(2);
    data.append(p);
    EXPECT_EQ(data.xSource(), XSource::LineNumber);
    ASSERT_EQ(data.size(), 2u);
    EXPECT_EQ(data.x()[0], 1.0);
    EXPECT_EQ(data.x()[1], 4.0);
    EXPECT_EQ(data.skippedLines(), 2u);
}

TEST(RecordedData, KeepsOnlyTheLoggedColumns) {
    RecordedData data(layoutOf({LogColumn::Counter, LogColumn::Adc3, LogColumn::Math1,
                                LogColumn::Output}));
    for (int i = 0; i < 5; ++i) {
        ParsedLine p;
        p.counter = i;
        p.counterKnown = true;
        p.values.fill(kNaN);
        p.values[2] = static_cast<float>(i) * 2;
        p.values[12] = -static_cast<float>(i);
        p.outputs = static_cast<std::uint8_t>(i);
        data.append(p);
    }
    for (std::size_t q = 0; q < kQuantityCount; ++q) {
        EXPECT_EQ(data.values(q).size(), (q == 2 || q == 12) ? 5u : 0u) << q;
    }
    EXPECT_EQ(data.values(2)[4], 8.0f);
    EXPECT_EQ(data.values(12)[3], -3.0f);
    EXPECT_EQ(data.outputs()[3], 3);
    EXPECT_EQ(data.x()[4], 4.0);
    EXPECT_EQ(data.indexAtOrAfter(2.5), 3u);
    EXPECT_EQ(data.indexAtOrAfter(2.0), 2u);
    EXPECT_EQ(data.indexAtOrAfter(-1.0), 0u);
    EXPECT_EQ(data.indexAtOrAfter(4.5), 5u);
}

MinMax bruteForce(const std::vector<float>& v, std::size_t first, std::size_t last) {
    MinMax r;
    for (std::size_t i = first; i < last && i < v.size(); ++i) {
        if (!std::isnan(v[i])) {
            r.min = std::min(r.min, v[i]);
            r.max = std::max(r.max, v[i]);
        }
    }
    return r;
}

void expectSame(const MinMax& got, const MinMax& want) {
    EXPECT_EQ(got.empty(), want.empty());
    if (!want.empty()) {
        EXPECT_EQ(got.min, want.min);
        EXPECT_EQ(got.max, want.max);
    }
}

// Noise with rare spikes and runs of NaN, appended in batches of random size
// so that the summaries grow piece by piece.
TEST(RecordedData, MinMaxAgreesWithAScanOfEveryLine) {
    std::mt19937 random(2026);
    for (const std::size_t lines : {1u, 63u, 64u, 65u, 511u, 513u, 4096u, 70001u, 300000u}) {
        SCOPED_TRACE(lines);
        const RecordedLayout layout = layoutOf({LogColumn::Adc1, LogColumn::Math2});
        RecordedData data(layout);
        std::vector<float> values;
        std::normal_distribution<float> noise(0.0f, 1.0f);
        XAxis axis(XSource::LineNumber);
        RecordedBatch batch;
        while (values.size() < lines) {
            const std::size_t n =
                std::min<std::size_t>(lines - values.size(), 1 + random() % 3000);
            for (std::size_t i = 0; i < n; ++i) {
                float v = noise(random);
                if (random() % 5000 == 0) {
                    v = (random() % 2 ? 1 : -1) * 1000.0f;
                }
                if (random() % 1000 < 3) {
                    v = kNaN;
                }
                values.push_back(v);
                ParsedLine p;
                p.values.fill(0.0f);
                p.values[13] = v;
                batch.add(axis.next(p, values.size()), p, layout);
            }
            data.append(batch);
            batch.clear();
            // The whole range after each batch.
            expectSame(data.minMax(13, 0, data.size()), bruteForce(values, 0, values.size()));
        }
        ASSERT_EQ(data.size(), lines);
        for (int k = 0; k < 400; ++k) {
            std::size_t a = random() % (lines + 1);
            std::size_t b = random() % (lines + 1);
            if (k % 4 == 0) {
                b = a + random() % 200;  // short ranges
            }
            if (a > b) {
                std::swap(a, b);
            }
            expectSame(data.minMax(13, a, b), bruteForce(values, a, b));
        }
        EXPECT_TRUE(data.minMax(13, 5, 5).empty());
        EXPECT_TRUE(data.minMax(4, 0, lines).empty());  // not logged
    }
}

TEST(RecordedData, ASingleSpikeInAMillionLinesShows) {
    const RecordedLayout layout = layoutOf({LogColumn::Adc1});
    for (const std::size_t spike : {0u, 1u, 63u, 64u, 262143u, 262144u, 777777u, 999999u}) {
        RecordedData data(layout);
        ParsedLine p;
        p.values.fill(0.0f);
        for (std::size_t i = 0; i < 1'000'000; ++i) {
            p.values[0] = i == spike ? 5.0f : std::sin(static_cast<float>(i) * 1e-3f);
            data.append(p);
        }
        SCOPED_TRACE(spike);
        EXPECT_EQ(data.minMax(0, 0, data.size()).max, 5.0f);
        EXPECT_EQ(data.minMax(0, spike, spike + 1).max, 5.0f);
        // 1920 pixel columns: the spike shows in its own column only.
        const std::size_t columns = 1920;
        for (std::size_t c = 0; c < columns; ++c) {
            const std::size_t a = data.size() * c / columns;
            const std::size_t b = data.size() * (c + 1) / columns;
            const MinMax m = data.minMax(0, a, b);
            EXPECT_EQ(m.max == 5.0f, spike >= a && spike < b) << c;
        }
    }
}

TEST(RecordedData, AllNaNRangeIsEmpty) {
    const RecordedLayout layout = layoutOf({LogColumn::Adc1});
    RecordedData data(layout);
    ParsedLine p;
    p.values.fill(kNaN);
    for (int i = 0; i < 1000; ++i) {
        data.append(p);
    }
    EXPECT_TRUE(data.minMax(0, 0, 1000).empty());
    p.values[0] = -2.0f;
    data.append(p);
    const MinMax m = data.minMax(0, 0, data.size());
    EXPECT_EQ(m.min, -2.0f);
    EXPECT_EQ(m.max, -2.0f);
}

}  // namespace
}  // namespace voltrix
