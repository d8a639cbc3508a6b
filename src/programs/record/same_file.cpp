// SPDX-License-Identifier: GPL-3.0-or-later
#include "programs/record/same_file.h"

#include <QFile>
#include <QFileInfo>

#if defined(__unix__) || defined(__APPLE__)
#include <sys/stat.h>
#endif

namespace voltrix {

bool sameFile(const QString& one, const QString& other) {
#if defined(__unix__) || defined(__APPLE__)
    struct stat first {};
    struct stat second {};
    return ::stat(QFile::encodeName(one).constData(), &first) == 0 &&
           ::stat(QFile::encodeName(other).constData(), &second) == 0 &&
           first.st_dev == second.st_dev && first.st_ino == second.st_ino;
#else
    const QString canonical = QFileInfo(one).canonicalFilePath();
    return !canonical.isEmpty() &&
           canonical.compare(QFileInfo(other).canonicalFilePath(), Qt::CaseInsensitive) == 0;
#endif
}

}  // namespace voltrix
