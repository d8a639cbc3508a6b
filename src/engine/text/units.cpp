// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/text/units.h"

#include "engine/text/format_value.h"

namespace voltrix {
namespace {

QString bracketed(const QString& unit) {
    return QStringLiteral(" [") + unit + QLatin1Char(']');
}

bool perMinute(std::uint8_t mode) {
    return (mode & 1u) != 0;
}
bool millimetres(std::uint8_t mode) {
    return (mode & 3u) >= 2;
}

}  // namespace

QString adcUnitSuffix(std::uint8_t mode, const QString& userUnit) {
    if (!userUnit.isEmpty()) {
        return bracketed(userUnit);
    }
    return mode == 0 ? QStringLiteral(" [V]") : QStringLiteral(" [mA]");
}

QString mathUnitSuffix(const QString& userUnit) {
    return bracketed(userUnit);
}

QString encoderPositionSuffix(std::uint8_t mode, const QString& userUnit) {
    if (!userUnit.isEmpty()) {
        return bracketed(userUnit);
    }
    return millimetres(mode) ? QStringLiteral(" [mm]") : QStringLiteral(" [obr]");
}

QString encoderVelocitySuffix(std::uint8_t mode, const QString& userUnit) {
    if (!userUnit.isEmpty()) {
        return QStringLiteral(" [") + userUnit + QStringLiteral("/") +
               (perMinute(mode) ? QStringLiteral(" min]") : QStringLiteral(" sek]"));
    }
    const QString length = millimetres(mode) ? QStringLiteral("mm") : QStringLiteral("obr");
    return bracketed(length + (perMinute(mode) ? QStringLiteral("/min") : QStringLiteral("/sek")));
}

std::array<int, kQuantityCount> recordedUnitGroups(const UserUnitTexts& units) {
    // In the quantities' order: ADC values, ADC averages, positions,
    // velocities, math. Empty where the unit is not known.
    std::array<QString, kQuantityCount> unit;
    for (std::size_t i = 0; i < units.adc.size(); ++i) {
        if (!units.adc[i].isEmpty()) {
            unit[i] = unit[4 + i] = adcUnitSuffix(0, units.adc[i]);
        }
    }
    for (std::size_t k = 0; k < units.enc.size(); ++k) {
        if (!units.enc[k].isEmpty()) {
            unit[8 + k] = encoderPositionSuffix(0, units.enc[k]);
        }
    }
    for (std::size_t m = 0; m < units.math.size(); ++m) {
        if (!units.math[m].isEmpty()) {
            unit[12 + m] = mathUnitSuffix(units.math[m]);
        }
    }
    std::array<int, kQuantityCount> groups;
    for (std::size_t q = 0; q < kQuantityCount; ++q) {
        groups[q] = static_cast<int>(q);
        for (std::size_t p = 0; p < q && !unit[q].isEmpty(); ++p) {
            if (unit[p] == unit[q]) {
                groups[q] = groups[p];
                break;
            }
        }
    }
    // A channel's value and average: the same unit, whichever the mode.
    for (std::size_t i = 0; i < units.adc.size(); ++i) {
        groups[4 + i] = groups[i];
    }
    return groups;
}

QString indicatorText(double value, int decimals, const QString& separator, const QString& suffix) {
    return QLatin1Char(' ') + FormatValue(value, decimals, separator) + suffix;
}

}  // namespace voltrix
