// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>

#include <QString>

#include "engine/protocol/quantities.h"

// Unit suffixes of the live values and the text of one indicator. Every suffix
// begins with a blank; a user unit text is used exactly as stored, and any
// non-empty one (a single blank included) replaces the fixed unit.

namespace voltrix {

// " [V]" for a voltage input (mode 0), " [mA]" for any other mode.
QString adcUnitSuffix(std::uint8_t mode, const QString& userUnit);

// Math channels have no fixed unit: an empty user unit gives " []".
QString mathUnitSuffix(const QString& userUnit);

// " [obr]" in revolution modes (0, 1), " [mm]" in millimetre modes (2, 3).
QString encoderPositionSuffix(std::uint8_t mode, const QString& userUnit);

// " [obr/sek]", " [obr/min]", " [mm/sek]", " [mm/min]" by mode; with a user unit
// U: " [U/ sek]" or " [U/ min]".
QString encoderVelocitySuffix(std::uint8_t mode, const QString& userUnit);

// The user's unit texts of the channels, as the settings keep them.
struct UserUnitTexts {
    std::array<QString, 4> adc;
    std::array<QString, 2> enc;
    std::array<QString, 2> math;
};

// Which quantities (quantities.h order) share a unit in a recorded file,
// which keeps no modes: for each, the first quantity of its unit. A unit is
// known by the user unit text of its channel; an encoder's velocity never
// is (a mode chooses its time base), nor an empty text. Unknown units are
// never taken as equal, but for a channel's ADC value and its average.
std::array<int, kQuantityCount> recordedUnitGroups(const UserUnitTexts& units);

// One blank, the formatted value, the suffix.
QString indicatorText(double value, int decimals, const QString& separator, const QString& suffix);

}  // namespace voltrix
