// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/platform/output_file.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

#include <QFile>

#if defined(_WIN32)
#include <io.h>
#else
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
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

int waitUntilWritable(int, std::chrono::milliseconds, int& errorCode) {
    errorCode = 0;
    return 1;
}

std::size_t atomicPipeWrite() {
    return 4096;
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
        // Without O_NONBLOCK a FIFO's open waits for a reader, for ever if
        // none comes. No terminal named here becomes the controlling one.
        fd = ::open(name.constData(),
                    O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK | O_NOCTTY, 0666);
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
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (!file.open(fd, kAppendMode, QFileDevice::AutoCloseHandle)) {
        const OpenedOutput result{OpenedOutput::Kind::Failed, -1, errno, file.errorString()};
        ::close(fd);
        return result;
    }
    return {OpenedOutput::Kind::File, -1, 0, {}};
}

int waitUntilWritable(int descriptor, std::chrono::milliseconds timeout, int& errorCode) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        pollfd watched{descriptor, POLLOUT, 0};
        const int ready =
            ::poll(&watched, 1, static_cast<int>(std::max<long long>(left.count(), 0)));
        if (ready >= 0) {
            errorCode = 0;
            return ready > 0 ? 1 : 0;
        }
        if (errno != EINTR) {
            errorCode = errno;
            return -1;
        }
    }
}

std::size_t atomicPipeWrite() {
    return PIPE_BUF;
}

namespace {

// A reader that went away is told by EPIPE alone. SIGPIPE would end a program
// that keeps its default (the window, whose file may be a FIFO), so the
// writing thread holds it back for good, and takes back the one a failed
// write leaves pending.
void holdBackBrokenPipeSignal() {
    thread_local const bool held = [] {
        sigset_t brokenPipe;
        sigemptyset(&brokenPipe);
        sigaddset(&brokenPipe, SIGPIPE);
        return ::pthread_sigmask(SIG_BLOCK, &brokenPipe, nullptr) == 0;
    }();
    static_cast<void>(held);
}

void takeBackBrokenPipeSignal() {
    sigset_t brokenPipe;
    sigemptyset(&brokenPipe);
    sigaddset(&brokenPipe, SIGPIPE);
    const timespec now{};
    while (::sigtimedwait(&brokenPipe, nullptr, &now) < 0 && errno == EINTR) {
    }
}

}  // namespace

long long writeToStream(int descriptor, const char* data, std::size_t length, int& errorCode) {
    holdBackBrokenPipeSignal();
    ssize_t n = -1;
    do {
        n = ::write(descriptor, data, length);
    } while (n < 0 && errno == EINTR);
    errorCode = n < 0 ? errno : 0;
    if (errorCode == EPIPE) {
        takeBackBrokenPipeSignal();
    }
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
