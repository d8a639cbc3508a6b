// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "engine/logging/log_line.h"
#include "engine/protocol/quantities.h"

// Which columns a recorded measurement file holds: the same selection the
// logging makes (LogLineSettings::columns), read back.

namespace voltrix {

// The Output column stands for this many fields, one per transistor output.
inline constexpr std::size_t kOutputFieldCount = kOutputCount;

class RecordedLayout {
public:
    using Columns = std::bitset<kLogColumnCount>;

    RecordedLayout() = default;
    explicit RecordedLayout(const Columns& columns);
    static RecordedLayout fromSettings(const LogLineSettings& settings) {
        return RecordedLayout(settings.columns);
    }

    const Columns& columns() const { return columns_; }
    bool has(LogColumn column) const { return columns_.test(static_cast<std::size_t>(column)); }

    // Fields of one line: one per column, six for Output.
    std::size_t fieldCount() const { return fieldCount_; }

    // Quantity `index` (0..kQuantityCount - 1, quantities.h order) is logged.
    bool hasQuantity(std::size_t index) const {
        return columns_.test(static_cast<std::size_t>(LogColumn::Adc1) + index);
    }
    // The logged quantities in the order they stand in the line.
    std::span<const std::uint8_t> quantities() const { return {present_.data(), presentCount_}; }

    friend bool operator==(const RecordedLayout& a, const RecordedLayout& b) {
        return a.columns_ == b.columns_;
    }

private:
    Columns columns_;
    std::size_t fieldCount_ = 0;
    std::array<std::uint8_t, kQuantityCount> present_{};
    std::size_t presentCount_ = 0;
};

std::size_t fieldCountOf(const RecordedLayout::Columns& columns);

// `line` without its LF or CR LF at the end, if it has one.
inline std::string_view withoutLineEnd(std::string_view line) {
    if (!line.empty() && line.back() == '\n') {
        line.remove_suffix(1);
    }
    if (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
    }
    return line;
}

// Fields of a line: each one ended by ';', and a last one without it when
// text follows the last ';'. A CR LF or LF at the end is not counted.
std::size_t countLineFields(std::string_view line);

// Column selections whose lines have `fieldCount` fields, the ones closest to
// `stored` first (fewest columns switched), at most `maxResults`. For the
// dialog that corrects a stored selection the file's lines do not fit.
std::vector<RecordedLayout> layoutsWithFieldCount(std::size_t fieldCount,
                                                  const RecordedLayout& stored,
                                                  std::size_t maxResults);

}  // namespace voltrix
