// SPDX-License-Identifier: GPL-3.0-or-later
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QTest>

#include "engine/text/format_value.h"
#include "ui/config/output_rules_panel.h"
#include "ui/window/edit_marking.h"
#include "ui/window/window_fixture.h"

namespace voltrix {
namespace {

using testing::WindowTest;
using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kReportLength = 65;

// Keeps every output report the window writes.
class RecordingDevice : public OutputReportDevice {
public:
    std::size_t outputReportLength() override { return kReportLength; }
    bool writeOutputReport(std::span<const std::uint8_t> report) override {
        written.emplace_back(report.begin(), report.end());
        return true;
    }

    std::vector<Bytes> written;
};

// The output report of one command: report ID 1, kind, payload, zero padding.
Bytes outputReport(CommandKind kind, const Bytes& payload) {
    Bytes report(kReportLength, 0);
    report[0] = 1;
    report[1] = static_cast<std::uint8_t>(kind);
    std::copy(payload.begin(), payload.end(), report.begin() + 2);
    return report;
}

Bytes ruleWrite(const Bytes& payload) {
    return outputReport(CommandKind::WriteCommand, payload);
}

Bytes ruleRead(std::uint8_t channel) {
    return outputReport(CommandKind::ReadRequest, {16, channel});
}

// A rule report of the module for `channel` with the 13 rule bytes.
LastReport ruleReport(std::uint8_t channel, const Bytes& rule) {
    LastReport report{};
    report[0] = 1;
    report[1] = 16;
    report[2] = channel;
    std::copy(rule.begin(), rule.end(), report.begin() + 3);
    return report;
}

QString separator() {
    return QLocale::system().decimalPoint();
}

// A number as the operator types it, with the system's decimal separator.
QString typed(const char* text) {
    return QString::fromLatin1(text).replace(QLatin1Char('.'), separator());
}

QString shown(float value) {
    return FormatValue(value, 4, separator());
}

// One row of the grid as the operator fills it.
struct RowInput {
    int source = 0;
    int compare1 = 0;
    QString value1{};
    int logic = 0;
    int compare2 = 0;
    QString value2{};
    int state = 0;
};

// Which controls of a row are enabled: B, N, T and S together, C and M together.
struct RowEnabling {
    bool first = false;
    bool second = false;

    bool operator==(const RowEnabling&) const = default;
};

void PrintTo(const RowEnabling& e, std::ostream* os) {
    *os << "{first " << e.first << ", second " << e.second << "}";
}

class OutputRulesTest : public WindowTest {
protected:
    // A window without a module whose commands go to `device`.
    void openRecorded() {
        recorder.setDevice(&device);
        commandPort = &recorder;
        window = open();
        panel = window->findChild<OutputRulesPanel*>();
        ASSERT_NE(panel, nullptr);
    }

    const ControlArrays& arrays() { return window->controlArrays(); }

    void fillRow(int row, const RowInput& input) {
        arrays().out_W[row]->setCurrentIndex(input.source);
        arrays().out_B[row]->setCurrentIndex(input.compare1);
        arrays().out_N[row]->setText(input.value1);
        arrays().out_T[row]->setCurrentIndex(input.logic);
        arrays().out_C[row]->setCurrentIndex(input.compare2);
        arrays().out_M[row]->setText(input.value2);
        arrays().out_S[row]->setCurrentIndex(input.state);
    }

    // A choice of the operator in a list.
    static void choose(QComboBox* list, int index) {
        list->setCurrentIndex(index);
        emit list->activated(index);
    }

    void click(const char* button) {
        QTest::mouseClick(find<QPushButton>(*window, button), Qt::LeftButton);
    }

    RowEnabling enabling(int row) {
        const ControlArrays& a = arrays();
        const bool first = a.out_B[row]->isEnabled();
        EXPECT_EQ(a.out_N[row]->isEnabled(), first) << "row " << row;
        EXPECT_EQ(a.out_T[row]->isEnabled(), first) << "row " << row;
        EXPECT_EQ(a.out_S[row]->isEnabled(), first) << "row " << row;
        const bool second = a.out_C[row]->isEnabled();
        EXPECT_EQ(a.out_M[row]->isEnabled(), second) << "row " << row;
        EXPECT_TRUE(a.out_W[row]->isEnabled()) << "row " << row;
        return {first, second};
    }

    RecordingDevice device;
    CommandSender recorder;
    std::unique_ptr<TFMain> window;
    OutputRulesPanel* panel = nullptr;
};

TEST_F(OutputRulesTest, InactiveRulesGoOutOneAfterEachAcknowledgement) {
    openRecorded();

    click("BitBtn43");

    ASSERT_EQ(device.written.size(), 1u);
    EXPECT_EQ(device.written[0], ruleWrite({16, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    for (std::uint8_t channel = 0; channel < 5; ++channel) {
        panel->ruleAcknowledged(channel);
        ASSERT_EQ(device.written.size(), channel + 2u);
        const std::uint8_t next = channel + 1;
        EXPECT_EQ(device.written.back(),
                  ruleWrite({16, next, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    }
    // The last acknowledgement ends the chain.
    panel->ruleAcknowledged(5);
    EXPECT_EQ(device.written.size(), 6u);
}

TEST_F(OutputRulesTest, ThirdRuleSendsItsIndicesAndKeepsTheStoredSecondThreshold) {
    openRecorded();
    QLineEdit* value2 = arrays().out_M[2];
    fillRow(2, {.source = 3,
                .compare1 = 1,
                .value1 = typed("2.5"),
                .logic = 1,
                .compare2 = 1,
                .value2 = typed("-10"),
                .state = 1});
    click("BitBtn43");
    ASSERT_EQ(panel->ruleTable()[2].value2, -10.0f);

    // With a logic the second threshold is needed and must parse.
    value2->setText(QStringLiteral("x"));
    click("BitBtn43");
    EXPECT_EQ(editMark(value2), EditMark::Error);
    ASSERT_EQ(device.written.size(), 1u);

    // Without one it is neither parsed nor sent anew.
    arrays().out_T[2]->setCurrentIndex(0);
    click("BitBtn43");
    panel->ruleAcknowledged(0);
    panel->ruleAcknowledged(1);

    EXPECT_EQ(editMark(value2), EditMark::Normal);
    ASSERT_EQ(device.written.size(), 4u);
    EXPECT_EQ(device.written.back(),
              ruleWrite({16, 2, 3, 1, 1, 0, 1, 0, 0, 32, 64, 0, 0, 32, 193}));
}

TEST_F(OutputRulesTest, AMissingThresholdStopsTheWriteAfterStoringTheEarlierRows) {
    openRecorded();
    fillRow(0, {.source = 14, .compare1 = 1, .value1 = typed("2.5"), .state = 1});
    fillRow(1, {.source = 1, .compare1 = 1, .value1 = QStringLiteral("abc"), .logic = 2});
    fillRow(2, {.source = 2,
                .value1 = typed("0.25"),
                .logic = 2,
                .compare2 = 1,
                .value2 = typed("1234.5"),
                .state = 1});
    fillRow(3, {.source = 0, .compare2 = 1, .state = 1});
    fillRow(4, {.source = 5, .compare1 = 1, .value1 = QString(), .logic = 1, .state = 1});
    fillRow(5, {.source = 15, .value1 = typed("1"), .state = 1});

    click("BitBtn43");

    EXPECT_EQ(editMark(arrays().out_N[4]), EditMark::Error);
    EXPECT_TRUE(device.written.empty());
    const std::array<OutputRule, 6> expected{{
        {.source = 14, .compare1 = 1, .state = 1, .value1 = 2.5f},
        {.source = 1, .compare1 = 1, .logic = 2},
        {.source = 2, .compare2 = 1, .logic = 2, .state = 1, .value1 = 0.25f, .value2 = 1234.5f},
        {.compare2 = 1, .state = 1},
        // The indices of the failing row are stored before its threshold is read.
        {.source = 5, .compare1 = 1, .logic = 1, .state = 1},
        {},
    }};
    EXPECT_EQ(panel->ruleTable(), expected);
}

struct ThresholdCase {
    const char* name;
    int source;
    int logic;
    const char* value1;
    const char* value2;
    bool sent;
    EditMark mark1;  // of out5_N and out5_M after the click; both carried
    EditMark mark2;  // the clamp mark before it
    float stored1;
    float stored2;
};

void PrintTo(const ThresholdCase& c, std::ostream* os) {
    *os << c.name;
}

class OutputRuleThresholdTest : public OutputRulesTest,
                                public ::testing::WithParamInterface<ThresholdCase> {};

TEST_P(OutputRuleThresholdTest, OnlyNeededThresholdsAreParsed) {
    const ThresholdCase& c = GetParam();
    openRecorded();
    constexpr int row = 4;
    fillRow(row, {.source = c.source,
                  .value1 = typed(c.value1),
                  .logic = c.logic,
                  .value2 = typed(c.value2)});
    markEdit(arrays().out_N[row], EditMark::Clamp);
    markEdit(arrays().out_M[row], EditMark::Clamp);

    click("BitBtn43");

    EXPECT_EQ(device.written.size(), c.sent ? 1u : 0u);
    EXPECT_EQ(editMark(arrays().out_N[row]), c.mark1);
    EXPECT_EQ(editMark(arrays().out_M[row]), c.mark2);
    EXPECT_EQ(panel->ruleTable()[row].source, c.source);
    EXPECT_EQ(panel->ruleTable()[row].value1, c.stored1);
    EXPECT_EQ(panel->ruleTable()[row].value2, c.stored2);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, OutputRuleThresholdTest,
    ::testing::Values(ThresholdCase{"EmptyValue1", 2, 0, "", "1", false, EditMark::Error,
                                    EditMark::Clamp, 0, 0},
                      ThresholdCase{"Value1BeyondSinglePrecision", 14, 1, "1e39", "1", false,
                                    EditMark::Error, EditMark::Clamp, 0, 0},
                      ThresholdCase{"LettersInNeededValue2", 5, 2, "1.5", "abc", false,
                                    EditMark::Clamp, EditMark::Error, 1.5f, 0},
                      ThresholdCase{"BothParse", 15, 1, "-0.25", "1e3", true, EditMark::Clamp,
                                    EditMark::Clamp, -0.25f, 1000.0f},
                      ThresholdCase{"Value2NotNeededWithoutLogic", 5, 0, "1.5", "abc", true,
                                    EditMark::Clamp, EditMark::Normal, 1.5f, 0},
                      ThresholdCase{"AlwaysActiveNeedsNoThreshold", 1, 2, "abc", "abc", true,
                                    EditMark::Normal, EditMark::Normal, 0, 0},
                      ThresholdCase{"InactiveNeedsNoThreshold", 0, 1, "", "", true,
                                    EditMark::Normal, EditMark::Normal, 0, 0}),
    [](const ::testing::TestParamInfo<ThresholdCase>& info) { return info.param.name; });

struct EnablingCase {
    const char* name;
    int row;
    int logic;   // set beforehand, as a read-back would
    int source;  // then chosen by the operator
    RowEnabling expected;
};

void PrintTo(const EnablingCase& c, std::ostream* os) {
    *os << c.name;
}

class OutputRuleEnablingTest : public OutputRulesTest,
                               public ::testing::WithParamInterface<EnablingCase> {};

TEST_P(OutputRuleEnablingTest, ChoosingASourceEnablesItsRow) {
    const EnablingCase& c = GetParam();
    openRecorded();
    // Start from a fully enabled row, so that disabling shows as well.
    arrays().out_T[c.row]->setCurrentIndex(1);
    choose(arrays().out_W[c.row], 14);
    ASSERT_EQ(enabling(c.row), (RowEnabling{true, true}));

    arrays().out_T[c.row]->setCurrentIndex(c.logic);
    choose(arrays().out_W[c.row], c.source);

    EXPECT_EQ(enabling(c.row), c.expected);
    for (int other = 0; other < 6; ++other) {
        if (other != c.row) {
            EXPECT_EQ(enabling(other), (RowEnabling{false, false})) << "row " << other;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, OutputRuleEnablingTest,
    ::testing::Values(EnablingCase{"AlwaysActive", 1, 1, 1, {false, false}},
                      EnablingCase{"Inactive", 5, 2, 0, {false, false}},
                      EnablingCase{"MathWithoutLogic", 1, 0, 14, {true, false}},
                      EnablingCase{"MathWithLogic", 1, 1, 14, {true, true}},
                      EnablingCase{"FirstRegisterWithOr", 0, 2, 2, {true, true}}),
    [](const ::testing::TestParamInfo<EnablingCase>& info) { return info.param.name; });

TEST_F(OutputRulesTest, ChoosingALogicEnablesTheSecondCondition) {
    openRecorded();
    choose(arrays().out_W[3], 7);
    ASSERT_EQ(enabling(3), (RowEnabling{true, false}));

    choose(arrays().out_T[3], 2);
    EXPECT_EQ(enabling(3), (RowEnabling{true, true}));

    choose(arrays().out_T[3], 0);
    EXPECT_EQ(enabling(3), (RowEnabling{true, false}));

    // A selection made by the program leaves the enabling alone.
    arrays().out_W[3]->setCurrentIndex(0);
    EXPECT_EQ(enabling(3), (RowEnabling{true, false}));
}

TEST_F(OutputRulesTest, ReadBackFillsEachRowAndEnablesTheRowsAfterTheLast) {
    openRecorded();
    // A mark from an earlier write goes, even where the text stays the same.
    arrays().out_N[0]->setText(shown(2.5f));
    markEdit(arrays().out_N[0], EditMark::Error);
    // Rule bytes: source, compare1, compare2, logic, state, value1, value2.
    const std::array<Bytes, 6> rules{{
        {14, 1, 0, 2, 1, 0, 0, 32, 64, 0, 0, 32, 193},  // MATH [1], or; 2.5, -10
        {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
        {3, 0, 1, 0, 1, 0, 0, 128, 62, 0, 80, 154, 68},  // ADC [2], condition 1 only
        {1, 1, 1, 1, 1, 0, 0, 128, 63, 0, 0, 0, 191},    // always active
        {20, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},        // no such source
        {15, 1, 0, 1, 7, 0, 0, 200, 66, 0, 0, 0, 0},     // no such state
    }};

    click("BitBtn44");
    ASSERT_EQ(device.written, std::vector<Bytes>{ruleRead(0)});
    for (std::uint8_t channel = 0; channel < 5; ++channel) {
        panel->ruleReportReceived(ruleReport(channel, rules[channel]));
        ASSERT_EQ(device.written.size(), channel + 2u);
        EXPECT_EQ(device.written.back(), ruleRead(channel + 1));
        // The rows keep their enabling until the last report.
        EXPECT_EQ(enabling(0), (RowEnabling{false, false}));
    }
    panel->ruleReportReceived(ruleReport(5, rules[5]));
    EXPECT_EQ(device.written.size(), 6u);

    const ControlArrays& a = arrays();
    const std::array<std::array<int, 5>, 6> indices{{
        // out_W, out_B, out_C, out_T, out_S
        {14, 1, 0, 2, 1},
        {0, 0, 0, 0, 0},
        {3, 0, 1, 0, 1},
        {1, 1, 1, 1, 1},
        {-1, 0, 0, 0, 0},
        {15, 1, 0, 1, -1},
    }};
    const std::array<std::pair<float, float>, 6> thresholds{
        {{2.5f, -10.0f}, {0, 0}, {0.25f, 1234.5f}, {1.0f, -0.5f}, {0, 0}, {100.0f, 0}}};
    const std::array<RowEnabling, 6> enabled{{{true, true},
                                              {false, false},
                                              {true, false},
                                              {false, false},
                                              {false, false},
                                              {true, true}}};
    for (int row = 0; row < 6; ++row) {
        SCOPED_TRACE(row);
        EXPECT_EQ((std::array<int, 5>{a.out_W[row]->currentIndex(), a.out_B[row]->currentIndex(),
                                      a.out_C[row]->currentIndex(), a.out_T[row]->currentIndex(),
                                      a.out_S[row]->currentIndex()}),
                  indices[row]);
        EXPECT_EQ(a.out_N[row]->text(), shown(thresholds[row].first));
        EXPECT_EQ(a.out_M[row]->text(), shown(thresholds[row].second));
        EXPECT_EQ(enabling(row), enabled[row]);
    }
    EXPECT_EQ(a.out_N[0]->text(), typed("2.5000"));
    EXPECT_EQ(editMark(a.out_N[0]), EditMark::Normal);
}

TEST_F(OutputRulesTest, ChannelsBeyondTheSixOutputsAreIgnored) {
    openRecorded();
    for (const std::uint8_t channel : {6, 7, 255}) {
        SCOPED_TRACE(channel);
        panel->ruleReportReceived(
            ruleReport(channel, {14, 1, 1, 2, 1, 0, 0, 32, 64, 0, 0, 32, 193}));
        panel->ruleAcknowledged(channel);
    }
    panel->ruleAcknowledged(5);

    EXPECT_TRUE(device.written.empty());
    for (int row = 0; row < 6; ++row) {
        EXPECT_EQ(arrays().out_W[row]->currentIndex(), 0);
        EXPECT_EQ(arrays().out_T[row]->currentIndex(), 0);
        EXPECT_TRUE(arrays().out_N[row]->text().isEmpty());
        EXPECT_EQ(enabling(row), (RowEnabling{false, false}));
    }
}

TEST_F(OutputRulesTest, RulesWrittenToTheModuleReadBackTheSame) {
    const std::string path = bus.plugModule();
    window = open();
    ASSERT_TRUE(waitFor([&] { return window->connected(); }));
    const std::array<OutputRule, 6> rules{{
        {.source = 2, .compare1 = 1, .state = 1, .value1 = 2.5f},
        {.source = 1, .state = 1},
        {.source = 14,
         .compare1 = 1,
         .compare2 = 0,
         .logic = 2,
         .state = 1,
         .value1 = 100.0f,
         .value2 = -10.0f},
        {},
        {.source = 11, .compare2 = 1, .logic = 1, .value1 = -0.5f, .value2 = 1234.5f},
        {.source = 15,
         .compare1 = 1,
         .compare2 = 1,
         .logic = 1,
         .state = 1,
         .value1 = 0.25f,
         .value2 = 1.0f},
    }};
    for (int row = 0; row < 6; ++row) {
        const OutputRule& r = rules[row];
        fillRow(row, {.source = r.source,
                      .compare1 = r.compare1,
                      .value1 = shown(r.value1),
                      .logic = r.logic,
                      .compare2 = r.compare2,
                      .value2 = shown(r.value2),
                      .state = r.state});
    }

    click("BitBtn43");

    const QString confirmation = QString::fromUtf8("Zaktualizowane parametr: [16][5]");
    ASSERT_TRUE(
        waitFor([&] { return window->statusPanels().text(StatusPanel::Message) == confirmation; }));
    EXPECT_EQ(bus.module(path)->settings().outputRules, rules);
    std::vector<int> writtenRows;
    for (const Bytes& report : bus.writtenReports(path)) {
        if (report[1] == 2 && report[2] == 16) {
            writtenRows.push_back(report[3]);
        }
    }
    EXPECT_EQ(writtenRows, (std::vector<int>{0, 1, 2, 3, 4, 5}));

    // Cleared controls, and rows disabled as at start.
    auto* rulesPanel = window->findChild<OutputRulesPanel*>();
    for (int row = 0; row < 6; ++row) {
        fillRow(row, {});
        rulesPanel->applyRowEnabling(row);
        ASSERT_EQ(enabling(row), (RowEnabling{false, false}));
    }
    click("BitBtn44");

    ASSERT_TRUE(waitFor([&] { return !arrays().out_N[5]->text().isEmpty(); }));
    for (int row = 0; row < 6; ++row) {
        SCOPED_TRACE(row);
        const OutputRule& r = rules[row];
        const ControlArrays& a = arrays();
        EXPECT_EQ(a.out_W[row]->currentIndex(), r.source);
        EXPECT_EQ(a.out_B[row]->currentIndex(), r.compare1);
        EXPECT_EQ(a.out_N[row]->text(), shown(r.value1));
        EXPECT_EQ(a.out_T[row]->currentIndex(), r.logic);
        EXPECT_EQ(a.out_C[row]->currentIndex(), r.compare2);
        EXPECT_EQ(a.out_M[row]->text(), shown(r.value2));
        EXPECT_EQ(a.out_S[row]->currentIndex(), r.state);
        EXPECT_EQ(enabling(row), (RowEnabling{r.source >= 2, r.source >= 2 && r.logic != 0}));
    }
}

}  // namespace
}  // namespace voltrix
