// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/recorded/recorded_index_cache.h"

#include <algorithm>
#include <vector>

#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>
#include <QString>

#include <bit>
#include <cstring>
#include <limits>
#include <system_error>
#include <utility>

namespace voltrix {
namespace {

constexpr char kMagic[8] = {'V', 'X', 'I', 'D', 'X', '\r', '\n', '\x1a'};
constexpr std::size_t kChecksumBytes = 8;
constexpr std::size_t kAxisBytes = 1 + 1 + 8 + 8 + 8 + 8 + 4 + 1 + 8;
constexpr std::size_t kBlockBytes =
    8 + 8 + kAxisBytes + 8 + 8 + kQuantityCount * (4 + 4 + 4 + 4) + 4;
constexpr auto kLastSource = static_cast<std::uint8_t>(XSource::LineNumber);

constexpr std::uint64_t kHashBasis = 0xcbf29ce484222325u;
constexpr std::uint64_t kHashMultiplier = 0x9e3779b97f4a7c15u;

std::uint64_t loadLe(const char* p, std::size_t n) {
    std::uint64_t word = 0;
    for (std::size_t i = 0; i < n; ++i) {
        word |= static_cast<std::uint64_t>(static_cast<unsigned char>(p[i])) << (8 * i);
    }
    return word;
}

std::uint64_t loadWordLe(const char* p) {
    std::uint64_t word = 0;
    std::memcpy(&word, p, sizeof word);
    if constexpr (std::endian::native == std::endian::big) {
        word = loadLe(p, sizeof word);
    }
    return word;
}

// Each step is a bijection of the state for a given word and one-to-one in
// the word for a given state: two inputs that differ in one word never meet.
std::uint64_t mixWord(std::uint64_t h, std::uint64_t word) {
    h = (h ^ word) * kHashMultiplier;
    return h ^ (h >> 29);
}

// MurmurHash3's finaliser: every input bit reaches every output bit.
std::uint64_t finish(std::uint64_t h) {
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdu;
    h ^= h >> 33;
    h *= 0xc4ceb9fe1a85ec53u;
    return h ^ (h >> 33);
}

QString qtPath(const std::filesystem::path& path) {
#ifdef _WIN32
    return QString::fromStdWString(path.native());
#else
    return QFile::decodeName(QByteArray::fromStdString(path.native()));
#endif
}

std::filesystem::path fsPath(const QString& path) {
#ifdef _WIN32
    return std::filesystem::path(path.toStdWString());
#else
    return std::filesystem::path(QFile::encodeName(path).toStdString());
#endif
}

class Writer {
public:
    explicit Writer(QByteArray& out) : out_(out) {}

    void bytes(std::string_view b) { out_.append(b.data(), static_cast<qsizetype>(b.size())); }
    void u8(std::uint8_t v) { out_.append(static_cast<char>(v)); }
    // A value at a time: tens of megabytes of blocks are written.
    void u32(std::uint32_t v) { little<4>(v); }
    void u64(std::uint64_t v) { little<8>(v); }
    void i32(std::int32_t v) { u32(static_cast<std::uint32_t>(v)); }
    void i64(std::int64_t v) { u64(static_cast<std::uint64_t>(v)); }
    void f32(float v) { u32(std::bit_cast<std::uint32_t>(v)); }
    void f64(double v) { u64(std::bit_cast<std::uint64_t>(v)); }
    void flag(bool v) { u8(v ? 1 : 0); }

    void axis(const XAxis& axis) {
        const XAxis::State& s = axis.state();
        u8(static_cast<std::uint8_t>(axis.source()));
        flag(s.started);
        i64(s.previous);
        i64(s.lastStep);
        i64(s.offset);
        i64(s.unwrapped);
        i32(s.lastCounter);
        flag(s.counterSeen);
        i64(s.previousRaw);
    }

private:
    template <int N>
    void little(std::uint64_t v) {
        char b[N];
        for (int i = 0; i < N; ++i) {
            b[i] = static_cast<char>(v >> (8 * i));
        }
        out_.append(b, N);
    }

    QByteArray& out_;
};

// Reads front to back; any read past the end, or any value out of its
// range, leaves ok() false for good and gives zeros.
class Reader {
public:
    explicit Reader(QByteArrayView bytes) : bytes_(bytes) {}

    bool ok() const { return ok_; }
    std::size_t remaining() const { return static_cast<std::size_t>(bytes_.size()) - pos_; }
    void fail() { ok_ = false; }

    std::string_view bytes(std::size_t n) {
        if (!ok_ || n > remaining()) {
            ok_ = false;
            return {};
        }
        const std::string_view b(bytes_.data() + pos_, n);
        pos_ += n;
        return b;
    }
    std::uint64_t number(std::size_t n) {
        const std::string_view b = bytes(n);
        return ok_ ? loadLe(b.data(), n) : 0;
    }
    std::uint8_t u8() { return static_cast<std::uint8_t>(number(1)); }
    std::uint32_t u32() { return static_cast<std::uint32_t>(number(4)); }
    std::uint64_t u64() { return number(8); }
    std::int32_t i32() { return static_cast<std::int32_t>(u32()); }
    std::int64_t i64() { return static_cast<std::int64_t>(u64()); }
    float f32() { return std::bit_cast<float>(u32()); }
    double f64() { return std::bit_cast<double>(u64()); }
    bool flag() {
        const std::uint8_t v = u8();
        if (v > 1) {
            ok_ = false;
        }
        return v == 1;
    }
    std::size_t size() {
        const std::uint64_t v = u64();
        if (v > std::numeric_limits<std::size_t>::max()) {
            ok_ = false;
            return 0;
        }
        return static_cast<std::size_t>(v);
    }

    XAxis axis() {
        const std::uint8_t source = u8();
        if (source > kLastSource) {
            ok_ = false;
        }
        XAxis::State s;
        s.started = flag();
        s.previous = i64();
        s.lastStep = i64();
        s.offset = i64();
        s.unwrapped = i64();
        s.lastCounter = i32();
        s.counterSeen = flag();
        s.previousRaw = i64();
        return ok_ ? XAxis(static_cast<XSource>(source), s) : XAxis(XSource::LineNumber);
    }

private:
    QByteArrayView bytes_;
    std::size_t pos_ = 0;
    bool ok_ = true;
};

void writeBlock(Writer& w, const IndexBlock& b) {
    w.u64(b.offset);
    w.u64(b.fileLine);
    w.axis(b.axis);
    w.f64(b.firstX);
    w.f64(b.lastX);
    for (const MinMax& r : b.range) {
        w.f32(r.min);
        w.f32(r.max);
    }
    for (const float v : b.first) {
        w.f32(v);
    }
    for (const float v : b.last) {
        w.f32(v);
    }
    w.u8(b.outputsAll);
    w.u8(b.outputsAny);
    w.u8(b.outputsFirst);
    w.u8(b.outputsLast);
}

IndexBlock readBlock(Reader& r) {
    IndexBlock b;
    b.offset = r.u64();
    b.fileLine = r.u64();
    b.axis = r.axis();
    b.firstX = r.f64();
    b.lastX = r.f64();
    for (MinMax& range : b.range) {
        range.min = r.f32();
        range.max = r.f32();
    }
    for (float& v : b.first) {
        v = r.f32();
    }
    for (float& v : b.last) {
        v = r.f32();
    }
    b.outputsAll = r.u8();
    b.outputsAny = r.u8();
    b.outputsFirst = r.u8();
    b.outputsLast = r.u8();
    return b;
}

}  // namespace

std::filesystem::path indexCacheFolder() {
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    if (base.isEmpty()) {
        return {};
    }
    return fsPath(base + QStringLiteral("/voltrix"));
}

std::uint64_t hashBytes(std::string_view bytes, std::uint64_t seed) {
    std::uint64_t h = kHashBasis ^ seed;
    const char* p = bytes.data();
    std::size_t n = bytes.size();
    for (; n >= 8; p += 8, n -= 8) {
        h = mixWord(h, loadWordLe(p));
    }
    if (n > 0) {
        h = mixWord(h, loadLe(p, n));
    }
    return finish(h ^ static_cast<std::uint64_t>(bytes.size()));
}

std::filesystem::path indexCacheFile(const std::filesystem::path& folder, std::string_view key) {
    static constexpr char kHex[] = "0123456789abcdef";
    const std::uint64_t h = hashBytes(key);
    std::string name(16, '0');
    for (std::size_t i = 0; i < 16; ++i) {
        name[i] = kHex[(h >> (60 - 4 * i)) & 0xF];
    }
    return folder / (name + ".vxidx");
}

QByteArray encodeIndexCache(const RecordedIndex& index, std::string_view key,
                            std::uint64_t tailCheck) {
    const RecordedIndex::Parts& parts = index.parts();
    QByteArray out;
    out.reserve(static_cast<qsizetype>(64 + key.size() + 2 * kAxisBytes +
                                       parts.blocks.size() * kBlockBytes + kChecksumBytes));
    Writer w(out);
    w.bytes({kMagic, sizeof kMagic});
    w.u32(kIndexCacheVersion);
    w.u32(static_cast<std::uint32_t>(key.size()));
    w.bytes(key);
    w.u64(tailCheck);
    w.u32(static_cast<std::uint32_t>(parts.layout.columns().to_ulong()));
    w.u64(parts.lines);
    w.u64(parts.skipped);
    w.u64(parts.blockLines);
    w.u64(parts.endOffset);
    w.u64(parts.fileLines);
    w.axis(parts.axis);
    w.u64(parts.blocks.size());
    for (const IndexBlock& b : parts.blocks) {
        writeBlock(w, b);
    }
    w.u64(hashBytes({out.constData(), static_cast<std::size_t>(out.size())}));
    return out;
}

bool decodeIndexCache(QByteArrayView bytes, std::string_view key, RecordedIndex& into,
                      std::uint64_t& tailCheck) {
    const auto size = static_cast<std::size_t>(bytes.size());
    if (size > kMaxIndexCacheBytes || size < sizeof kMagic + kChecksumBytes) {
        return false;
    }
    const std::string_view body(bytes.data(), size - kChecksumBytes);
    if (loadLe(bytes.data() + body.size(), kChecksumBytes) != hashBytes(body)) {
        return false;
    }

    Reader r(QByteArrayView(body.data(), static_cast<qsizetype>(body.size())));
    if (r.bytes(sizeof kMagic) != std::string_view(kMagic, sizeof kMagic) ||
        r.u32() != kIndexCacheVersion) {
        return false;
    }
    const std::uint32_t keySize = r.u32();
    if (keySize != key.size() || r.bytes(keySize) != key || !r.ok()) {
        return false;
    }
    const std::uint64_t check = r.u64();
    const std::uint32_t columns = r.u32();
    if (columns >> kLogColumnCount != 0) {
        return false;
    }
    RecordedIndex::Parts parts;
    parts.layout = RecordedLayout(RecordedLayout::Columns(columns));
    parts.lines = r.size();
    parts.skipped = r.u64();
    parts.blockLines = r.size();
    parts.endOffset = r.u64();
    parts.fileLines = r.u64();
    parts.axis = r.axis();
    const std::uint64_t count = r.u64();
    // The blocks fill the rest exactly; nothing is allocated before that is known.
    if (!r.ok() || count > RecordedIndex::kMaxBlocks || count * kBlockBytes != r.remaining()) {
        return false;
    }
    parts.blocks.reserve(static_cast<std::size_t>(count));
    for (std::uint64_t i = 0; i < count; ++i) {
        parts.blocks.push_back(readBlock(r));
    }
    if (!r.ok() || r.remaining() != 0 || !RecordedIndex::fromParts(std::move(parts), into)) {
        return false;
    }
    tailCheck = check;
    return true;
}

bool saveIndexCache(const std::filesystem::path& folder, std::string_view key,
                    const RecordedIndex& index, std::uint64_t tailCheck) {
    if (folder.empty()) {
        return false;
    }
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) {
        return false;
    }
    // QSaveFile writes a temporary file beside the target and renames it over
    // the target on commit: a reader sees the old cache or the new one whole.
    QSaveFile file(qtPath(indexCacheFile(folder, key)));
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    const QByteArray bytes = encodeIndexCache(index, key, tailCheck);
    if (file.write(bytes) != bytes.size() || !file.commit()) {
        return false;
    }
    pruneIndexCaches(folder, kMostKeptIndexes, kMostKeptIndexBytes);
    return true;
}

void pruneIndexCaches(const std::filesystem::path& folder, std::size_t mostFiles,
                      std::uint64_t mostBytes) {
    struct Kept {
        std::filesystem::path path;
        std::filesystem::file_time_type written;
        std::uint64_t size = 0;
    };
    std::vector<Kept> kept;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        std::error_code entryError;
        if (entry.path().extension() != ".vxidx" || !entry.is_regular_file(entryError)) {
            continue;
        }
        const auto written = entry.last_write_time(entryError);
        const auto size = entry.file_size(entryError);
        if (!entryError) {
            kept.push_back({entry.path(), written, size});
        }
    }
    // The newest first: the files opened last are the likeliest again.
    std::sort(kept.begin(), kept.end(),
              [](const Kept& a, const Kept& b) { return a.written > b.written; });
    std::uint64_t bytes = 0;
    for (std::size_t i = 0; i < kept.size(); ++i) {
        bytes += kept[i].size;
        if (i >= mostFiles || (i > 0 && bytes > mostBytes)) {
            std::filesystem::remove(kept[i].path, error);
        }
    }
}

std::optional<std::uint64_t> loadIndexCache(const std::filesystem::path& folder,
                                            std::string_view key, RecordedIndex& into) {
    if (folder.empty()) {
        return std::nullopt;
    }
    const std::filesystem::path path = indexCacheFile(folder, key);
    // Only a plain file: a FIFO or a device put there would block or never end.
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) {
        return std::nullopt;
    }
    QFile file(qtPath(path));
    if (!file.open(QIODevice::ReadOnly) || file.size() < 0 ||
        static_cast<std::uint64_t>(file.size()) > kMaxIndexCacheBytes) {
        return std::nullopt;
    }
    // One byte more than its size: a file that grew meanwhile is not whole.
    const QByteArray bytes = file.read(file.size() + 1);
    std::uint64_t tailCheck = 0;
    if (!decodeIndexCache(bytes, key, into, tailCheck)) {
        return std::nullopt;
    }
    return tailCheck;
}

}  // namespace voltrix
