// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/recorded/recorded_file_loader.h"

#include <QFile>
#include <QFileInfo>

#if defined(__unix__) || defined(__APPLE__)
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>
#define VOLTRIX_POSIX_STREAMS 1
#endif

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "engine/platform/thread_name.h"
#include "engine/recorded/line_parser.h"

namespace voltrix {
namespace {

// The first bytes of a file: a file put in the place of the one being read
// starts differently (its first line has another time or counter).
constexpr qint64 kHeadBytes = 256;

QByteArray headOf(const std::filesystem::path& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.read(kHeadBytes) : QByteArray();
}

// Device and inode where the system has them: a replacement with the same
// first bytes is told apart too.
struct FileIdentity {
    bool known = false;
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

#if defined(__unix__) || defined(__APPLE__)
FileIdentity identityOf(const struct stat& s) {
    return {true, static_cast<std::uint64_t>(s.st_dev), static_cast<std::uint64_t>(s.st_ino)};
}
#endif

FileIdentity identityOf(const std::filesystem::path& path) {
#if defined(__unix__) || defined(__APPLE__)
    struct stat s {};
    if (::stat(path.c_str(), &s) == 0) {
        return identityOf(s);
    }
#else
    (void)path;
#endif
    return {};
}

// Of the file as opened, whatever the path names by now.
FileIdentity identityOf(const QFile& file) {
#if defined(__unix__) || defined(__APPLE__)
    struct stat s {};
    if (::fstat(file.handle(), &s) == 0) {
        return identityOf(s);
    }
#else
    (void)file;
#endif
    return {};
}

// A pipe, a FIFO, a device: what it gives can be read only once.
bool isStream(const QFile& file) {
#ifdef VOLTRIX_POSIX_STREAMS
    struct stat s {};
    return ::fstat(file.handle(), &s) == 0 && !S_ISREG(s.st_mode);
#else
    return file.isSequential();
#endif
}

bool isFifo(const QFile& file) {
#ifdef VOLTRIX_POSIX_STREAMS
    struct stat s {};
    return ::fstat(file.handle(), &s) == 0 && S_ISFIFO(s.st_mode);
#else
    (void)file;
    return false;
#endif
}

// Opens `file` for reading without waiting: a FIFO with no writer would
// hold open() until one comes, where nothing can stop it. Gives errno on
// failure, 0 on success.
int openWithoutWaiting(QFile& file, const std::filesystem::path& path) {
#ifdef VOLTRIX_POSIX_STREAMS
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return errno;
    }
    struct stat s {};
    if (::fstat(fd, &s) == 0 && S_ISREG(s.st_mode)) {
        // A regular file reads the same without the flag.
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    }
    if (!file.open(fd, QIODevice::ReadOnly | QIODevice::Unbuffered,
                   QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return EIO;
    }
    return 0;
#else
    file.setFileName(path);
    errno = 0;
    // Unbuffered: each read goes straight into the chunk.
    return file.open(QIODevice::ReadOnly | QIODevice::Unbuffered) ? 0 : (errno != 0 ? errno : EIO);
#endif
}

// What a stream's read gave when nothing came within a short wait.
constexpr qint64 kQuiet = -2;

// Reads what a stream has, waiting for it a little at most so that a stop
// is seen: bytes, 0 at its end, kQuiet, or -1 with errno.
qint64 readStream(QFile& file, char* into, qint64 size) {
#ifdef VOLTRIX_POSIX_STREAMS
    for (;;) {
        const ssize_t n = ::read(file.handle(), into, static_cast<std::size_t>(size));
        if (n >= 0) {
            return n;
        }
        if (errno == EINTR) {
            continue;
        }
        if (errno != EAGAIN && errno != EWOULDBLOCK) {
            return -1;
        }
        pollfd ready{file.handle(), POLLIN, 0};
        const int r = ::poll(&ready, 1, 50);
        if (r == 0) {
            return kQuiet;
        }
        if (r < 0 && errno != EINTR) {
            return -1;
        }
    }
#else
    return file.read(into, size);
#endif
}

std::string systemText(int errorCode) {
    return std::strerror(errorCode);
}

}  // namespace

RecordedFileLoader::RecordedFileLoader(std::filesystem::path path, const RecordedLayout& layout,
                                       Options options, ProgressCallback onProgress)
    : path_(std::move(path)),
      layout_(layout),
      options_(options),
      onProgress_(std::move(onProgress)),
      data_(layout) {
    thread_ = std::thread([this] { run(); });
}

RecordedFileLoader::~RecordedFileLoader() { stop(); }

void RecordedFileLoader::stop() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable()) {
        thread_.join();
    }
}

RecordedLoadProgress RecordedFileLoader::progress() const {
    std::lock_guard lock(mutex_);
    return progress_;
}

RecordedFileProbe RecordedFileLoader::streamHead() const {
    std::lock_guard lock(mutex_);
    return head_;
}

void RecordedFileLoader::chooseLayout(const RecordedLayout& layout) {
    {
        std::lock_guard lock(mutex_);
        chosen_ = layout;
    }
    changed_.notify_all();
}

bool RecordedFileLoader::waitFor(const std::function<bool(const RecordedLoadProgress&)>& done,
                                 std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return done(progress_); });
}

RecordedFileLoader::Snapshot RecordedFileLoader::snapshot() const {
    return Snapshot(std::unique_lock(mutex_), &data_);
}

bool RecordedFileLoader::stopRequested() const {
    std::lock_guard lock(mutex_);
    return stopping_;
}

bool RecordedFileLoader::waitPoll() {
    std::unique_lock lock(mutex_);
    return !changed_.wait_for(lock, options_.pollInterval, [this] { return stopping_; });
}

void RecordedFileLoader::publish(const RecordedBatch* batch, bool resetData,
                                 std::size_t reserveLines) {
    RecordedLoadProgress copy;
    {
        std::lock_guard lock(mutex_);
        if (resetData) {
            data_.clear();
        }
        if (reserveLines > data_.size()) {
            data_.reserve(reserveLines);
        }
        if (batch != nullptr) {
            data_.append(*batch);
        }
        local_.lines = data_.size();
        local_.skippedLines = data_.skippedLines() + (halfLineCounted_ ? 1 : 0);
        progress_ = local_;
        copy = local_;
    }
    changed_.notify_all();
    if (onProgress_) {
        onProgress_(copy);
    }
}

void RecordedFileLoader::run() {
    nameThisThread("voltrix-loader");
    bool reload = false;
    while (!stopRequested()) {
        if (reload) {
            const std::uint32_t reloads = local_.reloads + 1;
            local_ = RecordedLoadProgress{};
            local_.reloads = reloads;
            publish(nullptr, true, 0);
        }
        QFile file;
        if (const int errorCode = openWithoutWaiting(file, path_); errorCode != 0) {
            fail(RecordedLoadProblem::System, systemText(errorCode), errorCode);
            if (!options_.follow || !waitPoll()) {
                break;
            }
            continue;
        }
        local_.error.clear();
        local_.problem = RecordedLoadProblem::None;
        local_.errorCode = 0;
        if (isStream(file)) {
            // Read once: never opened anew, its head kept for the parse.
            local_.stream = true;
            QByteArray head;
            if (readStreamHead(file, head)) {
                loadFrom(file, true, std::move(head));
            }
            break;
        }
        reload = loadFrom(file, false, {});
        if (!reload) {
            break;
        }
    }
    local_.finished = true;
    publish(nullptr, false, 0);
}

void RecordedFileLoader::fail(RecordedLoadProblem problem, std::string error, int errorCode) {
    local_.problem = problem;
    local_.error = std::move(error);
    local_.errorCode = errorCode;
    publish(nullptr, false, 0);
}

bool RecordedFileLoader::readStreamHead(QFile& file, QByteArray& head) {
    // As much as a regular file's probe looks at, or what there is.
    std::vector<char> buffer(kProbeBytes);
    RecordedFileProbe probe;
    while (static_cast<std::size_t>(head.size()) < kProbeBytes &&
           probe.lines.size() < kProbeLines) {
        if (stopRequested()) {
            return false;
        }
        errno = 0;
        const qint64 n = readStream(file, buffer.data(),
                                    static_cast<qint64>(kProbeBytes) - head.size());
        if (n == -1) {
            fail(RecordedLoadProblem::System, systemText(errno), errno);
            return false;
        }
        const bool wholeLine = head.contains('\n');
        if (n == kQuiet || (n == 0 && options_.follow)) {
            // Its columns are told by what came, once a whole line has; a
            // followed FIFO waits for its writer.
            if (wholeLine) {
                break;
            }
            if (n == 0 && !waitPoll()) {
                return false;
            }
            continue;
        }
        if (n == 0) {
            if (head.isEmpty() && isFifo(file)) {
                fail(RecordedLoadProblem::NoWriter, "no one writes to the FIFO");
                return false;
            }
            break;  // its end
        }
        head.append(buffer.data(), n);
        probe = probeRecordedHead(
            std::string_view(head.constData(), static_cast<std::size_t>(head.size())));
    }
    const bool fits = !probe.noMeasurementLines() && layoutFits(layout_, probe.lines);
    {
        std::lock_guard lock(mutex_);
        head_ = std::move(probe);
    }
    if (!options_.confirmLayout || fits) {
        return true;
    }
    local_.layoutWanted = true;
    publish(nullptr, false, 0);
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return stopping_ || chosen_.has_value(); });
    if (stopping_) {
        return false;
    }
    layout_ = *chosen_;
    data_ = RecordedData(layout_);
    local_.layoutWanted = false;
    return true;
}

bool RecordedFileLoader::loadFrom(QFile& file, bool stream, QByteArray first) {
    const FileIdentity opened = identityOf(file);
    local_.fileSize = stream ? 0 : static_cast<std::uint64_t>(file.size());
    QByteArray head;

    XAxis axis(xSourceFor(layout_));
    std::uint64_t lineNumber = 0;
    ParsedLine parsed;
    RecordedBatch batch;
    const std::size_t chunk = std::max<std::size_t>(options_.chunkBytes, 4096);
    // A chunk to read into, after the half line left from the one before.
    std::vector<char> buffer(2 * std::max(chunk, static_cast<std::size_t>(first.size())));
    std::size_t pending = 0;
    std::uint64_t offset = 0;
    bool discarding = false;  // inside a line longer than a chunk
    bool reserved = false;
    auto lastGrowth = std::chrono::steady_clock::now();
    halfLineCounted_ = false;

    const auto takeLine = [&](std::string_view line) {
        ++lineNumber;
        if (parseMeasurementLine(line, layout_, parsed)) {
            batch.add(axis.next(parsed, lineNumber), parsed, layout_);
        } else {
            ++batch.skipped;
        }
    };

    while (!stopRequested()) {
        qint64 n = 0;
        if (!first.isEmpty()) {
            // A stream's head, read before its columns were known.
            n = first.size();
            std::memcpy(buffer.data() + pending, first.constData(), static_cast<std::size_t>(n));
            first.clear();
        } else if (stream) {
            errno = 0;
            n = readStream(file, buffer.data() + pending, static_cast<qint64>(chunk));
        } else {
            errno = 0;
            n = file.read(buffer.data() + pending, static_cast<qint64>(chunk));
        }
        if (n == kQuiet) {
            // A stream with nothing new yet: all there is, so far.
            if (!local_.caughtUp) {
                local_.caughtUp = true;
                publish(nullptr, false, 0);
            }
            if (pending > 0 && !discarding && !halfLineCounted_ &&
                std::chrono::steady_clock::now() - lastGrowth >= options_.halfLineSettle) {
                halfLineCounted_ = true;
                publish(nullptr, false, 0);
            }
            continue;
        }
        if (n < 0) {
            const int errorCode = errno;
            publish(&batch, false, 0);
            fail(RecordedLoadProblem::System,
                 stream ? systemText(errorCode) : file.errorString().toStdString(), errorCode);
            return false;
        }
        if (n > 0) {
            if (head.size() < kHeadBytes) {
                head.append(buffer.data() + pending,
                            std::min<qint64>(n, kHeadBytes - head.size()));
            }
            offset += static_cast<std::uint64_t>(n);
            lastGrowth = std::chrono::steady_clock::now();
            halfLineCounted_ = false;  // it grew: the half line may yet be whole
            const char* p = buffer.data();
            const char* const end = buffer.data() + pending + static_cast<std::size_t>(n);
            while (const void* found = std::memchr(p, '\n', static_cast<std::size_t>(end - p))) {
                const char* next = static_cast<const char*>(found) + 1;
                if (discarding) {
                    discarding = false;
                } else {
                    takeLine(std::string_view(p, static_cast<std::size_t>(next - p)));
                }
                p = next;
            }
            pending = static_cast<std::size_t>(end - p);
            if (pending >= chunk && stream) {
                // Bytes without an end, like /dev/zero's: not lines of text.
                publish(&batch, false, 0);
                fail(RecordedLoadProblem::NotLines, "no line end in " + std::to_string(chunk) +
                                                        " bytes");
                return false;
            }
            if (stream && !options_.follow && offset > options_.maxStreamBytes) {
                publish(&batch, false, 0);
                fail(RecordedLoadProblem::TooLarge,
                     "more than " + std::to_string(options_.maxStreamBytes) + " bytes");
                return false;
            }
            if (pending >= chunk) {
                // No line is that long: count it once and drop it up to its end.
                if (!discarding) {
                    ++lineNumber;
                    ++batch.skipped;
                }
                discarding = true;
                pending = 0;
            } else {
                std::memmove(buffer.data(), p, pending);
            }
            std::size_t reserveLines = 0;
            if (!reserved && batch.size() > 0) {
                // Room for the whole file at the first chunk's bytes per line,
                // and a little more: untouched room costs address space only.
                reserved = true;
                const double bytesPerLine =
                    static_cast<double>(offset - pending) / static_cast<double>(lineNumber);
                reserveLines = static_cast<std::size_t>(
                    static_cast<double>(local_.fileSize) / bytesPerLine * 1.1 + 1024);
            }
            local_.bytesRead = offset;
            local_.fileSize = std::max(local_.fileSize, offset);
            local_.pendingBytes = discarding ? 0 : pending;
            local_.caughtUp = false;
            publish(&batch, false, reserveLines);
            batch.clear();
            continue;
        }

        // The end of the file as it is now.
        if (!options_.follow) {
            if (pending > 0 && !discarding) {
                takeLine(std::string_view(buffer.data(), pending));
            }
            local_.pendingBytes = 0;
            local_.caughtUp = true;
            publish(&batch, false, 0);
            return false;
        }
        if (!local_.caughtUp) {
            local_.caughtUp = true;
            publish(nullptr, false, 0);
        }
        if (!waitPoll()) {
            return false;
        }
        if (stream) {
            // Only what comes next; a half line settles as in a file.
            if (pending > 0 && !discarding && !halfLineCounted_ &&
                std::chrono::steady_clock::now() - lastGrowth >= options_.halfLineSettle) {
                halfLineCounted_ = true;
                publish(nullptr, false, 0);
            }
            continue;
        }
        const QFileInfo now(path_);
        if (!now.exists()) {
            continue;  // gone for now; it may be put back
        }
        const auto size = static_cast<std::uint64_t>(now.size());
        if (size < offset || identityOf(path_) != opened) {
            return true;  // cut short or replaced: read it anew
        }
        if (size != local_.fileSize && !headOf(path_).startsWith(head)) {
            return true;  // written anew from the start
        }
        if (size != local_.fileSize) {
            local_.fileSize = size;
            local_.caughtUp = false;
        } else if (pending > 0 && !discarding && !halfLineCounted_ &&
                   std::chrono::steady_clock::now() - lastGrowth >= options_.halfLineSettle) {
            // The writer has stopped halfway through a line.
            halfLineCounted_ = true;
            publish(nullptr, false, 0);
        }
    }
    return false;
}

}  // namespace voltrix
