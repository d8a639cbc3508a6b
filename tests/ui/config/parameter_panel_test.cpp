// SPDX-License-Identifier: GPL-3.0-or-later
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include "device/virtual/virtual_module.h"
#include "ui/config/parameter_panel.h"
#include "ui/window/edit_marking.h"
#include "ui/window/window_fixture.h"

namespace voltrix {
namespace {

using ::testing::ElementsAre;
using testing::WindowTest;
using Bytes = std::vector<std::uint8_t>;

// `text` with every '.' written as the system's decimal separator.
QString local(const char* text) {
    return QString::fromUtf8(text).replace(QLatin1Char('.'), QLocale::system().decimalPoint());
}

const QString kNoSelection = QStringLiteral("<none>");

// What a control shows: the text of an edit, label or memo, the selected entry
// of a list (kNoSelection without one).
QString shown(TFMain& window, const char* name) {
    QObject* object = window.findChild<QObject*>(QString::fromLatin1(name));
    if (auto* list = qobject_cast<QComboBox*>(object)) {
        return list->currentIndex() < 0 ? kNoSelection : list->currentText();
    }
    if (auto* edit = qobject_cast<QLineEdit*>(object)) {
        return edit->text();
    }
    if (auto* label = qobject_cast<QLabel*>(object)) {
        return label->text();
    }
    if (auto* memo = qobject_cast<QPlainTextEdit*>(object)) {
        return memo->toPlainText();
    }
    ADD_FAILURE() << "no control " << name;
    return {};
}

// The output report of one command: report ID 1, the command kind, the
// payload, zeros up to the module's report length.
Bytes outputReport(CommandKind kind, const Bytes& payload) {
    Bytes report(VirtualModule::kReportLength, 0);
    report[0] = VirtualModule::kReportId;
    report[1] = static_cast<std::uint8_t>(kind);
    std::copy(payload.begin(), payload.end(), report.begin() + 2);
    return report;
}

class ParameterPanelTest : public WindowTest {
protected:
    // A window connected to a fresh module that measures slowly, so that its
    // answers never wait behind a full input queue.
    void openConnected() {
        VirtualModuleSettings settings;
        settings.triggerTimeMs = 1000;
        module_ = bus.plugModule(std::make_shared<VirtualModule>(settings));
        window_ = open();
        ASSERT_TRUE(waitFor([&] { return window_->connected(); }));
    }

    void openDisconnected() { window_ = open(); }

    std::size_t writtenCount() const { return bus.writtenReports(module_).size(); }

    // Commands of `kind` written to the module since `count` reports had been.
    std::vector<Bytes> writtenSince(std::size_t count, CommandKind kind) const {
        std::vector<Bytes> written;
        const std::vector<Bytes> all = bus.writtenReports(module_);
        for (std::size_t i = count; i < all.size(); ++i) {
            if (all[i].size() > 1 && all[i][1] == static_cast<std::uint8_t>(kind)) {
                written.push_back(all[i]);
            }
        }
        return written;
    }

    void click(const char* button) {
        QTest::mouseClick(find<QPushButton>(*window_, button), Qt::LeftButton);
    }

    // Hands a parameter report (type 1, ParamId, channel, value) to the
    // window's panel.
    void receive(const Bytes& bytes) {
        LastReport report{};
        std::copy(bytes.begin(), bytes.end(), report.begin());
        auto* panel = window_->findChild<ParameterPanel*>();
        ASSERT_NE(panel, nullptr);
        panel->parameterReportReceived(report);
    }

    std::unique_ptr<TFMain> window_;
    std::string module_;
};

// --- Writes ----------------------------------------------------------------

struct EditWrite {
    const char* edit;
    const char* text;  // '.' stands for the decimal separator
    const char* button;
    Bytes payload;  // empty: nothing may be sent
    EditMark mark;
    const char* after;  // the edit's text afterwards; nullptr: unchanged
};

const EditWrite kEditWrites[] = {
    // Integers, clamped to their ranges.
    {"adc_filter1_2", "0", "button_filter12", {2, 1, 1, 0, 0, 0}, EditMark::Clamp, "1"},
    {"enc_resolution_1",
     "123456",
     "button_resolution1",
     {8, 0, 16, 39, 0, 0},
     EditMark::Clamp,
     "10000"},
    {"trigger_filter", "-5", "BitBtn55", {15, 0, 0, 0, 0, 0}, EditMark::Clamp, "0"},
    {"trigger_time", "0", "BitBtn45", {14, 0, 1, 0, 0, 0}, EditMark::Clamp, "1"},
    {"adc_filter1_3", "700", "button_filter13", {2, 2, 188, 2, 0, 0}, EditMark::Normal, nullptr},
    {"adc_filter2_4", "60001", "button_filter24", {3, 3, 96, 234, 0, 0}, EditMark::Clamp, "60000"},
    {"enc_time_2", "-2147483648", "button_time2", {7, 1, 1, 0, 0, 0}, EditMark::Clamp, "1"},
    {"trigger_time", "+250", "BitBtn45", {14, 0, 250, 0, 0, 0}, EditMark::Normal, nullptr},
    // Integers that do not parse: beyond 32 bits, empty, trailing letters.
    {"enc_time_2", "2147483648", "button_time2", {}, EditMark::Error, nullptr},
    {"enc_time_1", "", "button_time1", {}, EditMark::Error, nullptr},
    {"adc_filter2_1", "12a", "button_filter21", {}, EditMark::Error, nullptr},
    {"trigger_filter", "1.5", "BitBtn55", {}, EditMark::Error, nullptr},
    // Reals in single precision, no range.
    {"adc_coeff_1", "1", "button_adccoeff1", {4, 0, 0, 0, 128, 63}, EditMark::Normal, nullptr},
    {"adc_offset_3",
     "0.1",
     "button_adcoffset3",
     {5, 2, 205, 204, 204, 61},
     EditMark::Normal,
     nullptr},
    {"adc_offset_22",
     "-2.5e1",
     "button_adcoffset22",
     {26, 1, 0, 0, 200, 193},
     EditMark::Normal,
     nullptr},
    {"enc_coeff_2", ".5", "button_enccoeff2", {9, 1, 0, 0, 0, 63}, EditMark::Normal, nullptr},
    {"enc_offset_1", "-10", "button_encoffset1", {10, 0, 0, 0, 32, 193}, EditMark::Normal, nullptr},
    {"math_offset_2", "2", "button_mathoffset2", {12, 1, 0, 0, 0, 64}, EditMark::Normal, nullptr},
    {"math_calib_2", "1e2", "button_calib2", {21, 1, 0, 0, 200, 66}, EditMark::Normal, nullptr},
    // Reals that do not parse: letters, empty, beyond single precision.
    {"adc_coeff_3", "abc", "button_adccoeff3", {}, EditMark::Error, nullptr},
    {"adc_offset_4", "", "button_adcoffset4", {}, EditMark::Error, nullptr},
    {"math_calib_1", "1e39", "button_calib1", {}, EditMark::Error, nullptr},
    {"adc_offset_21", "-4e38", "button_adcoffset21", {}, EditMark::Error, nullptr},
};

void PrintTo(const EditWrite& write, std::ostream* os) {
    *os << write.edit << " \"" << write.text << "\" " << write.button;
}

class EditWriteTest : public ParameterPanelTest, public ::testing::WithParamInterface<EditWrite> {};

TEST_P(EditWriteTest, SendsTheValueAndMarksTheEdit) {
    const EditWrite& write = GetParam();
    openConnected();
    ASSERT_FALSE(HasFatalFailure());
    auto* edit = find<QLineEdit>(*window_, write.edit);
    edit->setText(local(write.text));
    const std::size_t before = writtenCount();

    click(write.button);

    const std::vector<Bytes> written = writtenSince(before, CommandKind::WriteCommand);
    if (write.payload.empty()) {
        EXPECT_TRUE(written.empty());
    } else {
        EXPECT_THAT(written, ElementsAre(outputReport(CommandKind::WriteCommand, write.payload)));
    }
    EXPECT_EQ(editMark(edit), write.mark);
    EXPECT_EQ(edit->text(), local(write.after != nullptr ? write.after : write.text));
}

INSTANTIATE_TEST_SUITE_P(Edits, EditWriteTest, ::testing::ValuesIn(kEditWrites),
                         [](const auto& info) {
                             return std::string(info.param.button) + "_" +
                                    std::to_string(info.index);
                         });

struct ListWrite {
    const char* list;
    int index;          // -1: nothing selected
    const char* entry;  // the entry at `index`, where it matters; nullptr otherwise
    const char* button;
    Bytes payload;
};

const ListWrite kListWrites[] = {
    {"adc_mode_4", 1, nullptr, "button_adcmode4", {1, 3, 1}},
    {"adc_mode_1", -1, nullptr, "button_adcmode1", {1, 0, 255}},
    {"enc_mode_2", 3, nullptr, "button_encmode2", {6, 1, 3}},
    {"math_mode_2", 23, nullptr, "button_mathmode2", {11, 1, 23}},
    {"math_m_mode_1", 10, nullptr, "button_mathmmode1", {25, 0, 10}},
    {"trig_master_type_2", 13, nullptr, "button_trigmastetype_2", {29, 1, 13}},
    {"trig_master_type_1", 0, nullptr, "button_trigmastetype_1", {29, 0, 0}},
    {"trigger_mode", 2, nullptr, "BitBtn53", {13, 0, 2}},
    {"trig_master_mode", -1, nullptr, "BitBtn9", {28, 0, 255}},
    {"mod_br", 5, "115200", "BitBtn3", {24, 0, 5}},
    {"mod_adr", 246, "247", "BitBtn1", {23, 0, 247}},
    {"mod_adr", 0, "1", "BitBtn1", {23, 0, 1}},
};

void PrintTo(const ListWrite& write, std::ostream* os) {
    *os << write.list << " " << write.index << " " << write.button;
}

class ListWriteTest : public ParameterPanelTest, public ::testing::WithParamInterface<ListWrite> {};

TEST_P(ListWriteTest, SendsTheSelection) {
    const ListWrite& write = GetParam();
    openConnected();
    ASSERT_FALSE(HasFatalFailure());
    auto* list = find<QComboBox>(*window_, write.list);
    list->setCurrentIndex(write.index);
    ASSERT_EQ(list->currentIndex(), write.index);
    if (write.entry != nullptr) {
        ASSERT_EQ(list->currentText(), QString::fromUtf8(write.entry));
    }
    const std::size_t before = writtenCount();

    click(write.button);

    EXPECT_THAT(writtenSince(before, CommandKind::WriteCommand),
                ElementsAre(outputReport(CommandKind::WriteCommand, write.payload)));
}

INSTANTIATE_TEST_SUITE_P(Lists, ListWriteTest, ::testing::ValuesIn(kListWrites),
                         [](const auto& info) {
                             return std::string(info.param.button) + "_" +
                                    std::to_string(info.index);
                         });

TEST_F(ParameterPanelTest, ClearPositionSendsOnlyTheEncoderChannel) {
    openConnected();
    ASSERT_FALSE(HasFatalFailure());
    const std::size_t before = writtenCount();

    click("button_encclear2");
    click("button_encclear1");

    EXPECT_THAT(writtenSince(before, CommandKind::WriteCommand),
                ElementsAre(outputReport(CommandKind::WriteCommand, {20, 1}),
                            outputReport(CommandKind::WriteCommand, {20, 0})));
}

TEST_F(ParameterPanelTest, WithoutModuleTheEditsAreStillCheckedAndMarked) {
    openDisconnected();
    auto* filter = find<QLineEdit>(*window_, "adc_filter1_2");
    auto* coeff = find<QLineEdit>(*window_, "adc_coeff_3");
    filter->setText(QStringLiteral("0"));
    coeff->setText(QStringLiteral("abc"));

    click("button_filter12");
    click("button_adccoeff3");

    EXPECT_EQ(filter->text(), QStringLiteral("1"));
    EXPECT_EQ(editMark(filter), EditMark::Clamp);
    EXPECT_EQ(coeff->text(), QStringLiteral("abc"));
    EXPECT_EQ(editMark(coeff), EditMark::Error);
    // Typing into the refused edit takes the mark away.
    QTest::keyClick(coeff, Qt::Key_X);
    EXPECT_EQ(editMark(coeff), EditMark::Normal);
}

// --- Read requests -----------------------------------------------------------

struct ReadButton {
    const char* button;
    std::uint8_t paramId;
    std::uint8_t channel;
};

TEST_F(ParameterPanelTest, EveryReadButtonRequestsItsParameterAndChannel) {
    const ReadButton reads[] = {
        {"BitBtn15", 17, 0}, {"BitBtn21", 17, 1}, {"BitBtn27", 17, 2}, {"BitBtn33", 17, 3},
        {"button_1", 18, 0}, {"button_2", 18, 1}, {"BitBtn47", 11, 0}, {"BitBtn41", 11, 1},
        {"BitBtn58", 12, 0}, {"BitBtn57", 12, 1}, {"BitBtn6", 25, 0},  {"BitBtn8", 25, 1},
        {"BitBtn54", 13, 0}, {"BitBtn46", 14, 0}, {"BitBtn56", 15, 0}, {"BitBtn10", 28, 0},
        {"BitBtn12", 29, 0}, {"BitBtn14", 29, 1}, {"BitBtn2", 23, 0},  {"BitBtn4", 24, 0},
        {"BitBtn7", 27, 0},
    };
    openConnected();
    ASSERT_FALSE(HasFatalFailure());
    for (const ReadButton& read : reads) {
        SCOPED_TRACE(read.button);
        const std::size_t before = writtenCount();
        click(read.button);
        EXPECT_THAT(
            writtenSince(before, CommandKind::ReadRequest),
            ElementsAre(outputReport(CommandKind::ReadRequest, {read.paramId, read.channel})));
        EXPECT_TRUE(writtenSince(before, CommandKind::WriteCommand).empty());
    }
}

// --- Read-back -----------------------------------------------------------------

struct Shown {
    const char* control;
    const char* text;  // '.' stands for the decimal separator; "<none>": no selection
};

struct ReadBack {
    const char* name;
    Bytes report;  // from byte 0, the report type
    std::vector<Shown> shown;
};

// A DiagStats report: counters 256, -1, 0, 1..6; temperatures 23.5, -0.5, 31.2.
Bytes diagStatsReport() {
    Bytes report{1, 30, 0};
    const std::int32_t counters[] = {256, -1, 0, 1, 2, 3, 4, 5, 6};
    for (std::int32_t counter : counters) {
        const auto bits = static_cast<std::uint32_t>(counter);
        for (int shift : {24, 16, 8, 0}) {
            report.push_back(static_cast<std::uint8_t>(bits >> shift));
        }
    }
    for (std::int16_t tenths : {std::int16_t{235}, std::int16_t{-5}, std::int16_t{312}}) {
        const auto bits = static_cast<std::uint16_t>(tenths);
        report.push_back(static_cast<std::uint8_t>(bits >> 8));
        report.push_back(static_cast<std::uint8_t>(bits));
    }
    return report;
}

const ReadBack kReadBacks[] = {
    {"AdcBlockChannel1",
     {1, 17, 1, 1, 100, 0, 0, 0, 16, 39, 0, 0, 0, 0, 128, 63, 0, 0, 0, 0, 0, 0, 32, 193},
     {{"adc_mode_2", "0~20 mA"},
      {"adc_filter1_2", "100"},
      {"adc_filter2_2", "10000"},
      {"adc_coeff_2", "1.0000"},
      {"adc_offset_2", "0.0000"},
      {"adc_offset_22", "-10.0000"}}},
    // No range check on read-back; a mode beyond the list selects nothing;
    // reals beyond 15 digits in exponent form.
    {"AdcBlockChannel3",
     {1,   17,  3,   2,  0,   0,   0,   0,  255, 255, 255, 255,
      236, 120, 173, 96, 205, 204, 204, 61, 0,   0,   192, 191},
     {{"adc_mode_4", "<none>"},
      {"adc_filter1_4", "0"},
      {"adc_filter2_4", "-1"},
      {"adc_coeff_4", "1.00000002004088E+20"},
      {"adc_offset_4", "0.1000"},
      {"adc_offset_24", "-1.5000"}}},
    {"EncBlockChannel1",
     {1, 18, 1, 3, 250, 0, 0, 0, 0, 8, 0, 0, 0, 0, 0, 63, 0, 0, 192, 191},
     {{"enc_mode_2", "Pozycja/prędkość [mm][mm/min]"},
      {"enc_time_2", "250"},
      {"enc_resolution_2", "2048"},
      {"enc_coeff_2", "0.5000"},
      {"enc_offset_2", "-1.5000"}}},
    {"MathModeLastEntry", {1, 11, 1, 23}, {{"math_mode_2", "M2 * (ACD3 - ADC4)"}}},
    {"MathModeBeyondList", {1, 11, 0, 30}, {{"math_mode_1", "<none>"}}},
    {"MathFactor", {1, 12, 0, 0, 0, 72, 65}, {{"math_offset_1", "12.5000"}}},
    {"MathRegisterMode", {1, 25, 1, 10}, {{"math_m_mode_2", "m2 * (ENC2 - ENC1)"}}},
    {"TriggerMode",
     {1, 13, 0, 2},
     {{"trigger_mode", "Transmisja pojedyńcza na zbocze narastające"}}},
    {"TriggerTime", {1, 14, 0, 96, 234, 0, 0}, {{"trigger_time", "60000"}}},
    {"TriggerFilterZero", {1, 15, 0, 0, 0, 0, 0}, {{"trigger_filter", "0"}}},
    {"TrigMasterMode",
     {1, 28, 0, 1},
     {{"trig_master_mode", "Cykliczny zapis do rejestrów MODBUS"}}},
    {"TrigMasterType", {1, 29, 1, 13}, {{"trig_master_type_2", "MATH [2]"}}},
    {"TrigMasterTypeBeyondList", {1, 29, 0, 14}, {{"trig_master_type_1", "<none>"}}},
    {"ModbusAddress", {1, 23, 0, 10}, {{"mod_adr", "10"}}},
    {"ModbusAddressLast", {1, 23, 0, 247}, {{"mod_adr", "247"}}},
    {"ModbusAddressZero", {1, 23, 0, 0}, {{"mod_adr", "<none>"}}},
    {"ModbusAddressBeyond", {1, 23, 0, 248}, {{"mod_adr", "<none>"}}},
    {"ModbusBaud", {1, 24, 0, 5}, {{"mod_br", "115200"}}},
    {"ModbusBaudBeyondList", {1, 24, 0, 6}, {{"mod_br", "<none>"}}},
    {"Temperature", {1, 31, 0, 0, 235}, {{"label_temperature", "23.5"}}},
    {"TemperatureNegative", {1, 31, 0, 255, 206}, {{"label_temperature", "-5.0"}}},
    {"TemperatureTenthBelowZero", {1, 31, 0, 255, 246}, {{"label_temperature", "-1.0"}}},
    {"DiagStats",
     diagStatsReport(),
     {{"DebugMemo",
       "=====MODBUS STAT=====\nBC:  256\nFRA: -1\nFRC: 0\nTC:  1\nFE:  2\nORE: 3\nNE:  4\n"
       "PE:  5\nID:  6\n======TEMPERATURA======\nT:   23.5\nTMI: -0.5\nTMX: 31.2\n"
       "============OK========="}}},
};

void PrintTo(const ReadBack& readBack, std::ostream* os) {
    *os << readBack.name;
}

class ReadBackTest : public ParameterPanelTest, public ::testing::WithParamInterface<ReadBack> {};

TEST_P(ReadBackTest, FillsTheControlsOfTheReport) {
    const ReadBack& readBack = GetParam();
    openDisconnected();
    // Stale content that the report must replace: marked edits, and lists
    // with a selection where the report leaves none and none otherwise.
    for (const Shown& expected : readBack.shown) {
        QObject* object = window_->findChild<QObject*>(QString::fromLatin1(expected.control));
        if (auto* list = qobject_cast<QComboBox*>(object)) {
            list->setCurrentIndex(QString::fromUtf8(expected.text) == kNoSelection ? 0 : -1);
        } else if (auto* edit = qobject_cast<QLineEdit*>(object)) {
            edit->setText(QStringLiteral("stale"));
            markEdit(edit, EditMark::Error);
        } else if (auto* label = qobject_cast<QLabel*>(object)) {
            label->setText(QStringLiteral("stale"));
        } else if (auto* memo = qobject_cast<QPlainTextEdit*>(object)) {
            memo->setPlainText(QStringLiteral("stale"));
        }
    }

    receive(readBack.report);

    for (const Shown& expected : readBack.shown) {
        SCOPED_TRACE(expected.control);
        const QString text = QString::fromUtf8(expected.text);
        EXPECT_EQ(shown(*window_, expected.control),
                  text == kNoSelection ? text : local(expected.text));
        if (auto* edit = window_->findChild<QLineEdit*>(QString::fromLatin1(expected.control))) {
            EXPECT_EQ(editMark(edit), EditMark::Normal);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Reports, ReadBackTest, ::testing::ValuesIn(kReadBacks),
                         [](const auto& info) { return std::string(info.param.name); });

// Everything a report could change, to compare before and after.
QStringList controlState(TFMain& window) {
    QStringList state;
    for (auto* edit : window.findChildren<QLineEdit*>()) {
        state << edit->objectName() + QLatin1Char('=') + edit->text() +
                     QString::number(static_cast<int>(editMark(edit)));
    }
    for (auto* list : window.findChildren<QComboBox*>()) {
        state << list->objectName() + QLatin1Char('=') + QString::number(list->currentIndex());
    }
    for (const char* name : {"ver_firm", "label_temperature"}) {
        state << window.findChild<QLabel*>(QString::fromLatin1(name))->text();
    }
    state << window.findChild<QPlainTextEdit*>(QStringLiteral("DebugMemo"))->toPlainText();
    return state;
}

TEST_F(ParameterPanelTest, ReportsBeyondTheControlsOrNotReadBackChangeNothing) {
    std::vector<Bytes> ignored = {
        // Channels beyond the parameter's controls.
        {1, 17, 4, 1, 100, 0, 0, 0, 16, 39, 0, 0, 0, 0, 128, 63},
        {1, 17, 255, 1, 100, 0, 0, 0},
        {1, 18, 2, 3, 250, 0, 0, 0},
        {1, 11, 2, 5},
        {1, 12, 2, 0, 0, 128, 63},
        {1, 25, 2, 5},
        {1, 29, 2, 5},
        // DiagStats only on channel 0.
        diagStatsReport(),
    };
    ignored.back()[2] = 1;
    // Identifiers read only inside the blocks, never read, or unknown.
    for (std::uint8_t id : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 19, 20, 21, 22, 26, 32, 255}) {
        ignored.push_back({1, id, 0, 1, 100, 0, 0, 0, 0, 0, 128, 63});
    }
    openDisconnected();
    window_->findChild<QPlainTextEdit*>(QStringLiteral("DebugMemo"))
        ->setPlainText(QStringLiteral("kept"));
    const QStringList before = controlState(*window_);

    for (const Bytes& report : ignored) {
        receive(report);
    }

    EXPECT_EQ(controlState(*window_), before);
}

TEST_F(ParameterPanelTest, FirmwareVersionIsShownUpToItsFirstZeroAndAsksForTheTemperature) {
    openConnected();
    ASSERT_FALSE(HasFatalFailure());
    // The version the module sends on connection has arrived.
    ASSERT_TRUE(waitFor([&] { return shown(*window_, "label_temperature") != "..."; }));
    const Bytes temperatureRequest = outputReport(CommandKind::ReadRequest, {31, 0});

    std::size_t before = writtenCount();
    receive({1, 27, 0, '9', '.', '8', '7'});
    EXPECT_EQ(shown(*window_, "ver_firm"), QStringLiteral("9.87"));
    EXPECT_THAT(writtenSince(before, CommandKind::ReadRequest), ElementsAre(temperatureRequest));

    before = writtenCount();
    receive({1, 27, 0, '7', 0, 'x', 'y'});
    EXPECT_EQ(shown(*window_, "ver_firm"), QStringLiteral("7"));
    EXPECT_THAT(writtenSince(before, CommandKind::ReadRequest), ElementsAre(temperatureRequest));
}

TEST_F(ParameterPanelTest, DiagnosticStatisticsOfTheModuleFillTheMemo) {
    openConnected();
    ASSERT_FALSE(HasFatalFailure());

    window_->DebugMemoClick();

    ASSERT_TRUE(waitFor([&] { return !shown(*window_, "DebugMemo").isEmpty(); }));
    EXPECT_EQ(shown(*window_, "DebugMemo"),
              local("=====MODBUS STAT=====\nBC:  18342\nFRA: 18337\nFRC: 5\nTC:  18330\nFE:  2\n"
                    "ORE: 0\nNE:  1\nPE:  0\nID:  1\n======TEMPERATURA======\nT:   23.5\n"
                    "TMI: 18.7\nTMX: 31.2\n============OK========="));
}

// --- Round trips through the module ---------------------------------------------

struct RoundTrip {
    const char* page;
    std::vector<Shown> values;
    std::vector<const char*> saves;
    std::vector<const char*> reads;
};

const RoundTrip kRoundTrips[] = {
    {"AnalogInputs",
     {{"adc_mode_1", "0~20 mA"},   {"adc_mode_2", "0~10 V"},       {"adc_mode_3", "0~20 mA"},
      {"adc_mode_4", "0~20 mA"},   {"adc_filter1_1", "700"},       {"adc_filter1_2", "2"},
      {"adc_filter1_3", "3"},      {"adc_filter1_4", "4"},         {"adc_filter2_1", "11"},
      {"adc_filter2_2", "22"},     {"adc_filter2_3", "33"},        {"adc_filter2_4", "60000"},
      {"adc_coeff_1", "2.5000"},   {"adc_coeff_2", "-0.2500"},     {"adc_coeff_3", "3.7500"},
      {"adc_coeff_4", "4.1250"},   {"adc_offset_1", "-1.0000"},    {"adc_offset_2", "-2.0000"},
      {"adc_offset_3", "-3.0000"}, {"adc_offset_4", "-4.5000"},    {"adc_offset_21", "100.0000"},
      {"adc_offset_22", "0.0625"}, {"adc_offset_23", "-300.5000"}, {"adc_offset_24", "1.0000"}},
     {"button_adcmode1",    "button_adcmode2",    "button_adcmode3",    "button_adcmode4",
      "button_filter11",    "button_filter12",    "button_filter13",    "button_filter14",
      "button_filter21",    "button_filter22",    "button_filter23",    "button_filter24",
      "button_adccoeff1",   "button_adccoeff2",   "button_adccoeff3",   "button_adccoeff4",
      "button_adcoffset1",  "button_adcoffset2",  "button_adcoffset3",  "button_adcoffset4",
      "button_adcoffset21", "button_adcoffset22", "button_adcoffset23", "button_adcoffset24"},
     {"BitBtn15", "BitBtn21", "BitBtn27", "BitBtn33"}},
    {"EncoderInputs",
     {{"enc_mode_1", "Pozycja/prędkość [obr][obr/min]"},
      {"enc_mode_2", "Pozycja/prędkość [mm][mm/s]"},
      {"enc_time_1", "250"},
      {"enc_time_2", "60000"},
      {"enc_resolution_1", "2048"},
      {"enc_resolution_2", "1"},
      {"enc_coeff_1", "0.2500"},
      {"enc_coeff_2", "-4.0000"},
      {"enc_offset_1", "1000.5000"},
      {"enc_offset_2", "-0.7500"}},
     {"button_encmode1", "button_encmode2", "button_time1", "button_time2", "button_resolution1",
      "button_resolution2", "button_enccoeff1", "button_enccoeff2", "button_encoffset1",
      "button_encoffset2"},
     {"button_1", "button_2"}},
    {"MathFunctions",
     {{"math_mode_1", "M1 * (ACD3 - ADC4)"},
      {"math_mode_2", "ADC1 - ADC2"},
      {"math_m_mode_1", "ENC2 - ENC1"},
      {"math_m_mode_2", "m2 * ENC2"},
      {"math_offset_1", "3.7500"},
      {"math_offset_2", "-12.0000"}},
     {"button_mathmode1", "button_mathmode2", "button_mathmmode1", "button_mathmmode2",
      "button_mathoffset1", "button_mathoffset2"},
     {"BitBtn47", "BitBtn41", "BitBtn6", "BitBtn8", "BitBtn58", "BitBtn57"}},
    {"Trigger",
     {{"trig_master_mode", "Cykliczny zapis do rejestrów MODBUS"},
      {"trigger_filter", "0"},
      {"trigger_mode", "Transmisja, gdy wejście 1 jest aktywne"},
      {"trigger_time", "500"},
      {"trig_master_type_1", "MATH [1]"},
      {"trig_master_type_2", "ENKODER [2] (prędkość) "}},
     {"BitBtn9", "BitBtn55", "BitBtn53", "BitBtn45", "button_trigmastetype_1",
      "button_trigmastetype_2"},
     {"BitBtn10", "BitBtn56", "BitBtn54", "BitBtn46", "BitBtn12", "BitBtn14"}},
    {"Modbus",
     {{"mod_adr", "17"}, {"mod_br", "57600"}},
     {"BitBtn1", "BitBtn3"},
     {"BitBtn2", "BitBtn4"}},
};

void PrintTo(const RoundTrip& page, std::ostream* os) {
    *os << page.page;
}

class RoundTripTest : public ParameterPanelTest, public ::testing::WithParamInterface<RoundTrip> {};

TEST_P(RoundTripTest, ValuesWrittenToTheModuleReadBackTheSame) {
    const RoundTrip& page = GetParam();
    openConnected();
    ASSERT_FALSE(HasFatalFailure());
    for (const Shown& value : page.values) {
        QObject* object = window_->findChild<QObject*>(QString::fromLatin1(value.control));
        if (auto* list = qobject_cast<QComboBox*>(object)) {
            list->setCurrentText(QString::fromUtf8(value.text));
        } else if (auto* edit = qobject_cast<QLineEdit*>(object)) {
            edit->setText(local(value.text));
        }
        ASSERT_EQ(shown(*window_, value.control), local(value.text)) << value.control;
    }
    const VirtualModuleSettings fresh = bus.module(module_)->settings();
    for (const char* button : page.saves) {
        click(button);
    }
    ASSERT_NE(bus.module(module_)->settings(), fresh);

    // Empty controls, then the module's values.
    for (const Shown& value : page.values) {
        QObject* object = window_->findChild<QObject*>(QString::fromLatin1(value.control));
        if (auto* list = qobject_cast<QComboBox*>(object)) {
            list->setCurrentIndex(-1);
        } else if (auto* edit = qobject_cast<QLineEdit*>(object)) {
            edit->clear();
        }
    }
    for (const char* button : page.reads) {
        click(button);
    }
    const auto allShown = [&] {
        return std::all_of(page.values.begin(), page.values.end(), [&](const Shown& value) {
            return shown(*window_, value.control) == local(value.text);
        });
    };
    waitFor(allShown);

    for (const Shown& value : page.values) {
        EXPECT_EQ(shown(*window_, value.control), local(value.text)) << value.control;
    }
}

INSTANTIATE_TEST_SUITE_P(Pages, RoundTripTest, ::testing::ValuesIn(kRoundTrips),
                         [](const auto& info) { return std::string(info.param.page); });

}  // namespace
}  // namespace voltrix
