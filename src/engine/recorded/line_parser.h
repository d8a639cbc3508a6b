// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "engine/protocol/quantities.h"
#include "engine/recorded/recorded_layout.h"

// Reads one line of a measurement file back (log_line.h writes them). Fast:
// no allocation, no exception, no locale; a viewer reads millions of lines.

namespace voltrix {

inline constexpr std::int64_t kMillisecondsPerDay = 86'400'000;

struct ParsedLine {
    // Date and Time: milliseconds since 1-1-1970 00:00 of the local calendar
    // (no time zone applied). Time alone: milliseconds of the day. Date alone:
    // the day's first millisecond.
    std::int64_t time = 0;
    std::int32_t counter = 0;
    std::uint32_t counterModulo = 0;
    bool counterKnown = false;        // false: absent, or "---"
    bool counterModuloKnown = false;  // false: absent, or "---" (divisor 0)
    std::uint8_t outputs = 0;         // bit n: output n + 1 was HI
    std::uint8_t outputsKnown = 0;    // bit n: output n + 1 was HI or LO
    // Every quantity; NaN where the column is absent or holds "---".
    std::array<float, kQuantityCount> values{};
    std::size_t fields = 0;
};

// Days from 1-1-1970 to the given date of the proleptic Gregorian calendar.
constexpr std::int64_t daysFromCivil(std::int64_t year, unsigned month, unsigned day) {
    year -= month <= 2 ? 1 : 0;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const auto yearOfEra = static_cast<unsigned>(year - era * 400);
    const unsigned dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + static_cast<std::int64_t>(dayOfEra) - 719468;
}

// Parses `line` (a CR LF or LF at its end is allowed) as a line of `layout`.
// Numbers take ',' or '.', "INF", "-INF", "NAN" and "---"; date "d-m-yyyy",
// time "h:m:s:ms". False for anything else: a wrong number of fields, a
// field that is not what its column holds, a line cut short. `out` is
// unspecified then.
bool parseMeasurementLine(std::string_view line, const RecordedLayout& layout, ParsedLine& out);

// Whether some selection reads `line`: a measurement line, as opposed to a
// note, an empty line or garbage. Cheap: the quantities are all numbers, so
// only the other columns need trying.
bool someLayoutReads(std::string_view line);

// The selections with as many fields as `line` under which it parses, the
// ones closest to `stored` first. For the dialog that corrects a selection.
std::vector<RecordedLayout> layoutsForLine(std::string_view line, const RecordedLayout& stored,
                                           std::size_t maxResults);

}  // namespace voltrix
