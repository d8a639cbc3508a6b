// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/recorded/line_parser.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <iterator>
#include <limits>

namespace voltrix {
namespace {

// Exact doubles: a mantissa below 2^53 divided by one of these is rounded
// once, to the double nearest the text, as the standard conversion gives.
constexpr double kPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,
                             1e10, 1e11, 1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19};
// Up to 19 digits the mantissa does not wrap (10^19 < 2^64).
constexpr int kFastDigits = 19;
// Mantissas below it are exact doubles.
constexpr std::uint64_t kExactMantissa = std::uint64_t{1} << 53;
// Longer than any number the writer makes, exponent form included.
constexpr std::size_t kLongestNumber = 63;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

// Beyond the float range the conversion is undefined; the writer rounds the
// largest float to 15 digits, a little above it, which still means it.
float toFloat(double v) {
    constexpr double kMax = std::numeric_limits<float>::max();
    // Half a float step above the largest float: from there on it rounds to infinity.
    constexpr double kInfinityFrom = kMax + 0x1p103;
    if (std::fabs(v) <= kMax) {
        return static_cast<float>(v);
    }
    const float sign = v < 0 ? -1.0f : 1.0f;
    return sign * (std::fabs(v) < kInfinityFrom ? std::numeric_limits<float>::max() : kInf);
}

inline bool isDigit(char c) { return static_cast<unsigned char>(c - '0') < 10; }

// The fields share one pattern: the cursor `p` moves over a field and its ';'.
// The line ends with ';' (parseMeasurementLine checks it first), and every
// field reader stops at a ';': so only the start of a field looks for the end
// of the line, never a loop over its characters.
class Reader {
public:
    // `end` follows a ';'.
    Reader(const char* p, const char* end) : p_(p), end_(end) {}

    bool atEnd() const { return p_ == end_; }

    // `text` followed by ';'.
    bool literal(std::string_view text) {
        if (static_cast<std::size_t>(end_ - p_) < text.size() + 1 ||
            std::memcmp(p_, text.data(), text.size()) != 0 || p_[text.size()] != ';') {
            return false;
        }
        p_ += text.size() + 1;
        return true;
    }

    bool date(std::int64_t& days) {
        std::uint64_t d = 0, m = 0, y = 0;
        if (atEnd() || !unsignedThen(2, d, '-') || !unsignedThen(2, m, '-') ||
            !unsignedThen(4, y, ';')) {
            return false;
        }
        if (m < 1 || m > 12 || d < 1 || y < 1) {
            return false;
        }
        static constexpr unsigned kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
        const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
        if (d > kDays[m - 1] || (m == 2 && d == 29 && !leap)) {
            return false;
        }
        days = daysFromCivil(static_cast<std::int64_t>(y), static_cast<unsigned>(m),
                             static_cast<unsigned>(d));
        return true;
    }

    bool timeOfDay(std::int64_t& ms) {
        std::uint64_t h = 0, m = 0, s = 0, milli = 0;
        if (atEnd() || !unsignedThen(2, h, ':') || !unsignedThen(2, m, ':') ||
            !unsignedThen(2, s, ':') || !unsignedThen(3, milli, ';')) {
            return false;
        }
        // A leap second reads as second 60.
        if (h > 23 || m > 59 || s > 60) {
            return false;
        }
        ms = static_cast<std::int64_t>(((h * 60 + m) * 60 + s) * 1000 + milli);
        return true;
    }

    bool counter(std::int32_t& value, bool& known) {
        if (atEnd()) {
            return false;
        }
        if (literal("---")) {
            known = false;
            return true;
        }
        const bool negative = *p_ == '-';
        p_ += negative ? 1 : 0;
        std::uint64_t magnitude = 0;
        if (!unsignedThen(10, magnitude, ';')) {
            return false;
        }
        const std::int64_t v = negative ? -static_cast<std::int64_t>(magnitude)
                                        : static_cast<std::int64_t>(magnitude);
        if (v < std::numeric_limits<std::int32_t>::min() ||
            v > std::numeric_limits<std::int32_t>::max()) {
            return false;
        }
        value = static_cast<std::int32_t>(v);
        known = true;
        return true;
    }

    bool counterModulo(std::uint32_t& value, bool& known) {
        if (atEnd()) {
            return false;
        }
        if (literal("---")) {
            known = false;
            return true;
        }
        std::uint64_t v = 0;
        if (!unsignedThen(10, v, ';') || v > std::numeric_limits<std::uint32_t>::max()) {
            return false;
        }
        value = static_cast<std::uint32_t>(v);
        known = true;
        return true;
    }

    bool number(float& value) {
        if (atEnd()) {
            return false;
        }
        const char* start = p_;
        const bool negative = *p_ == '-';
        p_ += negative ? 1 : 0;
        const char* digits = p_;
        std::uint64_t mantissa = digitsAfter(0);
        const auto integerDigits = p_ - digits;
        if (integerDigits == 0) {
            p_ = start;
            return special(value);
        }
        std::ptrdiff_t fractionDigits = 0;
        if (*p_ == ',' || *p_ == '.') {
            ++p_;
            const char* fraction = p_;
            mantissa = digitsAfter(mantissa);
            fractionDigits = p_ - fraction;
            if (fractionDigits == 0) {
                return false;
            }
        }
        if (*p_ == ';' && integerDigits + fractionDigits <= kFastDigits) {
            // The writer writes at most 15 significant digits, then zeros up
            // to its decimals: without the zeros the mantissa is exact again.
            while (mantissa >= kExactMantissa && fractionDigits > 0 && mantissa % 10 == 0) {
                mantissa /= 10;
                --fractionDigits;
            }
            if (mantissa < kExactMantissa) {
                ++p_;
                const double magnitude = static_cast<double>(mantissa) /
                                         kPow10[static_cast<std::size_t>(fractionDigits)];
                value = static_cast<float>(negative ? -magnitude : magnitude);
                return true;
            }
        }
        if (*p_ != ';' && *p_ != 'E' && *p_ != 'e') {
            return false;
        }
        p_ = start;
        return slowNumber(value);
    }

private:
    // `v` followed by the digits at the cursor, which it passes: two at a
    // time, which halves the branches. Wraps past 19 digits; the callers
    // count the digits before they use the value.
    std::uint64_t digitsAfter(std::uint64_t v) {
        for (;;) {
            const unsigned first = static_cast<unsigned char>(p_[0]) - unsigned{'0'};
            if (first > 9) {
                return v;
            }
            // A digit is not the line's last ';': the next byte is in the line.
            const unsigned second = static_cast<unsigned char>(p_[1]) - unsigned{'0'};
            if (second > 9) {
                p_ += 1;
                return v * 10 + first;
            }
            v = v * 100 + first * 10 + second;
            p_ += 2;
        }
    }

    // 1..maxDigits digits, then `after`.
    bool unsignedThen(std::ptrdiff_t maxDigits, std::uint64_t& value, char after) {
        const char* start = p_;
        const std::uint64_t v = digitsAfter(0);
        const auto count = p_ - start;
        if (count == 0 || count > maxDigits || *p_ != after) {
            return false;
        }
        ++p_;
        value = v;
        return true;
    }

    bool special(float& value) {
        if (literal("---") || literal("NAN")) {
            value = kNaN;
            return true;
        }
        if (literal("INF")) {
            value = kInf;
            return true;
        }
        if (literal("-INF")) {
            value = -kInf;
            return true;
        }
        return false;
    }

    // Exponent form, and more significant digits than a double holds: the
    // standard conversion, on a copy with '.' as the separator.
    bool slowNumber(float& value) {
        const char* semicolon =
            static_cast<const char*>(std::memchr(p_, ';', static_cast<std::size_t>(end_ - p_)));
        if (semicolon == nullptr) {
            return false;
        }
        const auto length = static_cast<std::size_t>(semicolon - p_);
        if (length > kLongestNumber) {
            return false;
        }
        char text[kLongestNumber];
        for (std::size_t i = 0; i < length; ++i) {
            const char c = p_[i];
            if (!isDigit(c) && c != '-' && c != '+' && c != 'E' && c != 'e' && c != '.' &&
                c != ',') {
                return false;
            }
            text[i] = c == ',' ? '.' : c;
        }
        double parsed = 0.0;
        const auto result = std::from_chars(text, text + length, parsed);
        if (result.ec != std::errc() || result.ptr != text + length) {
            return false;
        }
        value = toFloat(parsed);
        p_ = semicolon + 1;
        return true;
    }

    const char* p_;
    const char* end_;
};

}  // namespace

bool parseMeasurementLine(std::string_view line, const RecordedLayout& layout, ParsedLine& out) {
    line = withoutLineEnd(line);
    // Every field ends with ';', the last one too; the Reader counts on it.
    if (line.empty() || line.back() != ';') {
        return false;
    }
    Reader r(line.data(), line.data() + line.size());

    std::int64_t days = 0;
    std::int64_t ms = 0;
    if (layout.has(LogColumn::Date) && !r.date(days)) {
        return false;
    }
    if (layout.has(LogColumn::Time) && !r.timeOfDay(ms)) {
        return false;
    }
    out.time = days * kMillisecondsPerDay + ms;

    out.counterKnown = false;
    if (layout.has(LogColumn::Counter) && !r.counter(out.counter, out.counterKnown)) {
        return false;
    }
    out.counterModuloKnown = false;
    if (layout.has(LogColumn::CounterModulo) &&
        !r.counterModulo(out.counterModulo, out.counterModuloKnown)) {
        return false;
    }

    out.values.fill(kNaN);
    for (const std::uint8_t q : layout.quantities()) {
        if (!r.number(out.values[q])) {
            return false;
        }
    }

    out.outputs = 0;
    out.outputsKnown = 0;
    if (layout.has(LogColumn::Output)) {
        for (std::size_t n = 0; n < kOutputFieldCount; ++n) {
            if (r.literal("HI")) {
                out.outputs |= static_cast<std::uint8_t>(1u << n);
                out.outputsKnown |= static_cast<std::uint8_t>(1u << n);
            } else if (r.literal("LO")) {
                out.outputsKnown |= static_cast<std::uint8_t>(1u << n);
            } else if (!r.literal("---")) {
                return false;
            }
        }
    }
    if (!r.atEnd()) {
        return false;
    }
    out.fields = layout.fieldCount();
    return true;
}

bool someLayoutReads(std::string_view line) {
    // Date, Time, Counter, CounterModulo and Output, each there or not; the
    // fields left over are quantities, which read alike whichever they are.
    constexpr LogColumn kOthers[] = {LogColumn::Date, LogColumn::Time, LogColumn::Counter,
                                     LogColumn::CounterModulo, LogColumn::Output};
    constexpr std::size_t kCombinations = std::size_t{1} << std::size(kOthers);
    const std::size_t fields = countLineFields(line);
    ParsedLine parsed;
    for (std::size_t combination = 0; combination < kCombinations; ++combination) {
        RecordedLayout::Columns columns;
        for (std::size_t i = 0; i < std::size(kOthers); ++i) {
            columns.set(static_cast<std::size_t>(kOthers[i]), ((combination >> i) & 1) != 0);
        }
        const std::size_t others = fieldCountOf(columns);
        if (others > fields || fields - others > kQuantityCount) {
            continue;
        }
        for (std::size_t q = 0; q < fields - others; ++q) {
            columns.set(static_cast<std::size_t>(LogColumn::Adc1) + q);
        }
        if (parseMeasurementLine(line, RecordedLayout(columns), parsed)) {
            return true;
        }
    }
    return false;
}

std::vector<RecordedLayout> layoutsForLine(std::string_view line, const RecordedLayout& stored,
                                           std::size_t maxResults) {
    std::vector<RecordedLayout> result;
    const std::size_t fields = countLineFields(line);
    // Every selection with that many fields, nearest first; only those the
    // line parses under are kept.
    ParsedLine parsed;
    for (const RecordedLayout& layout :
         layoutsWithFieldCount(fields, stored, std::size_t{1} << kLogColumnCount)) {
        if (result.size() == maxResults) {
            break;
        }
        if (parseMeasurementLine(line, layout, parsed)) {
            result.push_back(layout);
        }
    }
    return result;
}

}  // namespace voltrix
