// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/text/number_text.h"

#include <gtest/gtest.h>

#include <cfloat>

#include "qt_printers.h"

namespace voltrix {
namespace {

TEST(ParseInteger, WholeTextAsSigned32BitDecimal) {
    struct Case {
        const char* text;
        std::optional<std::int32_t> value;
    };
    const Case cases[] = {
        {"0", 0},
        {"700", 700},
        {"-5", -5},
        {"+12", 12},
        {" 42 ", 42},
        {"2147483647", 2147483647},
        {"-2147483648", INT32_MIN},
        {"2147483648", std::nullopt},
        {"-2147483649", std::nullopt},
        {"", std::nullopt},
        {"-", std::nullopt},
        {"12a", std::nullopt},
        {"1 2", std::nullopt},
        {"$10", std::nullopt},
        {"1.0", std::nullopt},
        {"99999999999999999999", std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(parseInteger(QString::fromLatin1(c.text)), c.value) << c.text;
    }
}

TEST(ParseReal, LocaleSeparatorSignAndExponent) {
    struct Case {
        const char* text;
        const char* separator;
        std::optional<float> value;
    };
    const Case cases[] = {
        {"1", ",", 1.0f},
        {"1,5", ",", 1.5f},
        {"-0,25", ",", -0.25f},
        {"+2,5E1", ",", 25.0f},
        {"1,5e-3", ",", 1.5e-3f},
        {",5", ",", 0.5f},
        {"3,", ",", 3.0f},
        {"1.5", ",", std::nullopt},  // the point is no separator here
        {"1.5", ".", 1.5f},
        {"1,5", ".", std::nullopt},
        {"", ",", std::nullopt},
        {",", ",", std::nullopt},
        {"abc", ",", std::nullopt},
        {"1e", ",", std::nullopt},
        {"inf", ".", std::nullopt},
        {"nan", ".", std::nullopt},
        {"1e39", ".", std::nullopt},  // beyond single precision
        {"-1e300", ".", std::nullopt},
        {"3.4028234e38", ".", FLT_MAX},
        {"1e-50", ".", 0.0f},
        {" 2.5 ", ".", 2.5f},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(parseReal(QString::fromLatin1(c.text), QString::fromLatin1(c.separator)), c.value)
            << c.text << " with " << c.separator;
    }
}

}  // namespace
}  // namespace voltrix
