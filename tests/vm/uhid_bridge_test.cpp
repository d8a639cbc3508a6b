// SPDX-License-Identifier: GPL-3.0-or-later
#include "virtual_module/uhid_bridge.h"

#include <linux/input.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "engine/parameters/parameters.h"
#include "engine/protocol/measurement.h"
#include "engine/protocol/report_descriptor.h"
#include "engine/protocol/report_framing.h"
#include "virtual_module/module_descriptor.h"
#include "virtual_module/uhid_device.h"

namespace voltrix {
namespace {

using Bytes = std::vector<std::uint8_t>;

uhid_event kernelEvent(std::uint32_t type) {
    uhid_event event{};
    event.type = type;
    return event;
}

uhid_event outputEvent(const Bytes& report, std::uint8_t rtype = UHID_OUTPUT_REPORT) {
    uhid_event event = kernelEvent(UHID_OUTPUT);
    std::memcpy(event.u.output.data, report.data(), report.size());
    event.u.output.size = static_cast<std::uint16_t>(report.size());
    event.u.output.rtype = rtype;
    return event;
}

Bytes commandReport(const CommandPayload& command) {
    return FrameOutputReport(command.kind, command.view(), VirtualModule::kReportLength);
}

Bytes inputReport(const uhid_event& event) {
    EXPECT_EQ(event.type, UHID_INPUT2);
    return Bytes(event.u.input2.data, event.u.input2.data + event.u.input2.size);
}

// The report as the program keeps it: report ID removed, zero-padded.
LastReport withoutReportId(const Bytes& report) {
    LastReport kept{};
    std::copy(report.begin() + 1, report.end(), kept.begin());
    return kept;
}

TEST(ModuleDescriptorTest, DeclaresNumberedReportsOf65BytesBothWays) {
    const ReportDescriptorSummary summary = parseReportDescriptor(moduleReportDescriptor());
    EXPECT_TRUE(summary.complete);
    EXPECT_TRUE(summary.numberedReports);
    EXPECT_EQ(summary.inputReportLength, VirtualModule::kReportLength);
    EXPECT_EQ(summary.outputReportLength, VirtualModule::kReportLength);
    EXPECT_EQ(summary.featureReportLength, 0);
}

TEST(UhidEventsTest, CreateEventCarriesIdentityAndDescriptor) {
    const uhid_event event = makeCreateEvent(
        {.name = "VOLTRIX", .bus = BUS_USB, .vendorId = 0x1234, .productId = 0x00AB},
        moduleReportDescriptor());
    EXPECT_EQ(event.type, UHID_CREATE2);
    EXPECT_STREQ(reinterpret_cast<const char*>(event.u.create2.name), "VOLTRIX");
    EXPECT_EQ(event.u.create2.bus, BUS_USB);
    EXPECT_EQ(event.u.create2.vendor, 0x1234u);
    EXPECT_EQ(event.u.create2.product, 0x00ABu);
    const std::span<const std::uint8_t> descriptor = moduleReportDescriptor();
    ASSERT_EQ(event.u.create2.rd_size, descriptor.size());
    EXPECT_TRUE(std::equal(descriptor.begin(), descriptor.end(), event.u.create2.rd_data));
}

TEST(UhidEventsTest, LongNameIsCutAndStaysTerminated) {
    const uhid_event event =
        makeCreateEvent({.name = std::string(300, 'x'), .bus = BUS_USB}, moduleReportDescriptor());
    EXPECT_EQ(std::strlen(reinterpret_cast<const char*>(event.u.create2.name)),
              sizeof event.u.create2.name - 1);
    const Bytes tooLong(HID_MAX_DESCRIPTOR_SIZE + 1, 0);
    EXPECT_THROW(makeCreateEvent({.name = "VOLTRIX"}, tooLong), std::invalid_argument);
}

TEST(UhidModuleBridgeTest, StreamsOnlyWhileStartedAndOpened) {
    VirtualModule module;
    UhidModuleBridge bridge(module);
    const struct {
        std::uint32_t event;
        bool streaming;
    } steps[] = {
        {UHID_OPEN, false}, {UHID_START, true},  {UHID_CLOSE, false}, {UHID_OPEN, true},
        {UHID_STOP, false}, {UHID_START, false}, {UHID_OPEN, true},
    };
    EXPECT_FALSE(bridge.streaming());
    for (const auto& step : steps) {
        EXPECT_TRUE(bridge.handle(kernelEvent(step.event)).empty());
        EXPECT_EQ(bridge.streaming(), step.streaming) << "after event " << step.event;
    }
}

TEST(UhidModuleBridgeTest, AnswersOutputReportsThroughTheModelAndEchoesThemExactly) {
    VirtualModule module;
    std::vector<std::string> echoed;
    UhidModuleBridge bridge(module, [&](std::string_view line) { echoed.emplace_back(line); });

    const Bytes request = commandReport(readRequest(ParamId::FirmwareVersion, 0));
    const std::vector<uhid_event> replies = bridge.handle(outputEvent(request));
    ASSERT_EQ(replies.size(), 1u);
    const Bytes answer = inputReport(replies[0]);
    ASSERT_EQ(answer.size(), VirtualModule::kReportLength);
    EXPECT_EQ(answer[0], VirtualModule::kReportId);
    EXPECT_EQ(decodeFirmwareVersion(withoutReportId(answer)), "1.02");
    EXPECT_EQ(echoed, (std::vector<std::string>{"output " + hexBytes(request),
                                                "answer " + hexBytes(answer)}));

    // A write is applied and acknowledged.
    const Bytes write = commandReport(writeInteger(ParamId::TriggerTime, 0, 25));
    ASSERT_EQ(bridge.handle(outputEvent(write)).size(), 1u);
    EXPECT_EQ(module.reportInterval(), std::chrono::milliseconds(25));
}

TEST(UhidModuleBridgeTest, UnansweredAndForeignReportsGetNoAnswer) {
    VirtualModule module;
    std::vector<std::string> echoed;
    UhidModuleBridge bridge(module, [&](std::string_view line) { echoed.emplace_back(line); });

    // The model does not answer a request for EncClear; the report is still echoed.
    const Bytes unanswered = commandReport(readRequest(ParamId::EncClear, 0));
    EXPECT_TRUE(bridge.handle(outputEvent(unanswered)).empty());
    EXPECT_EQ(echoed, std::vector<std::string>{"output " + hexBytes(unanswered)});

    // Feature reports are not output reports: not for the model, not echoed.
    const Bytes request = commandReport(readRequest(ParamId::FirmwareVersion, 0));
    EXPECT_TRUE(bridge.handle(outputEvent(request, UHID_FEATURE_REPORT)).empty());
    EXPECT_EQ(echoed.size(), 1u);
}

TEST(UhidModuleBridgeTest, RefusesFeatureReportRequestsAtOnce) {
    VirtualModule module;
    UhidModuleBridge bridge(module);

    uhid_event get = kernelEvent(UHID_GET_REPORT);
    get.u.get_report.id = 7;
    const std::vector<uhid_event> getReplies = bridge.handle(get);
    ASSERT_EQ(getReplies.size(), 1u);
    EXPECT_EQ(getReplies[0].type, UHID_GET_REPORT_REPLY);
    EXPECT_EQ(getReplies[0].u.get_report_reply.id, 7u);
    EXPECT_EQ(getReplies[0].u.get_report_reply.err, EIO);

    uhid_event set = kernelEvent(UHID_SET_REPORT);
    set.u.set_report.id = 9;
    const std::vector<uhid_event> setReplies = bridge.handle(set);
    ASSERT_EQ(setReplies.size(), 1u);
    EXPECT_EQ(setReplies[0].type, UHID_SET_REPORT_REPLY);
    EXPECT_EQ(setReplies[0].u.set_report_reply.id, 9u);
    EXPECT_EQ(setReplies[0].u.set_report_reply.err, EIO);
}

TEST(UhidModuleBridgeTest, MeasurementsAreNumberedInputReportsOfTheModel) {
    VirtualModule module;
    UhidModuleBridge bridge(module);
    float lastPosition = -1.0f;
    for (int i = 0; i < 3; ++i) {
        const std::optional<uhid_event> event = bridge.nextMeasurement();
        ASSERT_TRUE(event);
        const Bytes report = inputReport(*event);
        ASSERT_EQ(report.size(), VirtualModule::kReportLength);
        EXPECT_EQ(report[0], VirtualModule::kReportId);
        EXPECT_EQ(report[1], 0);  // measurement report
        Measurement measurement;
        DecodeMeasurement(withoutReportId(report), measurement);
        EXPECT_EQ(measurement.enc[0].position, lastPosition + 1.0f);
        lastPosition = measurement.enc[0].position;
    }

    // Trigger modes other than continuous transmission send nothing.
    const Bytes triggered = commandReport(writeSelection(ParamId::TriggerMode, 0, 1));
    ASSERT_EQ(bridge.handle(outputEvent(triggered)).size(), 1u);
    EXPECT_FALSE(bridge.nextMeasurement());
}

TEST(HexBytesTest, UpperCasePairsSeparatedByBlanks) {
    EXPECT_EQ(hexBytes(Bytes{0x01, 0xAB, 0x00, 0xF0}), "01 AB 00 F0");
    EXPECT_EQ(hexBytes(Bytes{}), "");
}

}  // namespace
}  // namespace voltrix
