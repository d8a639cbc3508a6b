// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/protocol/report_receiver.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <bit>
#include <string>
#include <vector>

#include "language_fixture.h"

namespace voltrix {
namespace {

using Bytes = std::vector<std::uint8_t>;

class RecordingObserver : public ReportObserver {
public:
    void AppendLogLine(std::string_view line) override { lines.emplace_back(line); }
    void parameterReportReceived(const LastReport& report) override {
        parameterReports.push_back(report);
    }
    void outputRuleAcknowledged(std::uint8_t channel) override { ruleAcks.push_back(channel); }
    // The text the status bar shows for it, in the active language.
    void writeAcknowledged(std::uint8_t paramId, std::uint8_t channel) override {
        statusMessages.push_back(acknowledgementText(paramId, channel));
    }

    std::vector<std::string> lines;
    std::vector<LastReport> parameterReports;
    std::vector<int> ruleAcks;
    std::vector<QString> statusMessages;
};

class ReportReceiverTest : public testing::LanguageTest {
protected:
    ReportReceiverTest() {
        receiver.logSettings().set(LogColumn::Counter);
        receiver.logSettings().set(LogColumn::Enc1Position);
        receiver.logSettings().decimals = 1;
    }

    void receive(const Bytes& data) { receiver.ReportReceived(data); }

    static Bytes measurementWithEncoderPosition(float position, std::size_t size = 64) {
        Bytes report(size, 0);
        const auto bits = std::bit_cast<std::uint32_t>(position);
        for (int i = 0; i < 4; ++i) {
            report[6 + i] = static_cast<std::uint8_t>(bits >> (8 * i));
        }
        return report;
    }

    RecordingObserver observer;
    ReportReceiver receiver{observer, [] { return ClockReading{2026, 12, 8, 9, 5, 3, 42}; }};
};

TEST_F(ReportReceiverTest, MeasurementReportsAreDecodedLoggedAndCounted) {
    receive(measurementWithEncoderPosition(1.0f));
    EXPECT_TRUE(receiver.takeChartPointDue());
    EXPECT_FALSE(receiver.takeChartPointDue());
    receive(measurementWithEncoderPosition(2.0f));
    receive(measurementWithEncoderPosition(3.0f));

    EXPECT_EQ(receiver.measurementCount(), 3u);
    EXPECT_EQ(receiver.reportCount(), 3u);
    EXPECT_EQ(receiver.measurement().enc[0].position, 3.0f);
    EXPECT_TRUE(receiver.takeChartPointDue());
    // The line of a report carries the count of the reports before it.
    EXPECT_THAT(observer.lines, ::testing::ElementsAre("0;1.0;\r\n", "1;2.0;\r\n", "2;3.0;\r\n"));
    EXPECT_EQ(receiver.logLine(), "2;3.0;\r\n");
}

TEST_F(ReportReceiverTest, AcknowledgementsShowTheirTextInTheActiveLanguage) {
    struct Case {
        Bytes report;
        const char* polish;
        const char* english;
    };
    const Case cases[] = {
        {{2, 4, 0}, "Zaktualizowane parametr: [4][0]", "Updated parameter: [4][0]"},
        {{2, 16, 5}, "Zaktualizowane parametr: [16][5]", "Updated parameter: [16][5]"},
        {{2, 255, 7}, "Zaktualizowane parametr: [255][7]", "Updated parameter: [255][7]"},
    };
    for (const Case& c : cases) {
        use(Language::Polish);
        receive(c.report);
        use(Language::English);
        receive(c.report);
    }
    ASSERT_EQ(observer.statusMessages.size(), 6u);
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(observer.statusMessages[2 * i], QString::fromUtf8(cases[i].polish));
        EXPECT_EQ(observer.statusMessages[2 * i + 1], QString::fromUtf8(cases[i].english));
    }
    EXPECT_TRUE(observer.ruleAcks.empty());
}

TEST_F(ReportReceiverTest, OutputRuleAcknowledgementsBeforeTheLastDriveTheWriteChain) {
    for (std::uint8_t channel = 0; channel < 5; ++channel) {
        receive({2, 16, channel});
    }
    EXPECT_THAT(observer.ruleAcks, ::testing::ElementsAre(0, 1, 2, 3, 4));
    EXPECT_TRUE(observer.statusMessages.empty());

    receive({2, 16, 5});
    ASSERT_EQ(observer.statusMessages.size(), 1u);
    EXPECT_EQ(observer.statusMessages[0], QString::fromUtf8("Zaktualizowane parametr: [16][5]"));
}

TEST_F(ReportReceiverTest, ParameterReportsAreHandedOnWholeBuffer) {
    receive(Bytes(40, 0xAA));
    receive({1, 27, 0, '1', '.', '0', '2'});

    ASSERT_EQ(observer.parameterReports.size(), 1u);
    const LastReport& report = observer.parameterReports[0];
    EXPECT_EQ(report[1], 27);
    EXPECT_EQ(report[6], '2');
    EXPECT_EQ(report[7], 0xAA);  // left over from the longer report before
}

TEST_F(ReportReceiverTest, OtherReportTypesAreOnlyCountedAndKept) {
    receive(measurementWithEncoderPosition(7.0f));
    receive({5, 9, 9});

    EXPECT_EQ(receiver.reportCount(), 2u);
    EXPECT_EQ(receiver.measurementCount(), 1u);
    EXPECT_EQ(receiver.lastReport()[0], 5);
    EXPECT_EQ(receiver.lastReport()[2], 9);
    EXPECT_EQ(receiver.lastReport()[6], 0);  // encoder bytes of the older report stay
    EXPECT_EQ(receiver.lastReport()[9], 0x40);
    EXPECT_EQ(observer.lines.size(), 1u);
    EXPECT_TRUE(observer.statusMessages.empty());
    EXPECT_TRUE(observer.parameterReports.empty());
}

TEST_F(ReportReceiverTest, ShortMeasurementReportsReuseTheBytesOfEarlierReports) {
    receive(measurementWithEncoderPosition(5.0f, 64));
    Bytes shortReport(5, 0);  // ends before the encoder position
    receive(shortReport);

    EXPECT_EQ(receiver.measurementCount(), 2u);
    EXPECT_EQ(receiver.measurement().enc[0].position, 5.0f);
}

TEST_F(ReportReceiverTest, ReportsLongerThanTheBufferAreCut) {
    Bytes longReport(200, 0x11);
    longReport[0] = 7;
    receive(longReport);

    EXPECT_EQ(receiver.reportCount(), 1u);
    EXPECT_EQ(receiver.lastReport()[127], 0x11);
}

TEST_F(ReportReceiverTest, AnEmptyReportIsCountedButNotDispatched) {
    receive({2, 16, 5});
    observer.statusMessages.clear();
    receive({});

    EXPECT_EQ(receiver.reportCount(), 2u);
    EXPECT_TRUE(observer.statusMessages.empty());
    EXPECT_EQ(receiver.lastReport()[0], 2);
}

TEST(ReportRateText, ReportsPerIntervalInKilohertz) {
    EXPECT_EQ(reportRateText(250, 333, QStringLiteral(",")), QStringLiteral("0,7508 kHz"));
    EXPECT_EQ(reportRateText(100, 333, QStringLiteral(",")), QStringLiteral("0,3003 kHz"));
    EXPECT_EQ(reportRateText(333, 333, QStringLiteral(".")), QStringLiteral("1.0000 kHz"));
    EXPECT_EQ(reportRateText(0, 333, QStringLiteral(".")), QStringLiteral("0.0000 kHz"));
}

}  // namespace
}  // namespace voltrix
