// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>

#include <QString>

// Numbers typed by the operator into the configuration edits.

namespace voltrix {

// The whole text (blanks around it aside) as a signed decimal 32-bit integer:
// an optional sign and digits. Anything else, the empty text and numbers
// outside the 32-bit range included, is no number.
std::optional<std::int32_t> parseInteger(const QString& text);

// The whole text (blanks around it aside) as a decimal number written with
// `decimalSeparator`: an optional sign, digits with at most one separator,
// an optional exponent ("1,5E-3"). The number is rounded to single precision;
// one that then is no longer finite is refused, like any other text.
std::optional<float> parseReal(const QString& text, const QString& decimalSeparator);

}  // namespace voltrix
