// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class QFileDevice;
class QSaveFile;

// Making written files durable, and keeping a replaced file's owner, in each
// system's own way: fsync/fdatasync on Linux, fsync on macOS, _commit on
// Windows.

namespace voltrix {

// Flushes Qt's buffer and has the system write the file's data to the disk;
// `withMetadata` also its size and times where the system separates them.
// False when either fails.
bool syncFileToDisk(QFileDevice& file, bool withMetadata);

// Makes a rename in the folder of `path` durable too, where the system keeps
// folders apart from files (POSIX). Best effort.
void syncDirectoryOf(const QString& path);

// Gives `file` (not yet written) the owner, group and permission bits of the
// file at `path` it is to replace, where the system has them (POSIX), so
// that root saving a user's file leaves it the user's. Best effort.
void takeOverOwnership(QSaveFile& file, const QString& path);

}  // namespace voltrix
