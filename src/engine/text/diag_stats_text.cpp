// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/text/diag_stats_text.h"

#include <cstddef>

#include "engine/text/format_value.h"

namespace voltrix {

QStringList diagStatsLines(const DiagStats& stats, const QString& decimalSeparator) {
    QStringList lines;
    lines.reserve(kDiagStatsLineCount);
    lines << QStringLiteral("=====MODBUS STAT=====");
    for (std::size_t i = 0; i < stats.counters.size(); ++i) {
        lines << QLatin1String(kDiagStatsCounterLabels[i].data(),
                               kDiagStatsCounterLabels[i].size()) +
                     QString::number(stats.counters[i]);
    }
    lines << QStringLiteral("======TEMPERATURA======");
    for (std::size_t i = 0; i < stats.temperatures.size(); ++i) {
        lines << QLatin1String(kDiagStatsTemperatureLabels[i].data(),
                               kDiagStatsTemperatureLabels[i].size()) +
                     FormatValue(tenthsToDegrees(stats.temperatures[i]), 1, decimalSeparator);
    }
    lines << QStringLiteral("============OK=========");
    return lines;
}

}  // namespace voltrix
