// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/config/output_rules_panel.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QWidget>

#include "engine/text/format_value.h"
#include "engine/text/number_text.h"
#include "ui/config/list_selection.h"
#include "ui/window/control_arrays.h"
#include "ui/window/edit_marking.h"
#include "ui/window/required_child.h"

namespace voltrix {
namespace {

// Source indices 0 "output inactive" and 1 "output always active" need no
// comparison; every index from here on is a measured register.
constexpr int kFirstRegisterSource = 2;
constexpr int kThresholdDecimals = 4;

void showThreshold(QLineEdit* edit, float value) {
    edit->setText(FormatValue(value, kThresholdDecimals, systemDecimalSeparator()));
    // Filled from the module: a mark left from an earlier write no longer
    // applies, even where the text stayed the same.
    markEdit(edit, EditMark::Normal);
}

}  // namespace

OutputRulesPanel::OutputRulesPanel(QWidget* window, const ControlArrays& arrays,
                                   CommandPort& sender, QObject* parent)
    : QObject(parent), window_(window), arrays_(arrays), sender_(sender) {
    // Only the user's choices run the enabling rule: `activated` is not sent
    // for the selections the read-back makes.
    for (int row = 0; row < kRowCount; ++row) {
        for (QComboBox* combo : {arrays_.out_W[row], arrays_.out_T[row]}) {
            connect(combo, &QComboBox::activated, this, [this, combo] { rowChanged(combo); });
        }
    }
    connect(requiredChild<QAbstractButton>(window_, "BitBtn43"), &QAbstractButton::clicked, this,
            &OutputRulesPanel::writeRules);
    connect(requiredChild<QAbstractButton>(window_, "BitBtn44"), &QAbstractButton::clicked, this,
            &OutputRulesPanel::readRules);
}

// The row is named by the digit after "out" in the list's name (`out4_T` is
// row 4, index 3).
void OutputRulesPanel::rowChanged(const QComboBox* combo) {
    const QString name = combo->objectName();
    if (name.size() < 4) {
        return;
    }
    const int digit = name.at(3).digitValue();
    if (digit >= 1 && digit <= kRowCount) {
        applyRowEnabling(digit - 1);
    }
}

void OutputRulesPanel::applyRowEnabling(int row) {
    const bool active = arrays_.out_W[row]->currentIndex() >= kFirstRegisterSource;
    const bool second = active && arrays_.out_T[row]->currentIndex() != 0;
    arrays_.out_B[row]->setEnabled(active);
    arrays_.out_N[row]->setEnabled(active);
    arrays_.out_T[row]->setEnabled(active);
    arrays_.out_S[row]->setEnabled(active);
    arrays_.out_C[row]->setEnabled(second);
    arrays_.out_M[row]->setEnabled(second);
}

void OutputRulesPanel::writeRules() {
    for (int row = 0; row < kRowCount; ++row) {
        if (!storeRow(row)) {
            return;
        }
    }
    sendRule(0);
}

// Stores the selections of `row` and the thresholds its rule needs. A
// threshold the rule does not need is neither parsed nor sent anew: the table
// keeps the value stored before, and its edit loses any mark. Returns false
// (after marking the edit) when a needed threshold does not parse.
bool OutputRulesPanel::storeRow(int row) {
    OutputRule& rule = ruleTable_[row];
    rule.source = selectionByte(arrays_.out_W[row]);
    rule.compare1 = selectionByte(arrays_.out_B[row]);
    rule.compare2 = selectionByte(arrays_.out_C[row]);
    rule.logic = selectionByte(arrays_.out_T[row]);
    rule.state = selectionByte(arrays_.out_S[row]);

    QLineEdit* value1Edit = arrays_.out_N[row];
    QLineEdit* value2Edit = arrays_.out_M[row];
    if (rule.source == 0 || rule.source == 1) {
        markEdit(value1Edit, EditMark::Normal);
        markEdit(value2Edit, EditMark::Normal);
        return true;
    }
    const std::optional<float> value1 = parseReal(value1Edit->text(), systemDecimalSeparator());
    if (!value1) {
        markEdit(value1Edit, EditMark::Error);
        return false;
    }
    rule.value1 = *value1;
    if (rule.logic == 0) {
        markEdit(value2Edit, EditMark::Normal);
        return true;
    }
    const std::optional<float> value2 = parseReal(value2Edit->text(), systemDecimalSeparator());
    if (!value2) {
        markEdit(value2Edit, EditMark::Error);
        return false;
    }
    rule.value2 = *value2;
    return true;
}

void OutputRulesPanel::sendRule(int row) {
    const CommandPayload payload = writeOutputRule(static_cast<std::uint8_t>(row), ruleTable_[row]);
    sender_.SendCommand(payload.kind, payload.view());
}

void OutputRulesPanel::ruleAcknowledged(std::uint8_t channel) {
    // The acknowledgement of the last rule is only shown, never followed.
    if (channel + 1 < kRowCount) {
        sendRule(channel + 1);
    }
}

void OutputRulesPanel::readRules() {
    const CommandPayload payload = readRequest(ParamId::OutputRule, 0);
    sender_.SendCommand(payload.kind, payload.view());
}

void OutputRulesPanel::ruleReportReceived(const LastReport& report) {
    if (report[kParamReportIdByte] != static_cast<std::uint8_t>(ParamId::OutputRule)) {
        return;  // the other parameters are the parameter panel's
    }
    const std::uint8_t channel = report[kParamReportChannelByte];
    if (channel >= kRowCount) {
        return;
    }
    const OutputRule rule = decodeOutputRuleReport(report);
    selectByte(arrays_.out_W[channel], rule.source);
    selectByte(arrays_.out_B[channel], rule.compare1);
    selectByte(arrays_.out_C[channel], rule.compare2);
    selectByte(arrays_.out_T[channel], rule.logic);
    selectByte(arrays_.out_S[channel], rule.state);
    showThreshold(arrays_.out_N[channel], rule.value1);
    showThreshold(arrays_.out_M[channel], rule.value2);

    if (channel + 1 < kRowCount) {
        const CommandPayload next =
            readRequest(ParamId::OutputRule, static_cast<std::uint8_t>(channel + 1));
        sender_.SendCommand(next.kind, next.view());
        return;
    }
    // The selections above did not pass through the rows' change handlers;
    // with the whole table read, every row shows what it now holds.
    for (int row = 0; row < kRowCount; ++row) {
        applyRowEnabling(row);
    }
}

}  // namespace voltrix
