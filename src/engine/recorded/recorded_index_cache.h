// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "engine/recorded/recorded_index.h"

// The index of a recorded file kept on disk, so that the file opens at once
// the second time. The viewer works without it: every failure to write or
// read is a plain false, and a cache file is never trusted. Its key (which
// file, which head, which layout) is stored whole and compared, it ends with
// a checksum of everything before it, every count is bounded before it is
// used, and RecordedIndex::fromParts checks the structure that results.
//
// The format, every number little-endian, floats by their bits:
//   magic "VXIDX\r\n\x1a", u32 version, u32 key length, the key,
//   u64 tail check, u32 columns (bit n: LogColumn n), u64 lines, u64 skipped,
//   u64 block lines, u64 end offset, u64 file lines, axis,
//   u64 block count, each block:
//     u64 offset, u64 file line, axis, f64 first x, f64 last x,
//     per quantity f32 min and f32 max, per quantity f32 first,
//     per quantity f32 last, u8 outputs all, any, first, last,
//   u64 hashBytes(everything before it).
// An axis is u8 source (XSource), u8 started, i64 previous, i64 last step,
// i64 offset, i64 unwrapped, i32 last counter, u8 counter seen,
// i64 previous raw.

namespace voltrix {

inline constexpr std::uint32_t kIndexCacheVersion = 1;
// A cache file larger than this is not read: far above what kMaxBlocks makes.
inline constexpr std::uint64_t kMaxIndexCacheBytes = std::uint64_t{256} << 20;

// Where the caches live: $XDG_CACHE_HOME/voltrix (~/.cache/voltrix); empty
// when the system has no cache folder.
std::filesystem::path indexCacheFolder();

// A fast 64-bit hash, the same on every machine. Any one 8-byte word changed
// changes it for sure, so a checksum made with it catches every single
// damaged byte.
std::uint64_t hashBytes(std::string_view bytes, std::uint64_t seed = 0);

// The cache file of `key` in `folder`: <16 hex digits of hashBytes(key)>.vxidx.
std::filesystem::path indexCacheFile(const std::filesystem::path& folder, std::string_view key);

// `tailCheck` is the loader's own word on the file (a hash of the bytes just
// before the indexed end), handed back on reading.
QByteArray encodeIndexCache(const RecordedIndex& index, std::string_view key,
                            std::uint64_t tailCheck);
// False for anything but an intact cache of `key` that makes an index;
// `into` and `tailCheck` are untouched then.
bool decodeIndexCache(QByteArrayView bytes, std::string_view key, RecordedIndex& into,
                      std::uint64_t& tailCheck);

// Writes a temporary file in `folder` (made when missing) and renames it over
// the old cache. False when it could not.
// The caches a folder keeps: the newest, within a count and a size. Each is
// at most some 20 MB; more would fill a disk one file at a time.
inline constexpr std::size_t kMostKeptIndexes = 64;
inline constexpr std::uint64_t kMostKeptIndexBytes = std::uint64_t{512} << 20;
// Deletes the oldest caches of `folder` beyond the newest `mostFiles` and
// beyond `mostBytes` in all (the newest is always kept). Other files stay.
void pruneIndexCaches(const std::filesystem::path& folder, std::size_t mostFiles,
                      std::uint64_t mostBytes);

// Writes the cache of `key` (then prunes the folder: pruneIndexCaches).
bool saveIndexCache(const std::filesystem::path& folder, std::string_view key,
                    const RecordedIndex& index, std::uint64_t tailCheck);
// The tail check of a valid cache of `key`, read into `into`; nothing (and
// `into` untouched) when there is none, it is too large or not valid.
std::optional<std::uint64_t> loadIndexCache(const std::filesystem::path& folder,
                                            std::string_view key, RecordedIndex& into);

}  // namespace voltrix
