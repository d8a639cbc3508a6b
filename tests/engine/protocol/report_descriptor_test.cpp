// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/protocol/report_descriptor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace voltrix {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Boot protocol keyboard: modifiers, a reserved byte and six key codes in;
// five LEDs and three padding bits out.
const Bytes kBootKeyboard = {
    0x05, 0x01, 0x09, 0x06, 0xA1, 0x01, 0x05, 0x07, 0x19, 0xE0, 0x29, 0xE7, 0x15, 0x00, 0x25, 0x01,
    0x75, 0x01, 0x95, 0x08, 0x81, 0x02, 0x95, 0x01, 0x75, 0x08, 0x81, 0x01, 0x95, 0x05, 0x75, 0x01,
    0x05, 0x08, 0x19, 0x01, 0x29, 0x05, 0x91, 0x02, 0x95, 0x01, 0x75, 0x03, 0x91, 0x01, 0x95, 0x06,
    0x75, 0x08, 0x15, 0x00, 0x25, 0x65, 0x05, 0x07, 0x19, 0x00, 0x29, 0x65, 0x81, 0x00, 0xC0,
};

// Boot protocol mouse: three buttons, five padding bits, X and Y.
const Bytes kBootMouse = {
    0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0x09, 0x01, 0xA1, 0x00, 0x05, 0x09, 0x19,
    0x01, 0x29, 0x03, 0x15, 0x00, 0x25, 0x01, 0x95, 0x03, 0x75, 0x01, 0x81, 0x02,
    0x95, 0x01, 0x75, 0x05, 0x81, 0x01, 0x05, 0x01, 0x09, 0x30, 0x09, 0x31, 0x15,
    0x81, 0x25, 0x7F, 0x75, 0x08, 0x95, 0x02, 0x81, 0x06, 0xC0, 0xC0,
};

// Vendor-defined device with 64 data bytes in and out under report ID 1,
// laid out like the VOLTRIX module.
const Bytes kVendor64WithId = {
    0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x01, 0x15, 0x00, 0x26, 0xFF, 0x00,
    0x75, 0x08, 0x95, 0x40, 0x09, 0x01, 0x81, 0x02, 0x09, 0x01, 0x91, 0x02, 0xC0,
};

// Composite keyboard: vendor report 1 (32 bytes in, 256 bytes feature),
// keyboard report 2 (8 in, 1 out), consumer control report 3 (2 in).
const Bytes kMultiReport = {
    // report 1
    0x06,
    0x00,
    0xFF,
    0x09,
    0x01,
    0xA1,
    0x01,
    0x85,
    0x01,
    0x75,
    0x08,
    0x96,
    0x00,
    0x01,
    0x09,
    0x01,
    0xB1,
    0x02,
    0x95,
    0x20,
    0x09,
    0x01,
    0x81,
    0x02,
    0xC0,
    // report 2
    0x05,
    0x01,
    0x09,
    0x06,
    0xA1,
    0x01,
    0x85,
    0x02,
    0x05,
    0x07,
    0x19,
    0xE0,
    0x29,
    0xE7,
    0x15,
    0x00,
    0x25,
    0x01,
    0x75,
    0x01,
    0x95,
    0x08,
    0x81,
    0x02,
    0x95,
    0x01,
    0x75,
    0x08,
    0x81,
    0x01,
    0x95,
    0x05,
    0x75,
    0x01,
    0x05,
    0x08,
    0x19,
    0x01,
    0x29,
    0x05,
    0x91,
    0x02,
    0x95,
    0x01,
    0x75,
    0x03,
    0x91,
    0x01,
    0x95,
    0x06,
    0x75,
    0x08,
    0x15,
    0x00,
    0x25,
    0x65,
    0x05,
    0x07,
    0x19,
    0x00,
    0x29,
    0x65,
    0x81,
    0x00,
    0xC0,
    // report 3
    0x05,
    0x0C,
    0x09,
    0x01,
    0xA1,
    0x01,
    0x85,
    0x03,
    0x15,
    0x00,
    0x26,
    0x3C,
    0x02,
    0x19,
    0x00,
    0x2A,
    0x3C,
    0x02,
    0x75,
    0x10,
    0x95,
    0x01,
    0x81,
    0x00,
    0xC0,
};

// Report 1 is declared in two parts around report 2: its parts add up.
const Bytes kSplitReport = {
    0x85, 0x01, 0x75, 0x08, 0x95, 0x01, 0x81, 0x02,  // report 1: 1 byte
    0x85, 0x02, 0x95, 0x02, 0x81, 0x02,              // report 2: 2 bytes
    0x85, 0x01, 0x81, 0x02,                          // report 1: 2 more bytes
};

// Push keeps report 1 with 4 bytes; report 2 with 10 x 16 bits is declared in
// between; Pop brings report 1 back for its second input and its output.
const Bytes kPushPop = {
    0x85, 0x01, 0x75, 0x08, 0x95, 0x04, 0xA4,        // report 1, 4 x 8 bits, Push
    0x85, 0x02, 0x75, 0x10, 0x95, 0x0A, 0x81, 0x02,  // report 2: 20 bytes in
    0xB4, 0x81, 0x02, 0x91, 0x02,                    // Pop; report 1: 4 in, 4 out
};

// Nine one-bit fields fill two bytes.
const Bytes kOddBits = {0x75, 0x01, 0x95, 0x09, 0x81, 0x02};

Bytes concat(const Bytes& first, const Bytes& second) {
    Bytes bytes(first.size() + second.size());
    std::copy(second.begin(), second.end(), std::copy(first.begin(), first.end(), bytes.begin()));
    return bytes;
}

// A long item whose data would read as a 16-byte input and a stray End
// Collection if the parser stepped into it.
Bytes longItemThenMouse() {
    return concat({0xFE, 0x07, 0x10, 0x75, 0x08, 0x95, 0x10, 0x81, 0x02, 0xC0}, kBootMouse);
}

// Report size and count of 2^32 - 1 each.
const Bytes kHugeReport = {0x77, 0xFF, 0xFF, 0xFF, 0xFF, 0x97, 0xFF, 0xFF, 0xFF, 0xFF, 0x81, 0x02};

struct Expected {
    std::uint16_t input;
    std::uint16_t output;
    std::uint16_t feature;
    bool numbered;
    bool complete;
};

struct Case {
    std::string name;
    Bytes descriptor;
    Expected expected;
};

void expectSummary(const Bytes& descriptor, const Expected& expected) {
    const ReportDescriptorSummary summary = parseReportDescriptor(descriptor);
    EXPECT_EQ(summary.inputReportLength, expected.input);
    EXPECT_EQ(summary.outputReportLength, expected.output);
    EXPECT_EQ(summary.featureReportLength, expected.feature);
    EXPECT_EQ(summary.numberedReports, expected.numbered);
    EXPECT_EQ(summary.complete, expected.complete);
}

Bytes prefixOf(const Bytes& bytes, std::size_t length) {
    return Bytes(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(length));
}

TEST(ReportDescriptorTest, WellFormedDescriptors) {
    const std::vector<Case> cases = {
        {"boot keyboard", kBootKeyboard, {9, 2, 0, false, true}},
        {"boot mouse", kBootMouse, {4, 0, 0, false, true}},
        {"vendor 64 bytes, report ID 1", kVendor64WithId, {65, 65, 0, true, true}},
        {"several reports, longest wins", kMultiReport, {33, 2, 257, true, true}},
        {"report declared in two parts", kSplitReport, {4, 0, 0, true, true}},
        {"push and pop", kPushPop, {21, 5, 0, true, true}},
        {"bits rounded up to bytes", kOddBits, {3, 0, 0, false, true}},
        {"long item skipped", longItemThenMouse(), {4, 0, 0, false, true}},
        {"lengths saturate", kHugeReport, {0xFFFF, 0, 0, false, true}},
        {"empty descriptor", {}, {0, 0, 0, false, true}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        expectSummary(c.descriptor, c.expected);
    }
}

TEST(ReportDescriptorTest, BrokenDescriptorsStopAtTheFault) {
    const std::vector<Case> cases = {
        {"cut inside an item's data", prefixOf(kVendor64WithId, 13), {0, 0, 0, true, false}},
        {"cut after the input item", prefixOf(kVendor64WithId, 22), {65, 0, 0, true, false}},
        {"long item data cut", {0xFE, 0x05, 0x10, 0xAA}, {0, 0, 0, false, false}},
        {"long item header cut", {0xFE, 0x01}, {0, 0, 0, false, false}},
        {"pop without push", {0x75, 0x08, 0x95, 0x02, 0xB4, 0x81, 0x02}, {0, 0, 0, false, false}},
        {"end collection without collection",
         {0xC0, 0x75, 0x08, 0x95, 0x01, 0x81, 0x02},
         {0, 0, 0, false, false}},
        {"report ID 0", {0x85, 0x00, 0x75, 0x08, 0x95, 0x01, 0x81, 0x02}, {0, 0, 0, false, false}},
        {"report ID above 255",
         {0x86, 0x00, 0x01, 0x75, 0x08, 0x95, 0x01, 0x81, 0x02},
         {0, 0, 0, false, false}},
        {"reserved item type", {0x75, 0x08, 0x95, 0x01, 0x0C, 0x81, 0x02}, {0, 0, 0, false, false}},
        {"collection left open",
         {0xA1, 0x01, 0x75, 0x08, 0x95, 0x02, 0x81, 0x02},
         {3, 0, 0, false, false}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        expectSummary(c.descriptor, c.expected);
    }
}

TEST(ReportDescriptorTest, EndlessPushIsRefused) {
    const Bytes descriptor = concat(Bytes(1000, 0xA4), {0x75, 0x08, 0x95, 0x01, 0x81, 0x02});
    expectSummary(descriptor, {0, 0, 0, false, false});
}

// A descriptor with one top-level collection, cut anywhere after the start of
// its collection, ends inside an item or with the collection open, and shows at
// most the reports of the whole descriptor.
TEST(ReportDescriptorTest, EveryCutIsIncompleteAndBounded) {
    for (const Bytes* full : {&kBootKeyboard, &kBootMouse, &kVendor64WithId}) {
        const ReportDescriptorSummary whole = parseReportDescriptor(*full);
        const auto collection = std::find(full->begin(), full->end(), 0xA1);
        ASSERT_NE(collection, full->end());
        for (auto length = static_cast<std::size_t>(collection - full->begin()) + 1;
             length < full->size(); ++length) {
            SCOPED_TRACE(length);
            const ReportDescriptorSummary part = parseReportDescriptor(prefixOf(*full, length));
            EXPECT_FALSE(part.complete);
            EXPECT_LE(part.inputReportLength, whole.inputReportLength);
            EXPECT_LE(part.outputReportLength, whole.outputReportLength);
        }
    }
}

// Random bytes end the parse; a report that exists has at least one data
// byte besides the report ID byte.
TEST(ReportDescriptorTest, GarbageGivesSaneLengths) {
    std::mt19937 random(20240611);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<std::size_t> size(0, 300);
    for (int round = 0; round < 3000; ++round) {
        Bytes garbage(size(random));
        for (std::uint8_t& b : garbage) {
            b = static_cast<std::uint8_t>(byte(random));
        }
        const ReportDescriptorSummary summary = parseReportDescriptor(garbage);
        EXPECT_NE(summary.inputReportLength, 1);
        EXPECT_NE(summary.outputReportLength, 1);
        EXPECT_NE(summary.featureReportLength, 1);
    }
}

}  // namespace
}  // namespace voltrix
