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
#include <memory>
#include <vector>

#include "engine/platform/thread_name.h"
#include "engine/recorded/concatenated_file.h"
#include "engine/recorded/line_parser.h"
#include "engine/recorded/recorded_index_cache.h"

namespace voltrix {
namespace {

// The first bytes of a file: a file put in the place of the one being read
// starts differently (its first line has another time or counter).
constexpr qint64 kHeadBytes = 256;

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

// The last '\n' of begin..end-1, or nullptr. Lines are short: a look back
// over one is cheap.
const char* lastLineEnd(const char* begin, const char* end) {
    for (const char* p = end; p != begin;) {
        if (*--p == '\n') {
            return p;
        }
    }
    return nullptr;
}

// How often a followed file's grown index is kept for the next open.
constexpr auto kCacheSaveInterval = std::chrono::seconds(30);

QByteArray headOfSet(const ConcatenatedFile& files) {
    QByteArray head(kHeadBytes, Qt::Uninitialized);
    const std::int64_t n = files.read(0, head.data(), static_cast<std::size_t>(kHeadBytes));
    head.resize(n > 0 ? static_cast<qsizetype>(n) : 0);
    return head;
}

// What tells an index kept for these files: each file's identity and the
// hash of its first bytes, and the columns it was read with.
std::string indexCacheKey(const ConcatenatedFile& files, const RecordedLayout& layout) {
    std::string key = "columns " + layout.columns().to_string();
    std::vector<char> first(4096);
    for (std::size_t i = 0; i < files.files().size(); ++i) {
        const std::filesystem::path& path = files.files()[i];
        const FileIdentity id = identityOf(path);
        key += id.known ? "\nfile " + std::to_string(id.device) + ":" + std::to_string(id.inode)
                        : "\nfile " + std::filesystem::absolute(path).string();
        const std::uint64_t start = files.fileStart(i);
        const std::uint64_t size = files.fileStart(i + 1) - start;
        const std::int64_t n =
            files.read(start, first.data(), static_cast<std::size_t>(std::min<std::uint64_t>(size, first.size())));
        key += " head " + std::to_string(hashBytes(std::string_view(first.data(), n > 0 ? static_cast<std::size_t>(n) : 0)));
    }
    return key;
}

// The hash of the bytes just before `end`: a file written anew with the same
// first bytes tells itself here.
std::uint64_t tailCheckOf(const ConcatenatedFile& files, std::uint64_t end) {
    std::vector<char> tail(4096);
    const std::uint64_t from = end > tail.size() ? end - tail.size() : 0;
    const std::int64_t n = files.read(from, tail.data(), static_cast<std::size_t>(end - from));
    return hashBytes(std::string_view(tail.data(), n > 0 ? static_cast<std::size_t>(n) : 0), end);
}

std::string systemText(int errorCode) {
    return std::strerror(errorCode);
}

}  // namespace

RecordedFileLoader::RecordedFileLoader(std::filesystem::path path, const RecordedLayout& layout,
                                       Options options, ProgressCallback onProgress)
    : RecordedFileLoader(std::vector<std::filesystem::path>{std::move(path)}, layout, options,
                         std::move(onProgress)) {}

RecordedFileLoader::RecordedFileLoader(std::vector<std::filesystem::path> files,
                                       const RecordedLayout& layout, Options options,
                                       ProgressCallback onProgress)
    : files_(std::move(files)),
      path_(files_.empty() ? std::filesystem::path() : files_.front()),
      layout_(layout),
      options_(options),
      onProgress_(std::move(onProgress)),
      index_(layout),
      streamLines_(layout) {
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

RecordedExportResult RecordedFileLoader::exportLines(std::size_t first, std::size_t last,
                                                     const std::filesystem::path& target) const {
    std::shared_ptr<const ByteReader> reader;
    ExportStart start;
    RecordedLayout layout;
    {
        std::lock_guard lock(mutex_);
        reader = reader_;
        layout = index_.layout();
        if (first < index_.size()) {
            const std::size_t block = index_.blockOf(first);
            start = {index_.blocks()[block].offset, index_.firstLineOf(block)};
        }
    }
    if (!reader) {
        // Nothing indexed yet, or a stream: from the start of the file.
        return exportRecordedLines(path_, layout, first, last, target);
    }
    return exportRecordedLines(files_, *reader, start, layout, first, last, target);
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
    return Snapshot(std::unique_lock(mutex_), &index_);
}

bool RecordedFileLoader::readLines(std::size_t first, std::size_t last, RecordedData& into,
                                   std::string& error) const {
    std::shared_ptr<const ByteReader> reader;
    LineReadStart start;
    RecordedLayout layout;
    {
        std::lock_guard lock(mutex_);
        layout = index_.layout();
        last = std::min(last, index_.size());
        if (first >= last) {
            into = RecordedData(layout);
            return true;
        }
        if (progress_.stream) {
            // Nothing to read back: the kept lines, copied.
            into = RecordedData(layout);
            RecordedBatch batch;
            const auto x = streamLines_.x();
            const auto outputs = streamLines_.outputs();
            batch.x.assign(x.begin() + first, x.begin() + last);
            for (const std::uint8_t q : layout.quantities()) {
                const auto v = streamLines_.values(q);
                batch.values[q].assign(v.begin() + first, v.begin() + last);
            }
            if (!outputs.empty()) {
                batch.outputs.assign(outputs.begin() + first, outputs.begin() + last);
            }
            into.append(batch);
            return true;
        }
        reader = reader_;
        const std::size_t block = index_.blockOf(first);
        start = {index_.blocks()[block], index_.firstLineOf(block)};
    }
    if (!reader) {
        error = "the file is not open";
        return false;
    }
    return readIndexedLines(*reader, layout, start, first, last, into, error);
}

bool RecordedFileLoader::stopRequested() const {
    std::lock_guard lock(mutex_);
    return stopping_;
}

bool RecordedFileLoader::waitPoll() {
    std::unique_lock lock(mutex_);
    return !changed_.wait_for(lock, options_.pollInterval, [this] { return stopping_; });
}

void RecordedFileLoader::publish(bool resetData) {
    RecordedLoadProgress copy;
    {
        std::lock_guard lock(mutex_);
        if (resetData) {
            index_ = RecordedIndex(layout_);
            streamLines_ = RecordedData(layout_);
            reader_.reset();
        }
        local_.lines = index_.size();
        local_.skippedLines = index_.skippedLines() + (halfLineCounted_ ? 1 : 0);
        progress_ = local_;
        copy = local_;
    }
    changed_.notify_all();
    if (onProgress_) {
        onProgress_(copy);
    }
}

void RecordedFileLoader::join(const LineChunk& chunk, bool stream) {
    RecordedBatch batch;
    std::lock_guard lock(mutex_);
    for (std::size_t i = 0; i < chunk.lines.size(); ++i) {
        const double x =
            index_.append(chunk.lines[i], {chunk.offset + chunk.starts[i], fileLines_ + chunk.numbers[i]});
        if (stream) {
            batch.add(x, chunk.lines[i], layout_);
        }
    }
    fileLines_ += chunk.lineCount;
    index_.addSkipped(chunk.skipped);
    index_.setEnd(chunk.offset + chunk.size, fileLines_,
                  chunk.lines.empty() ? nullptr : &chunk.lines.back());
    if (stream) {
        streamLines_.append(batch);
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
            publish(true);
        }
        if (files_.size() > 1) {
            // A split set: regular files only, read as one.
            reload = loadSet();
            if (!reload) {
                break;
            }
            continue;
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
                loadFrom(&file, nullptr, std::move(head));
            }
            break;
        }
        file.close();  // read through the set, one file or more
        reload = loadSet();
        if (!reload) {
            break;
        }
    }
    local_.finished = true;
    publish();
}

bool RecordedFileLoader::loadSet() {
    auto set = std::make_shared<ConcatenatedFile>(files_);
    std::string error;
    int errorCode = 0;
    if (!set->open(error, errorCode)) {
        fail(RecordedLoadProblem::System, error, errorCode);
        // Followed: tried again after a poll.
        return options_.follow && waitPoll();
    }
    local_.error.clear();
    local_.problem = RecordedLoadProblem::None;
    local_.errorCode = 0;
    return loadFrom(nullptr, set, {});
}

void RecordedFileLoader::fail(RecordedLoadProblem problem, std::string error, int errorCode) {
    local_.problem = problem;
    local_.error = std::move(error);
    local_.errorCode = errorCode;
    publish();
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
    publish();
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return stopping_ || chosen_.has_value(); });
    if (stopping_) {
        return false;
    }
    layout_ = *chosen_;
    index_ = RecordedIndex(layout_);
    streamLines_ = RecordedData(layout_);
    local_.layoutWanted = false;
    return true;
}

bool RecordedFileLoader::loadFrom(QFile* streamFile, const std::shared_ptr<ConcatenatedFile>& files,
                                  QByteArray first) {
    const bool stream = streamFile != nullptr;
    local_.fileSize = stream ? 0 : files->size();
    QByteArray head;
    std::uint64_t offset = 0;  // bytes read
    fileLines_ = 0;
    std::string cacheKey;
    if (!stream) {
        {
            std::lock_guard lock(mutex_);
            reader_ = std::make_shared<const ByteReader>(
                [files](std::uint64_t at, char* into, std::size_t bytes) {
                    return files->read(at, into, bytes);
                });
        }
        head = headOfSet(*files);
        if (!options_.cacheFolder.empty()) {
            cacheKey = indexCacheKey(*files, layout_);
            RecordedIndex cached;
            const auto tail = loadIndexCache(options_.cacheFolder, cacheKey, cached);
            if (tail && cached.layout() == layout_ && cached.endOffset() <= files->size() &&
                *tail == tailCheckOf(*files, cached.endOffset())) {
                // Read before, and unchanged up to where it was read: go on from there.
                offset = cached.endOffset();
                fileLines_ = cached.fileLines();
                local_.bytesFromCache = offset;
                local_.bytesRead = offset;
                std::lock_guard lock(mutex_);
                index_ = std::move(cached);
            }
        }
    }
    std::uint64_t savedAt = offset;  // what the cache holds
    auto savedWhen = std::chrono::steady_clock::now();
    // Keeps the index for the next open, when it ends at a line end.
    const auto saveCache = [&](bool now) {
        if (cacheKey.empty() || index_.endOffset() == savedAt || index_.size() == 0 ||
            (!now && std::chrono::steady_clock::now() - savedWhen < kCacheSaveInterval)) {
            return;
        }
        savedAt = index_.endOffset();
        savedWhen = std::chrono::steady_clock::now();
        saveIndexCache(options_.cacheFolder, cacheKey, index_,
                       tailCheckOf(*files, index_.endOffset()));
    };

    ChunkParserPool pool(layout_, options_.parserThreads);
    // Enough parsed chunks waiting that no parser idles while one is joined.
    const std::size_t maxInFlight = 2 * static_cast<std::size_t>(options_.parserThreads) + 1;
    std::vector<std::unique_ptr<LineChunk>> spare;
    const auto joinReady = [&](bool all) {
        while (auto done = pool.takeOldest(all || pool.inFlight() >= maxInFlight)) {
            join(*done, stream);
            spare.push_back(std::move(done));
        }
    };
    const std::size_t chunk = std::max<std::size_t>(options_.chunkBytes, 4096);
    // The half line after the last whole line read, waiting for its end.
    std::vector<char> carry;
    bool discarding = false;   // inside a line longer than a chunk
    auto lastGrowth = std::chrono::steady_clock::now();
    halfLineCounted_ = false;

    // Adds the bytes of `c` from `from` on as a chunk of whole lines.
    const auto submit = [&](std::unique_ptr<LineChunk> c, std::size_t from) {
        if (from > 0) {
            std::memmove(c->bytes.data(), c->bytes.data() + from, c->size - from);
            c->size -= from;
            c->offset += from;
        }
        if (c->size > 0) {
            pool.submit(std::move(c));
        }
    };
    // Ends the parse of what was read: a half line left at the end is a line.
    const auto finishLines = [&] {
        joinReady(true);
        if (!carry.empty() && !discarding) {
            auto c = std::make_unique<LineChunk>();
            c->bytes = carry;
            c->size = carry.size();
            c->offset = offset - carry.size();
            parseChunk(*c, layout_);
            join(*c, stream);
        }
        carry.clear();
    };

    while (!stopRequested()) {
        std::unique_ptr<LineChunk> c;
        if (!spare.empty()) {
            c = std::move(spare.back());
            spare.pop_back();
        } else {
            c = std::make_unique<LineChunk>();
        }
        const std::size_t room = std::max(chunk, static_cast<std::size_t>(first.size()));
        if (c->bytes.size() < carry.size() + room) {
            c->bytes.resize(carry.size() + room);
        }
        std::copy(carry.begin(), carry.end(), c->bytes.begin());  // often nothing
        char* const into = c->bytes.data() + carry.size();
        qint64 n = 0;
        if (!first.isEmpty()) {
            // A stream's head, read before its columns were known.
            n = first.size();
            std::memcpy(into, first.constData(), static_cast<std::size_t>(n));
            first.clear();
        } else if (stream) {
            joinReady(true);  // a stream's lines are shown as they come
            errno = 0;
            n = readStream(*streamFile, into, static_cast<qint64>(chunk));
        } else {
            errno = 0;
            n = files->read(offset, into, chunk);
        }
        if (n <= 0) {
            spare.push_back(std::move(c));
        }
        if (n == kQuiet) {
            // A stream with nothing new yet: all there is, so far.
            if (!local_.caughtUp) {
                local_.caughtUp = true;
                publish();
            }
            if (!carry.empty() && !discarding && !halfLineCounted_ &&
                std::chrono::steady_clock::now() - lastGrowth >= options_.halfLineSettle) {
                halfLineCounted_ = true;
                publish();
            }
            continue;
        }
        if (n < 0) {
            const int errorCode = errno;
            joinReady(true);
            fail(RecordedLoadProblem::System, systemText(errorCode), errorCode);
            return false;
        }
        if (n > 0) {
            c->offset = offset - carry.size();
            offset += static_cast<std::uint64_t>(n);
            lastGrowth = std::chrono::steady_clock::now();
            halfLineCounted_ = false;  // it grew: the half line may yet be whole
            const std::size_t filled = carry.size() + static_cast<std::size_t>(n);
            std::size_t from = 0;
            if (discarding) {
                // The rest of a line too long to be one: up to its end.
                const void* end = std::memchr(c->bytes.data(), '\n', filled);
                if (end == nullptr) {
                    from = filled;
                } else {
                    from = static_cast<std::size_t>(static_cast<const char*>(end) - c->bytes.data()) + 1;
                    discarding = false;
                }
            }
            const char* const begin = c->bytes.data() + from;
            const char* lastEnd = lastLineEnd(begin, c->bytes.data() + filled);
            const std::size_t whole =
                lastEnd == nullptr
                    ? from
                    : static_cast<std::size_t>(lastEnd - c->bytes.data()) + 1;
            carry.assign(c->bytes.data() + whole, c->bytes.data() + filled);
            c->size = whole;
            submit(std::move(c), from);
            if (carry.size() >= chunk && stream) {
                // Bytes without an end, like /dev/zero's: not lines of text.
                joinReady(true);
                fail(RecordedLoadProblem::NotLines, "no line end in " + std::to_string(chunk) +
                                                        " bytes");
                return false;
            }
            if (stream && !options_.follow && offset > options_.maxStreamBytes) {
                joinReady(true);
                fail(RecordedLoadProblem::TooLarge,
                     "more than " + std::to_string(options_.maxStreamBytes) + " bytes");
                return false;
            }
            if (carry.size() >= chunk) {
                // No line is that long: count it once and drop it up to its end.
                joinReady(true);
                {
                    std::lock_guard lock(mutex_);
                    ++fileLines_;
                    index_.addSkipped(1);
                }
                discarding = true;
                carry.clear();
            }
            joinReady(false);
            local_.bytesRead = offset;
            local_.fileSize = std::max(local_.fileSize, offset);
            local_.pendingBytes = discarding ? 0 : carry.size();
            local_.caughtUp = false;
            publish();
            continue;
        }

        // The end of the file as it is now. The index is kept for the next
        // open once what was read is shown, and only when it ends at a line end.
        joinReady(true);
        const bool keep = !stream && carry.empty();
        if (!options_.follow) {
            finishLines();
            local_.pendingBytes = 0;
            local_.caughtUp = true;
            publish();
            if (keep) {
                saveCache(true);
            }
            return false;
        }
        const bool caughtUpNow = !local_.caughtUp;
        if (caughtUpNow) {
            local_.caughtUp = true;
            publish();
        }
        if (keep) {
            saveCache(caughtUpNow);
        }
        if (!waitPoll()) {
            return false;
        }
        if (stream) {
            // Only what comes next; a half line settles as in a file.
            if (!carry.empty() && !discarding && !halfLineCounted_ &&
                std::chrono::steady_clock::now() - lastGrowth >= options_.halfLineSettle) {
                halfLineCounted_ = true;
                publish();
            }
            continue;
        }
        const bool grew = files->refresh();
        const std::uint64_t size = files->size();
        if (files->changed() || size < offset) {
            return true;  // cut short or replaced: read it anew
        }
        if (grew && !headOfSet(*files).startsWith(head)) {
            return true;  // written anew from the start
        }
        if (size != local_.fileSize) {
            local_.fileSize = size;
            local_.caughtUp = false;
        } else if (!carry.empty() && !discarding && !halfLineCounted_ &&
                   std::chrono::steady_clock::now() - lastGrowth >= options_.halfLineSettle) {
            // The writer has stopped halfway through a line.
            halfLineCounted_ = true;
            publish();
        }
    }
    return false;
}

}  // namespace voltrix
