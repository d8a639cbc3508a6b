// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/config/parameter_panel.h"

#include <optional>
#include <span>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QWidget>

#include "engine/text/diag_stats_text.h"
#include "engine/text/format_value.h"
#include "engine/text/number_text.h"
#include "ui/config/list_selection.h"
#include "ui/window/control_arrays.h"
#include "ui/window/edit_marking.h"
#include "ui/window/required_child.h"

namespace voltrix {
namespace {

// Reals are shown with 4 decimals, temperatures with 1.
constexpr int kRealDecimals = 4;
constexpr int kTemperatureDecimals = 1;

// The channel a button of a row stands for: the last digit of its name minus
// one (`button_filter23` is analogue channel 2); nothing for a name that does
// not end in a digit 1..9.
std::optional<std::uint8_t> channelOfButton(const QString& name) {
    if (name.isEmpty()) {
        return std::nullopt;
    }
    const int digit = name.back().digitValue();
    if (digit < 1) {
        return std::nullopt;
    }
    return static_cast<std::uint8_t>(digit - 1);
}

// Filling an edit from the module takes away its mark, even when the text
// stays the same.
void showText(QLineEdit* edit, const QString& text) {
    edit->setText(text);
    markEdit(edit, EditMark::Normal);
}

void showInteger(QLineEdit* edit, std::int32_t value) {
    showText(edit, QString::number(value));
}

void showReal(QLineEdit* edit, float value) {
    showText(edit, FormatValue(value, kRealDecimals, systemDecimalSeparator()));
}

}  // namespace

ParameterPanel::ParameterPanel(QWidget* window, const ControlArrays& arrays, CommandPort& sender,
                               QObject* parent)
    : QObject(parent),
      window_(window),
      arrays_(arrays),
      sender_(sender),
      trigger_mode(control<QComboBox>(QStringLiteral("trigger_mode"))),
      trigger_time(control<QLineEdit>(QStringLiteral("trigger_time"))),
      trigger_filter(control<QLineEdit>(QStringLiteral("trigger_filter"))),
      mod_adr(control<QComboBox>(QStringLiteral("mod_adr"))),
      mod_br(control<QComboBox>(QStringLiteral("mod_br"))),
      ver_firm(control<QLabel>(QStringLiteral("ver_firm"))),
      trig_master_mode(control<QComboBox>(QStringLiteral("trig_master_mode"))),
      label_temperature(control<QLabel>(QStringLiteral("label_temperature"))),
      DebugMemo(control<QPlainTextEdit>(QStringLiteral("DebugMemo"))) {
    bindSaveButtons();
    bindReadButtons();
}

template <typename Widget>
Widget* ParameterPanel::control(const QString& name) const {
    return requiredChild<Widget>(window_, name);
}

void ParameterPanel::bindRow(const char* prefix, std::size_t channels,
                             std::function<void(std::uint8_t channel)> save) {
    for (std::size_t k = 0; k < channels; ++k) {
        auto* button = control<QPushButton>(QString::fromLatin1(prefix) + QString::number(k + 1));
        connect(button, &QPushButton::clicked, this, [button, channels, save] {
            const std::optional<std::uint8_t> channel = channelOfButton(button->objectName());
            if (channel && *channel < channels) {
                save(*channel);
            }
        });
    }
}

void ParameterPanel::bindSaveButtons() {
    struct ListRow {
        const char* prefix;
        ParamId id;
        std::span<QComboBox* const> lists;
    };
    const ListRow listRows[] = {
        {"button_adcmode", ParamId::AdcMode, arrays_.adc_mode},
        {"button_encmode", ParamId::EncMode, arrays_.enc_mode},
        {"button_mathmode", ParamId::MathMode, arrays_.math_mode},
        {"button_mathmmode", ParamId::MathRegisterMode, arrays_.math_m_mode},
        {"button_trigmastetype_", ParamId::TrigMasterType, arrays_.trig_master_type},
    };
    for (const ListRow& row : listRows) {
        bindRow(row.prefix, row.lists.size(), [this, row](std::uint8_t channel) {
            saveSelection(row.id, row.lists[channel], channel);
        });
    }

    struct EditRow {
        const char* prefix;
        ParamId id;
        std::span<QLineEdit* const> edits;
    };
    const EditRow integerRows[] = {
        {"button_filter1", ParamId::AdcFilter1, arrays_.adc_filter1},
        {"button_filter2", ParamId::AdcFilter2, arrays_.adc_filter2},
        {"button_time", ParamId::EncGateTime, arrays_.enc_time},
        {"button_resolution", ParamId::EncResolution, arrays_.enc_resolution},
    };
    for (const EditRow& row : integerRows) {
        bindRow(row.prefix, row.edits.size(), [this, row](std::uint8_t channel) {
            saveInteger(row.id, row.edits[channel], channel);
        });
    }
    const EditRow realRows[] = {
        {"button_adccoeff", ParamId::AdcCoeff, arrays_.adc_coeff},
        {"button_adcoffset", ParamId::AdcOffset1, arrays_.adc_offset},
        {"button_adcoffset2", ParamId::AdcOffset2, arrays_.adc_offset2},
        {"button_enccoeff", ParamId::EncCoeff, arrays_.enc_coeff},
        {"button_encoffset", ParamId::EncOffset, arrays_.enc_offset},
        {"button_mathoffset", ParamId::MathFactor, arrays_.math_offset},
        {"button_calib", ParamId::MathCalib, arrays_.math_calib},
    };
    for (const EditRow& row : realRows) {
        bindRow(row.prefix, row.edits.size(), [this, row](std::uint8_t channel) {
            saveReal(row.id, row.edits[channel], channel);
        });
    }

    bindRow("button_encclear", static_cast<std::size_t>(channelCount(ParamId::EncClear)),
            [this](std::uint8_t channel) { send(writeEncClear(channel)); });

    // Parameters without channels go out with channel 0.
    struct Single {
        const char* button;
        ParamId id;
        const char* control;
    };
    const Single singleLists[] = {
        {"BitBtn53", ParamId::TriggerMode, "trigger_mode"},
        {"BitBtn9", ParamId::TrigMasterMode, "trig_master_mode"},
        {"BitBtn3", ParamId::ModbusBaud, "mod_br"},
    };
    for (const Single& single : singleLists) {
        auto* list = control<QComboBox>(QString::fromLatin1(single.control));
        connect(control<QPushButton>(QString::fromLatin1(single.button)), &QPushButton::clicked,
                this, [this, id = single.id, list] { saveSelection(id, list, 0); });
    }
    const Single singleIntegers[] = {
        {"BitBtn45", ParamId::TriggerTime, "trigger_time"},
        {"BitBtn55", ParamId::TriggerFilter, "trigger_filter"},
    };
    for (const Single& single : singleIntegers) {
        auto* edit = control<QLineEdit>(QString::fromLatin1(single.control));
        connect(control<QPushButton>(QString::fromLatin1(single.button)), &QPushButton::clicked,
                this, [this, id = single.id, edit] { saveInteger(id, edit, 0); });
    }
    // The MODBUS address goes out as the address itself, list index + 1.
    auto* address = control<QComboBox>(QStringLiteral("mod_adr"));
    connect(control<QPushButton>(QStringLiteral("BitBtn1")), &QPushButton::clicked, this,
            [this, address] { send(writeModbusAddress(address->currentIndex())); });
}

void ParameterPanel::bindReadButtons() {
    struct Read {
        const char* button;
        ParamId id;
        std::uint8_t channel;
    };
    const Read reads[] = {
        {"BitBtn15", ParamId::AdcBlock, 0},        {"BitBtn21", ParamId::AdcBlock, 1},
        {"BitBtn27", ParamId::AdcBlock, 2},        {"BitBtn33", ParamId::AdcBlock, 3},
        {"button_1", ParamId::EncBlock, 0},        {"button_2", ParamId::EncBlock, 1},
        {"BitBtn47", ParamId::MathMode, 0},        {"BitBtn41", ParamId::MathMode, 1},
        {"BitBtn58", ParamId::MathFactor, 0},      {"BitBtn57", ParamId::MathFactor, 1},
        {"BitBtn6", ParamId::MathRegisterMode, 0}, {"BitBtn8", ParamId::MathRegisterMode, 1},
        {"BitBtn54", ParamId::TriggerMode, 0},     {"BitBtn46", ParamId::TriggerTime, 0},
        {"BitBtn56", ParamId::TriggerFilter, 0},   {"BitBtn10", ParamId::TrigMasterMode, 0},
        {"BitBtn12", ParamId::TrigMasterType, 0},  {"BitBtn14", ParamId::TrigMasterType, 1},
        {"BitBtn2", ParamId::ModbusAddress, 0},    {"BitBtn4", ParamId::ModbusBaud, 0},
        {"BitBtn7", ParamId::FirmwareVersion, 0},
    };
    for (const Read& read : reads) {
        connect(control<QPushButton>(QString::fromLatin1(read.button)), &QPushButton::clicked, this,
                [this, read] { send(readRequest(read.id, read.channel)); });
    }
}

void ParameterPanel::saveSelection(ParamId id, const QComboBox* list, std::uint8_t channel) {
    send(writeSelection(id, channel, list->currentIndex()));
}

void ParameterPanel::saveInteger(ParamId id, QLineEdit* edit, std::uint8_t channel) {
    const std::optional<std::int32_t> parsed = parseInteger(edit->text());
    if (!parsed) {
        markEdit(edit, EditMark::Error);
        return;
    }
    const ClampResult result = clampToRange(*parsed, *integerRange(id));
    if (result.clamped) {
        // The new text passes through the change handler, which clears the
        // mark; the clamp mark therefore comes after it.
        edit->setText(QString::number(result.value));
        markEdit(edit, EditMark::Clamp);
    }
    send(writeInteger(id, channel, result.value));
}

void ParameterPanel::saveReal(ParamId id, QLineEdit* edit, std::uint8_t channel) {
    // A number beyond single precision is refused like any other bad text.
    const std::optional<float> parsed = parseReal(edit->text(), systemDecimalSeparator());
    if (!parsed) {
        markEdit(edit, EditMark::Error);
        return;
    }
    send(writeReal(id, channel, *parsed));
}

void ParameterPanel::send(const CommandPayload& payload) {
    sender_.SendCommand(payload.kind, payload.view());
}

void ParameterPanel::parameterReportReceived(const LastReport& report) {
    const std::uint8_t id = report[kParamReportIdByte];
    const std::uint8_t ch = report[kParamReportChannelByte];
    if (id == static_cast<std::uint8_t>(ParamId::OutputRule)) {
        return;  // the output rules panel's
    }
    // Also keeps a channel beyond a parameter's controls from reaching past
    // the per-channel tables.
    if (!acceptsParameterReport(id, ch)) {
        return;
    }
    const std::uint8_t byte = report[kParamReportValueByte];
    switch (static_cast<ParamId>(id)) {
        case ParamId::MathMode:
            selectByte(arrays_.math_mode[ch], byte);
            break;
        case ParamId::MathFactor:
            showReal(arrays_.math_offset[ch], readFloatLe(report, kParamReportValueByte));
            break;
        case ParamId::TriggerMode:
            selectByte(trigger_mode, byte);
            break;
        case ParamId::TriggerTime:
            showInteger(trigger_time,
                        readInt32Le(report, kParamReportValueByte));
            break;
        case ParamId::TriggerFilter:
            showInteger(trigger_filter,
                        readInt32Le(report, kParamReportValueByte));
            break;
        case ParamId::AdcBlock:
            showAdcBlock(report, ch);
            break;
        case ParamId::EncBlock:
            showEncBlock(report, ch);
            break;
        case ParamId::ModbusAddress:
            mod_adr->setCurrentIndex(modbusAddressIndex(byte));
            break;
        case ParamId::ModbusBaud:
            selectByte(mod_br, byte);
            break;
        case ParamId::MathRegisterMode:
            selectByte(arrays_.math_m_mode[ch], byte);
            break;
        case ParamId::FirmwareVersion:
            ver_firm->setText(decodeFirmwareVersion(report));
            sender_.RequestParameter(static_cast<std::uint8_t>(ParamId::Temperature), 0);
            break;
        case ParamId::TrigMasterMode:
            selectByte(trig_master_mode, byte);
            break;
        case ParamId::TrigMasterType:
            selectByte(arrays_.trig_master_type[ch], byte);
            break;
        case ParamId::DiagStats:
            showDiagStats(report);
            break;
        case ParamId::Temperature:
            label_temperature->setText(FormatValue(tenthsToDegrees(decodeTemperatureTenths(report)),
                                      kTemperatureDecimals, systemDecimalSeparator()));
            break;
        default:
            break;
    }
}

void ParameterPanel::showAdcBlock(ParamReportView report, std::uint8_t channel) {
    const AdcBlockValues block = decodeAdcBlock(report);
    selectByte(arrays_.adc_mode[channel], block.mode);
    showInteger(arrays_.adc_filter1[channel], block.filter1);
    showInteger(arrays_.adc_filter2[channel], block.filter2);
    showReal(arrays_.adc_coeff[channel], block.coeff);
    showReal(arrays_.adc_offset[channel], block.offset1);
    showReal(arrays_.adc_offset2[channel], block.offset2);
}

void ParameterPanel::showEncBlock(ParamReportView report, std::uint8_t channel) {
    const EncBlockValues block = decodeEncBlock(report);
    selectByte(arrays_.enc_mode[channel], block.mode);
    showInteger(arrays_.enc_time[channel], block.gateTime);
    showInteger(arrays_.enc_resolution[channel], block.resolution);
    showReal(arrays_.enc_coeff[channel], block.coeff);
    showReal(arrays_.enc_offset[channel], block.offset);
}

void ParameterPanel::showDiagStats(ParamReportView report) {
    DebugMemo->setPlainText(diagStatsLines(decodeDiagStats(report), systemDecimalSeparator())
                           .join(QLatin1Char('\n')));
}

}  // namespace voltrix
