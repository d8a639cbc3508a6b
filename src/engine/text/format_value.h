// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include <QString>

// The text of one measured value, as the indicators show it and the
// measurement file logs it.
//
// - Fixed-point with exactly `decimals` digits after `separator` (none and no
//   separator with 0 decimals); `decimals` is taken within 0..15.
// - The exact binary value is rounded once, at the last decimal or at the 15th
//   significant digit, whichever comes first; a digit of 5 or more at the cut
//   rounds the magnitude up (ties away from zero). Places past the 15th
//   significant digit are written as zeros.
// - No thousands separators; at least one digit before the separator; no minus
//   sign on a value that rounds to zero (so never "-0").
// - "INF", "-INF", "NAN" (whatever the NaN's sign bit).
// - Magnitudes of 10^15 and more are written in exponent form: up to 15
//   significant digits rounded the same way, trailing zeros dropped, then "E",
//   the sign and at least two exponent digits, e.g. "1E+15", "-3,40282346638529E+38".

namespace voltrix {

inline constexpr int kMaxDecimals = 15;

// Room for the longest text with a separator of up to 8 bytes.
inline constexpr std::size_t kFormatValueCapacity = 64;

// Writes the text (UTF-8) to `out`, which has room for kFormatValueCapacity
// bytes, and returns its length. Allocates nothing.
std::size_t FormatValueTo(char* out, double value, int decimals, std::string_view separator);

std::string FormatValueUtf8(double value, int decimals, std::string_view separator);
QString FormatValue(double value, int decimals, const QString& separator);

// The decimal separator of the system's regional settings, which every shown
// and logged value uses.
QString systemDecimalSeparator();

}  // namespace voltrix
