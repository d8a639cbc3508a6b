// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <vector>

#include <QString>

#include "engine/recorded/recorded_layout.h"

// The files that make up what was opened: a recording split into several
// files is read as one, its files in the order they were written.

namespace voltrix {

struct RecordedFileSetResult {
    std::vector<std::filesystem::path> files;  // in time order
    QString error;  // why nothing can be read, in the interface's language; empty on success
};

// One path that is not a folder: just it, whatever it is (a stream too).
// A folder: its measurement files (regular, not hidden, with measurement
// lines in their head); its subfolders are not looked into. Several paths:
// those, each a regular file or not there yet (opening reports that).
//
// Time order: by the start in the split-file name when every file has one;
// else by the first line `layout` reads when every file has one with a date
// and time, or else with a counter; else by file name. Ties by file name,
// then by path.
RecordedFileSetResult resolveRecordedFiles(const std::vector<std::filesystem::path>& opened,
                                           const RecordedLayout& layout);

}  // namespace voltrix
