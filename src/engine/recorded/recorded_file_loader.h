// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include <memory>

#include "engine/recorded/chunk_parser.h"
#include "engine/recorded/indexed_lines.h"
#include "engine/recorded/recorded_data.h"
#include "engine/recorded/recorded_index.h"
#include "engine/recorded/recorded_file_probe.h"
#include "engine/recorded/recorded_layout.h"

// Reads a recorded measurement file on a thread of its own into a
// RecordedIndex, and in follow mode keeps reading what is appended to it
// (tail -f). The file is only ever opened for reading. What is kept does not
// grow with the file: the lines of a short range are read back from it when
// asked for (readLines).
//
// A file that is not a regular one (a pipe, a FIFO, a device) is a stream:
// it can be read only once, so it is opened once and never read anew, and
// its head, which tells its columns, is read here and kept for the parse;
// its lines are kept as well, as they cannot be read back.
//
// Threading:
// - The loader's thread reads the file in large chunks; parser threads, one
//   per core, parse the whole lines of each chunk with no lock held. The
//   loader's thread takes the parsed chunks back in order and adds their
//   lines to the shared index under the loader's mutex.
// - The progress callback runs on the loader's thread, after each batch and
//   when the state changes, with no lock held. A window forwards it to its
//   own thread (a queued call) and reads the data there.
// - Readers call snapshot(): it holds the mutex for its lifetime, so the index
//   cannot change (or move) while it lives. Keep it short, e.g. for one
//   repaint. readLines() from any thread: it reads the file with no lock held.
// - The destructor (or stop()) ends the thread promptly: it is woken from its
//   wait between polls and checks between chunks.

class QByteArray;
class QFile;

namespace voltrix {
class ConcatenatedFile;
}

namespace voltrix {

// Why a stream was given up, beyond what the system says.
enum class RecordedLoadProblem {
    None,
    System,      // the system refused to open or read it: `error`, `errorCode`
    NoWriter,    // a FIFO that no one writes to (and not followed)
    NotLines,    // more than a chunk without a line end: not lines of text
    TooLarge,    // a stream not followed gave more than Options::maxStreamBytes
};

struct RecordedLoadProgress {
    std::uint64_t bytesRead = 0;     // bytes taken from the file, a pending half line included
    std::uint64_t fileSize = 0;      // size at the last look
    std::size_t lines = 0;           // lines in the data
    std::uint64_t skippedLines = 0;  // lines that did not parse, a settled half line included
    std::uint64_t pendingBytes = 0;  // a half line at the end, waiting for the rest
    std::uint32_t reloads = 0;       // times the file shrank or was replaced and was read anew
    std::uint64_t bytesFromCache = 0;  // bytes whose index was kept from an earlier open
    bool caughtUp = false;           // everything the file held at the last look has been read
    bool finished = false;           // the thread has ended (not following: the whole file read)
    bool stream = false;             // read as it comes, once; fileSize is what came so far
    // A stream's head is read (streamHead()) and the layout does not read
    // it: nothing is parsed until chooseLayout().
    bool layoutWanted = false;
    std::string error;               // why the file could not be read, or empty
    RecordedLoadProblem problem = RecordedLoadProblem::None;
    int errorCode = 0;               // the system's error number, when it gave one
};

class RecordedFileLoader {
public:
    struct Options {
        // Keep reading what is appended. A half line at the end waits for
        // its end; it counts as skipped only once the file has not grown for
        // `halfLineSettle`, and no more when the rest of it comes.
        bool follow = false;
        std::size_t chunkBytes = std::size_t{4} << 20;
        // Parser threads; 0 parses on the loader's thread.
        unsigned parserThreads = 0;
        std::chrono::milliseconds pollInterval{250};
        std::chrono::milliseconds halfLineSettle{2000};
        // A stream's lines are parsed only once the layout reads its head
        // (or chooseLayout() gave another). A regular file is probed by the
        // caller, who can read its head again.
        bool confirmLayout = false;
        // A stream that is not followed and gives more than this is given
        // up (something like /dev/urandom would be read for ever); some 7
        // hours at 1 kHz with every column.
        std::uint64_t maxStreamBytes = std::uint64_t{4} << 30;
        // Where the index of a regular file is kept for the next open (see
        // recorded_index_cache.h); empty keeps none.
        std::filesystem::path cacheFolder;
    };
    using ProgressCallback = std::function<void(const RecordedLoadProgress&)>;

    // Starts the thread at once.
    RecordedFileLoader(std::filesystem::path path, const RecordedLayout& layout, Options options,
                       ProgressCallback onProgress = {});
    // The files of a split recording, in time order, read as one (regular
    // files only).
    RecordedFileLoader(std::vector<std::filesystem::path> files, const RecordedLayout& layout,
                       Options options, ProgressCallback onProgress = {});
    ~RecordedFileLoader();
    RecordedFileLoader(const RecordedFileLoader&) = delete;
    RecordedFileLoader& operator=(const RecordedFileLoader&) = delete;

    // Ends the thread and waits for it. Idempotent.
    void stop();

    RecordedLoadProgress progress() const;

    // A stream's head: its first measurement lines, as probeRecordedFile
    // gives them for a regular file. Empty until the head is read.
    RecordedFileProbe streamHead() const;
    // The columns of a stream that waits with layoutWanted; it goes on with them.
    void chooseLayout(const RecordedLayout& layout);

    // Waits until `done(progress)` holds or `timeout` passes; true when it
    // holds. For callers without an event loop (tests, benchmarks, tools).
    bool waitFor(const std::function<bool(const RecordedLoadProgress&)>& done,
                 std::chrono::milliseconds timeout) const;

    class Snapshot {
    public:
        const RecordedIndex& index() const { return *index_; }
        const RecordedIndex* operator->() const { return index_; }

    private:
        friend class RecordedFileLoader;
        Snapshot(std::unique_lock<std::mutex> lock, const RecordedIndex* index)
            : lock_(std::move(lock)), index_(index) {}
        std::unique_lock<std::mutex> lock_;
        const RecordedIndex* index_;
    };
    Snapshot snapshot() const;

    // Lines first..last-1 of the index into `into` (its line 0 is line
    // `first`): read back from the file, or a stream's kept lines. False
    // with `error` when the file could not be read.
    bool readLines(std::size_t first, std::size_t last, RecordedData& into,
                   std::string& error) const;
    // Copies lines first..last-1 of the index, byte for byte, to `target`,
    // reading from their block on. Not for a stream.
    RecordedExportResult exportLines(std::size_t first, std::size_t last,
                                     const std::filesystem::path& target) const;

private:
    void run();
    // True when the file was replaced or cut short and must be read anew.
    // Either a stream, whose `head` was read from it already and is parsed
    // first, or regular files read as one.
    bool loadFrom(QFile* stream, const std::shared_ptr<ConcatenatedFile>& files, QByteArray head);
    // Opens the files and reads them; true when they must be read anew.
    bool loadSet();
    // Reads a stream's head and waits for its layout; false when stopped.
    bool readStreamHead(QFile& file, QByteArray& head);
    // Adds a parsed chunk's lines to the shared index (and a stream's kept
    // lines); `fileLines` counts the lines before it.
    void join(const LineChunk& chunk, bool stream);
    // Publishes local_, after clearing the shared data when `resetData`.
    void publish(bool resetData = false);
    // Records why the file is given up, and publishes it.
    void fail(RecordedLoadProblem problem, std::string error, int errorCode = 0);
    bool stopRequested() const;
    // Sleeps one poll interval; false when asked to stop.
    bool waitPoll();

    const std::vector<std::filesystem::path> files_;
    const std::filesystem::path path_;  // the first of them
    RecordedLayout layout_;  // set under the mutex, only before the first line is parsed
    const Options options_;
    const ProgressCallback onProgress_;

    mutable std::mutex mutex_;  // guards index_, streamLines_, reader_, progress_, stopping_, head_ and chosen_
    mutable std::condition_variable changed_;
    RecordedIndex index_;
    RecordedData streamLines_;  // a stream's lines; empty for a file
    std::shared_ptr<const ByteReader> reader_;  // reads the file being indexed
    RecordedLoadProgress progress_;
    bool stopping_ = false;
    RecordedFileProbe head_;
    std::optional<RecordedLayout> chosen_;

    // The loader thread's own state.
    RecordedLoadProgress local_;
    bool halfLineCounted_ = false;
    std::uint64_t fileLines_ = 0;  // lines of the file taken so far, skipped ones too
    std::thread thread_;
};

}  // namespace voltrix
