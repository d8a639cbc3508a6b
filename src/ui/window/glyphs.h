// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QIcon>

// The program's own small pictures: the start and stop glyphs of the logging
// button and the flags of the language selector.

namespace voltrix {

QIcon runGlyph();   // green triangle in a round white button
QIcon stopGlyph();  // red square in a round white button
QIcon polishFlag();
QIcon englishFlag();

}  // namespace voltrix
