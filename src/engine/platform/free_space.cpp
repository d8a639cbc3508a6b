// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/platform/free_space.h"

#include <QStorageInfo>

namespace voltrix {

// QStorageInfo asks statvfs on POSIX and GetDiskFreeSpaceEx on Windows; the
// bytes available leave out what is kept for the superuser.
std::optional<qint64> freeBytesAt(const QString& folder) {
    const QStorageInfo storage(folder);
    // A file system that tells no size (ramfs, some virtual ones) says
    // nothing about its room either.
    if (!storage.isValid() || !storage.isReady() || storage.bytesTotal() <= 0) {
        return std::nullopt;
    }
    const qint64 available = storage.bytesAvailable();
    if (available < 0) {
        return std::nullopt;
    }
    return available;
}

}  // namespace voltrix
