// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>

#include <QString>
#include <QStringList>

#include "engine/logging/wall_clock.h"

// The files of a split recording: each is named from the recording's file
// name and the local start time of its first line, "bench.csv" giving
// "bench_2026-12-11_06-00-00.csv". A second file of the same second gets
// "_2", "_3" ... after the time, so that no file is ever written twice.

namespace voltrix {

// When a file of a split recording is full; zero is no limit.
struct SplitLimit {
    std::uint64_t bytes = 0;
    std::chrono::milliseconds duration{0};

    bool any() const { return bytes != 0 || duration.count() != 0; }
};

// The name of the file of `baseName` starting at `start`; `number` above 1
// tells it from the others of that second.
QString splitFileName(const QString& baseName, const ClockReading& start, int number = 1);

// What a name given by splitFileName tells: its start time to the second
// (no milliseconds) and its number in that second.
struct SplitFileStart {
    ClockReading start;
    int number = 1;

    friend bool operator==(const SplitFileStart&, const SplitFileStart&) = default;
    // Earlier start first, then the lower number.
    friend bool operator<(const SplitFileStart& a, const SplitFileStart& b);
};

// The start in a file name (a path too: its folders are left out) given by
// splitFileName for some recording's name; nothing for a name it does not
// give, e.g. one without the time or with a month 13.
std::optional<SplitFileStart> parseSplitFileName(const QString& fileName);

// The first of those names under which there is no file yet.
QString freeSplitFileName(const QString& baseName, const ClockReading& start);

// The files of the recording `baseName` in its folder, oldest first: those
// named as splitFileName names them, and no other.
QStringList filesOfRecording(const QString& baseName);

// Deletes the oldest files of the recording `baseName` beyond the newest
// `keep`; a `keep` of 0 deletes nothing.
void removeOldestFiles(const QString& baseName, std::size_t keep);

}  // namespace voltrix
