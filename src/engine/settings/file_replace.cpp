// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/settings/file_replace.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace voltrix {
namespace {

enum class Outcome { Written, NoTemporaryFile, Failed };

bool syncToDisk(QFileDevice& file) {
    if (!file.flush()) {
        return false;
    }
#ifdef Q_OS_UNIX
    return ::fsync(file.handle()) == 0;
#else
    return true;
#endif
}

// Makes the rename of a just written file durable too. Best effort: the new
// file's contents are already on disk, and the rename itself is atomic.
void syncDirectoryOf(const QString& path) {
#ifdef Q_OS_UNIX
    // QSaveFile writes through a symbolic link, so the link's target counts.
    const QFileInfo target(QFileInfo(path).canonicalFilePath());
    const QByteArray directory = QFile::encodeName(target.absolutePath());
    const int fd = ::open(directory.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
#else
    Q_UNUSED(path);
#endif
}

// Gives the new file the owner, group and permission bits of the one it
// replaces, so that root saving a user's file leaves it the user's. Only root
// may give a file away; anyone else keeps the file they create, and may
// still pass on the group where they belong to it.
void takeOverOwnership(QSaveFile& file, const QString& path) {
#ifdef Q_OS_UNIX
    struct stat old {};
    if (::stat(QFile::encodeName(path).constData(), &old) != 0) {
        return;  // a new file: as created
    }
    const int fd = file.handle();
    if (::fchown(fd, old.st_uid, old.st_gid) != 0) {
        [[maybe_unused]] const int ignored = ::fchown(fd, static_cast<uid_t>(-1), old.st_gid);
    }
    // After fchown, which may clear the set-ID bits.
    ::fchmod(fd, old.st_mode & 07777);
#else
    Q_UNUSED(file);
    Q_UNUSED(path);
#endif
}

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
           file.resize(contents.size()) && syncToDisk(file);
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
