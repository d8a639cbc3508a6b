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

#include "engine/recorded/recorded_data.h"
#include "engine/recorded/recorded_file_probe.h"
#include "engine/recorded/recorded_layout.h"

// Loads a recorded measurement file into a RecordedData on a thread of its
// own, and in follow mode keeps reading what is appended to it (tail -f).
// The file is only ever opened for reading.
//
// A file that is not a regular one (a pipe, a FIFO, a device) is a stream:
// it can be read only once, so it is opened once and never read anew, and
// its head, which tells its columns, is read here and kept for the parse.
//
// Threading:
// - The loader's thread reads the file in large chunks and parses the whole
//   lines of each chunk into a RecordedBatch of its own, with no lock held.
//   It then appends the batch to the shared RecordedData under the loader's
//   mutex, which it holds only for that copy.
// - The progress callback runs on the loader's thread, after each batch and
//   when the state changes, with no lock held. A window forwards it to its
//   own thread (a queued call) and reads the data there.
// - Readers call snapshot(): it holds the mutex for its lifetime, so the data
//   cannot change (or move) while it lives. Keep it short, e.g. for one
//   repaint; spans taken from it are valid only while it lives.
// - The destructor (or stop()) ends the thread promptly: it is woken from its
//   wait between polls and checks between chunks.

class QByteArray;
class QFile;

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
    };
    using ProgressCallback = std::function<void(const RecordedLoadProgress&)>;

    // Starts the thread at once.
    RecordedFileLoader(std::filesystem::path path, const RecordedLayout& layout, Options options,
                       ProgressCallback onProgress = {});
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
        const RecordedData& data() const { return *data_; }
        const RecordedData* operator->() const { return data_; }

    private:
        friend class RecordedFileLoader;
        Snapshot(std::unique_lock<std::mutex> lock, const RecordedData* data)
            : lock_(std::move(lock)), data_(data) {}
        std::unique_lock<std::mutex> lock_;
        const RecordedData* data_;
    };
    Snapshot snapshot() const;

private:
    void run();
    // True when the file was replaced or cut short and must be read anew.
    // A stream's `head` was read from it already, and is parsed first.
    bool loadFrom(QFile& file, bool stream, QByteArray head);
    // Reads a stream's head and waits for its layout; false when stopped.
    bool readStreamHead(QFile& file, QByteArray& head);
    // Hands `batch` (may be null) to the shared data and publishes local_.
    void publish(const RecordedBatch* batch, bool resetData, std::size_t reserveLines);
    // Records why the file is given up, and publishes it.
    void fail(RecordedLoadProblem problem, std::string error, int errorCode = 0);
    bool stopRequested() const;
    // Sleeps one poll interval; false when asked to stop.
    bool waitPoll();

    const std::filesystem::path path_;
    RecordedLayout layout_;  // set under the mutex, only before the first line is parsed
    const Options options_;
    const ProgressCallback onProgress_;

    mutable std::mutex mutex_;  // guards data_, progress_, stopping_, head_ and chosen_
    mutable std::condition_variable changed_;
    RecordedData data_;
    RecordedLoadProgress progress_;
    bool stopping_ = false;
    RecordedFileProbe head_;
    std::optional<RecordedLayout> chosen_;

    // The loader thread's own state.
    RecordedLoadProgress local_;
    bool halfLineCounted_ = false;
    std::thread thread_;
};

}  // namespace voltrix
