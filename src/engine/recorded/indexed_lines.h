// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "engine/recorded/recorded_data.h"
#include "engine/recorded/recorded_index.h"

// The lines of a short range of an indexed file, read back from the file by
// their byte range: from the start of the block they fall in, with the x
// axis as it was there, so that they are exactly the lines the first read
// found, with the same x.

namespace voltrix {

// Reads up to `bytes` at `offset`: the count read, 0 at the end, -1 on an
// error (errno set).
using ByteReader = std::function<std::int64_t(std::uint64_t offset, char* into, std::size_t bytes)>;

// Where a read back starts: a block of the index, and the number of its first line.
struct LineReadStart {
    IndexBlock block;
    std::size_t line = 0;
};

// Lines first..last-1 (the index's numbering, first >= start.line) into
// `into`, cleared first; its line 0 is line `first`. Fewer when the file
// ends before. False with `error` when the file could not be read.
bool readIndexedLines(const ByteReader& read, const RecordedLayout& layout,
                      const LineReadStart& start, std::size_t first, std::size_t last,
                      RecordedData& into, std::string& error);

}  // namespace voltrix
