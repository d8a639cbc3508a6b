// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/recorded/recorded_index_cache.h"

#include <gtest/gtest.h>

#include <fstream>

#include <chrono>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <bit>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace voltrix {
namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr std::uint64_t kTailCheck = 0x0123456789abcdefu;
const std::string kKey("dev 2049 ino 77\0head 5f1c layout 0x7fffb", 41);

RecordedLayout layoutOf(std::initializer_list<LogColumn> columns) {
    RecordedLayout::Columns bits;
    for (const LogColumn c : columns) {
        bits.set(static_cast<std::size_t>(c));
    }
    return RecordedLayout(bits);
}

RecordedLayout everyColumn() {
    RecordedLayout::Columns bits;
    bits.set();
    return RecordedLayout(bits);
}

// Measurement lines with now and then a clock set back, a counter that
// wraps or is unknown, NaN values and a skipped line between them.
class LineMaker {
public:
    explicit LineMaker(const RecordedLayout& layout) : layout_(layout) {}

    void add(RecordedIndex& index, std::size_t lines) {
        for (std::size_t n = 0; n < lines; ++n, ++i_) {
            if (i_ % 97 == 5) {
                offset_ += 13;
                ++fileLine_;
                index.addSkipped(1);
            }
            ParsedLine p;
            time_ += i_ % 500 == 499 ? -20'000 : 10 + static_cast<std::int64_t>(i_ % 3);
            p.time = time_;
            counter_ = static_cast<std::int32_t>(static_cast<std::uint32_t>(counter_) + 7);
            p.counter = counter_;
            p.counterKnown = i_ % 211 != 7;
            p.values.fill(kNaN);
            for (const std::uint8_t q : layout_.quantities()) {
                if ((i_ + q) % 53 != 0) {
                    p.values[q] = static_cast<float>((i_ * (q + 1u)) % 17) * 0.5f - 3.0f;
                }
            }
            p.outputs = static_cast<std::uint8_t>((i_ / 3) % 64);
            ++fileLine_;
            index.append(p, {offset_, fileLine_});
            offset_ += 40 + i_ % 7;
        }
        index.setEnd(offset_, fileLine_);
    }

private:
    RecordedLayout layout_;
    std::size_t i_ = 0;
    std::uint64_t offset_ = 17;  // a header line
    std::uint64_t fileLine_ = 1;
    std::int64_t time_ = 20795 * kMillisecondsPerDay + 3'600'000;
    std::int32_t counter_ = 0x7fffff00;
};

RecordedIndex generatedIndex(const RecordedLayout& layout, std::size_t lines) {
    RecordedIndex index(layout);
    LineMaker(layout).add(index, lines);
    return index;
}

std::uint32_t bitsOf(float v) { return std::bit_cast<std::uint32_t>(v); }
std::uint64_t bitsOf(double v) { return std::bit_cast<std::uint64_t>(v); }

void expectSameAxis(const XAxis& a, const XAxis& b) {
    EXPECT_EQ(a.source(), b.source());
    EXPECT_EQ(a.state(), b.state());
}

void expectSameIndex(const RecordedIndex& a, const RecordedIndex& b) {
    const RecordedIndex::Parts pa = a.parts();
    const RecordedIndex::Parts pb = b.parts();
    EXPECT_EQ(pa.layout, pb.layout);
    EXPECT_EQ(pa.lines, pb.lines);
    EXPECT_EQ(pa.skipped, pb.skipped);
    EXPECT_EQ(pa.blockLines, pb.blockLines);
    EXPECT_EQ(pa.endOffset, pb.endOffset);
    EXPECT_EQ(pa.fileLines, pb.fileLines);
    expectSameAxis(pa.axis, pb.axis);
    ASSERT_EQ(pa.blocks.size(), pb.blocks.size());
    for (std::size_t i = 0; i < pa.blocks.size(); ++i) {
        SCOPED_TRACE(i);
        const IndexBlock& x = pa.blocks[i];
        const IndexBlock& y = pb.blocks[i];
        EXPECT_EQ(x.offset, y.offset);
        EXPECT_EQ(x.fileLine, y.fileLine);
        expectSameAxis(x.axis, y.axis);
        EXPECT_EQ(bitsOf(x.firstX), bitsOf(y.firstX));
        EXPECT_EQ(bitsOf(x.lastX), bitsOf(y.lastX));
        for (std::size_t q = 0; q < kQuantityCount; ++q) {
            EXPECT_EQ(bitsOf(x.range[q].min), bitsOf(y.range[q].min)) << q;
            EXPECT_EQ(bitsOf(x.range[q].max), bitsOf(y.range[q].max)) << q;
            EXPECT_EQ(bitsOf(x.first[q]), bitsOf(y.first[q])) << q;
            EXPECT_EQ(bitsOf(x.last[q]), bitsOf(y.last[q])) << q;
        }
        EXPECT_EQ(x.outputsAll, y.outputsAll);
        EXPECT_EQ(x.outputsAny, y.outputsAny);
        EXPECT_EQ(x.outputsFirst, y.outputsFirst);
        EXPECT_EQ(x.outputsLast, y.outputsLast);
    }
}

// Another valid index, to see that a refused cache leaves it alone.
RecordedIndex bystander() { return generatedIndex(layoutOf({LogColumn::Counter}), 150); }

// The checksum at the end made again, so that a change made on purpose is
// judged by what it says and not by the checksum.
QByteArray resealed(QByteArray bytes) {
    const auto body = static_cast<std::size_t>(bytes.size()) - 8;
    const std::uint64_t sum = hashBytes({bytes.constData(), body});
    for (std::size_t i = 0; i < 8; ++i) {
        bytes[static_cast<qsizetype>(body + i)] = static_cast<char>(sum >> (8 * i));
    }
    return bytes;
}

void putNumber(QByteArray& bytes, std::size_t at, std::uint64_t value, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) {
        bytes[static_cast<qsizetype>(at + i)] = static_cast<char>(value >> (8 * i));
    }
}

std::uint64_t numberAt(const QByteArray& bytes, std::size_t at, std::size_t size) {
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < size; ++i) {
        value |= std::uint64_t{static_cast<unsigned char>(bytes[static_cast<qsizetype>(at + i)])}
                 << (8 * i);
    }
    return value;
}

// Where the fields stand in a cache of kKey (the format in the header).
constexpr std::size_t kKeyAt = 16;
const std::size_t kTailAt = kKeyAt + kKey.size();
const std::size_t kColumnsAt = kTailAt + 8;
const std::size_t kLinesAt = kColumnsAt + 4;
const std::size_t kBlockLinesAt = kLinesAt + 16;
const std::size_t kFileLinesAt = kBlockLinesAt + 16;
const std::size_t kAxisAt = kFileLinesAt + 8;
constexpr std::size_t kAxisBytes = 47;
const std::size_t kCountAt = kAxisAt + kAxisBytes;
const std::size_t kBlocksAt = kCountAt + 8;
constexpr std::size_t kBlockBytes = 8 + 8 + kAxisBytes + 16 + kQuantityCount * 16 + 4;
// Within an axis.
constexpr std::size_t kStartedAt = 1;
constexpr std::size_t kPreviousAt = 2;
constexpr std::size_t kLastStepAt = 10;
constexpr std::size_t kCounterSeenAt = 38;

// A decode that must fail, and must leave its target alone.
void expectRefused(QByteArrayView bytes, std::string_view key = kKey) {
    RecordedIndex into = bystander();
    std::uint64_t tail = 42;
    EXPECT_FALSE(decodeIndexCache(bytes, key, into, tail));
    EXPECT_EQ(tail, 42u);
    expectSameIndex(into, bystander());
}

class RecordedIndexCacheRoundTrip : public ::testing::TestWithParam<RecordedLayout> {};

TEST_P(RecordedIndexCacheRoundTrip, KeepsEveryField) {
    const RecordedIndex index = generatedIndex(GetParam(), 3000);
    ASSERT_GT(index.blocks().size(), 40u);
    const QByteArray bytes = encodeIndexCache(index, kKey, kTailCheck);

    RecordedIndex back = bystander();
    std::uint64_t tail = 0;
    ASSERT_TRUE(decodeIndexCache(bytes, kKey, back, tail));
    EXPECT_EQ(tail, kTailCheck);
    expectSameIndex(back, index);
    EXPECT_EQ(encodeIndexCache(back, kKey, kTailCheck), bytes);
}

// One layout for each source of the x axis, and one with every column.
INSTANTIATE_TEST_SUITE_P(
    XSources, RecordedIndexCacheRoundTrip,
    ::testing::Values(layoutOf({LogColumn::Date, LogColumn::Time, LogColumn::Adc1}),
                      layoutOf({LogColumn::Time, LogColumn::Enc1Position, LogColumn::Output}),
                      layoutOf({LogColumn::Counter, LogColumn::Math2}),
                      layoutOf({LogColumn::Adc3Average}), everyColumn()));

TEST(RecordedIndexCache, LoadedIndexGoesOnAsTheOneItWasSavedFrom) {
    // A file that grew: the lines after the cached end are added to the index
    // read back, and the axis must go on where it stood.
    for (const auto& layout : {layoutOf({LogColumn::Time}), layoutOf({LogColumn::Counter}),
                               layoutOf({LogColumn::Date, LogColumn::Time})}) {
        RecordedIndex index(layout);
        LineMaker maker(layout);
        maker.add(index, 1234);
        RecordedIndex loaded;
        std::uint64_t tail = 0;
        ASSERT_TRUE(decodeIndexCache(encodeIndexCache(index, kKey, 1), kKey, loaded, tail));
        LineMaker again = maker;
        maker.add(index, 3000);
        again.add(loaded, 3000);
        expectSameIndex(loaded, index);
    }
}

TEST(RecordedIndexCache, EmptyIndexRoundTrips) {
    const RecordedIndex index(layoutOf({LogColumn::Time}));
    RecordedIndex back = bystander();
    std::uint64_t tail = 0;
    ASSERT_TRUE(decodeIndexCache(encodeIndexCache(index, kKey, 7), kKey, back, tail));
    EXPECT_EQ(tail, 7u);
    expectSameIndex(back, index);
}

TEST(RecordedIndexCache, MergedBlocksRoundTrip) {
    // Enough lines that the blocks merged in pairs.
    const std::size_t lines = RecordedIndex::kMaxBlocks * RecordedIndex::kFirstBlockLines + 1000;
    const RecordedIndex index = generatedIndex(layoutOf({LogColumn::Counter, LogColumn::Adc1}), lines);
    ASSERT_EQ(index.blockLines(), RecordedIndex::kFirstBlockLines * 2);
    RecordedIndex back;
    std::uint64_t tail = 0;
    ASSERT_TRUE(decodeIndexCache(encodeIndexCache(index, kKey, kTailCheck), kKey, back, tail));
    EXPECT_EQ(tail, kTailCheck);
    expectSameIndex(back, index);
}

TEST(RecordedIndexCache, EveryDamagedByteIsRefused) {
    const QByteArray bytes = encodeIndexCache(
        generatedIndex(layoutOf({LogColumn::Time, LogColumn::Adc2}), 700), kKey, kTailCheck);
    RecordedIndex into = bystander();
    std::uint64_t tail = 0;
    ASSERT_TRUE(decodeIndexCache(bytes, kKey, into, tail));
    const QByteArray untouched = encodeIndexCache(bystander(), kKey, 0);
    for (qsizetype at = 0; at < bytes.size(); ++at) {
        for (const int flip : {0x01, 0x80, 0xFF}) {
            QByteArray damaged = bytes;
            damaged[at] = static_cast<char>(damaged[at] ^ flip);
            RecordedIndex target = bystander();
            tail = 42;
            ASSERT_FALSE(decodeIndexCache(damaged, kKey, target, tail))
                << "byte " << at << " ^ " << flip;
            ASSERT_EQ(tail, 42u);
            ASSERT_EQ(encodeIndexCache(target, kKey, 0), untouched);
        }
    }
}

TEST(RecordedIndexCache, EveryTruncationAndExtensionIsRefused) {
    const QByteArray bytes = encodeIndexCache(
        generatedIndex(layoutOf({LogColumn::Counter, LogColumn::Adc2}), 700), kKey, kTailCheck);
    const QByteArray untouched = encodeIndexCache(bystander(), kKey, 0);
    for (qsizetype size = 0; size < bytes.size(); ++size) {
        RecordedIndex target = bystander();
        std::uint64_t tail = 42;
        ASSERT_FALSE(decodeIndexCache(bytes.first(size), kKey, target, tail)) << size;
        ASSERT_EQ(tail, 42u);
        ASSERT_EQ(encodeIndexCache(target, kKey, 0), untouched);
    }
    expectRefused(bytes + QByteArray(1, '\0'));
    expectRefused(resealed(bytes + QByteArray(8, '\0')));
    expectRefused(resealed(bytes.first(bytes.size() - 8 - 1) + QByteArray(8, '\0')));
}

TEST(RecordedIndexCache, OtherKeyIsRefused) {
    const QByteArray bytes =
        encodeIndexCache(generatedIndex(layoutOf({LogColumn::Time}), 300), kKey, kTailCheck);
    std::string oneByteOff = kKey;
    oneByteOff.back() = static_cast<char>(oneByteOff.back() + 1);
    const std::string others[] = {"", kKey.substr(0, kKey.size() - 1), kKey + "x", oneByteOff,
                                  std::string(kKey.size(), '\0')};
    for (const std::string& other : others) {
        SCOPED_TRACE(other);
        expectRefused(bytes, other);
    }
}

// Each change is made with the checksum made again, so each is refused for
// what it says.
struct Tamper {
    const char* name;
    std::function<void(QByteArray&)> change;
};

const Tamper kTampers[] = {
    {"magic", [](QByteArray& b) { b[0] = 'W'; }},
    {"older version", [](QByteArray& b) { putNumber(b, 8, kIndexCacheVersion - 1, 4); }},
    {"newer version", [](QByteArray& b) { putNumber(b, 8, kIndexCacheVersion + 1, 4); }},
    {"key length past the end", [](QByteArray& b) { putNumber(b, 12, 0xFFFFFFFFu, 4); }},
    {"column past the last",
     [](QByteArray& b) { putNumber(b, kColumnsAt, numberAt(b, kColumnsAt, 4) | 1u << 19, 4); }},
    {"other columns, other x source",
     [](QByteArray& b) { putNumber(b, kColumnsAt, 1u << static_cast<int>(LogColumn::Counter), 4); }},
    {"x source past the last", [](QByteArray& b) { b[static_cast<qsizetype>(kAxisAt)] = 4; }},
    {"started neither true nor false",
     [](QByteArray& b) { b[static_cast<qsizetype>(kAxisAt + kStartedAt)] = 2; }},
    {"counter seen neither true nor false",
     [](QByteArray& b) { b[static_cast<qsizetype>(kAxisAt + kCounterSeenAt)] = 2; }},
    {"last step not forward", [](QByteArray& b) { putNumber(b, kAxisAt + kLastStepAt, 0, 8); }},
    {"previous x at the end of 64 bits",
     [](QByteArray& b) {
         putNumber(b, kAxisAt + kPreviousAt, std::numeric_limits<std::int64_t>::max(), 8);
     }},
    {"block's previous x at the end of 64 bits",
     [](QByteArray& b) {
         putNumber(b, kBlocksAt + kBlockBytes + 16 + kPreviousAt,
                   static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::min()), 8);
     }},
    {"block count one more", [](QByteArray& b) { putNumber(b, kCountAt, numberAt(b, kCountAt, 8) + 1, 8); }},
    {"block count one less", [](QByteArray& b) { putNumber(b, kCountAt, numberAt(b, kCountAt, 8) - 1, 8); }},
    {"block count past the limit",
     [](QByteArray& b) { putNumber(b, kCountAt, RecordedIndex::kMaxBlocks + 1, 8); }},
    {"block count of 2^63", [](QByteArray& b) { putNumber(b, kCountAt, std::uint64_t{1} << 63, 8); }},
    {"lines of one block more",
     [](QByteArray& b) {
         putNumber(b, kLinesAt, numberAt(b, kLinesAt, 8) + RecordedIndex::kFirstBlockLines, 8);
     }},
    {"block lines not a power of two", [](QByteArray& b) { putNumber(b, kBlockLinesAt, 96, 8); }},
    {"file lines at the end of 64 bits",
     [](QByteArray& b) { putNumber(b, kFileLinesAt, ~std::uint64_t{0}, 8); }},
    {"block's x source past the last",
     [](QByteArray& b) { b[static_cast<qsizetype>(kBlocksAt + 16)] = 7; }},
    {"blocks in the same place",
     [](QByteArray& b) { putNumber(b, kBlocksAt + kBlockBytes, numberAt(b, kBlocksAt, 8), 8); }},
    {"block's first x NaN",
     [](QByteArray& b) {
         putNumber(b, kBlocksAt + kBlockBytes + 16 + kAxisBytes,
                   std::bit_cast<std::uint64_t>(std::numeric_limits<double>::quiet_NaN()), 8);
     }},
};

TEST(RecordedIndexCache, FieldsStandWhereTheFormatPutsThem) {
    const RecordedIndex index =
        generatedIndex(layoutOf({LogColumn::Date, LogColumn::Time, LogColumn::Adc1}), 500);
    const QByteArray bytes = encodeIndexCache(index, kKey, kTailCheck);
    const auto& blocks = index.blocks();
    ASSERT_GE(blocks.size(), 2u);
    EXPECT_EQ(bytes.size(), static_cast<qsizetype>(kBlocksAt + blocks.size() * kBlockBytes + 8));
    EXPECT_EQ(bytes.mid(kKeyAt, static_cast<qsizetype>(kKey.size())).toStdString(), kKey);
    EXPECT_EQ(numberAt(bytes, kTailAt, 8), kTailCheck);
    EXPECT_EQ(numberAt(bytes, kColumnsAt, 4), index.layout().columns().to_ulong());
    EXPECT_EQ(numberAt(bytes, kLinesAt, 8), index.size());
    EXPECT_EQ(numberAt(bytes, kBlockLinesAt, 8), index.blockLines());
    EXPECT_EQ(numberAt(bytes, kFileLinesAt, 8), index.fileLines());
    EXPECT_EQ(numberAt(bytes, kAxisAt, 1), static_cast<std::uint64_t>(index.xSource()));
    EXPECT_EQ(numberAt(bytes, kAxisAt + kLastStepAt, 8),
              static_cast<std::uint64_t>(index.axis().state().lastStep));
    EXPECT_EQ(numberAt(bytes, kCountAt, 8), blocks.size());
    EXPECT_EQ(numberAt(bytes, kBlocksAt + kBlockBytes, 8), blocks[1].offset);
    EXPECT_EQ(numberAt(bytes, kBlocksAt + kBlockBytes + 16 + kPreviousAt, 8),
              static_cast<std::uint64_t>(blocks[1].axis.state().previous));
    EXPECT_EQ(numberAt(bytes, kBlocksAt + kBlockBytes + 16 + kAxisBytes, 8),
              std::bit_cast<std::uint64_t>(blocks[1].firstX));
}

void PrintTo(const Tamper& t, std::ostream* os) { *os << t.name; }

class RecordedIndexCacheTamper : public ::testing::TestWithParam<Tamper> {};

TEST_P(RecordedIndexCacheTamper, IsRefusedWithAGoodChecksum) {
    const QByteArray bytes = encodeIndexCache(
        generatedIndex(layoutOf({LogColumn::Date, LogColumn::Time, LogColumn::Adc1}), 500), kKey,
        kTailCheck);
    RecordedIndex into;
    std::uint64_t tail = 0;
    ASSERT_TRUE(decodeIndexCache(resealed(bytes), kKey, into, tail));
    QByteArray changed = bytes;
    GetParam().change(changed);
    ASSERT_NE(changed, bytes);
    expectRefused(resealed(changed));
}

INSTANTIATE_TEST_SUITE_P(Fields, RecordedIndexCacheTamper, ::testing::ValuesIn(kTampers),
                         [](const auto& info) {
                             std::string name;
                             for (const char c : std::string(info.param.name)) {
                                 name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                             }
                             return name;
                         });

TEST(RecordedIndexCache, LineCountThatWouldWrapIsRefused) {
    // No block, and as many lines as 64 bits hold: a block count reckoned as
    // (lines + block lines - 1) / block lines wraps around to none.
    QByteArray bytes = encodeIndexCache(RecordedIndex(layoutOf({LogColumn::Adc1})), kKey, 0);
    putNumber(bytes, kLinesAt, ~std::uint64_t{0}, 8);
    putNumber(bytes, kFileLinesAt, ~std::uint64_t{0}, 8);
    expectRefused(resealed(bytes));

    RecordedIndex::Parts parts = RecordedIndex(layoutOf({LogColumn::Adc1})).parts();
    parts.lines = std::numeric_limits<std::size_t>::max();
    parts.fileLines = ~std::uint64_t{0};
    RecordedIndex into;
    EXPECT_FALSE(RecordedIndex::fromParts(parts, into));
    EXPECT_EQ(into.size(), 0u);
}

TEST(RecordedIndexCache, HashNoticesEveryChangedByte) {
    std::string bytes;
    for (int i = 0; i < 37; ++i) {
        bytes += static_cast<char>(i * 29);
    }
    const std::uint64_t original = hashBytes(bytes);
    for (std::size_t at = 0; at < bytes.size(); ++at) {
        for (const int flip : {0x01, 0x80, 0xFF}) {
            std::string changed = bytes;
            changed[at] = static_cast<char>(changed[at] ^ flip);
            EXPECT_NE(hashBytes(changed), original) << at << " ^ " << flip;
        }
    }
    EXPECT_NE(hashBytes(bytes, 1), original);
    EXPECT_NE(hashBytes(bytes + std::string(1, '\0')), original);
    EXPECT_NE(hashBytes(std::string(8, '\0')), hashBytes(std::string(16, '\0')));
    EXPECT_NE(hashBytes(""), hashBytes(std::string(1, '\0')));
}

class RecordedIndexCacheFiles : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }
    std::filesystem::path folder() const {
        return std::filesystem::path(QFile::encodeName(dir_.path()).toStdString()) / "voltrix";
    }
    QStringList filesIn(const std::filesystem::path& folder) const {
        return QDir(QString::fromStdString(folder.string()))
            .entryList(QDir::Files | QDir::Hidden | QDir::System);
    }

    QTemporaryDir dir_;
};

TEST_F(RecordedIndexCacheFiles, SavedCacheLoadsBack) {
    const RecordedIndex index = generatedIndex(layoutOf({LogColumn::Time, LogColumn::Adc4}), 2000);
    ASSERT_TRUE(saveIndexCache(folder(), kKey, index, kTailCheck));
    const QStringList files = filesIn(folder());
    ASSERT_EQ(files.size(), 1);
    EXPECT_TRUE(QRegularExpression("^[0-9a-f]{16}\\.vxidx$").match(files.front()).hasMatch())
        << files.front().toStdString();
    EXPECT_EQ(indexCacheFile(folder(), kKey), folder() / files.front().toStdString());

    RecordedIndex back = bystander();
    EXPECT_EQ(loadIndexCache(folder(), kKey, back), kTailCheck);
    expectSameIndex(back, index);
    RecordedIndex other = bystander();
    EXPECT_EQ(loadIndexCache(folder(), kKey + "!", other), std::nullopt);
    expectSameIndex(other, bystander());
}

TEST_F(RecordedIndexCacheFiles, OnlyTheNewestCachesAreKept) {
    const RecordedIndex index = generatedIndex(layoutOf({LogColumn::Time}), 300);
    std::filesystem::create_directories(folder());
    std::ofstream(folder() / "notes.txt") << "not a cache";
    // Six caches, each written a minute after the one before.
    std::vector<std::filesystem::path> caches;
    for (int i = 0; i < 6; ++i) {
        const std::string key = kKey + std::to_string(i);
        ASSERT_TRUE(saveIndexCache(folder(), key, index, 1));
        caches.push_back(indexCacheFile(folder(), key));
        std::filesystem::last_write_time(
            caches.back(), std::filesystem::file_time_type::clock::now() +
                               std::chrono::minutes(i - 10));
    }
    const std::uint64_t each = std::filesystem::file_size(caches.front());
    pruneIndexCaches(folder(), 4, std::uint64_t{1} << 30);  // by count
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(std::filesystem::exists(caches[static_cast<std::size_t>(i)]), i >= 2) << i;
    }
    pruneIndexCaches(folder(), 64, 2 * each + each / 2);  // by size
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(std::filesystem::exists(caches[static_cast<std::size_t>(i)]), i >= 4) << i;
    }
    pruneIndexCaches(folder(), 64, 1);  // the newest stays whatever its size
    EXPECT_TRUE(std::filesystem::exists(caches.back()));
    EXPECT_FALSE(std::filesystem::exists(caches[4]));
    EXPECT_TRUE(std::filesystem::exists(folder() / "notes.txt"));
}

TEST_F(RecordedIndexCacheFiles, NewCacheReplacesTheOldOneWhole) {
    ASSERT_TRUE(saveIndexCache(folder(), kKey, generatedIndex(layoutOf({LogColumn::Time}), 300), 1));
    const RecordedIndex grown = generatedIndex(layoutOf({LogColumn::Time}), 900);
    ASSERT_TRUE(saveIndexCache(folder(), kKey, grown, 2));
    EXPECT_EQ(filesIn(folder()).size(), 1);  // no temporary file left
    RecordedIndex back;
    EXPECT_EQ(loadIndexCache(folder(), kKey, back), 2u);
    expectSameIndex(back, grown);
}

TEST_F(RecordedIndexCacheFiles, NoCacheGivesNothing) {
    RecordedIndex into = bystander();
    EXPECT_EQ(loadIndexCache(folder(), kKey, into), std::nullopt);
    EXPECT_EQ(loadIndexCache({}, kKey, into), std::nullopt);
    expectSameIndex(into, bystander());
}

TEST_F(RecordedIndexCacheFiles, FolderThatCannotBeWrittenGivesFalse) {
    // A plain file where the folder or one of its parents should be.
    QFile plain(dir_.filePath("plain"));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    const std::filesystem::path base(QFile::encodeName(dir_.path()).toStdString());
    const std::filesystem::path folders[] = {base / "plain", base / "plain" / "voltrix", {}};
    const RecordedIndex index = generatedIndex(layoutOf({LogColumn::Time}), 100);
    for (const auto& f : folders) {
        SCOPED_TRACE(f.string());
        EXPECT_FALSE(saveIndexCache(f, kKey, index, kTailCheck));
    }
}

TEST_F(RecordedIndexCacheFiles, DamagedOrOversizedFileIsRefused) {
    const RecordedIndex index = generatedIndex(layoutOf({LogColumn::Counter}), 400);
    const QString path = QString::fromStdString(indexCacheFile(folder(), kKey).string());
    struct Case {
        const char* name;
        std::function<bool(QFile&)> spoil;
    };
    const Case cases[] = {
        {"cut short", [](QFile& f) { return f.resize(f.size() - 1); }},
        {"empty", [](QFile& f) { return f.resize(0); }},
        {"one byte damaged",
         [](QFile& f) { return f.seek(100) && f.write("\x5a", 1) == 1; }},
        // Sparse: no disk taken.
        {"above the size bound",
         [](QFile& f) { return f.resize(static_cast<qint64>(kMaxIndexCacheBytes) + 1); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(saveIndexCache(folder(), kKey, index, kTailCheck));
        {
            RecordedIndex whole;
            ASSERT_EQ(loadIndexCache(folder(), kKey, whole), kTailCheck);
        }
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(c.spoil(file));
        file.close();
        RecordedIndex into = bystander();
        EXPECT_EQ(loadIndexCache(folder(), kKey, into), std::nullopt);
        expectSameIndex(into, bystander());
    }
}

TEST(RecordedIndexCacheFolder, IsVoltrixInTheUserCache) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QByteArray old = qgetenv("XDG_CACHE_HOME");
    const bool had = qEnvironmentVariableIsSet("XDG_CACHE_HOME");
    qputenv("XDG_CACHE_HOME", QFile::encodeName(dir.path()));
    const std::filesystem::path folder = indexCacheFolder();
    if (had) {
        qputenv("XDG_CACHE_HOME", old);
    } else {
        qunsetenv("XDG_CACHE_HOME");
    }
#if defined(Q_OS_LINUX)
    EXPECT_EQ(folder, std::filesystem::path(QFile::encodeName(dir.path()).toStdString()) / "voltrix");
#else
    EXPECT_EQ(folder.filename(), "voltrix");
#endif
}

}  // namespace
}  // namespace voltrix
