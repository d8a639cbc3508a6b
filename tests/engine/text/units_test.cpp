// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/text/units.h"

#include <gtest/gtest.h>

namespace voltrix {
namespace {

const QString kNoUnit;

TEST(UnitSuffix, FixedUnitsFollowTheReportedMode) {
    EXPECT_EQ(adcUnitSuffix(0, kNoUnit), QStringLiteral(" [V]"));
    EXPECT_EQ(adcUnitSuffix(1, kNoUnit), QStringLiteral(" [mA]"));
    EXPECT_EQ(adcUnitSuffix(2, kNoUnit), QStringLiteral(" [mA]"));
    EXPECT_EQ(adcUnitSuffix(0x80, kNoUnit), QStringLiteral(" [mA]"));

    const char* positions[] = {" [obr]", " [obr]", " [mm]", " [mm]"};
    const char* velocities[] = {" [obr/sek]", " [obr/min]", " [mm/sek]", " [mm/min]"};
    for (std::uint8_t mode = 0; mode < 4; ++mode) {
        SCOPED_TRACE(mode);
        EXPECT_EQ(encoderPositionSuffix(mode, kNoUnit), QString::fromLatin1(positions[mode]));
        EXPECT_EQ(encoderVelocitySuffix(mode, kNoUnit), QString::fromLatin1(velocities[mode]));
    }
}

TEST(UnitSuffix, UserUnitsReplaceTheFixedOnesAsStored) {
    const QString bar = QStringLiteral("bar");
    EXPECT_EQ(adcUnitSuffix(0, bar), QStringLiteral(" [bar]"));
    EXPECT_EQ(adcUnitSuffix(1, QStringLiteral(" ")), QStringLiteral(" [ ]"));
    EXPECT_EQ(encoderPositionSuffix(3, QStringLiteral("m")), QStringLiteral(" [m]"));
    // A blank stands between the slash and the time unit.
    EXPECT_EQ(encoderVelocitySuffix(0, QStringLiteral("m")), QStringLiteral(" [m/ sek]"));
    EXPECT_EQ(encoderVelocitySuffix(2, QStringLiteral("m")), QStringLiteral(" [m/ sek]"));
    EXPECT_EQ(encoderVelocitySuffix(1, QStringLiteral("m")), QStringLiteral(" [m/ min]"));
    EXPECT_EQ(encoderVelocitySuffix(3, QStringLiteral("m")), QStringLiteral(" [m/ min]"));
}

TEST(UnitSuffix, MathChannelsHaveNoFallback) {
    EXPECT_EQ(mathUnitSuffix(kNoUnit), QStringLiteral(" []"));
    EXPECT_EQ(mathUnitSuffix(QStringLiteral("...")), QStringLiteral(" [...]"));
}

TEST(IndicatorText, BlankNumberSuffix) {
    EXPECT_EQ(indicatorText(1.5, 3, QStringLiteral(","), adcUnitSuffix(0, kNoUnit)),
              QStringLiteral(" 1,500 [V]"));
    EXPECT_EQ(indicatorText(-0.0001, 2, QStringLiteral("."), mathUnitSuffix(QStringLiteral("..."))),
              QStringLiteral(" 0.00 [...]"));
}

// Quantities: ADC1..4 0..3, averages 4..7, positions 8, 9, velocities 10,
// 11, math 12, 13.
TEST(RecordedUnitGroups, QuantitiesOfOneKnownUnitShareAGroup) {
    struct Case {
        const char* name;
        UserUnitTexts units;
        std::array<int, kQuantityCount> groups;
    };
    UserUnitTexts volts;
    volts.adc = {QStringLiteral("V"), QStringLiteral("V"), QString(), QStringLiteral("bar")};
    UserUnitTexts shared;
    shared.adc[1] = QStringLiteral("mm");
    shared.enc = {QStringLiteral("mm"), QStringLiteral("mm")};
    shared.math = {QStringLiteral("..."), QStringLiteral("...")};
    UserUnitTexts mathOnly;
    mathOnly.math = {QStringLiteral("%"), QString()};
    const Case cases[] = {
        {"no user units: only a channel's value and average",
         UserUnitTexts{},
         {0, 1, 2, 3, 0, 1, 2, 3, 8, 9, 10, 11, 12, 13}},
        {"ADCs of one unit, one of another",
         volts,
         {0, 0, 2, 3, 0, 0, 2, 3, 8, 9, 10, 11, 12, 13}},
        // Velocities in mm per a time that only the mode tells: never merged.
        {"one unit across kinds", shared, {0, 1, 2, 3, 0, 1, 2, 3, 1, 1, 10, 11, 12, 12}},
        {"an empty math unit is none", mathOnly, {0, 1, 2, 3, 0, 1, 2, 3, 8, 9, 10, 11, 12, 13}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(recordedUnitGroups(c.units), c.groups);
    }
}

}  // namespace
}  // namespace voltrix
