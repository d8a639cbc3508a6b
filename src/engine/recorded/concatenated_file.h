// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

// Regular files read as one run of bytes, one after another: the files of a
// split recording as one measurement file. A file that does not end with a
// line end is followed by one '\n' that is not in it, so that no line runs
// from one file into the next; the last file's half line stays as it is, as
// it may be finished while the file is followed.
//
// Reads are by offset and share no file position: several threads may read
// at once. open() and refresh() are not to run beside them.

namespace voltrix {

class ConcatenatedFile {
public:
    explicit ConcatenatedFile(std::vector<std::filesystem::path> files);
    ~ConcatenatedFile();
    ConcatenatedFile(const ConcatenatedFile&) = delete;
    ConcatenatedFile& operator=(const ConcatenatedFile&) = delete;

    // Opens every file for reading and keeps them open; opening again starts
    // afresh. On failure `error` is the system's text with the file's path,
    // `errorCode` its error number, and nothing stays open.
    bool open(std::string& error, int& errorCode);
    // The file the last open() failed on; files().size() after a success.
    std::size_t failedFile() const { return failedFile_; }

    // Bytes of all files with the line ends added, as of the opening or the
    // last refresh().
    std::uint64_t size() const { return size_; }

    // Up to `bytes` from `offset` on, across files; the bytes read, 0 at the
    // end, -1 with errno on failure. A file shorter than it was reads short.
    std::int64_t read(std::uint64_t offset, char* into, std::size_t bytes) const;

    // Looks at the files again: the last may have grown while followed. True
    // when size() changed or changed() became true.
    bool refresh();

    // A file shrank, was replaced by another under its path, or one before
    // the last changed its size: what was read no longer stands and the
    // files are to be read anew (open again). Stays true until then.
    bool changed() const { return changed_.load(std::memory_order_relaxed); }

    // The file whose bytes (or added line end) hold `offset`; the last for
    // an offset at or past the end.
    std::size_t fileAt(std::uint64_t offset) const;
    // Where file `i` starts; files().size() gives size().
    std::uint64_t fileStart(std::size_t i) const;
    const std::vector<std::filesystem::path>& files() const { return files_; }

private:
    struct Part;

    void close();
    void layOut();
    // pread-like, within one file.
    static std::int64_t readPart(Part& part, std::uint64_t offset, char* into, std::size_t bytes);

    std::vector<std::filesystem::path> files_;
    std::vector<std::unique_ptr<Part>> parts_;
    std::vector<std::uint64_t> starts_;  // one per file, then size_
    std::uint64_t size_ = 0;
    std::size_t failedFile_ = 0;
    mutable std::atomic<bool> changed_{false};
};

}  // namespace voltrix
