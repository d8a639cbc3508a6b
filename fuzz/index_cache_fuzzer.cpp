// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzz target: the viewer's index cache read back. The first byte says
// whether the checksum at the end of the rest is made again (odd), so that
// the fields behind it are reached, or taken as it is (even). A cache that is
// refused leaves the index it was to fill alone; one that is taken makes an
// index whose blocks fit its lines, whose axes go on without overflow, and
// that is written out again byte for byte as it was read.

#include <QByteArray>
#include <QByteArrayView>

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string_view>

#include "engine/recorded/recorded_index.h"
#include "engine/recorded/recorded_index_cache.h"
#include "fuzz_support.h"

namespace voltrix::fuzz {
namespace {

// The key the seeds in fuzz/corpus/index_cache were made with.
constexpr std::string_view kKey = "fuzz key";

RecordedIndex bystander() {
    RecordedLayout::Columns columns;
    columns.set(static_cast<std::size_t>(LogColumn::Counter));
    RecordedIndex index{RecordedLayout(columns)};
    for (std::uint64_t line = 1; line <= 100; ++line) {
        ParsedLine p;
        p.counter = static_cast<std::int32_t>(line * 3);
        p.counterKnown = true;
        index.append(p, {line * 20, line});
    }
    index.setEnd(2020, 100);
    return index;
}

// The furthest lines a file holds: year 9999 and year 0, both counter ends.
void goOn(XAxis axis, std::uint64_t lineNumber) {
    ParsedLine late;
    late.time = 253'402'300'799'999;
    late.counter = std::numeric_limits<std::int32_t>::min();
    late.counterKnown = true;
    ParsedLine early;
    early.time = -62'167'219'200'000;
    early.counter = std::numeric_limits<std::int32_t>::max();
    early.counterKnown = true;
    ParsedLine unknown;
    axis.next(late, lineNumber);
    axis.next(early, lineNumber + 1);
    axis.next(unknown, lineNumber + 2);
    axis.next(late, lineNumber + 3);
}

}  // namespace
}  // namespace voltrix::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace voltrix;
    using namespace voltrix::fuzz;
    if (size == 0) {
        return 0;
    }
    QByteArray bytes(reinterpret_cast<const char*>(data) + 1, static_cast<qsizetype>(size - 1));
    if ((data[0] & 1) != 0 && bytes.size() >= 8) {
        const auto body = static_cast<std::size_t>(bytes.size()) - 8;
        const std::uint64_t sum = hashBytes({bytes.constData(), body});
        for (std::size_t i = 0; i < 8; ++i) {
            bytes[static_cast<qsizetype>(body + i)] = static_cast<char>(sum >> (8 * i));
        }
    }

    static const QByteArray kBystander = encodeIndexCache(bystander(), kKey, 42);
    RecordedIndex index = bystander();
    std::uint64_t tail = 42;
    if (!decodeIndexCache(bytes, kKey, index, tail)) {
        VOLTRIX_FUZZ_CHECK(tail == 42);
        VOLTRIX_FUZZ_CHECK(encodeIndexCache(index, kKey, tail) == kBystander);
        return 0;
    }
    VOLTRIX_FUZZ_CHECK(encodeIndexCache(index, kKey, tail) == bytes);

    const std::size_t b = index.blockLines();
    const auto& blocks = index.blocks();
    VOLTRIX_FUZZ_CHECK(b >= RecordedIndex::kFirstBlockLines);
    VOLTRIX_FUZZ_CHECK(blocks.size() <= RecordedIndex::kMaxBlocks);
    VOLTRIX_FUZZ_CHECK(blocks.size() == index.size() / b + (index.size() % b != 0 ? 1 : 0));
    VOLTRIX_FUZZ_CHECK(index.size() <= index.fileLines());
    VOLTRIX_FUZZ_CHECK(index.xSource() == xSourceFor(index.layout()));
    if (index.size() > 0) {
        VOLTRIX_FUZZ_CHECK(index.blockOf(index.size() - 1) == blocks.size() - 1);
    }
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        VOLTRIX_FUZZ_CHECK(index.firstLineOf(i) < index.endLineOf(i));
        VOLTRIX_FUZZ_CHECK(blocks[i].offset < index.endOffset());
        VOLTRIX_FUZZ_CHECK(blocks[i].axis.source() == index.xSource());
        VOLTRIX_FUZZ_CHECK(blocks[i].firstX <= blocks[i].lastX);
        goOn(blocks[i].axis, blocks[i].fileLine + 1);
    }
    goOn(index.axis(), index.fileLines() + 1);
    VOLTRIX_FUZZ_CHECK(index.blockAtOrAfter(index.lastX()) <= blocks.size());
    return 0;
}
