// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/protocol/measurement.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>

namespace voltrix {
namespace {

void putFloatBits(LastReport& report, std::size_t offset, std::uint32_t bits) {
    for (int i = 0; i < 4; ++i) {
        report[offset + i] = static_cast<std::uint8_t>(bits >> (8 * i));
    }
}

void putFloat(LastReport& report, std::size_t offset, float value) {
    putFloatBits(report, offset, std::bit_cast<std::uint32_t>(value));
}

TEST(DecodeMeasurement, WorkedExampleOfTheFirstEncoder) {
    LastReport report{};
    const std::uint8_t start[] = {0x00, 0x06, 0x00, 0x00, 0xC0, 0x3F, 0x00, 0x00, 0x48, 0x41, 0x02};
    std::memcpy(report.data(), start, sizeof start);

    Measurement m;
    DecodeMeasurement(report, m);

    EXPECT_EQ(m.outputs, 1);
    EXPECT_EQ(m.enc[0].mode, 2);
    EXPECT_EQ(m.enc[0].velocity, 1.5f);
    EXPECT_EQ(m.enc[0].position, 12.5f);
    EXPECT_EQ(m.enc[1].mode, 2);
}

TEST(DecodeMeasurement, EveryFieldComesFromItsOwnOffset) {
    LastReport report{};
    report[10] = 0x01;  // encoder 2 mode
    putFloat(report, 11, -2.0f);
    putFloat(report, 15, 3.0f);
    const std::size_t adcStart[] = {19, 28, 37, 46};
    for (int k = 0; k < 4; ++k) {
        report[adcStart[k]] = static_cast<std::uint8_t>(k);
        putFloat(report, adcStart[k] + 1, 10.0f + k);
        putFloat(report, adcStart[k] + 5, 20.0f + k);
    }
    putFloat(report, 55, 55.5f);
    putFloat(report, 59, -59.5f);
    report[63] = 0xFF;  // past the layout: never read

    Measurement m;
    DecodeMeasurement(report, m);

    EXPECT_EQ(m.enc[1].mode, 1);
    EXPECT_EQ(m.enc[1].velocity, -2.0f);
    EXPECT_EQ(m.enc[1].position, 3.0f);
    for (int k = 0; k < 4; ++k) {
        SCOPED_TRACE(k);
        EXPECT_EQ(m.adc[k].mode, k);
        EXPECT_EQ(m.adc[k].value, 10.0f + k);
        EXPECT_EQ(m.adc[k].average, 20.0f + k);
    }
    EXPECT_EQ(m.math[0], 55.5f);
    EXPECT_EQ(m.math[1], -59.5f);
}

TEST(DecodeMeasurement, ModeAndOutputBitsAreMaskedAsTheLayoutSays) {
    LastReport report{};
    report[1] = 0xFF;
    report[10] = 0xFE;
    report[19] = 0x80;

    Measurement m;
    DecodeMeasurement(report, m);

    EXPECT_EQ(m.enc[0].mode, 3);
    EXPECT_EQ(m.outputs, 0x3F);
    EXPECT_EQ(m.enc[1].mode, 2);
    EXPECT_EQ(m.adc[0].mode, 0x80);  // kept whole: any non-zero mode is a current input
}

TEST(DecodeMeasurement, SpecialFloatsPassBitForBit) {
    struct Case {
        std::uint32_t bits;
    };
    const Case cases[] = {{0x7FC00000u}, {0xFFC00001u}, {0x7F800000u},
                          {0xFF800000u}, {0x80000000u}, {0x00000001u}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bits);
        LastReport report{};
        putFloatBits(report, 20, c.bits);
        Measurement m;
        DecodeMeasurement(report, m);
        EXPECT_EQ(std::bit_cast<std::uint32_t>(m.adc[0].value), c.bits);
    }
}

}  // namespace
}  // namespace voltrix
