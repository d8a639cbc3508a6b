// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <span>
#include <vector>

#include "engine/protocol/quantities.h"
#include "engine/recorded/line_parser.h"
#include "engine/recorded/recorded_layout.h"

// The lines of a recorded measurement file as columns: one float per line for
// each logged quantity, the x of each line, the outputs, and a min/max summary
// per quantity, so that a chart of millions of lines draws from a few hundred
// values per pixel column range.
//
// Not thread-safe: one writer, readers only when the writer is not appending
// (RecordedFileLoader shares it under its mutex).

namespace voltrix {

// Where the x of a line comes from, in the order of preference.
enum class XSource {
    DateTime,    // seconds since 1-1-1970 of the local calendar
    TimeOfDay,   // seconds since midnight of the first line's day
    Counter,     // measurement reports, the 32-bit wrap undone
    LineNumber,  // the line's number in the file, from 1
};

XSource xSourceFor(const RecordedLayout& layout);

// Makes the x of successive lines monotonic. A step back (a clock set back,
// a counter started again) continues from the previous x plus the last
// forward step, and the lines after it keep their own steps; a step forward
// stays a gap. With the time of day alone, a step back of more than twelve
// hours is midnight and adds a day.
class XAxis {
public:
    // Everything the axis carries from one line to the next: what an index
    // keeps to start reading again in the middle of a file.
    struct State {
        bool started = false;
        std::int64_t previous = 0;      // previous x, in whole units (ms or counts)
        std::int64_t lastStep = 1;      // last forward step, in units
        std::int64_t offset = 0;        // added to the raw value
        std::int64_t unwrapped = 0;     // counter with its wraps undone
        std::int32_t lastCounter = 0;
        bool counterSeen = false;
        std::int64_t previousRaw = 0;   // time of day: to tell midnight
        friend bool operator==(const State&, const State&) = default;
    };

    // Two constructors, not a default argument: State's member initializers
    // are not usable before XAxis is complete.
    explicit XAxis(XSource source) : XAxis(source, State()) {}
    XAxis(XSource source, State state);
    XSource source() const { return source_; }
    const State& state() const { return s_; }
    // `lineNumber` is used for XSource::LineNumber only.
    double next(const ParsedLine& line, std::uint64_t lineNumber);
    void reset();

private:
    XSource source_;
    State s_;
};

struct MinMax {
    float min = std::numeric_limits<float>::infinity();
    float max = -std::numeric_limits<float>::infinity();
    // No value (only NaN, or no line) in the range.
    bool empty() const { return !(min <= max); }
    void add(float v) {
        min = v < min ? v : min;  // NaN compares false: ignored
        max = v > max ? v : max;
    }
    void add(const MinMax& other) {
        min = other.min < min ? other.min : min;
        max = other.max > max ? other.max : max;
    }
};

// Lines parsed but not yet in a RecordedData: the loader fills one without
// holding a lock and hands it over whole.
struct RecordedBatch {
    std::vector<double> x;
    std::array<std::vector<float>, kQuantityCount> values;
    std::vector<std::uint8_t> outputs;
    std::uint64_t skipped = 0;

    std::size_t size() const { return x.size(); }
    void add(double lineX, const ParsedLine& line, const RecordedLayout& layout);
    void clear();
};

class RecordedData {
public:
    // Lines of the finest summary level; each level above is kSummaryFanOut
    // times coarser.
    static constexpr std::size_t kSummaryBlock = 64;
    static constexpr std::size_t kSummaryFanOut = 8;

    explicit RecordedData(RecordedLayout layout = {});

    const RecordedLayout& layout() const { return layout_; }
    XSource xSource() const { return axis_.source(); }

    std::size_t size() const { return x_.size(); }
    std::uint64_t skippedLines() const { return skipped_; }

    std::span<const double> x() const { return x_; }
    // Empty for a quantity the file does not hold.
    std::span<const float> values(std::size_t quantity) const { return values_[quantity]; }
    // Bit n: output n + 1 was HI.
    std::span<const std::uint8_t> outputs() const { return outputs_; }

    // The smallest and largest value of lines first..last-1, NaN left out.
    // O(log n): whole summary blocks are taken as they are.
    MinMax minMax(std::size_t quantity, std::size_t first, std::size_t last) const;

    // The first line whose x is >= `x`; size() when there is none.
    std::size_t indexAtOrAfter(double x) const;

    // Room for `lines` lines in all, so that loading does not copy.
    void reserve(std::size_t lines);

    // One line, its x from this data's own axis.
    void append(const ParsedLine& line);
    // Lines whose x the caller's XAxis gave, and their skipped count.
    void append(const RecordedBatch& batch);
    void addSkipped(std::uint64_t count) { skipped_ += count; }
    void clear();

    // Heap bytes held, reserved room included.
    std::size_t allocatedBytes() const;

private:
    void ensureRoom(std::size_t more);
    void extendSummaries();

    RecordedLayout layout_;
    XAxis axis_;
    std::vector<double> x_;
    std::array<std::vector<float>, kQuantityCount> values_;
    std::vector<std::uint8_t> outputs_;
    std::uint64_t skipped_ = 0;
    // summaries_[q][level][block]
    std::array<std::vector<std::vector<MinMax>>, kQuantityCount> summaries_;
};

}  // namespace voltrix
