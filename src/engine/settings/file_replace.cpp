// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/settings/file_replace.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include "engine/platform/file_sync.h"

namespace voltrix {
namespace {

enum class Outcome { Written, NoTemporaryFile, Failed };

Outcome replaceByRename(const QString& path, const QByteArray& contents) {
    // QSaveFile writes a temporary file beside the target, flushes it to disk
    // and renames it over the target; on any failure the target is untouched.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return Outcome::NoTemporaryFile;
    }
    takeOverOwnership(file, path);
    if (file.write(contents) != contents.size() || !file.commit()) {
        return Outcome::Failed;
    }
    syncDirectoryOf(path);
    return Outcome::Written;
}

bool rewriteInPlace(const QString& path, const QByteArray& contents) {
    QFile file(path);
    // Not WriteOnly: that would empty the file before the first byte of the
    // new contents is written.
    if (!file.open(QIODevice::ReadWrite | QIODevice::ExistingOnly)) {
        return false;
    }
    return file.write(contents) == contents.size() && file.flush() &&
           file.resize(contents.size()) && syncFileToDisk(file, true);
}

}  // namespace

bool replaceFileContents(const QString& path, const QByteArray& contents) {
    switch (replaceByRename(path, contents)) {
        case Outcome::Written:
            return true;
        case Outcome::NoTemporaryFile:
            return QFileInfo(path).isFile() && rewriteInPlace(path, contents);
        case Outcome::Failed:
            break;
    }
    return false;
}

}  // namespace voltrix
