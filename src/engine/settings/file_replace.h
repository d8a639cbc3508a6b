// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

// Puts new contents into a settings file so that they are on disk when the
// call returns.
//
// A temporary file beside the target is written, flushed to disk and renamed
// over the target, so that a crash or power loss leaves either the old file
// or the new one, never a part of either. The new file keeps the owner, group
// and permission bits of the old one, as far as the process may set them.
//
// A folder may take no new files while the file in it may still be written
// (a shared installation whose administrator handed the file to the users).
// The file itself is then rewritten from its start and cut to the new length:
// not proof against a crash halfway, but the only way such a file can change.

namespace voltrix {

// False when the contents could not be written; the file is then as it was,
// unless the rewrite in place failed halfway.
bool replaceFileContents(const QString& path, const QByteArray& contents);

}  // namespace voltrix
