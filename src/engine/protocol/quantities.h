// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "engine/protocol/measurement.h"

// The fourteen measured quantities in their fixed order: ADC 1 to 4, ADC 1 to
// 4 averaged, encoder 1 and 2 position, encoder 1 and 2 velocity, MATH 1 and
// 2. The chart's series, the trigger register lists and (after two fixed
// entries) the output rule sources follow this order.

namespace voltrix {

inline constexpr std::size_t kQuantityCount = 14;

// The field of quantity `index` (0..13) in `m`: the one place that maps the
// order onto the record.
template <typename M>
auto& quantityField(M& m, std::size_t index) {
    if (index < 4) {
        return m.adc[index].value;
    }
    if (index < 8) {
        return m.adc[index - 4].average;
    }
    if (index < 10) {
        return m.enc[index - 8].position;
    }
    if (index < 12) {
        return m.enc[index - 10].velocity;
    }
    return m.math[index - 12];
}

// The value of quantity `index` (0..13) in `m`, as the module sent it.
inline float quantityValue(const Measurement& m, std::size_t index) {
    return quantityField(m, index);
}

inline void setQuantityValue(Measurement& m, std::size_t index, float value) {
    quantityField(m, index) = value;
}

// A measurement holding `values` in the quantity order and the output states.
inline Measurement measurementOf(const std::array<float, kQuantityCount>& values,
                                 std::uint8_t outputs) {
    Measurement m;
    for (std::size_t q = 0; q < kQuantityCount; ++q) {
        setQuantityValue(m, q, values[q]);
    }
    m.outputs = outputs;
    return m;
}

}  // namespace voltrix
