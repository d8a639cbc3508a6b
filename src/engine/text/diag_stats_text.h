// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

#include "engine/parameters/parameters.h"

// The text of the diagnostic memo: the module's MODBUS statistics and its
// temperatures, one line each between header and footer lines.

namespace voltrix {

inline constexpr int kDiagStatsLineCount = 15;

// The lines of the memo: a header, the nine counters as signed decimals, a
// header, the three temperatures in degrees with one decimal written with
// `decimalSeparator`, a footer.
QStringList diagStatsLines(const DiagStats& stats, const QString& decimalSeparator);

}  // namespace voltrix
