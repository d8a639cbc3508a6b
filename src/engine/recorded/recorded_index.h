// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/protocol/quantities.h"
#include "engine/recorded/line_parser.h"
#include "engine/recorded/recorded_data.h"
#include "engine/recorded/recorded_layout.h"

// What the viewer keeps of a recorded file however long it is: the file cut
// into blocks of equally many measurement lines, and for each block where it
// starts in the file, the state of the x axis there, its x range and the
// smallest, largest, first and last value of each quantity. A chart of a
// long range draws from the blocks; the lines of a short range are read back
// from the file, starting at the block they fall in (readRecordedLines).
//
// Memory is bounded: when the blocks would pass kMaxBlocks, neighbours are
// merged in pairs and each block holds twice the lines.
//
// Not thread-safe: one writer; the loader shares it under its mutex.

namespace voltrix {

struct IndexBlock {
    std::uint64_t offset = 0;      // where the block's first line starts, in bytes
    std::uint64_t fileLine = 0;    // lines of the file before it, skipped ones included
    XAxis axis{XSource::LineNumber};  // the axis as it was before the block's first line
    double firstX = 0;
    double lastX = 0;
    std::array<MinMax, kQuantityCount> range{};
    std::array<float, kQuantityCount> first{};
    std::array<float, kQuantityCount> last{};
    std::uint8_t outputsAll = 0xFF;  // bit n: output n + 1 HI on every line
    std::uint8_t outputsAny = 0;     // on some line
    std::uint8_t outputsFirst = 0;
    std::uint8_t outputsLast = 0;
};

// One parsed line as the index takes it: where it starts and the line
// number in the file (skipped lines counted), for the blocks.
struct IndexedLine {
    std::uint64_t offset = 0;
    std::uint64_t fileLine = 0;  // from 1
};

class RecordedIndex {
public:
    static constexpr std::size_t kFirstBlockLines = 64;
    static constexpr std::size_t kMaxBlocks = std::size_t{1} << 16;
    // Blocks in a coarse block: a whole file is drawn from far fewer.
    static constexpr std::size_t kCoarseFanOut = 16;

    explicit RecordedIndex(RecordedLayout layout = {});

    const RecordedLayout& layout() const { return p_.layout; }
    XSource xSource() const { return p_.axis.source(); }

    // Measurement lines indexed, and lines that did not parse.
    std::size_t size() const { return p_.lines; }
    std::uint64_t skippedLines() const { return p_.skipped; }
    // Lines of each block (the last one may hold fewer).
    std::size_t blockLines() const { return p_.blockLines; }
    const std::vector<IndexBlock>& blocks() const { return p_.blocks; }
    std::size_t blockOf(std::size_t line) const { return line / p_.blockLines; }
    std::size_t firstLineOf(std::size_t block) const { return block * p_.blockLines; }
    // Lines first..last-1 of block `b`.
    std::size_t endLineOf(std::size_t block) const;

    double firstX() const { return p_.blocks.empty() ? 0 : p_.blocks.front().firstX; }
    double lastX() const { return p_.blocks.empty() ? 0 : p_.blocks.back().lastX; }
    // The first block whose last x is >= x; blocks().size() when none.
    std::size_t blockAtOrAfter(double x) const;

    // The blocks, or the coarse blocks of kCoarseFanOut blocks each (the
    // last of either may hold fewer lines), to draw from.
    struct Level {
        const std::vector<IndexBlock>* units;
        std::size_t linesPerUnit;
    };
    Level level(bool coarse) const;

    // Bytes read and indexed: where the next line starts, lines counted
    // (skipped ones too), and the axis after the last line.
    std::uint64_t endOffset() const { return p_.endOffset; }
    std::uint64_t fileLines() const { return p_.fileLines; }
    const XAxis& axis() const { return p_.axis; }

    // The next line; `line.offset` and `fileLine` say where it is. Its x.
    double append(const ParsedLine& parsed, const IndexedLine& line);
    void addSkipped(std::uint64_t count) { p_.skipped += count; }
    // Everything up to `offset` and `fileLines` is read (a chunk's end);
    // `lastLine`, the last line appended, if any since the last call.
    void setEnd(std::uint64_t offset, std::uint64_t fileLines,
                const ParsedLine* lastLine = nullptr);

    // Heap bytes held.
    std::size_t allocatedBytes() const {
        return (p_.blocks.capacity() + coarse_.capacity()) * sizeof(IndexBlock);
    }

    // Rebuilt from its saved parts (the index cache); false when they do
    // not make an index.
    struct Parts {
        RecordedLayout layout;
        std::size_t lines = 0;
        std::uint64_t skipped = 0;
        std::size_t blockLines = kFirstBlockLines;
        std::uint64_t endOffset = 0;
        std::uint64_t fileLines = 0;
        XAxis axis{XSource::LineNumber};
        std::vector<IndexBlock> blocks;
    };
    static bool fromParts(Parts parts, RecordedIndex& into);
    // What the index is, but its coarse blocks (made from the blocks).
    const Parts& parts() const { return p_; }

private:
    void mergePairs();
    void rebuildCoarse();
    // Block `block` (complete, or the open one as far as it goes) into its
    // coarse block.
    void addToCoarse(std::size_t block);

    Parts p_;
    std::vector<IndexBlock> coarse_;  // of p_.blocks, kCoarseFanOut at a time
};

}  // namespace voltrix
