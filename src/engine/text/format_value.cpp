// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/text/format_value.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

#include <QLocale>

namespace voltrix {
namespace {

constexpr int kSignificantDigits = 15;

constexpr std::array<double, 16> kPow10Double = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                                 1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
constexpr std::array<std::uint64_t, 16> kPow10 = {1ull,
                                                  10ull,
                                                  100ull,
                                                  1000ull,
                                                  10000ull,
                                                  100000ull,
                                                  1000000ull,
                                                  10000000ull,
                                                  100000000ull,
                                                  1000000000ull,
                                                  10000000000ull,
                                                  100000000000ull,
                                                  1000000000000ull,
                                                  10000000000000ull,
                                                  100000000000000ull,
                                                  1000000000000000ull};

char* put(char* out, std::string_view text) {
    for (char c : text) {
        *out++ = c;
    }
    return out;
}

// Number of digits before the decimal point of `magnitude` (< 10^15); 0 below 1.
int integerDigits(double magnitude) {
    int digits = 0;
    while (digits < kSignificantDigits && magnitude >= kPow10Double[digits]) {
        ++digits;
    }
    return digits;
}

// A 128-bit product, kept portable (no compiler extension).
struct Wide {
    std::uint64_t high;
    std::uint64_t low;

    bool bit(int index) const {
        return ((index < 64 ? low >> index : high >> (index - 64)) & 1u) != 0;
    }
    // floor(this / 2^shift) for 0 < shift < 128, when the result fits 64 bits.
    std::uint64_t shiftedRight(int shift) const {
        if (shift >= 64) {
            return high >> (shift - 64);
        }
        return (high << (64 - shift)) | (low >> shift);
    }
};

Wide multiply(std::uint64_t a, std::uint64_t b) {
    const std::uint64_t aLow = a & 0xFFFFFFFFu, aHigh = a >> 32;
    const std::uint64_t bLow = b & 0xFFFFFFFFu, bHigh = b >> 32;
    const std::uint64_t lowLow = aLow * bLow;
    const std::uint64_t highLow = aHigh * bLow;
    const std::uint64_t lowHigh = aLow * bHigh;
    const std::uint64_t middle = (lowLow >> 32) + (highLow & 0xFFFFFFFFu) + (lowHigh & 0xFFFFFFFFu);
    return {aHigh * bHigh + (highLow >> 32) + (lowHigh >> 32) + (middle >> 32),
            (middle << 32) | (lowLow & 0xFFFFFFFFu)};
}

// magnitude * 10^decimals rounded to an integer, ties away from zero, computed
// on the exact binary value. magnitude < 10^15 and the result is < 10^16.
std::uint64_t scaleAndRound(double magnitude, int decimals) {
    // magnitude = mantissa * 2^-shift exactly, read from the bits of the double.
    const auto bits = std::bit_cast<std::uint64_t>(magnitude);
    const int biasedExponent = static_cast<int>(bits >> 52);
    std::uint64_t mantissa = bits & ((std::uint64_t{1} << 52) - 1);
    int shift = 1074;  // subnormal
    if (biasedExponent != 0) {
        mantissa |= std::uint64_t{1} << 52;
        shift = 1075 - biasedExponent;  // > 3, because magnitude < 2^50
    }
    if (shift > 104) {
        return 0;  // the product is below 2^103: less than half a unit
    }
    const Wide scaled = multiply(mantissa, kPow10[decimals]);
    // The bit just below the cut is the half: set means round the magnitude up.
    return scaled.shiftedRight(shift) + (scaled.bit(shift - 1) ? 1 : 0);
}

std::size_t formatFixed(char* out, double magnitude, bool negative, int decimals,
                        std::string_view separator) {
    // Usually the last decimal comes before the 15th significant digit; only
    // large values need their integer digits counted.
    int cut = decimals;
    if (magnitude >= kPow10Double[kSignificantDigits - decimals]) {
        cut = std::min(decimals, kSignificantDigits - integerDigits(magnitude));
    }
    std::uint64_t rounded = scaleAndRound(magnitude, cut);

    char* p = out;
    if (negative && rounded != 0) {
        *p++ = '-';
    }
    // Digits from the right, at least one more than the decimals so that one
    // stands before the separator.
    char digits[24];
    char* const end = digits + sizeof digits;
    char* d = end;
    do {
        *--d = static_cast<char>('0' + rounded % 10);
        rounded /= 10;
    } while (rounded != 0 || end - d <= cut);
    const char* const fraction = end - cut;
    while (d < fraction) {
        *p++ = *d++;
    }
    if (decimals > 0) {
        p = put(p, separator);
        while (d < end) {
            *p++ = *d++;
        }
        for (int i = cut; i < decimals; ++i) {
            *p++ = '0';
        }
    }
    return static_cast<std::size_t>(p - out);
}

// Exponent form for magnitudes of 10^15 and above.
std::size_t formatExponent(char* out, double magnitude, bool negative, std::string_view separator) {
    // Enough digits to hold the exact value of any double of this size (at most
    // 309 integer digits and 3 fractional ones), so the digits are not rounded.
    constexpr int kExactPrecision = 320;
    char exact[kExactPrecision + 16];
    const auto result = std::to_chars(exact, exact + sizeof exact, magnitude,
                                      std::chars_format::scientific, kExactPrecision);
    // exact: "d.ddd...e+XXX"
    const char* ePos = std::find(exact, result.ptr, 'e');
    int exponent = 0;
    std::from_chars(ePos + 1 + (ePos[1] == '+'), result.ptr, exponent);

    std::array<char, kSignificantDigits> digits{};
    digits[0] = exact[0];
    std::memcpy(digits.data() + 1, exact + 2, kSignificantDigits - 1);
    if (exact[2 + kSignificantDigits - 1] >= '5') {
        int i = kSignificantDigits - 1;
        while (i >= 0 && digits[i] == '9') {
            digits[i--] = '0';
        }
        if (i < 0) {
            digits[0] = '1';  // 9.99...9 became 10.00...0
            ++exponent;
        } else {
            ++digits[i];
        }
    }
    int count = kSignificantDigits;
    while (count > 1 && digits[count - 1] == '0') {
        --count;
    }

    char* p = out;
    if (negative) {
        *p++ = '-';
    }
    *p++ = digits[0];
    if (count > 1) {
        p = put(p, separator);
        p = put(p, std::string_view(digits.data() + 1, count - 1));
    }
    *p++ = 'E';
    *p++ = '+';
    if (exponent < 10) {
        *p++ = '0';
    }
    p = std::to_chars(p, p + 4, exponent).ptr;
    return static_cast<std::size_t>(p - out);
}

}  // namespace

std::size_t FormatValueTo(char* out, double value, int decimals, std::string_view separator) {
    if (std::isnan(value)) {
        return static_cast<std::size_t>(put(out, "NAN") - out);
    }
    if (std::isinf(value)) {
        return static_cast<std::size_t>(put(out, value > 0 ? "INF" : "-INF") - out);
    }
    decimals = std::clamp(decimals, 0, kMaxDecimals);
    separator = separator.substr(0, 8);
    const bool negative = std::signbit(value);
    const double magnitude = std::fabs(value);
    if (magnitude >= 1e15) {
        return formatExponent(out, magnitude, negative, separator);
    }
    return formatFixed(out, magnitude, negative, decimals, separator);
}

std::string FormatValueUtf8(double value, int decimals, std::string_view separator) {
    char buffer[kFormatValueCapacity];
    return std::string(buffer, FormatValueTo(buffer, value, decimals, separator));
}

QString FormatValue(double value, int decimals, const QString& separator) {
    char buffer[kFormatValueCapacity];
    const QByteArray sep = separator.toUtf8();
    return QString::fromUtf8(
        buffer, static_cast<qsizetype>(FormatValueTo(
                    buffer, value, decimals, std::string_view(sep.constData(), sep.size()))));
}

QString systemDecimalSeparator() {
    return QLocale::system().decimalPoint();
}

}  // namespace voltrix
