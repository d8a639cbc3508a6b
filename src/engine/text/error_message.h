// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace voltrix {

// The caption of every error box of the program.
inline constexpr const char* kApplicationTitle = "VOLTRIX - PC";

// The text an error box shows for an error's message: a full stop is added
// when the last character sorts after "." (so "Bad value" gets one, while
// "Done." and "Failed!" are left alone).
QString errorBoxText(const QString& message);

}  // namespace voltrix
