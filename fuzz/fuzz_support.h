// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <span>
#include <type_traits>

// Helpers shared by the fuzz targets: a check that stays on in every build
// type, and a reader that takes the fields of a target's input from the front.

// A broken property: printed and aborted, so that libFuzzer keeps the input.
#define VOLTRIX_FUZZ_CHECK(condition)                                                          \
    do {                                                                                       \
        if (!(condition)) {                                                                    \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                      \
        }                                                                                      \
    } while (false)

namespace voltrix::fuzz {

// Reads the input front to back. Past the end every number is 0 and every
// byte run is empty, so that any input, however short, is a valid one.
class InputReader {
public:
    explicit InputReader(std::span<const std::uint8_t> data) : data_(data) {}

    std::size_t remaining() const { return data_.size() - pos_; }

    template <typename T>
    T take() {
        static_assert(std::is_trivially_copyable_v<T>);
        std::uint8_t bytes[sizeof(T)] = {};
        const std::size_t n = std::min(sizeof(T), remaining());
        std::memcpy(bytes, data_.data() + pos_, n);
        pos_ += n;
        T value;
        std::memcpy(&value, bytes, sizeof(T));
        return value;
    }

    // Up to `count` bytes, fewer at the end of the input.
    std::span<const std::uint8_t> takeBytes(std::size_t count) {
        const std::size_t n = std::min(count, remaining());
        const auto bytes = data_.subspan(pos_, n);
        pos_ += n;
        return bytes;
    }

    // A run of bytes preceded by its length byte.
    std::span<const std::uint8_t> takeSized() { return takeBytes(take<std::uint8_t>()); }

private:
    std::span<const std::uint8_t> data_;
    std::size_t pos_ = 0;
};

}  // namespace voltrix::fuzz
