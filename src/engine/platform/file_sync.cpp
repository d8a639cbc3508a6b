// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/platform/file_sync.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#if defined(_WIN32)
#include <io.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace voltrix {

bool syncFileToDisk(QFileDevice& file, bool withMetadata) {
    if (!file.flush()) {
        return false;
    }
    const int handle = file.handle();
    if (handle < 0) {
        return false;
    }
#if defined(_WIN32)
    (void)withMetadata;
    return ::_commit(handle) == 0;
#elif defined(__APPLE__)
    (void)withMetadata;
    return ::fsync(handle) == 0;
#else
    return (withMetadata ? ::fsync(handle) : ::fdatasync(handle)) == 0;
#endif
}

void syncDirectoryOf(const QString& path) {
#if defined(_WIN32)
    (void)path;  // NTFS journals the rename itself
#else
    // QSaveFile writes through a symbolic link, so the link's target counts.
    const QFileInfo target(QFileInfo(path).canonicalFilePath());
    const QByteArray directory = QFile::encodeName(target.absolutePath());
    const int fd = ::open(directory.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
#endif
}

void takeOverOwnership(QSaveFile& file, const QString& path) {
#if defined(_WIN32)
    (void)file;  // a new file takes the folder's permissions
    (void)path;
#else
    struct stat old {};
    if (::stat(QFile::encodeName(path).constData(), &old) != 0) {
        return;  // a new file: as created
    }
    const int fd = file.handle();
    // Only root may give a file away; anyone else keeps the file they
    // create, and may still pass on the group where they belong to it.
    if (::fchown(fd, old.st_uid, old.st_gid) != 0) {
        [[maybe_unused]] const int ignored = ::fchown(fd, static_cast<uid_t>(-1), old.st_gid);
    }
    // After fchown, which may clear the set-ID bits.
    ::fchmod(fd, old.st_mode & 07777);
#endif
}

}  // namespace voltrix
