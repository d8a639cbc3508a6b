// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/recorded/recorded_layout.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <utility>

namespace voltrix {
namespace {

constexpr std::size_t kOutputBit = static_cast<std::size_t>(LogColumn::Output);
static_assert(static_cast<std::size_t>(LogColumn::Math2) - static_cast<std::size_t>(LogColumn::Adc1) +
                  1 ==
              kQuantityCount);
static_assert(kOutputBit + 1 == kLogColumnCount, "Output is the last column");

std::size_t fieldCountOfMask(std::uint32_t mask) {
    const bool output = (mask >> kOutputBit) & 1u;
    const auto others = static_cast<std::size_t>(std::popcount(mask & ~(1u << kOutputBit)));
    return others + (output ? kOutputFieldCount : 0);
}

}  // namespace

RecordedLayout::RecordedLayout(const Columns& columns) : columns_(columns) {
    fieldCount_ = fieldCountOf(columns);
    for (std::size_t q = 0; q < kQuantityCount; ++q) {
        if (hasQuantity(q)) {
            present_[presentCount_++] = static_cast<std::uint8_t>(q);
        }
    }
}

std::size_t fieldCountOf(const RecordedLayout::Columns& columns) {
    return fieldCountOfMask(static_cast<std::uint32_t>(columns.to_ulong()));
}

std::size_t countLineFields(std::string_view line) {
    line = withoutLineEnd(line);
    std::size_t count = 0;
    std::size_t start = 0;
    while (true) {
        const std::size_t semicolon = line.find(';', start);
        if (semicolon == std::string_view::npos) {
            break;
        }
        ++count;
        start = semicolon + 1;
    }
    return count + (start < line.size() ? 1 : 0);
}

std::vector<RecordedLayout> layoutsWithFieldCount(std::size_t fieldCount,
                                                  const RecordedLayout& stored,
                                                  std::size_t maxResults) {
    // 2^19 selections: few enough to try each one for a dialog.
    const auto storedMask = static_cast<std::uint32_t>(stored.columns().to_ulong());
    std::vector<std::pair<int, std::uint32_t>> matches;
    for (std::uint32_t mask = 0; mask < (1u << kLogColumnCount); ++mask) {
        if (fieldCountOfMask(mask) == fieldCount) {
            matches.emplace_back(std::popcount(mask ^ storedMask), mask);
        }
    }
    const std::size_t n = std::min(maxResults, matches.size());
    std::partial_sort(matches.begin(), matches.begin() + static_cast<std::ptrdiff_t>(n),
                      matches.end());
    std::vector<RecordedLayout> result;
    result.reserve(n);
    for (std::size_t i = 0; i < n; ++i) {
        result.emplace_back(RecordedLayout::Columns(matches[i].second));
    }
    return result;
}

}  // namespace voltrix
