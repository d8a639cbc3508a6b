// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "engine/recorded/line_parser.h"
#include "engine/recorded/recorded_layout.h"

// Whole lines of a file parsed on worker threads and handed back in the
// order they were read, so that a file is parsed on every core while its
// lines keep their order. Parsing is nearly all the cost of a first read;
// what is left for the reader (the x axis, the index) is a few steps a line.
//
// Threading: one owner thread submits and takes; the workers touch only the
// chunks they were given.

namespace voltrix {

struct LineChunk {
    // Whole lines; the last one may lack its end only at the end of a file.
    std::vector<char> bytes;
    std::size_t size = 0;      // bytes of `bytes` in use
    std::uint64_t offset = 0;  // where bytes[0] is in the file

    // What the parse found.
    std::vector<ParsedLine> lines;
    std::vector<std::uint32_t> starts;   // where each parsed line starts in `bytes`
    std::vector<std::uint32_t> numbers;  // its number among the chunk's lines, from 1
    std::uint32_t lineCount = 0;         // lines in the chunk, those that did not parse too
    std::uint64_t skipped = 0;
};

// Parses the lines of `chunk` on the calling thread.
void parseChunk(LineChunk& chunk, const RecordedLayout& layout);

class ChunkParserPool {
public:
    // `threads` 0 parses each chunk as it is submitted, on the owner's thread.
    ChunkParserPool(const RecordedLayout& layout, unsigned threads);
    ~ChunkParserPool();
    ChunkParserPool(const ChunkParserPool&) = delete;
    ChunkParserPool& operator=(const ChunkParserPool&) = delete;

    // One worker per core.
    static unsigned defaultThreads();

    void submit(std::unique_ptr<LineChunk> chunk);
    // The oldest chunk submitted, once parsed; nullptr when none is in
    // flight, or (without `wait`) when the oldest is not parsed yet.
    std::unique_ptr<LineChunk> takeOldest(bool wait);
    std::size_t inFlight() const;

private:
    struct Job {
        std::unique_ptr<LineChunk> chunk;
        bool taken = false;  // a worker has it
        bool done = false;
    };
    void work();

    const RecordedLayout layout_;
    mutable std::mutex mutex_;
    std::condition_variable wanted_;  // a job came, or stop
    std::condition_variable parsed_;  // a job is done
    std::deque<std::shared_ptr<Job>> jobs_;  // in submission order
    bool stopping_ = false;
    std::vector<std::thread> workers_;
};

}  // namespace voltrix
