// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/protocol/report_framing.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

namespace voltrix {
namespace {

using ::testing::ElementsAre;
using Bytes = std::vector<std::uint8_t>;

// A module that records every output report written to it.
class RecordingDevice : public OutputReportDevice {
public:
    explicit RecordingDevice(std::size_t length) : length_(length) {}

    std::size_t outputReportLength() override {
        if (failLength) {
            throw std::runtime_error("capabilities unavailable");
        }
        return length_;
    }
    bool writeOutputReport(std::span<const std::uint8_t> report) override {
        if (failWrite) {
            throw std::runtime_error("write failed");
        }
        written.emplace_back(report.begin(), report.end());
        return true;
    }

    std::vector<Bytes> written;
    bool failLength = false;
    bool failWrite = false;

private:
    std::size_t length_;
};

Bytes padded(Bytes head, std::size_t length) {
    head.resize(length, 0);
    return head;
}

TEST(FrameOutputReport, WriteCommandIsPaddedToTheDeclaredLength) {
    const std::uint8_t payload[] = {0x04, 0x00, 0x00, 0x00, 0xC0, 0x3F};
    const Bytes report = FrameOutputReport(CommandKind::WriteCommand, payload, 65);
    EXPECT_EQ(report, padded({0x01, 0x02, 0x04, 0x00, 0x00, 0x00, 0xC0, 0x3F}, 65));
}

TEST(FrameOutputReport, LengthsAroundTheBufferSize) {
    const std::uint8_t payload[] = {0x1F, 0x00};
    struct Case {
        std::size_t length;
        Bytes expected;
    };
    const Case cases[] = {
        {3, {0x01, 0x01, 0x1F}},  // shorter than the command: cut
        {256, padded({0x01, 0x01, 0x1F, 0x00}, 256)},
        {300, padded({0x01, 0x01, 0x1F, 0x00}, 300)},  // longer than 256: not refused
        {0, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.length);
        EXPECT_EQ(FrameOutputReport(CommandKind::ReadRequest, payload, c.length), c.expected);
    }
}

TEST(CommandSender, RequestParameterWritesOneReadRequest) {
    RecordingDevice device(65);
    CommandSender sender;
    sender.setDevice(&device);

    sender.RequestParameter(31, 0);

    ASSERT_EQ(device.written.size(), 1u);
    EXPECT_EQ(device.written[0], padded({0x01, 0x01, 0x1F, 0x00}, 65));
}

TEST(CommandSender, NothingIsWrittenWhileNotConnected) {
    RecordingDevice device(65);
    CommandSender sender;
    sender.setDevice(&device);
    sender.setDevice(nullptr);

    const std::uint8_t payload[] = {20, 1};
    sender.SendCommand(CommandKind::WriteCommand, payload);
    sender.RequestParameter(27, 0);

    EXPECT_FALSE(sender.connected());
    EXPECT_TRUE(device.written.empty());
}

TEST(CommandSender, TransportErrorsAreSwallowedAndLeaveTheSenderUsable) {
    RecordingDevice device(8);
    CommandSender sender;
    sender.setDevice(&device);

    device.failLength = true;
    EXPECT_NO_THROW(sender.RequestParameter(27, 0));
    device.failLength = false;
    device.failWrite = true;
    EXPECT_NO_THROW(sender.RequestParameter(27, 0));
    device.failWrite = false;
    sender.RequestParameter(30, 0);

    EXPECT_TRUE(sender.connected());
    ASSERT_EQ(device.written.size(), 1u);
    EXPECT_THAT(device.written[0], ElementsAre(1, 1, 30, 0, 0, 0, 0, 0));
}

}  // namespace
}  // namespace voltrix
