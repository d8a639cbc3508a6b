// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/recorded/chunk_parser.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "engine/platform/thread_name.h"

namespace voltrix {

void parseChunk(LineChunk& chunk, const RecordedLayout& layout) {
    chunk.lines.clear();
    chunk.starts.clear();
    chunk.numbers.clear();
    chunk.lineCount = 0;
    chunk.skipped = 0;
    // About 130 bytes a line with every column; less room is grown.
    const std::size_t expected = chunk.size / 64 + 16;
    if (chunk.lines.capacity() < expected) {
        chunk.lines.reserve(expected);
        chunk.starts.reserve(expected);
        chunk.numbers.reserve(expected);
    }
    const char* const begin = chunk.bytes.data();
    const char* const end = begin + chunk.size;
    const char* p = begin;
    ParsedLine parsed;
    while (p < end) {
        const void* found = std::memchr(p, '\n', static_cast<std::size_t>(end - p));
        const char* next = found != nullptr ? static_cast<const char*>(found) + 1 : end;
        ++chunk.lineCount;
        if (parseMeasurementLine(std::string_view(p, static_cast<std::size_t>(next - p)), layout,
                                 parsed)) {
            chunk.lines.push_back(parsed);
            chunk.starts.push_back(static_cast<std::uint32_t>(p - begin));
            chunk.numbers.push_back(chunk.lineCount);
        } else {
            ++chunk.skipped;
        }
        p = next;
    }
}

ChunkParserPool::ChunkParserPool(const RecordedLayout& layout, unsigned threads)
    : layout_(layout) {
    for (unsigned i = 0; i < threads; ++i) {
        workers_.emplace_back([this] { work(); });
    }
}

ChunkParserPool::~ChunkParserPool() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wanted_.notify_all();
    for (std::thread& t : workers_) {
        t.join();
    }
}

unsigned ChunkParserPool::defaultThreads() {
    return std::max(1u, std::thread::hardware_concurrency());
}

void ChunkParserPool::submit(std::unique_ptr<LineChunk> chunk) {
    auto job = std::make_shared<Job>();
    job->chunk = std::move(chunk);
    if (workers_.empty()) {
        parseChunk(*job->chunk, layout_);
        job->done = true;
    }
    {
        std::lock_guard lock(mutex_);
        jobs_.push_back(std::move(job));
    }
    wanted_.notify_one();
}

std::unique_ptr<LineChunk> ChunkParserPool::takeOldest(bool wait) {
    std::unique_lock lock(mutex_);
    if (jobs_.empty()) {
        return nullptr;
    }
    if (wait) {
        parsed_.wait(lock, [this] { return jobs_.front()->done; });
    } else if (!jobs_.front()->done) {
        return nullptr;
    }
    std::unique_ptr<LineChunk> chunk = std::move(jobs_.front()->chunk);
    jobs_.pop_front();
    return chunk;
}

std::size_t ChunkParserPool::inFlight() const {
    std::lock_guard lock(mutex_);
    return jobs_.size();
}

void ChunkParserPool::work() {
    nameThisThread("voltrix-parser");
    std::unique_lock lock(mutex_);
    for (;;) {
        std::shared_ptr<Job> job;
        wanted_.wait(lock, [&] {
            if (stopping_) {
                return true;
            }
            for (const auto& j : jobs_) {
                if (!j->taken && !j->done) {
                    job = j;
                    return true;
                }
            }
            return false;
        });
        if (stopping_) {
            return;
        }
        job->taken = true;
        lock.unlock();
        parseChunk(*job->chunk, layout_);
        lock.lock();
        job->done = true;
        parsed_.notify_all();
    }
}

}  // namespace voltrix
