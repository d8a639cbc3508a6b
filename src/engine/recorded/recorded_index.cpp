// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/recorded/recorded_index.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace voltrix {
namespace {

// Far above what any file makes of an axis number or a line count, and low
// enough that XAxis::next's sums of a few of them stay inside 64 bits.
constexpr std::int64_t kLimit = std::int64_t{1} << 60;

// An axis state the axis itself can reach.
bool reachable(const XAxis::State& s) {
    const auto small = [](std::int64_t v) { return v >= -kLimit && v <= kLimit; };
    if (!s.started) {
        return s == XAxis::State{};
    }
    return s.lastStep >= 1 && small(s.previous) && small(s.lastStep) && small(s.offset) &&
           small(s.unwrapped) && small(s.previousRaw);
}

}  // namespace

RecordedIndex::RecordedIndex(RecordedLayout layout)
    : layout_(layout), axis_(xSourceFor(layout)) {}

std::size_t RecordedIndex::endLineOf(std::size_t block) const {
    return std::min((block + 1) * blockLines_, lines_);
}

std::size_t RecordedIndex::blockAtOrAfter(double x) const {
    return static_cast<std::size_t>(
        std::lower_bound(blocks_.begin(), blocks_.end(), x,
                         [](const IndexBlock& b, double v) { return b.lastX < v; }) -
        blocks_.begin());
}

namespace {

void startUnit(IndexBlock& unit, double x, const ParsedLine& parsed) {
    unit.firstX = x;
    unit.first = parsed.values;
    unit.outputsFirst = parsed.outputs;
}

// The values of a unit's last line are taken when it is complete, or at the
// end of what was read (setEnd): copying them at every line cost as much as
// the ranges.
void addToUnit(IndexBlock& unit, double x, const ParsedLine& parsed) {
    unit.lastX = x;
    unit.outputsLast = parsed.outputs;
    unit.outputsAll &= parsed.outputs;
    unit.outputsAny |= parsed.outputs;
    for (std::size_t q = 0; q < kQuantityCount; ++q) {
        unit.range[q].add(parsed.values[q]);
    }
}

// `b`, the unit after `a`, taken into `a`.
void mergeInto(IndexBlock& a, const IndexBlock& b) {
    a.lastX = b.lastX;
    a.last = b.last;
    a.outputsLast = b.outputsLast;
    a.outputsAll &= b.outputsAll;
    a.outputsAny |= b.outputsAny;
    for (std::size_t q = 0; q < kQuantityCount; ++q) {
        a.range[q].add(b.range[q]);
    }
}

}  // namespace

double RecordedIndex::append(const ParsedLine& parsed, const IndexedLine& line) {
    const bool starts = lines_ % blockLines_ == 0;
    if (starts) {
        if (blocks_.size() == kMaxBlocks) {
            mergePairs();  // lines_ is a multiple of the doubled block as well
        }
        if (blocks_.capacity() == blocks_.size()) {
            blocks_.reserve(std::min(kMaxBlocks, std::max<std::size_t>(1024, blocks_.size() * 2)));
        }
        IndexBlock& b = blocks_.emplace_back();
        b.offset = line.offset;
        b.fileLine = line.fileLine - 1;
        b.axis = axis_;
    }
    const double x = axis_.next(parsed, line.fileLine);
    IndexBlock& block = blocks_.back();
    if (starts) {
        startUnit(block, x, parsed);
    }
    addToUnit(block, x, parsed);
    if ((lines_ + 1) % blockLines_ == 0) {
        // Complete: it joins its coarse block.
        block.last = parsed.values;
        addToCoarse(blocks_.size() - 1);
    }
    ++lines_;
    fileLines_ = std::max(fileLines_, line.fileLine);
    return x;
}

RecordedIndex::Level RecordedIndex::level(bool coarse) const {
    return coarse ? Level{&coarse_, blockLines_ * kCoarseFanOut} : Level{&blocks_, blockLines_};
}

void RecordedIndex::rebuildCoarse() {
    coarse_.clear();
    for (std::size_t b = 0; b < blocks_.size(); ++b) {
        if (b % kCoarseFanOut == 0) {
            coarse_.push_back(blocks_[b]);
        } else {
            mergeInto(coarse_.back(), blocks_[b]);
        }
    }
}

void RecordedIndex::setEnd(std::uint64_t offset, std::uint64_t fileLines,
                           const ParsedLine* lastLine) {
    endOffset_ = offset;
    fileLines_ = fileLines;
    if (lastLine != nullptr && !blocks_.empty() && lines_ % blockLines_ != 0) {
        // The open block, as far as it goes, in its coarse block too.
        blocks_.back().last = lastLine->values;
        addToCoarse(blocks_.size() - 1);
    }
}

void RecordedIndex::addToCoarse(std::size_t block) {
    const std::size_t group = block / kCoarseFanOut;
    if (coarse_.size() == group) {
        coarse_.push_back(blocks_[block]);
        return;
    }
    // An open block taken before is taken again, whole: the coarse block
    // is made anew from its blocks so far.
    if (coarse_.size() > group + 1) {
        return;
    }
    IndexBlock& unit = coarse_[group];
    unit = blocks_[group * kCoarseFanOut];
    for (std::size_t b = group * kCoarseFanOut + 1; b <= block; ++b) {
        mergeInto(unit, blocks_[b]);
    }
}

void RecordedIndex::mergePairs() {
    std::size_t out = 0;
    for (std::size_t i = 0; i < blocks_.size(); i += 2, ++out) {
        IndexBlock merged = blocks_[i];
        if (i + 1 < blocks_.size()) {
            mergeInto(merged, blocks_[i + 1]);
        }
        blocks_[out] = merged;
    }
    blocks_.resize(out);
    blockLines_ *= 2;
    rebuildCoarse();
}

RecordedIndex::Parts RecordedIndex::parts() const {
    return {layout_, lines_, skipped_, blockLines_, endOffset_, fileLines_, axis_, blocks_};
}

bool RecordedIndex::fromParts(Parts parts, RecordedIndex& into) {
    const XSource source = xSourceFor(parts.layout);
    const std::size_t b = parts.blockLines;
    // A power of two times the first block's lines.
    if (b < kFirstBlockLines || b % kFirstBlockLines != 0 ||
        ((b / kFirstBlockLines) & (b / kFirstBlockLines - 1)) != 0) {
        return false;
    }
    // Blocks for the lines, counted so that no sum wraps around.
    const std::size_t blocks = parts.lines / b + (parts.lines % b != 0 ? 1 : 0);
    if (parts.blocks.size() > kMaxBlocks || parts.blocks.size() != blocks ||
        parts.axis.source() != source || !reachable(parts.axis.state()) ||
        parts.fileLines < parts.lines || parts.fileLines > std::uint64_t{kLimit} ||
        parts.skipped > parts.fileLines) {
        return false;
    }
    double previousX = -std::numeric_limits<double>::infinity();
    std::uint64_t previousOffset = 0;
    std::uint64_t previousLine = 0;
    for (std::size_t i = 0; i < parts.blocks.size(); ++i) {
        const IndexBlock& block = parts.blocks[i];
        if (block.axis.source() != source || !reachable(block.axis.state()) ||
            block.offset < previousOffset ||
            block.offset >= parts.endOffset || block.fileLine < previousLine ||
            block.fileLine >= parts.fileLines || (i > 0 && block.offset == previousOffset) ||
            !(block.firstX >= previousX) || !(block.lastX >= block.firstX) ||
            !std::isfinite(block.firstX) || !std::isfinite(block.lastX)) {
            return false;
        }
        previousX = block.lastX;
        previousOffset = block.offset;
        previousLine = block.fileLine;
    }
    into = RecordedIndex(parts.layout);
    into.axis_ = parts.axis;
    into.lines_ = parts.lines;
    into.skipped_ = parts.skipped;
    into.blockLines_ = b;
    into.endOffset_ = parts.endOffset;
    into.fileLines_ = parts.fileLines;
    into.blocks_ = std::move(parts.blocks);
    into.rebuildCoarse();
    return true;
}

}  // namespace voltrix
