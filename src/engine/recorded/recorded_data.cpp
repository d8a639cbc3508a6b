// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/recorded/recorded_data.h"

#include <algorithm>

namespace voltrix {
namespace {

constexpr std::int64_t kHalfDay = kMillisecondsPerDay / 2;

template <typename T>
void appendRange(std::vector<T>& to, const std::vector<T>& from) {
    to.insert(to.end(), from.begin(), from.end());
}

}  // namespace

XSource xSourceFor(const RecordedLayout& layout) {
    if (layout.has(LogColumn::Time)) {
        return layout.has(LogColumn::Date) ? XSource::DateTime : XSource::TimeOfDay;
    }
    return layout.has(LogColumn::Counter) ? XSource::Counter : XSource::LineNumber;
}

XAxis::XAxis(XSource source) : source_(source) {}

XAxis::XAxis(XSource source, const State& state) : source_(source), s_(state) {}

void XAxis::reset() { *this = XAxis(source_); }

double XAxis::next(const ParsedLine& line, std::uint64_t lineNumber) {
    // The raw value in whole units; `known` false when the line has none.
    std::int64_t raw = 0;
    bool known = true;
    switch (source_) {
    case XSource::DateTime:
        raw = line.time;
        break;
    case XSource::TimeOfDay:
        raw = line.time;
        if (s_.started && raw < s_.previousRaw - kHalfDay) {
            s_.offset += kMillisecondsPerDay;
        }
        s_.previousRaw = raw;
        break;
    case XSource::Counter:
        if (!line.counterKnown) {
            known = false;
            break;
        }
        // The difference of two 32-bit counts, taken modulo 2^32, undoes the wrap.
        s_.unwrapped = s_.counterSeen ? s_.unwrapped + static_cast<std::int32_t>(
                                                     static_cast<std::uint32_t>(line.counter) -
                                                     static_cast<std::uint32_t>(s_.lastCounter))
                                  : line.counter;
        s_.lastCounter = line.counter;
        s_.counterSeen = true;
        raw = s_.unwrapped;
        break;
    case XSource::LineNumber:
        raw = static_cast<std::int64_t>(lineNumber);
        break;
    }

    std::int64_t x = 0;
    if (!s_.started) {
        x = known ? raw + s_.offset : 0;
        s_.started = true;
    } else if (!known) {
        x = s_.previous + s_.lastStep;
    } else {
        x = raw + s_.offset;
        const std::int64_t step = x - s_.previous;
        if (step < 0) {
            // From here on the raw values continue from the previous line.
            s_.offset += s_.previous + s_.lastStep - x;
            x = s_.previous + s_.lastStep;
        } else if (step > 0) {
            s_.lastStep = step;
        }
    }
    s_.previous = x;
    const bool milliseconds = source_ == XSource::DateTime || source_ == XSource::TimeOfDay;
    return milliseconds ? static_cast<double>(x) / 1000.0 : static_cast<double>(x);
}

void RecordedBatch::add(double lineX, const ParsedLine& line, const RecordedLayout& layout) {
    x.push_back(lineX);
    for (const std::uint8_t q : layout.quantities()) {
        values[q].push_back(line.values[q]);
    }
    if (layout.has(LogColumn::Output)) {
        outputs.push_back(line.outputs);
    }
}

void RecordedBatch::clear() {
    x.clear();
    for (auto& v : values) {
        v.clear();
    }
    outputs.clear();
    skipped = 0;
}

RecordedData::RecordedData(RecordedLayout layout)
    : layout_(layout), axis_(xSourceFor(layout)) {}

void RecordedData::reserve(std::size_t lines) {
    x_.reserve(lines);
    for (const std::uint8_t q : layout_.quantities()) {
        values_[q].reserve(lines);
    }
    if (layout_.has(LogColumn::Output)) {
        outputs_.reserve(lines);
    }
}

void RecordedData::ensureRoom(std::size_t more) {
    const std::size_t needed = x_.size() + more;
    if (needed <= x_.capacity()) {
        return;
    }
    // A quarter more rather than double: the columns are most of the memory.
    reserve(std::max({needed, x_.capacity() + x_.capacity() / 4, std::size_t{4096}}));
}

void RecordedData::append(const ParsedLine& line) {
    ensureRoom(1);
    x_.push_back(axis_.next(line, x_.size() + skipped_ + 1));
    for (const std::uint8_t q : layout_.quantities()) {
        values_[q].push_back(line.values[q]);
    }
    if (layout_.has(LogColumn::Output)) {
        outputs_.push_back(line.outputs);
    }
    if (x_.size() % kSummaryBlock == 0) {
        extendSummaries();
    }
}

void RecordedData::append(const RecordedBatch& batch) {
    ensureRoom(batch.size());
    appendRange(x_, batch.x);
    for (const std::uint8_t q : layout_.quantities()) {
        appendRange(values_[q], batch.values[q]);
    }
    if (layout_.has(LogColumn::Output)) {
        appendRange(outputs_, batch.outputs);
    }
    skipped_ += batch.skipped;
    extendSummaries();
}

void RecordedData::clear() {
    *this = RecordedData(layout_);
}

void RecordedData::extendSummaries() {
    const std::size_t lines = x_.size();
    for (const std::uint8_t q : layout_.quantities()) {
        auto& levels = summaries_[q];
        if (levels.empty()) {
            levels.emplace_back();
        }
        const std::vector<float>& values = values_[q];
        auto& finest = levels[0];
        if (finest.capacity() < lines / kSummaryBlock) {
            finest.reserve(std::max(x_.capacity() / kSummaryBlock, lines / kSummaryBlock));
        }
        while ((finest.size() + 1) * kSummaryBlock <= lines) {
            const float* v = values.data() + finest.size() * kSummaryBlock;
            MinMax block;
            for (std::size_t i = 0; i < kSummaryBlock; ++i) {
                block.add(v[i]);
            }
            finest.push_back(block);
        }
        for (std::size_t level = 1; levels[level - 1].size() >= kSummaryFanOut; ++level) {
            if (levels.size() == level) {
                levels.emplace_back();
            }
            const auto& below = levels[level - 1];
            auto& here = levels[level];
            while ((here.size() + 1) * kSummaryFanOut <= below.size()) {
                MinMax block;
                const MinMax* children = below.data() + here.size() * kSummaryFanOut;
                for (std::size_t i = 0; i < kSummaryFanOut; ++i) {
                    block.add(children[i]);
                }
                here.push_back(block);
            }
        }
    }
}

MinMax RecordedData::minMax(std::size_t quantity, std::size_t first, std::size_t last) const {
    MinMax result;
    if (quantity >= kQuantityCount) {
        return result;
    }
    const std::vector<float>& values = values_[quantity];
    const auto& levels = summaries_[quantity];
    last = std::min(last, values.size());
    std::size_t i = first;
    while (i < last) {
        // The coarsest complete summary block that starts at i and ends by last.
        std::size_t span = 0;
        const MinMax* summary = nullptr;
        std::size_t size = kSummaryBlock;
        for (std::size_t level = 0; level < levels.size(); ++level, size *= kSummaryFanOut) {
            if (i % size != 0 || i + size > last || i / size >= levels[level].size()) {
                break;
            }
            span = size;
            summary = &levels[level][i / size];
        }
        if (summary != nullptr) {
            result.add(*summary);
            i += span;
            continue;
        }
        const std::size_t stop = std::min(last, (i / kSummaryBlock + 1) * kSummaryBlock);
        for (; i < stop; ++i) {
            result.add(values[i]);
        }
    }
    return result;
}

std::size_t RecordedData::indexAtOrAfter(double x) const {
    return static_cast<std::size_t>(std::lower_bound(x_.begin(), x_.end(), x) - x_.begin());
}

std::size_t RecordedData::nearestLine(double x) const {
    std::size_t i = indexAtOrAfter(x);
    if (i == x_.size() || (i > 0 && x - x_[i - 1] < x_[i] - x)) {
        i = i == 0 ? 0 : i - 1;
    }
    return i;
}

std::size_t RecordedData::allocatedBytes() const {
    std::size_t bytes = x_.capacity() * sizeof(double) + outputs_.capacity();
    for (std::size_t q = 0; q < kQuantityCount; ++q) {
        bytes += values_[q].capacity() * sizeof(float);
        for (const auto& level : summaries_[q]) {
            bytes += level.capacity() * sizeof(MinMax);
        }
    }
    return bytes;
}

}  // namespace voltrix
