#include "device/measurement.h"

#include <cstring>

namespace voltrix {
namespace {

// Little-endian float at an odd, unaligned offset: the word is assembled from
// its bytes and its bits reinterpreted, never read through a float pointer.
float floatAt(const LastReport& report, std::size_t offset) {
    static_assert(sizeof(float) == 4);
    std::uint32_t bits = std::uint32_t(report[offset]) | std::uint32_t(report[offset + 1]) << 8 |
                         std::uint32_t(report[offset + 2]) << 16 |
                         std::uint32_t(report[offset + 3]) << 24;
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

}  // namespace

void DecodeMeasurement(const LastReport& report, Measurement& out) {
    out.outputs = static_cast<std::uint8_t>(report[1] >> 2);
    for (std::size_t k = 0; k < out.enc.size(); ++k) {
        const std::size_t b = 1 + 9 * k;
        out.enc[k].mode = report[b] & 3u;
        out.enc[k].velocity = floatAt(report, b + 1);
        out.enc[k].position = floatAt(report, b + 5);
    }
    for (std::size_t k = 0; k < out.adc.size(); ++k) {
        const std::size_t b = 19 + 9 * k;
        out.adc[k].mode = report[b];
        out.adc[k].value = floatAt(report, b + 1);
        out.adc[k].average = floatAt(report, b + 5);
    }
    out.math[0] = floatAt(report, 55);
    out.math[1] = floatAt(report, 59);
}

}  // namespace voltrix
