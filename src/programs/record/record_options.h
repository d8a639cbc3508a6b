// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <variant>

#include <QString>
#include <QStringList>

#include "engine/logging/split_files.h"

// The command line of voltrix-record.

namespace voltrix {

// The exit codes, as documented in --help and the manual page.
enum class RecordExit : int {
    Done = 0,               // stopped by a signal, --duration or --count; every line written
    Usage = 64,             // a bad option or value, or no file to write
    SettingsUnreadable = 66,  // the settings file cannot be read
    ModuleNotFound = 69,    // no module within --wait seconds, or no measurement before the end
    OutputUnwritable = 73,  // not one line could be written: given up after
                            // kOutputRetrySeconds, or the recording ended first
    LinesFailed = 74,       // lines were written, but some could not be
    ReaderClosed = 75,      // the reader of the pipe or FIFO written to closed it
    DiskLow = 76,           // the disk's free space fell below --min-free; the file is complete
    Failure = 70,           // anything else that stops the program
};

// How long the recorder keeps retrying an output it cannot write before
// its first line, before it gives up.
inline constexpr int kOutputRetrySeconds = 10;

// The longest --duration and --wait, about 31 years.
inline constexpr double kMaxSeconds = 1e9;

// --min-free when not given: 1 GiB.
inline constexpr std::uint64_t kDefaultMinFreeBytes = std::uint64_t{1} << 30;

struct RecordOptions {
    QString output;  // empty: the settings' FileName; "-": standard output
    QString config;  // empty: the window's settings file
    std::optional<double> durationSeconds;
    std::optional<std::uint64_t> count;
    std::optional<double> waitSeconds;
    bool useVirtual = false;
    bool quiet = false;
    // When to start a new file; none: one file, appended to.
    SplitLimit split;
    // The files of the split recording kept; 0 keeps them all.
    std::size_t keep = 0;
    // Below this many bytes free on the file's disk the recording ends; 0: never.
    std::uint64_t minFreeBytes = kDefaultMinFreeBytes;
};

// The smallest --split: a file per second, or per kilobyte.
inline constexpr double kMinSplitSeconds = 1;
inline constexpr std::uint64_t kMinSplitBytes = 1000;

// What the command line asks for: a recording, text to print and leave
// (help or version, exit 0), or a usage error to print (exit Usage).
struct PrintAndExit {
    QString text;
    RecordExit code = RecordExit::Done;
};
using RecordCommand = std::variant<RecordOptions, PrintAndExit>;

RecordCommand parseRecordOptions(const QStringList& arguments);

}  // namespace voltrix
