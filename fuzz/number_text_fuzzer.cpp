// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzz target: the numbers typed into the configuration edits. The first byte
// chooses the decimal separator and whether the rest is UTF-8 or raw UTF-16
// (lone surrogates included). Integers are checked against a digit-by-digit
// reading; reals must be finite, and every float written by the value
// formatter with enough digits must read back as itself.

#include <QString>

#include <array>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>

#include "engine/text/format_value.h"
#include "engine/text/number_text.h"
#include "fuzz_support.h"

namespace voltrix::fuzz {
namespace {

const std::array<QString, 5> kSeparators = {
    QStringLiteral("."), QStringLiteral(","),  QStringLiteral("\u066B"),
    QStringLiteral(""),  QStringLiteral("::"),
};

// The integer of a text made of an optional sign and digits, when it fits.
std::optional<std::int32_t> referenceInteger(const QString& text) {
    const QString t = text.trimmed();
    qsizetype i = 0;
    const bool negative = i < t.size() && t[i] == u'-';
    if (i < t.size() && (t[i] == u'-' || t[i] == u'+')) {
        ++i;
    }
    if (i == t.size()) {
        return std::nullopt;
    }
    std::int64_t magnitude = 0;
    for (; i < t.size(); ++i) {
        if (t[i] < u'0' || t[i] > u'9') {
            return std::nullopt;
        }
        magnitude =
            std::min<std::int64_t>(magnitude * 10 + (t[i].unicode() - u'0'), std::int64_t{1} << 40);
    }
    const std::int64_t value = negative ? -magnitude : magnitude;
    if (value < INT32_MIN || value > INT32_MAX) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(value);
}

void checkText(const QString& text, const QString& separator) {
    VOLTRIX_FUZZ_CHECK(parseInteger(text) == referenceInteger(text));
    const std::optional<float> real = parseReal(text, separator);
    if (real) {
        VOLTRIX_FUZZ_CHECK(std::isfinite(*real));
    }
}

// 15 decimals keep at least nine significant digits from 1e-5 up, which is
// what a float needs to come back unchanged.
void checkRoundTrip(float value, const QString& separator) {
    if (!std::isfinite(value) || (value != 0.0f && std::fabs(value) < 1e-5f) ||
        separator.isEmpty()) {
        return;
    }
    const QString text = FormatValue(value, 15, separator);
    const std::optional<float> back = parseReal(text, separator);
    VOLTRIX_FUZZ_CHECK(back.has_value() && *back == value);
}

}  // namespace
}  // namespace voltrix::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace voltrix::fuzz;
    if (size == 0) {
        return 0;
    }
    const std::uint8_t mode = data[0];
    const QString& separator = kSeparators[(mode >> 1) % kSeparators.size()];
    const auto* text = reinterpret_cast<const char*>(data + 1);
    const auto length = static_cast<qsizetype>(size - 1);
    QString input;
    if ((mode & 1) != 0) {
        input.resize(length / 2);
        std::memcpy(input.data(), text, static_cast<std::size_t>(length / 2) * 2);
    } else {
        input = QString::fromUtf8(text, length);
    }
    checkText(input, separator);
    VOLTRIX_FUZZ_CHECK(voltrix::parseInteger(input.trimmed()) == voltrix::parseInteger(input));

    if (size >= 5) {
        float value;
        std::memcpy(&value, data + 1, sizeof value);
        checkRoundTrip(value, separator);
        const auto integer = std::bit_cast<std::int32_t>(value);
        VOLTRIX_FUZZ_CHECK(voltrix::parseInteger(QString::number(integer)) == integer);
    }
    return 0;
}
