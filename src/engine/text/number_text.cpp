// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/text/number_text.h"

#include <charconv>
#include <cmath>
#include <string>

namespace voltrix {
namespace {

bool isDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

}  // namespace

std::optional<std::int32_t> parseInteger(const QString& text) {
    const QString trimmed = text.trimmed();
    qsizetype i = 0;
    if (i < trimmed.size() && (trimmed[i] == QLatin1Char('-') || trimmed[i] == QLatin1Char('+'))) {
        ++i;
    }
    if (i == trimmed.size()) {
        return std::nullopt;
    }
    for (qsizetype k = i; k < trimmed.size(); ++k) {
        if (!isDigit(trimmed[k])) {
            return std::nullopt;
        }
    }
    const std::string ascii = trimmed.toStdString();
    const char* first = ascii.data() + (ascii[0] == '+' ? 1 : 0);
    std::int32_t value = 0;
    const auto [end, error] = std::from_chars(first, ascii.data() + ascii.size(), value);
    if (error != std::errc() || end != ascii.data() + ascii.size()) {
        return std::nullopt;  // out of range
    }
    return value;
}

std::optional<float> parseReal(const QString& text, const QString& decimalSeparator) {
    const QString trimmed = text.trimmed();
    // Rewrite into the C form, checking the shape on the way.
    std::string c;
    qsizetype i = 0;
    // from_chars takes no "+" in front of the number, only in the exponent.
    auto sign = [&](bool keepPlus) {
        if (i < trimmed.size() &&
            (trimmed[i] == QLatin1Char('-') || trimmed[i] == QLatin1Char('+'))) {
            if (trimmed[i] == QLatin1Char('-') || keepPlus) {
                c += trimmed[i].toLatin1();
            }
            ++i;
        }
    };
    auto digits = [&] {
        const qsizetype start = i;
        while (i < trimmed.size() && isDigit(trimmed[i])) {
            c += trimmed[i].toLatin1();
            ++i;
        }
        return i - start;
    };
    sign(false);
    qsizetype mantissaDigits = digits();
    if (!decimalSeparator.isEmpty() && trimmed.mid(i).startsWith(decimalSeparator)) {
        c += '.';
        i += decimalSeparator.size();
        mantissaDigits += digits();
    }
    if (mantissaDigits == 0) {
        return std::nullopt;
    }
    if (i < trimmed.size() && (trimmed[i] == QLatin1Char('e') || trimmed[i] == QLatin1Char('E'))) {
        c += 'e';
        ++i;
        sign(true);
        if (digits() == 0) {
            return std::nullopt;
        }
    }
    if (i != trimmed.size()) {
        return std::nullopt;
    }
    double value = 0;
    const auto [end, error] = std::from_chars(c.data(), c.data() + c.size(), value);
    if (end != c.data() + c.size() ||
        (error != std::errc() && error != std::errc::result_out_of_range)) {
        return std::nullopt;
    }
    const auto single = static_cast<float>(value);
    if (error == std::errc::result_out_of_range || !std::isfinite(single)) {
        // Too large for single precision; a tiny number becomes 0 or a
        // subnormal, which the module takes as it is.
        if (error == std::errc::result_out_of_range && std::fabs(value) < 1.0) {
            return 0.0f;
        }
        return std::nullopt;
    }
    return single;
}

}  // namespace voltrix
