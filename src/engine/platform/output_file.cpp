// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/platform/output_file.h"

#include <cerrno>
#include <cstring>

#include <QFile>

#if defined(_WIN32)
#include <io.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace voltrix {

namespace {

// Binary and unbuffered: every line goes to the system whole, with its own
// CR LF, as soon as it is made.
constexpr QIODevice::OpenMode kAppendMode =
    QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered;

}  // namespace

#if defined(_WIN32)

OpenedOutput openForAppend(QFile& file, const QString& path) {
    file.setFileName(path);
    errno = 0;
    if (!file.open(kAppendMode)) {
        return {OpenedOutput::Kind::Failed, -1, errno, file.errorString()};
    }
    return {OpenedOutput::Kind::File, -1, 0, {}};
}

long long writeToStream(int descriptor, const char* data, std::size_t length, int& errorCode) {
    const int n = ::_write(descriptor, data, static_cast<unsigned>(length));
    errorCode = n < 0 ? errno : 0;
    return n;
}

void closeStream(int descriptor) {
    ::_close(descriptor);
}

QString systemErrorText(int errorCode) {
    return QString::fromLocal8Bit(std::strerror(errorCode));
}

#else

namespace {

OpenedOutput failed(int errorCode) {
    return {OpenedOutput::Kind::Failed, -1, errorCode, systemErrorText(errorCode)};
}

}  // namespace

OpenedOutput openForAppend(QFile& file, const QString& path) {
    const QByteArray name = QFile::encodeName(path);
    int fd = -1;
    do {
        fd = ::open(name.constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        return failed(errno);
    }
    struct stat status {};
    if (::fstat(fd, &status) != 0) {
        const int errorCode = errno;
        ::close(fd);
        return failed(errorCode);
    }
    if (!S_ISREG(status.st_mode)) {
        return {OpenedOutput::Kind::Stream, fd, 0, {}};
    }
    if (!file.open(fd, kAppendMode, QFileDevice::AutoCloseHandle)) {
        const OpenedOutput result{OpenedOutput::Kind::Failed, -1, errno, file.errorString()};
        ::close(fd);
        return result;
    }
    return {OpenedOutput::Kind::File, -1, 0, {}};
}

long long writeToStream(int descriptor, const char* data, std::size_t length, int& errorCode) {
    ssize_t n = -1;
    do {
        n = ::write(descriptor, data, length);
    } while (n < 0 && errno == EINTR);
    errorCode = n < 0 ? errno : 0;
    return n;
}

void closeStream(int descriptor) {
    ::close(descriptor);
}

QString systemErrorText(int errorCode) {
    return qt_error_string(errorCode);
}

#endif

}  // namespace voltrix
