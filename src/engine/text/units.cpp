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

QString indicatorText(double value, int decimals, const QString& separator, const QString& suffix) {
    return QLatin1Char(' ') + FormatValue(value, decimals, separator) + suffix;
}

}  // namespace voltrix
