// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/recorded/concatenated_file.h"

#include <algorithm>
#include <cerrno>
#include <optional>
#include <system_error>
#include <utility>

#if defined(__unix__) || defined(__APPLE__)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#define VOLTRIX_POSIX_FILES 1
#else
#include <mutex>

#include <QFile>
#endif

namespace voltrix {
namespace {

std::string failure(const std::filesystem::path& path, int errorCode) {
    return path.string() + ": " + std::generic_category().message(errorCode);
}

}  // namespace

#ifdef VOLTRIX_POSIX_FILES

struct ConcatenatedFile::Part {
    int fd = -1;
    dev_t device = 0;
    ino_t inode = 0;
    std::uint64_t size = 0;
    bool endsWithLineEnd = true;  // or is empty

    ~Part() {
        if (fd >= 0) {
            ::close(fd);
        }
    }
};

namespace {

// 0 or errno.
int openPart(const std::filesystem::path& path, int& fd) {
    // Without waiting: a FIFO put in the place of a file would hold open()
    // until a writer came.
    fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return errno;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return 0;
}

std::optional<struct stat> statOf(int fd) {
    struct stat s {};
    if (::fstat(fd, &s) != 0) {
        return std::nullopt;
    }
    return s;
}

std::int64_t readAt(int fd, std::uint64_t offset, char* into, std::size_t bytes) {
    for (;;) {
        const ssize_t n = ::pread(fd, into, bytes, static_cast<off_t>(offset));
        if (n >= 0 || errno != EINTR) {
            return n;
        }
    }
}

}  // namespace

#else

struct ConcatenatedFile::Part {
    QFile file;
    std::mutex position;  // one QFile has one position: a read seeks and reads under it
    std::uint64_t size = 0;
    bool endsWithLineEnd = true;
};

#endif

ConcatenatedFile::ConcatenatedFile(std::vector<std::filesystem::path> files)
    : files_(std::move(files)), failedFile_(files_.size()) {
    layOut();
}

ConcatenatedFile::~ConcatenatedFile() = default;

void ConcatenatedFile::close() {
    parts_.clear();
    layOut();
}

void ConcatenatedFile::layOut() {
    starts_.clear();
    std::uint64_t at = 0;
    for (std::size_t i = 0; i < parts_.size(); ++i) {
        starts_.push_back(at);
        at += parts_[i]->size;
        if (i + 1 < parts_.size() && !parts_[i]->endsWithLineEnd) {
            ++at;
        }
    }
    // Not open: every file starts at 0.
    starts_.resize(files_.size(), at);
    starts_.push_back(at);
    size_ = at;
}

bool ConcatenatedFile::open(std::string& error, int& errorCode) {
    close();
    changed_.store(false, std::memory_order_relaxed);
    failedFile_ = files_.size();
    std::vector<std::unique_ptr<Part>> parts;
    for (std::size_t i = 0; i < files_.size(); ++i) {
        const std::filesystem::path& path = files_[i];
        auto part = std::make_unique<Part>();
        int code = 0;
        bool notRegular = false;
#ifdef VOLTRIX_POSIX_FILES
        code = openPart(path, part->fd);
        std::optional<struct stat> s;
        if (code == 0) {
            s = statOf(part->fd);
            code = !s ? errno : S_ISDIR(s->st_mode) ? EISDIR : 0;
            notRegular = code == 0 && !S_ISREG(s->st_mode);
        }
        if (code == 0) {
            part->device = s->st_dev;
            part->inode = s->st_ino;
            part->size = static_cast<std::uint64_t>(s->st_size);
        }
#else
        part->file.setFileName(QString::fromStdU16String(path.u16string()));
        errno = 0;
        if (!part->file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
            code = errno != 0 ? errno : EIO;
        } else if (part->file.isSequential()) {
            notRegular = true;
        } else {
            part->size = static_cast<std::uint64_t>(part->file.size());
        }
#endif
        if (notRegular) {
            code = EINVAL;
        } else if (code == 0 && part->size > 0) {
            char last = 0;
            const std::int64_t n = readPart(*part, part->size - 1, &last, 1);
            code = n == 1 ? 0 : n < 0 ? errno : EIO;
            part->endsWithLineEnd = last == '\n';
        }
        if (code != 0) {
            error = notRegular ? path.string() + ": not a regular file" : failure(path, code);
            errorCode = code;
            failedFile_ = i;
            return false;
        }
        parts.push_back(std::move(part));
    }
    parts_ = std::move(parts);
    layOut();
    return true;
}

std::int64_t ConcatenatedFile::readPart(Part& part, std::uint64_t offset, char* into,
                                        std::size_t bytes) {
#ifdef VOLTRIX_POSIX_FILES
    return readAt(part.fd, offset, into, bytes);
#else
    const std::lock_guard<std::mutex> lock(part.position);
    errno = 0;
    if (!part.file.seek(static_cast<qint64>(offset))) {
        errno = errno != 0 ? errno : EIO;
        return -1;
    }
    const qint64 n = part.file.read(into, static_cast<qint64>(bytes));
    if (n < 0) {
        errno = errno != 0 ? errno : EIO;
    }
    return n;
#endif
}

std::int64_t ConcatenatedFile::read(std::uint64_t offset, char* into, std::size_t bytes) const {
    std::size_t done = 0;
    while (done < bytes && offset < size_) {
        const std::size_t i = fileAt(offset);
        const std::uint64_t local = offset - starts_[i];
        const std::uint64_t inFile = parts_[i]->size;
        if (local >= inFile) {
            into[done++] = '\n';  // the line end added after the file
            ++offset;
            continue;
        }
        const std::size_t want =
            static_cast<std::size_t>(std::min<std::uint64_t>(bytes - done, inFile - local));
        const std::int64_t n = readPart(*parts_[i], local, into + done, want);
        if (n < 0) {
            return done > 0 ? static_cast<std::int64_t>(done) : -1;
        }
        if (n == 0) {
            // Shorter than when it was measured: the bytes after it would
            // stand at other offsets.
            changed_.store(true, std::memory_order_relaxed);
            break;
        }
        done += static_cast<std::size_t>(n);
        offset += static_cast<std::uint64_t>(n);
    }
    return static_cast<std::int64_t>(done);
}

bool ConcatenatedFile::refresh() {
    if (parts_.empty()) {
        return false;
    }
    const bool wasChanged = changed();
    const std::size_t last = parts_.size() - 1;
    std::optional<std::uint64_t> lastSize;
    for (std::size_t i = 0; i < parts_.size(); ++i) {
        Part& part = *parts_[i];
        std::uint64_t now = part.size;
#ifdef VOLTRIX_POSIX_FILES
        if (const std::optional<struct stat> s = statOf(part.fd)) {
            now = static_cast<std::uint64_t>(s->st_size);
        }
        // Another file under the path; one deleted is still read through the
        // open handle and stays as it was.
        struct stat named {};
        if (::stat(files_[i].c_str(), &named) == 0 &&
            (named.st_dev != part.device || named.st_ino != part.inode)) {
            changed_.store(true, std::memory_order_relaxed);
        }
#else
        now = static_cast<std::uint64_t>(part.file.size());
#endif
        if (now < part.size || (i < last && now != part.size)) {
            changed_.store(true, std::memory_order_relaxed);
        } else if (i == last) {
            lastSize = now;
        }
    }
    if (changed()) {
        return !wasChanged;
    }
    if (!lastSize || *lastSize == parts_[last]->size) {
        return false;
    }
    parts_[last]->size = *lastSize;
    layOut();
    return true;
}

std::size_t ConcatenatedFile::fileAt(std::uint64_t offset) const {
    if (files_.empty()) {
        return 0;
    }
    // The last of the files starting at or before it: empty files hold no
    // offset and give way to the one after them.
    const auto end = starts_.begin() + static_cast<std::ptrdiff_t>(files_.size());
    const auto after = std::upper_bound(starts_.begin(), end, offset);
    return after == starts_.begin() ? 0 : static_cast<std::size_t>(after - starts_.begin()) - 1;
}

std::uint64_t ConcatenatedFile::fileStart(std::size_t i) const {
    return starts_[std::min(i, files_.size())];
}

}  // namespace voltrix
