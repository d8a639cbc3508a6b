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

}  // namespace
}  // namespace voltrix
