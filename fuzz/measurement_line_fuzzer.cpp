// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzz target: the viewer's measurement line parser. The first three bytes
// choose the column selection (19 bits) and the fourth what the rest is:
// - even: a line as it is. A line that parses has exactly the selection's
//   fields, NaN for every quantity it does not hold, and parses the same
//   without its line end.
// - odd: a measurement, count and clock for the real writer; the line it
//   writes must parse, and written again from what was parsed it must come
//   out byte for byte the same.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "engine/logging/log_line.h"
#include "engine/protocol/quantities.h"
#include "engine/recorded/line_parser.h"
#include "engine/recorded/recorded_layout.h"
#include "fuzz_support.h"

namespace voltrix::fuzz {
namespace {

bool sameParse(const ParsedLine& a, const ParsedLine& b) {
    return a.time == b.time && a.counter == b.counter && a.counterModulo == b.counterModulo &&
           a.counterKnown == b.counterKnown && a.counterModuloKnown == b.counterModuloKnown &&
           a.outputs == b.outputs && a.outputsKnown == b.outputsKnown &&
           std::memcmp(a.values.data(), b.values.data(), sizeof a.values) == 0 &&
           a.fields == b.fields;
}

void checkText(std::string_view line, const RecordedLayout& layout) {
    ParsedLine parsed;
    if (!parseMeasurementLine(line, layout, parsed)) {
        return;
    }
    VOLTRIX_FUZZ_CHECK(parsed.fields == layout.fieldCount());
    VOLTRIX_FUZZ_CHECK(countLineFields(line) == layout.fieldCount());
    for (std::size_t q = 0; q < kQuantityCount; ++q) {
        VOLTRIX_FUZZ_CHECK(layout.hasQuantity(q) || std::isnan(parsed.values[q]));
    }
    VOLTRIX_FUZZ_CHECK((parsed.outputs & ~parsed.outputsKnown) == 0);
    std::string_view bare = line;
    while (!bare.empty() && (bare.back() == '\n' || bare.back() == '\r')) {
        bare.remove_suffix(1);
    }
    ParsedLine again;
    VOLTRIX_FUZZ_CHECK(parseMeasurementLine(std::string(bare) + "\r\n", layout, again));
    VOLTRIX_FUZZ_CHECK(sameParse(parsed, again));
}

void checkWriterLine(InputReader& in, const LogLineSettings& settings) {
    std::array<float, kQuantityCount> v{};
    for (float& value : v) {
        value = in.take<float>();
    }
    const auto outputs = static_cast<std::uint8_t>(in.take<std::uint8_t>() & 0x3F);
    const auto count = in.take<std::uint32_t>();
    ClockReading clock;
    clock.year = 1970 + in.take<std::uint8_t>() % 130;
    clock.month = 1 + in.take<std::uint8_t>() % 12;
    clock.day = 1 + in.take<std::uint8_t>() % 28;
    clock.hour = in.take<std::uint8_t>() % 24;
    clock.minute = in.take<std::uint8_t>() % 60;
    clock.second = in.take<std::uint8_t>() % 60;
    clock.millisecond = in.take<std::uint16_t>() % 1000;

    std::string line;
    BuildLogLine(line, settings, clock, count, measurementOf(v, outputs));
    const RecordedLayout layout = RecordedLayout::fromSettings(settings);
    if (layout.fieldCount() == 0) {
        return;  // an empty line is never a measurement
    }
    ParsedLine parsed;
    VOLTRIX_FUZZ_CHECK(parseMeasurementLine(line, layout, parsed));
    checkText(line, layout);

    // Written again from what was parsed.
    std::array<float, kQuantityCount> back{};
    for (std::size_t q = 0; q < kQuantityCount; ++q) {
        back[q] = layout.hasQuantity(q) ? parsed.values[q] : v[q];
    }
    LogLineSettings s = settings;
    std::uint32_t backCount = count;
    if (settings.has(LogColumn::Counter)) {
        VOLTRIX_FUZZ_CHECK(parsed.counterKnown);
        backCount = static_cast<std::uint32_t>(parsed.counter);
    }
    if (settings.has(LogColumn::CounterModulo) && settings.modDivisor != 0) {
        VOLTRIX_FUZZ_CHECK(parsed.counterModuloKnown);
        VOLTRIX_FUZZ_CHECK(parsed.counterModulo == backCount % settings.modDivisor);
    }
    ClockReading backClock = clock;
    const std::int64_t timeOfDay = parsed.time % kMillisecondsPerDay;
    if (settings.has(LogColumn::Time)) {
        backClock.hour = static_cast<int>(timeOfDay / 3'600'000);
        backClock.minute = static_cast<int>(timeOfDay / 60'000 % 60);
        backClock.second = static_cast<int>(timeOfDay / 1000 % 60);
        backClock.millisecond = static_cast<int>(timeOfDay % 1000);
    }
    if (settings.has(LogColumn::Date)) {
        VOLTRIX_FUZZ_CHECK(parsed.time / kMillisecondsPerDay ==
                           daysFromCivil(clock.year, static_cast<unsigned>(clock.month),
                                         static_cast<unsigned>(clock.day)));
    }
    std::string again;
    BuildLogLine(again, s, backClock, backCount,
                 measurementOf(back, settings.has(LogColumn::Output) ? parsed.outputs : outputs));
    VOLTRIX_FUZZ_CHECK(again == line);
}

}  // namespace
}  // namespace voltrix::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace voltrix;
    using namespace voltrix::fuzz;
    InputReader in({data, size});
    const std::uint32_t bits = in.take<std::uint8_t>() | (in.take<std::uint8_t>() << 8) |
                               (in.take<std::uint8_t>() << 16);
    const auto mode = in.take<std::uint8_t>();
    LogLineSettings settings;
    settings.columns = RecordedLayout::Columns(bits & ((1u << kLogColumnCount) - 1));
    if ((mode & 1) == 0) {
        const auto text = in.takeBytes(in.remaining());
        checkText(std::string_view(reinterpret_cast<const char*>(text.data()), text.size()),
                  RecordedLayout::fromSettings(settings));
        return 0;
    }
    settings.decimals = (mode >> 1) % 5;
    settings.decimalSeparator = (mode & 0x10) != 0 ? "," : ".";
    settings.modDivisor = (mode & 0x20) != 0 ? 0 : 1 + (mode >> 6);
    checkWriterLine(in, settings);
    return 0;
}
