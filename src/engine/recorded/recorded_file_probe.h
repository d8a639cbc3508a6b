// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include <QString>

#include "engine/recorded/indexed_lines.h"
#include "engine/recorded/recorded_layout.h"

// A look at the head of a measurement file before loading it, to tell
// whether the stored column selection reads it, and to copy a range of its
// lines. Both only ever read the file.

namespace voltrix {

struct RecordedFileProbe {
    // The first whole lines that some selection reads, without their line
    // ends: the lines to choose the selection by. A note before the data,
    // empty lines and garbage are left out.
    std::vector<std::string> lines;
    std::size_t otherLines = 0;  // whole lines looked at and left out
    std::string error;           // why the file could not be read, or empty
    int errorCode = 0;           // the system's error number for it, when known

    // Lines were there, but not one a selection reads.
    bool noMeasurementLines() const { return lines.empty() && otherLines > 0; }
};

inline constexpr std::size_t kProbeLines = 32;
inline constexpr std::size_t kProbeBytes = std::size_t{64} << 10;

// A file that is there and is neither a regular file nor a folder: a pipe, a
// FIFO, a device. What it gives can be read only once. Looks without opening.
bool isStreamFile(const std::filesystem::path& path);

// At most `maxLines` measurement lines from the first `maxBytes` bytes.
RecordedFileProbe probeRecordedFile(const std::filesystem::path& path,
                                    std::size_t maxLines = kProbeLines,
                                    std::size_t maxBytes = kProbeBytes);
// The same from the bytes of a file's head, already read.
RecordedFileProbe probeRecordedHead(std::string_view head, std::size_t maxLines = kProbeLines);

// Whether `layout` reads at least half of `lines` (all of one or two), the
// measurement lines of a probe: a stray bad line does not make a selection
// wrong. True for no lines: an empty file fits any selection.
bool layoutFits(const RecordedLayout& layout, const std::vector<std::string>& lines);

struct RecordedExportResult {
    QString error;       // why the lines were not saved, in the interface's language; empty on success
    bool ok() const { return error.isEmpty(); }
};

// Copies lines first..last-1 of those of `source` that parse under `layout`
// (the numbering of the RecordedData loaded from it) to `target`, byte for
// byte with their own line ends, replacing `target` only once all is written.
// `target` must not be `source`.
RecordedExportResult exportRecordedLines(const std::filesystem::path& source,
                                         const RecordedLayout& layout, std::size_t first,
                                         std::size_t last, const std::filesystem::path& target);

// Where reading for an export starts: a line's first byte, and its number.
struct ExportStart {
    std::uint64_t offset = 0;
    std::size_t line = 0;
};

// The same from the bytes `read` gives (one file, or a split set's files,
// none of which may be `target`), starting at `start`, which is at or
// before line `first`.
RecordedExportResult exportRecordedLines(const std::vector<std::filesystem::path>& sources,
                                         const ByteReader& read, ExportStart start,
                                         const RecordedLayout& layout, std::size_t first,
                                         std::size_t last, const std::filesystem::path& target);

}  // namespace voltrix
