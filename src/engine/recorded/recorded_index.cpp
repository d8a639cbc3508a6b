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
    : p_{layout, 0, 0, kFirstBlockLines, 0, 0, XAxis(xSourceFor(layout)), {}} {}

std::size_t RecordedIndex::endLineOf(std::size_t block) const {
    return std::min((block + 1) * p_.blockLines, p_.lines);
}

std::size_t RecordedIndex::blockAtOrAfter(double x) const {
    return static_cast<std::size_t>(
        std::lower_bound(p_.blocks.begin(), p_.blocks.end(), x,
                         [](const IndexBlock& b, double v) { return b.lastX < v; }) -
        p_.blocks.begin());
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
    const bool starts = p_.lines % p_.blockLines == 0;
    if (starts) {
        if (p_.blocks.size() == kMaxBlocks) {
            mergePairs();  // the line count is a multiple of the doubled block as well
        }
        if (p_.blocks.capacity() == p_.blocks.size()) {
            p_.blocks.reserve(std::min(kMaxBlocks, std::max<std::size_t>(1024, p_.blocks.size() * 2)));
        }
        IndexBlock& b = p_.blocks.emplace_back();
        b.offset = line.offset;
        b.fileLine = line.fileLine - 1;
        b.axis = p_.axis;
    }
    const double x = p_.axis.next(parsed, line.fileLine);
    IndexBlock& block = p_.blocks.back();
    if (starts) {
        startUnit(block, x, parsed);
    }
    addToUnit(block, x, parsed);
    if ((p_.lines + 1) % p_.blockLines == 0) {
        // Complete: it joins its coarse block.
        block.last = parsed.values;
        addToCoarse(p_.blocks.size() - 1);
    }
    ++p_.lines;
    p_.fileLines = std::max(p_.fileLines, line.fileLine);
    return x;
}

RecordedIndex::Level RecordedIndex::level(bool coarse) const {
    return coarse ? Level{&coarse_, p_.blockLines * kCoarseFanOut} : Level{&p_.blocks, p_.blockLines};
}

void RecordedIndex::rebuildCoarse() {
    coarse_.clear();
    for (std::size_t b = 0; b < p_.blocks.size(); ++b) {
        if (b % kCoarseFanOut == 0) {
            coarse_.push_back(p_.blocks[b]);
        } else {
            mergeInto(coarse_.back(), p_.blocks[b]);
        }
    }
}

void RecordedIndex::setEnd(std::uint64_t offset, std::uint64_t fileLines,
                           const ParsedLine* lastLine) {
    p_.endOffset = offset;
    p_.fileLines = fileLines;
    if (lastLine != nullptr && !p_.blocks.empty() && p_.lines % p_.blockLines != 0) {
        // The open block, as far as it goes, in its coarse block too.
        p_.blocks.back().last = lastLine->values;
        addToCoarse(p_.blocks.size() - 1);
    }
}

void RecordedIndex::addToCoarse(std::size_t block) {
    const std::size_t group = block / kCoarseFanOut;
    if (coarse_.size() == group) {
        coarse_.push_back(p_.blocks[block]);
        return;
    }
    // An open block taken before is taken again, whole: the coarse block
    // is made anew from its blocks so far.
    if (coarse_.size() > group + 1) {
        return;
    }
    IndexBlock& unit = coarse_[group];
    unit = p_.blocks[group * kCoarseFanOut];
    for (std::size_t b = group * kCoarseFanOut + 1; b <= block; ++b) {
        mergeInto(unit, p_.blocks[b]);
    }
}

void RecordedIndex::mergePairs() {
    std::size_t out = 0;
    for (std::size_t i = 0; i < p_.blocks.size(); i += 2, ++out) {
        IndexBlock merged = p_.blocks[i];
        if (i + 1 < p_.blocks.size()) {
            mergeInto(merged, p_.blocks[i + 1]);
        }
        p_.blocks[out] = merged;
    }
    p_.blocks.resize(out);
    p_.blockLines *= 2;
    rebuildCoarse();
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
    into.p_ = std::move(parts);
    into.rebuildCoarse();
    return true;
}

}  // namespace voltrix
