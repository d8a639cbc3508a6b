// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace voltrix {

// Whether the two names reach one and the same existing file: by any path,
// through symbolic links, and where the system tells (device and inode)
// through hard links too.
bool sameFile(const QString& one, const QString& other);

}  // namespace voltrix
