// SPDX-License-Identifier: GPL-3.0-or-later
// The line parser against the reading rules of each field, written here the
// plain way (string searches, std::from_chars on every number): a corpus of
// what the writer makes, odd texts it does not make but that mean a value,
// and texts that mean none, put together into whole lines.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "engine/logging/log_line.h"
#include "engine/protocol/quantities.h"
#include "engine/recorded/line_parser.h"
#include "engine/recorded/recorded_layout.h"
#include "engine/text/format_value.h"

namespace voltrix {
namespace {

constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kMax = std::numeric_limits<float>::max();
const char kDigits[] = "0123456789";

bool allDigits(const std::string& text) {
    return !text.empty() && text.find_first_not_of(kDigits) == std::string::npos;
}

// `text` cut at each `separator`.
std::vector<std::string> partsOf(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t at; (at = text.find(separator, start)) != std::string::npos; start = at + 1) {
        parts.push_back(text.substr(start, at - start));
    }
    parts.push_back(text.substr(start));
    return parts;
}

// The float IEEE rounding gives for `v` (a cast is undefined past the
// largest float): from half a step above it, infinity.
float nearestFloat(double v) {
    if (std::fabs(v) <= kMax) {
        return static_cast<float>(v);
    }
    const double halfStepAbove = static_cast<double>(kMax) + 0x1p103;
    return std::copysign(std::fabs(v) < halfStepAbove ? kMax : kInf, static_cast<float>(v));
}

// A quantity: "---" and "NAN", "INF", "-INF", or a decimal number with ','
// or '.' (at least one digit on either side of it), which may go on with an
// exponent; read as the nearest double, then the nearest float. With an
// exponent or more than 15 digits it has at most 63 characters, of digits,
// signs, 'E', 'e' and separators.
std::optional<float> expectedNumber(const std::string& text) {
    if (text == "---" || text == "NAN") {
        return kNaN;
    }
    if (text == "INF") {
        return kInf;
    }
    if (text == "-INF") {
        return -kInf;
    }
    const std::size_t integer = text.starts_with('-') ? 1 : 0;
    std::size_t end = std::min(text.find_first_not_of(kDigits, integer), text.size());
    if (end == integer) {
        return std::nullopt;
    }
    std::size_t digits = end - integer;
    if (end < text.size() && (text[end] == ',' || text[end] == '.')) {
        const std::size_t fractionEnd =
            std::min(text.find_first_not_of(kDigits, end + 1), text.size());
        if (fractionEnd == end + 1) {
            return std::nullopt;
        }
        digits += fractionEnd - end - 1;
        end = fractionEnd;
    }
    const bool exponent = end < text.size();
    if (exponent && text[end] != 'E' && text[end] != 'e') {
        return std::nullopt;
    }
    if ((exponent || digits > 15) &&
        (text.size() > 63 || text.find_first_not_of("0123456789+-Ee.,") != std::string::npos)) {
        return std::nullopt;
    }
    std::string dotted = text;
    std::replace(dotted.begin(), dotted.end(), ',', '.');
    double value = 0;
    const auto result = std::from_chars(dotted.data(), dotted.data() + dotted.size(), value);
    if (result.ec != std::errc() || result.ptr != dotted.data() + dotted.size()) {
        return std::nullopt;
    }
    return nearestFloat(value);
}

// "d-m-yyyy": 1-2, 1-2 and 1-4 digits, a day of the Gregorian calendar.
std::optional<std::int64_t> expectedDays(const std::string& text) {
    const std::vector<std::string> parts = partsOf(text, '-');
    if (parts.size() != 3 || !allDigits(parts[0]) || !allDigits(parts[1]) || !allDigits(parts[2]) ||
        parts[0].size() > 2 || parts[1].size() > 2 || parts[2].size() > 4) {
        return std::nullopt;
    }
    const int day = std::stoi(parts[0]);
    const int month = std::stoi(parts[1]);
    const int year = std::stoi(parts[2]);
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    const int monthDays[] = {31, leap ? 29 : 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (year < 1 || month < 1 || month > 12 || day < 1 || day > monthDays[month - 1]) {
        return std::nullopt;
    }
    return daysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day));
}

// "h:m:s:ms": 1-2, 1-2, 1-2 and 1-3 digits; second 60 is a leap second.
std::optional<std::int64_t> expectedTimeOfDay(const std::string& text) {
    const std::vector<std::string> parts = partsOf(text, ':');
    const std::size_t longest[] = {2, 2, 2, 3};
    if (parts.size() != 4) {
        return std::nullopt;
    }
    for (std::size_t i = 0; i < 4; ++i) {
        if (!allDigits(parts[i]) || parts[i].size() > longest[i]) {
            return std::nullopt;
        }
    }
    const int h = std::stoi(parts[0]), m = std::stoi(parts[1]), s = std::stoi(parts[2]);
    if (h > 23 || m > 59 || s > 60) {
        return std::nullopt;
    }
    return ((h * 60 + m) * 60 + s) * 1000 + std::stoi(parts[3]);
}

// "---" (unknown), or up to 10 digits, with a '-' if `signedCounter`,
// within the range of the type.
struct CounterText {
    bool valid = false;
    bool known = false;
    std::int64_t value = 0;
};

CounterText expectedCounter(const std::string& text, bool signedCounter) {
    if (text == "---") {
        return {true, false, 0};
    }
    const bool negative = signedCounter && text.starts_with('-');
    const std::string digits = text.substr(negative ? 1 : 0);
    if (!allDigits(digits) || digits.size() > 10) {
        return {};
    }
    const std::int64_t value = (negative ? -1 : 1) * std::stoll(digits);
    const std::int64_t low = signedCounter ? std::numeric_limits<std::int32_t>::min() : 0;
    const std::int64_t high = signedCounter ? std::numeric_limits<std::int32_t>::max()
                                            : std::numeric_limits<std::uint32_t>::max();
    if (value < low || value > high) {
        return {};
    }
    return {true, true, value};
}

// Texts for the corpus. Every kind mixes what the writer makes, odd texts
// with a meaning and texts without one.
class Corpus {
public:
    explicit Corpus(std::uint32_t seed) : random_(seed) {}

    // Only what the writer makes, or everything: a line of the first kind
    // is whole, one of the second seldom is.
    void setOdd(bool odd) { odd_ = odd; }

    std::string number() {
        switch (odd_ ? pick(10) : 0) {
            case 0:
            case 1:
            case 2:
            case 3:
                return writtenNumber();
            case 4:
                return pickFrom(kOddNumbers);
            case 5: {
                // Many digits, leading zeros, or an exponent of its own.
                std::string text = pick(2) == 0 ? "-" : "";
                text += digits(1 + pick(22));
                if (pick(2) == 0) {
                    text += pick(2) == 0 ? "," : ".";
                    text += digits(1 + pick(22));
                }
                if (pick(2) == 0) {
                    text += pick(2) == 0 ? "E" : "e";
                    text += pickFrom(std::vector<std::string>{"", "+", "-"});
                    text += digits(1 + pick(3));
                }
                return text;
            }
            case 6:
                return pickFrom(std::vector<std::string>{"---", "NAN", "INF", "-INF"});
            default:
                return mutated(writtenNumber(), "0123456789,.-+eEINFA x");
        }
    }

    std::string date() {
        if (!odd_) {
            return std::to_string(1 + pick(28)) + "-" + std::to_string(1 + pick(12)) + "-" +
                   std::to_string(1970 + pick(100));
        }
        if (pick(4) == 0) {
            return mutated(pickFrom(kOddDates), "0123456789-:, ");
        }
        if (pick(4) == 0) {
            return pickFrom(kOddDates);
        }
        // Mostly real dates, some past their month's end.
        return padded(1 + pick(32), 1) + "-" + padded(1 + pick(12), 1) + "-" +
               padded(1 + pick(9999), 4);
    }

    std::string timeOfDay() {
        if (!odd_) {
            return std::to_string(pick(24)) + ":" + std::to_string(pick(60)) + ":" +
                   std::to_string(pick(60)) + ":" + std::to_string(pick(1000));
        }
        if (pick(4) == 0) {
            return mutated(pickFrom(kOddTimes), "0123456789:-,. ");
        }
        if (pick(4) == 0) {
            return pickFrom(kOddTimes);
        }
        return padded(pick(25), 1) + ":" + padded(pick(61), 1) + ":" + padded(pick(62), 1) + ":" +
               padded(pick(1000), 1);
    }

    std::string counter(bool signedCounter) {
        switch (odd_ ? pick(6) : 3 + pick(3)) {
            case 0:
                return "---";
            case 1:
                return pickFrom(kOddCounters);
            case 2:
                return mutated(std::to_string(pick(100000)), "0123456789-+,. ");
            default: {
                // Around the ends of the 32-bit ranges too.
                const std::int64_t ends[] = {0, std::numeric_limits<std::int32_t>::min(),
                                             std::numeric_limits<std::int32_t>::max(),
                                             std::numeric_limits<std::uint32_t>::max()};
                const std::int64_t value = ends[pick(4)] + static_cast<std::int64_t>(pick(5)) - 2;
                const std::int64_t any =
                    static_cast<std::int64_t>(random_()) - (signedCounter ? 1ll << 31 : 0);
                return std::to_string(pick(2) == 0 ? value : any);
            }
        }
    }

    std::string output() {
        return pickFrom(
            odd_ ? std::vector<std::string>{"HI", "LO", "---", "Hi", "H", "LOW", "--", "", "1"}
                 : std::vector<std::string>{"HI", "LO", "---"});
    }

    std::size_t pick(std::size_t n) { return random_() % n; }

private:
    // A value as the writer writes it: 0..6 decimals (and a few more), either
    // separator, magnitudes from the smallest to the largest float.
    std::string writtenNumber() {
        const int decimals =
            pick(8) == 0 ? static_cast<int>(7 + pick(9)) : static_cast<int>(pick(7));
        const char* separator = pick(2) == 0 ? "," : ".";
        float value = 0;
        switch (pick(8)) {
            case 0:
                value = static_cast<float>(pick(2000)) / 8.0f - 125.0f;  // exact in binary
                break;
            case 1: {
                const float specials[] = {0.0f,
                                          -0.0f,
                                          kMax,
                                          -kMax,
                                          kInf,
                                          -kInf,
                                          kNaN,
                                          std::numeric_limits<float>::min(),
                                          std::numeric_limits<float>::denorm_min(),
                                          1e15f,
                                          -1e15f,
                                          999999.99f,
                                          16777216.0f,
                                          16777217.0f};
                value = specials[pick(std::size(specials))];
                break;
            }
            case 2:
                // The largest floats, near where the writer's 15 digits round up.
                value = std::nextafter(kMax, 0.0f);
                for (std::size_t n = pick(4); n > 0; --n) {
                    value = std::nextafter(value, kInf);
                }
                value = pick(2) == 0 ? value : -value;
                break;
            default: {
                std::uniform_real_distribution<float> mantissa(-10.0f, 10.0f);
                const int exponent = static_cast<int>(pick(46)) - 8;
                value = mantissa(random_) * std::pow(10.0f, static_cast<float>(exponent));
                break;
            }
        }
        return FormatValueUtf8(value, decimals, separator);
    }

    std::string digits(std::size_t count) {
        std::string text;
        for (std::size_t i = 0; i < count; ++i) {
            text += static_cast<char>('0' + pick(10));
        }
        return text;
    }

    // `value` in at least `width` digits, now and then with leading zeros.
    std::string padded(std::size_t value, std::size_t width) {
        std::string text = std::to_string(value);
        const std::size_t zeros = pick(6) == 0 ? 1 + pick(2) : 0;
        text.insert(0, std::max(width, text.size() + zeros) - text.size(), '0');
        return text;
    }

    // `text` with a character changed, put in or taken out.
    std::string mutated(std::string text, const std::string& alphabet) {
        const std::size_t at = text.empty() ? 0 : pick(text.size());
        const char c = alphabet[pick(alphabet.size())];
        switch (pick(3)) {
            case 0:
                if (!text.empty()) {
                    text[at] = c;
                }
                break;
            case 1:
                text.insert(at, 1, c);
                break;
            default:
                if (!text.empty()) {
                    text.erase(at, 1);
                }
                break;
        }
        return text;
    }

    std::string pickFrom(const std::vector<std::string>& texts) {
        return texts[pick(texts.size())];
    }

    inline static const std::vector<std::string> kOddNumbers = {
        "0",
        "-0",
        "-0,0",
        "0.000000",
        "007",
        "-007,50",
        "1,5E+20",
        "2e-3",
        "-1E5",
        "1.E5",
        ",5",
        "1,",
        "+1",
        "1,5,5",
        "1e",
        "1e+",
        "1E+400",
        "1e-400",
        "-",
        "--",
        "---5",
        "inf",
        "nan",
        "-NAN",
        "INFX",
        "1 5",
        "0x10",
        "16777217",
        "16777216,5",
        "0,1234567890123456789",
        "123456789012345",
        "1234567890123456",
        "3,40282346638529E+38",
        "-3,40282346638529E+38",
        "3,4028235677973E+38",
        "3,4028236E+38",
        "3.4028234663852886E38",
        "340282356779733661637539395458142568447",
        "340282356779733661637539395458142568448",
        "1,401298464324817E-45",
        "7E-46",
        "1E-45",
        "0,00000000000000000000000000000000000000000000000000000000001",
        "99999999999999,9",
        "9999999999999,99",
        "0,000001",
        "999999,999999",
        "12345678,9",
        "1234567,89",
        "-0,000000",
        "1e+0",
        "1E00",
        // About where a mantissa stops being an exact double (2^53), and the
        // writer's zeros past its 15th significant digit.
        "9007199254740991",
        "9007199254740993",
        "9007199254740992,0",
        "-900719925474099,35",
        "1,000000000000000000",
        "0,0000000000000000001",
        "123456789012,500000",
        "-0,000001234000000",
        "0,123456789012345",
        "99999999999999999,99",
        "1,5e1,5",
        "",
    };
    inline static const std::vector<std::string> kOddDates = {
        "29-2-2024", "29-2-2023",  "29-2-2000",  "29-2-1900",  "31-4-2026", "31-12-9999",
        "1-1-1",     "01-01-0001", "0-1-2026",   "1-0-2026",   "1-13-2026", "1-1-0",
        "1-1-10000", "001-1-2026", "1-001-2026", "1--2026",    "1-1",       "-1-1-2026",
        "1-1-2026-", "a-1-2026",   "8-12-2026",  "08-12-2026", "",          "---",
    };
    inline static const std::vector<std::string> kOddTimes = {
        "0:0:0:0",    "23:59:60:999", "23:59:61:0", "24:0:0:0", "9:60:0:0", "09:05:03:042",
        "9:5:3:0042", "9:5:3",        "9:5:3:42:1", "9::3:42",  ":5:3:42",  "9:5:3:",
        "009:5:3:42", "9:5:3:1000",   "",           "---",      "9-5-3-42", "12:30:07:5",
    };
    inline static const std::vector<std::string> kOddCounters = {
        "-0",          "0000000000", "00000000001", "2147483647", "2147483648", "-2147483648",
        "-2147483649", "4294967295", "4294967296",  "-",          "--",         "----",
        "+5",          "1,5",        "12a",         "",           "-00",        "9999999999",
    };

    std::mt19937 random_;
    bool odd_ = true;
};

std::string layoutText(const RecordedLayout& layout) {
    return layout.columns().to_string();
}

// Lines of random selections, each field from the corpus; what the parser
// makes of each line is what the rules above make of its fields.
TEST(RecordedLineParserFields, ReadsEveryFieldAsItsRuleSays) {
    Corpus corpus(20261211);
    const std::uint32_t every = (1u << kLogColumnCount) - 1;
    const std::uint32_t quantities = ((1u << kQuantityCount) - 1) << 4;
    std::size_t accepted = 0;
    std::size_t rejected = 0;
    for (int n = 0; n < 30000; ++n) {
        std::uint32_t mask = every;
        switch (corpus.pick(4)) {
            case 0:
                mask = quantities;  // the numbers end the line
                break;
            case 1:
                mask = static_cast<std::uint32_t>(corpus.pick(every)) + 1;
                break;
            default:
                break;
        }
        const RecordedLayout layout{RecordedLayout::Columns(mask)};
        corpus.setOdd(corpus.pick(2) == 0);

        // Fields are mostly of their kind, so that many lines are whole.
        std::string line;
        bool valid = true;
        ParsedLine want;
        want.values.fill(kNaN);
        std::int64_t days = 0;
        std::int64_t ms = 0;
        const auto add = [&](const std::string& text) { line += text + ";"; };
        if (layout.has(LogColumn::Date)) {
            const std::string text = corpus.date();
            const auto d = expectedDays(text);
            valid = valid && d.has_value();
            days = d.value_or(0);
            add(text);
        }
        if (layout.has(LogColumn::Time)) {
            const std::string text = corpus.timeOfDay();
            const auto t = expectedTimeOfDay(text);
            valid = valid && t.has_value();
            ms = t.value_or(0);
            add(text);
        }
        want.time = days * kMillisecondsPerDay + ms;
        if (layout.has(LogColumn::Counter)) {
            const std::string text = corpus.counter(true);
            const CounterText c = expectedCounter(text, true);
            valid = valid && c.valid;
            want.counterKnown = c.known;
            want.counter = static_cast<std::int32_t>(c.value);
            add(text);
        }
        if (layout.has(LogColumn::CounterModulo)) {
            const std::string text = corpus.counter(false);
            const CounterText c = expectedCounter(text, false);
            valid = valid && c.valid;
            want.counterModuloKnown = c.known;
            want.counterModulo = static_cast<std::uint32_t>(c.value);
            add(text);
        }
        for (const std::uint8_t q : layout.quantities()) {
            const std::string text = corpus.number();
            const auto v = expectedNumber(text);
            valid = valid && v.has_value();
            want.values[q] = v.value_or(kNaN);
            add(text);
        }
        if (layout.has(LogColumn::Output)) {
            for (std::size_t o = 0; o < kOutputFieldCount; ++o) {
                const std::string text = corpus.output();
                valid = valid && (text == "HI" || text == "LO" || text == "---");
                want.outputs |= static_cast<std::uint8_t>((text == "HI" ? 1u : 0u) << o);
                want.outputsKnown |= static_cast<std::uint8_t>((text != "---" ? 1u : 0u) << o);
                add(text);
            }
        }
        line += corpus.pick(3) == 0 ? "" : (corpus.pick(2) == 0 ? "\r\n" : "\n");

        SCOPED_TRACE(line + " under " + layoutText(layout));
        ParsedLine got;
        ASSERT_EQ(parseMeasurementLine(line, layout, got), valid);
        if (!valid) {
            ++rejected;
            continue;
        }
        ++accepted;
        EXPECT_EQ(got.time, want.time);
        EXPECT_EQ(got.counterKnown, want.counterKnown);
        if (want.counterKnown) {
            EXPECT_EQ(got.counter, want.counter);
        }
        EXPECT_EQ(got.counterModuloKnown, want.counterModuloKnown);
        if (want.counterModuloKnown) {
            EXPECT_EQ(got.counterModulo, want.counterModulo);
        }
        for (std::size_t q = 0; q < kQuantityCount; ++q) {
            // Bit for bit: -0 is not 0, and NaN is the one NaN.
            EXPECT_EQ(std::bit_cast<std::uint32_t>(got.values[q]),
                      std::bit_cast<std::uint32_t>(want.values[q]))
                << q << ": " << got.values[q] << " for " << want.values[q];
        }
        EXPECT_EQ(got.outputs, want.outputs);
        EXPECT_EQ(got.outputsKnown, want.outputsKnown);
        EXPECT_EQ(got.fields, layout.fieldCount());
    }
    // The corpus reaches both ends.
    EXPECT_GT(accepted, 3000u);
    EXPECT_GT(rejected, 3000u);
}

// Each number text alone, in the middle of a line and at its end: the
// writer's numbers with 0..6 decimals and either separator, and the odd ones.
TEST(RecordedLineParserFields, ReadsNumbersAsTheirRuleSays) {
    const RecordedLayout one{
        RecordedLayout::Columns().set(static_cast<std::size_t>(LogColumn::Adc1))};
    const RecordedLayout withOutputs{RecordedLayout::Columns()
                                         .set(static_cast<std::size_t>(LogColumn::Adc1))
                                         .set(static_cast<std::size_t>(LogColumn::Output))};
    Corpus corpus(7);
    std::size_t numbers = 0;
    for (int n = 0; n < 60000; ++n) {
        const std::string text = corpus.number();
        const std::optional<float> want = expectedNumber(text);
        numbers += want.has_value() ? 1 : 0;
        for (const bool outputsAfter : {false, true}) {
            const std::string line = text + (outputsAfter ? ";LO;HI;---;LO;LO;LO;\r\n" : ";\r\n");
            SCOPED_TRACE(line);
            ParsedLine got;
            ASSERT_EQ(parseMeasurementLine(line, outputsAfter ? withOutputs : one, got),
                      want.has_value());
            if (want) {
                EXPECT_EQ(std::bit_cast<std::uint32_t>(got.values[0]),
                          std::bit_cast<std::uint32_t>(*want))
                    << got.values[0] << " for " << *want;
            }
        }
    }
    EXPECT_GT(numbers, 30000u);
}

}  // namespace
}  // namespace voltrix
