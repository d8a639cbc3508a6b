// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/protocol/measurement.h"

#include "engine/protocol/byte_order.h"

namespace voltrix {

void DecodeMeasurement(const LastReport& report, Measurement& out) {
    out.outputs = static_cast<std::uint8_t>(report[1] >> 2);
    for (std::size_t k = 0; k < out.enc.size(); ++k) {
        const std::size_t b = 1 + 9 * k;
        out.enc[k].mode = report[b] & 3u;
        out.enc[k].velocity = readFloatLe(report, b + 1);
        out.enc[k].position = readFloatLe(report, b + 5);
    }
    for (std::size_t k = 0; k < out.adc.size(); ++k) {
        const std::size_t b = 19 + 9 * k;
        out.adc[k].mode = report[b];
        out.adc[k].value = readFloatLe(report, b + 1);
        out.adc[k].average = readFloatLe(report, b + 5);
    }
    out.math[0] = readFloatLe(report, 55);
    out.math[1] = readFloatLe(report, 59);
}

}  // namespace voltrix
