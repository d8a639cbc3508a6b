// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/recorded/indexed_lines.h"

#include <cerrno>
#include <cstring>
#include <string_view>
#include <vector>

#include "engine/recorded/line_parser.h"

namespace voltrix {
namespace {

// As the first read: a line longer than this is one skipped line.
constexpr std::size_t kPiece = std::size_t{1} << 20;
constexpr std::size_t kLongestLine = std::size_t{4} << 20;

}  // namespace

bool readIndexedLines(const ByteReader& read, const RecordedLayout& layout,
                      const LineReadStart& start, std::size_t first, std::size_t last,
                      RecordedData& into, std::string& error) {
    into = RecordedData(layout);
    if (last <= first || first < start.line) {
        return true;
    }
    XAxis axis = start.block.axis;
    std::uint64_t fileLine = start.block.fileLine;
    std::size_t line = start.line;  // the number of the next parsed line
    std::uint64_t offset = start.block.offset;
    RecordedBatch batch;
    ParsedLine parsed;
    std::vector<char> buffer(kPiece);
    std::size_t pending = 0;  // a line begun at the end of the last piece
    bool discarding = false;
    const auto take = [&](std::string_view text) {
        ++fileLine;
        if (!parseMeasurementLine(text, layout, parsed)) {
            return;
        }
        const double x = axis.next(parsed, fileLine);
        if (line >= first) {
            batch.add(x, parsed, layout);
        }
        ++line;
    };
    while (line < last) {
        if (buffer.size() - pending < kPiece / 2) {
            buffer.resize(buffer.size() * 2);
        }
        errno = 0;
        const std::int64_t n = read(offset, buffer.data() + pending, buffer.size() - pending);
        if (n < 0) {
            error = std::strerror(errno != 0 ? errno : EIO);
            return false;
        }
        if (n == 0) {
            if (pending > 0 && !discarding) {
                take(std::string_view(buffer.data(), pending));  // a last line without its end
            }
            break;
        }
        offset += static_cast<std::uint64_t>(n);
        const char* p = buffer.data();
        const char* const end = p + pending + static_cast<std::size_t>(n);
        while (line < last) {
            const void* found = std::memchr(p, '\n', static_cast<std::size_t>(end - p));
            if (found == nullptr) {
                break;
            }
            const char* next = static_cast<const char*>(found) + 1;
            if (discarding) {
                discarding = false;
            } else {
                take(std::string_view(p, static_cast<std::size_t>(next - p)));
            }
            p = next;
        }
        pending = static_cast<std::size_t>(end - p);
        if (pending >= kLongestLine) {
            if (!discarding) {
                ++fileLine;  // counted once, as the first read does
            }
            discarding = true;
            pending = 0;
            buffer.resize(kPiece);
        } else {
            std::memmove(buffer.data(), p, pending);
        }
    }
    into.append(batch);
    return true;
}

}  // namespace voltrix
