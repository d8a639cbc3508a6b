// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <ostream>

#include <QString>

// Lets GoogleTest print Qt texts readably in failure messages.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}
