// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzz target: the HID report-descriptor parser on any bytes. Each parse gets
// a buffer of exactly its length, so that a read past the end is caught. The
// sums only grow from item to item, so a descriptor cut short never gives
// longer reports than the whole one.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/protocol/report_descriptor.h"
#include "fuzz_support.h"

namespace voltrix::fuzz {
namespace {

ReportDescriptorSummary parseCopy(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::uint8_t> exact(data, data + size);
    return parseReportDescriptor(exact);
}

bool same(const ReportDescriptorSummary& a, const ReportDescriptorSummary& b) {
    return a.inputReportLength == b.inputReportLength &&
           a.outputReportLength == b.outputReportLength &&
           a.featureReportLength == b.featureReportLength &&
           a.numberedReports == b.numberedReports && a.complete == b.complete;
}

bool noLonger(const ReportDescriptorSummary& part, const ReportDescriptorSummary& whole) {
    return part.inputReportLength <= whole.inputReportLength &&
           part.outputReportLength <= whole.outputReportLength &&
           part.featureReportLength <= whole.featureReportLength &&
           (!part.numberedReports || whole.numberedReports);
}

}  // namespace
}  // namespace voltrix::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace voltrix::fuzz;
    const auto whole = parseCopy(data, size);
    VOLTRIX_FUZZ_CHECK(same(whole, parseCopy(data, size)));
    // A report is never a lone report ID byte.
    for (const std::uint16_t length :
         {whole.inputReportLength, whole.outputReportLength, whole.featureReportLength}) {
        VOLTRIX_FUZZ_CHECK(length != 1);
    }
    if (size > 0) {
        VOLTRIX_FUZZ_CHECK(noLonger(parseCopy(data, size - 1), whole));
        VOLTRIX_FUZZ_CHECK(noLonger(parseCopy(data, size / 2), whole));
    } else {
        VOLTRIX_FUZZ_CHECK(whole.complete && whole.inputReportLength == 0);
    }
    return 0;
}
