// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

#include <QString>

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

// One blank, the formatted value, the suffix.
QString indicatorText(double value, int decimals, const QString& separator, const QString& suffix);

}  // namespace voltrix
