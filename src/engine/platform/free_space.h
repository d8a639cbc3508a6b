// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>

#include <QString>

// The room left on a disk, as each system counts it for this user.

namespace voltrix {

// The bytes free for this user on the disk holding the folder `folder`;
// nothing when the system cannot tell.
std::optional<qint64> freeBytesAt(const QString& folder);

}  // namespace voltrix
