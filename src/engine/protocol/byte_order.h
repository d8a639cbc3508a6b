// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <bit>
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <span>

// Numbers at any byte offset of a report, unaligned. The module sends
// little-endian numbers everywhere except its diagnostic counters and
// temperatures, which are big-endian. Floats are taken bit for bit: NaN,
// infinities and -0 pass unchanged.

namespace voltrix {

inline std::uint32_t readUint32Le(std::span<const std::uint8_t> bytes, std::size_t offset) {
    assert(offset + 4 <= bytes.size());
    return static_cast<std::uint32_t>(bytes[offset]) |
           static_cast<std::uint32_t>(bytes[offset + 1]) << 8 |
           static_cast<std::uint32_t>(bytes[offset + 2]) << 16 |
           static_cast<std::uint32_t>(bytes[offset + 3]) << 24;
}

inline std::int32_t readInt32Le(std::span<const std::uint8_t> bytes, std::size_t offset) {
    return static_cast<std::int32_t>(readUint32Le(bytes, offset));
}

inline float readFloatLe(std::span<const std::uint8_t> bytes, std::size_t offset) {
    return std::bit_cast<float>(readUint32Le(bytes, offset));
}

inline std::int32_t readInt32Be(std::span<const std::uint8_t> bytes, std::size_t offset) {
    assert(offset + 4 <= bytes.size());
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(bytes[offset]) << 24 |
                                     static_cast<std::uint32_t>(bytes[offset + 1]) << 16 |
                                     static_cast<std::uint32_t>(bytes[offset + 2]) << 8 |
                                     static_cast<std::uint32_t>(bytes[offset + 3]));
}

inline std::int16_t readInt16Be(std::span<const std::uint8_t> bytes, std::size_t offset) {
    assert(offset + 2 <= bytes.size());
    return static_cast<std::int16_t>(
        static_cast<std::uint16_t>(bytes[offset] << 8 | bytes[offset + 1]));
}

inline std::array<std::uint8_t, 4> uint32Le(std::uint32_t value) {
    return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
            static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
}

inline std::array<std::uint8_t, 4> int32Le(std::int32_t value) {
    return uint32Le(static_cast<std::uint32_t>(value));
}

inline std::array<std::uint8_t, 4> floatLe(float value) {
    return uint32Le(std::bit_cast<std::uint32_t>(value));
}

}  // namespace voltrix
