// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzz target: the text of a measured value. The input is a flag byte (float
// or double), the value's bytes, the decimals and a separator. The text must
// fit the documented capacity, follow its grammar, never show a minus on a
// value that rounds to zero, and stand for the value within its rounding.

#include <QString>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "engine/text/format_value.h"
#include "fuzz_support.h"

namespace voltrix::fuzz {
namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Checks the text written with "." and returns the number it stands for, in
// a wider type: rounded to 15 digits, the largest doubles lie beyond the
// largest double.
long double checkGrammar(std::string_view text, int decimals, double value) {
    if (std::isnan(value)) {
        VOLTRIX_FUZZ_CHECK(text == "NAN");
        return value;
    }
    if (std::isinf(value)) {
        VOLTRIX_FUZZ_CHECK(text == (value > 0 ? "INF" : "-INF"));
        return value;
    }
    std::string_view rest = text;
    if (!rest.empty() && rest.front() == '-') {
        rest.remove_prefix(1);
    }
    const std::size_t e = rest.find('E');
    if (std::fabs(value) >= 1e15) {
        // d[.d...]E+dd with at most 15 significant digits, no trailing zero.
        VOLTRIX_FUZZ_CHECK(e != std::string_view::npos && e + 4 <= rest.size());
        const std::string_view mantissa = rest.substr(0, e);
        VOLTRIX_FUZZ_CHECK(isDigit(mantissa[0]) && mantissa[0] != '0');
        if (mantissa.size() > 1) {
            VOLTRIX_FUZZ_CHECK(mantissa[1] == '.' && mantissa.size() >= 3 &&
                               mantissa.size() <= 16 && mantissa.back() != '0');
            for (char c : mantissa.substr(2)) {
                VOLTRIX_FUZZ_CHECK(isDigit(c));
            }
        }
        VOLTRIX_FUZZ_CHECK(rest[e + 1] == '+');
        for (char c : rest.substr(e + 2)) {
            VOLTRIX_FUZZ_CHECK(isDigit(c));
        }
    } else {
        // Digits, then "." and exactly `decimals` digits.
        VOLTRIX_FUZZ_CHECK(e == std::string_view::npos);
        const std::size_t point = rest.find('.');
        const std::string_view whole = rest.substr(0, point);
        VOLTRIX_FUZZ_CHECK(!whole.empty() && whole.size() <= 16);
        VOLTRIX_FUZZ_CHECK(whole.size() == 1 || whole[0] != '0');
        for (char c : whole) {
            VOLTRIX_FUZZ_CHECK(isDigit(c));
        }
        if (decimals == 0) {
            VOLTRIX_FUZZ_CHECK(point == std::string_view::npos);
        } else {
            VOLTRIX_FUZZ_CHECK(point != std::string_view::npos &&
                               rest.size() - point - 1 == static_cast<std::size_t>(decimals));
            for (char c : rest.substr(point + 1)) {
                VOLTRIX_FUZZ_CHECK(isDigit(c));
            }
        }
    }
    const std::string copy(text);
    return std::strtold(copy.c_str(), nullptr);
}

void check(double value, int decimals, std::string_view separator) {
    // An exact-size heap buffer: a write past the capacity is caught.
    const auto buffer = std::make_unique<char[]>(kFormatValueCapacity);
    const std::size_t length = FormatValueTo(buffer.get(), value, decimals, ".");
    VOLTRIX_FUZZ_CHECK(length > 0 && length <= kFormatValueCapacity);
    const std::string_view text(buffer.get(), length);

    const int used = decimals < 0 ? 0 : decimals > kMaxDecimals ? kMaxDecimals : decimals;
    const long double shown = checkGrammar(text, used, value);
    if (std::isfinite(value)) {
        // Rounded once at the last decimal or the 15th significant digit.
        // (A little slack for the arithmetic of the check itself.)
        const long double allowed =
            (0.5L * std::pow(10.0L, -used) + std::fabs(value) * 1e-14L) * (1 + 1e-9L) + 1e-300L;
        VOLTRIX_FUZZ_CHECK(std::fabs(shown - value) <= allowed);
        // No minus on a zero: "-0", "-0.00", "-0E+..." never appear.
        VOLTRIX_FUZZ_CHECK(text.front() != '-' || shown != 0.0L);
        VOLTRIX_FUZZ_CHECK((text.front() == '-') == (shown < 0.0L));
    }

    // Another separator changes nothing else; longer ones are cut to 8 bytes.
    const std::string_view cut = separator.substr(0, 8);
    std::string withSeparator(text);
    const std::size_t point = withSeparator.find('.');
    if (point != std::string::npos) {
        withSeparator.replace(point, 1, cut);
    }
    const auto other = std::make_unique<char[]>(kFormatValueCapacity);
    const std::size_t otherLength = FormatValueTo(other.get(), value, decimals, separator);
    VOLTRIX_FUZZ_CHECK(otherLength <= kFormatValueCapacity);
    VOLTRIX_FUZZ_CHECK(std::string_view(other.get(), otherLength) == withSeparator);
    VOLTRIX_FUZZ_CHECK(FormatValueUtf8(value, decimals, separator) == withSeparator);
    const QString qtSeparator =
        QString::fromUtf8(separator.data(), static_cast<qsizetype>(separator.size()));
    if (qtSeparator.toUtf8() == QByteArray(separator.data(), separator.size()) &&
        separator.size() <= 8) {
        VOLTRIX_FUZZ_CHECK(FormatValue(value, decimals, qtSeparator).toStdString() ==
                           withSeparator);
    }
}

}  // namespace
}  // namespace voltrix::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace voltrix::fuzz;
    voltrix::fuzz::InputReader in({data, size});
    const auto flags = in.take<std::uint8_t>();
    const double value =
        (flags & 1) != 0 ? static_cast<double>(in.take<float>()) : in.take<double>();
    const int decimals = in.take<std::int8_t>();
    const auto rest = in.takeBytes(in.remaining());
    check(value, decimals,
          std::string_view(reinterpret_cast<const char*>(rest.data()), rest.size()));
    return 0;
}
