// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/protocol/report_descriptor.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <vector>

namespace voltrix {
namespace {

// Item types and tags of the HID report descriptor format.
enum ItemType : std::uint8_t { kMain = 0, kGlobal = 1, kLocal = 2, kReserved = 3 };
enum MainTag : std::uint8_t {
    kInput = 0x8,
    kOutput = 0x9,
    kCollection = 0xA,
    kFeature = 0xB,
    kEndCollection = 0xC,
};
enum GlobalTag : std::uint8_t {
    kReportSize = 0x7,
    kReportId = 0x8,
    kReportCount = 0x9,
    kPush = 0xA,
    kPop = 0xB,
};
constexpr std::uint8_t kLongItemPrefix = 0xFE;

// Real devices push a handful of levels at most (Linux accepts 4); the limit
// only keeps a broken descriptor from growing the stack without end.
constexpr std::size_t kMaxPushDepth = 64;
// Far beyond any real report, and small enough that adding two capped sums
// cannot overflow.
constexpr std::uint64_t kBitCap = std::uint64_t{1} << 40;

struct GlobalState {
    std::uint32_t reportSize = 0;   // bits per field
    std::uint32_t reportCount = 0;  // fields per item
    std::uint8_t reportId = 0;      // 0 until a Report ID item
};

enum ReportKind { kInputReport = 0, kOutputReport = 1, kFeatureReport = 2, kReportKinds = 3 };
using BitsPerReportId = std::array<std::uint64_t, 256>;

std::uint32_t unsignedValue(std::span<const std::uint8_t> data) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < data.size(); ++i) {
        value |= std::uint32_t{data[i]} << (8 * i);
    }
    return value;
}

std::uint16_t reportLength(const BitsPerReportId& bits) {
    const std::uint64_t longest = *std::max_element(bits.begin(), bits.end());
    if (longest == 0) {
        return 0;
    }
    const std::uint64_t bytes = (longest + 7) / 8 + 1;  // + the report ID byte
    return static_cast<std::uint16_t>(std::min<std::uint64_t>(bytes, 0xFFFF));
}

}  // namespace

ReportDescriptorSummary parseReportDescriptor(std::span<const std::uint8_t> descriptor) {
    std::array<BitsPerReportId, kReportKinds> bits{};
    GlobalState global;
    std::vector<GlobalState> pushed;
    std::size_t openCollections = 0;
    bool numbered = false;
    bool fault = false;

    std::size_t pos = 0;
    while (pos < descriptor.size() && !fault) {
        const std::uint8_t prefix = descriptor[pos];
        if (prefix == kLongItemPrefix) {
            // Long items carry nothing that sizes a report; skip them whole.
            if (descriptor.size() - pos < 3) {
                fault = true;
                break;
            }
            const std::size_t dataSize = descriptor[pos + 1];
            if (descriptor.size() - pos - 3 < dataSize) {
                fault = true;
                break;
            }
            pos += 3 + dataSize;
            continue;
        }

        static constexpr std::array<std::size_t, 4> kDataSizes{0, 1, 2, 4};
        const std::size_t dataSize = kDataSizes[prefix & 0x3];
        const auto type = static_cast<std::uint8_t>((prefix >> 2) & 0x3);
        const auto tag = static_cast<std::uint8_t>(prefix >> 4);
        if (descriptor.size() - pos - 1 < dataSize) {
            fault = true;
            break;
        }
        const std::uint32_t value = unsignedValue(descriptor.subspan(pos + 1, dataSize));
        pos += 1 + dataSize;

        if (type == kMain) {
            int kind = -1;
            switch (tag) {
                case kInput:
                    kind = kInputReport;
                    break;
                case kOutput:
                    kind = kOutputReport;
                    break;
                case kFeature:
                    kind = kFeatureReport;
                    break;
                case kCollection:
                    ++openCollections;
                    break;
                case kEndCollection:
                    if (openCollections == 0) {
                        fault = true;
                    } else {
                        --openCollections;
                    }
                    break;
                default:
                    break;  // reserved main tags carry no report data
            }
            if (kind >= 0) {
                std::uint64_t& sum = bits[kind][global.reportId];
                const std::uint64_t itemBits =
                    std::uint64_t{global.reportSize} * std::uint64_t{global.reportCount};
                sum = std::min(sum + std::min(itemBits, kBitCap), kBitCap);
            }
        } else if (type == kGlobal) {
            switch (tag) {
                case kReportSize:
                    global.reportSize = value;
                    break;
                case kReportCount:
                    global.reportCount = value;
                    break;
                case kReportId:
                    if (value == 0 || value > 255) {
                        fault = true;
                    } else {
                        global.reportId = static_cast<std::uint8_t>(value);
                        numbered = true;
                    }
                    break;
                case kPush:
                    if (pushed.size() >= kMaxPushDepth) {
                        fault = true;
                    } else {
                        pushed.push_back(global);
                    }
                    break;
                case kPop:
                    if (pushed.empty()) {
                        fault = true;
                    } else {
                        global = pushed.back();
                        pushed.pop_back();
                    }
                    break;
                default:
                    break;  // usage page, logical and physical ranges, units
            }
        } else if (type == kReserved) {
            fault = true;
        }
        // Local items (usages, strings, designators) do not change report sizes.
    }

    ReportDescriptorSummary summary;
    summary.inputReportLength = reportLength(bits[kInputReport]);
    summary.outputReportLength = reportLength(bits[kOutputReport]);
    summary.featureReportLength = reportLength(bits[kFeatureReport]);
    summary.numberedReports = numbered;
    summary.complete = !fault && openCollections == 0;
    return summary;
}

}  // namespace voltrix
