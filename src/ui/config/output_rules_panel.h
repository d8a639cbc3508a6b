// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>

#include <QObject>

#include "engine/parameters/parameters.h"
#include "engine/protocol/measurement.h"

class QComboBox;
class QWidget;

namespace voltrix {

struct ControlArrays;
class CommandPort;

// The six transistor output rules: the enabling of each row's controls, the
// write of all six rules as a chain driven by the module's acknowledgements,
// and the read-back as a chain driven by its reports.
//
// Neither chain keeps a state of its own: each step is driven only by the
// channel of the reply that arrives, so a chain whose reply never comes just
// ends, and a second click starts another chain from row 0.
class OutputRulesPanel : public QObject {
    Q_OBJECT

public:
    static constexpr int kRowCount = static_cast<int>(kOutputCount);

    // `window` holds the buttons `BitBtn43` (write) and `BitBtn44` (read);
    // `arrays` are its per-channel tables, row r at index r.
    OutputRulesPanel(QWidget* window, const ControlArrays& arrays, CommandPort& sender,
                     QObject* parent = nullptr);

    // A parameter report carrying an output rule: fills the row of its
    // channel and asks for the next rule; after the last one every row's
    // enabling is brought up to date.
    void ruleReportReceived(const LastReport& report);

    // The module acknowledged the rule of `channel` (0..4): the next one is due.
    void ruleAcknowledged(std::uint8_t channel);

    // The rules as last stored by a write: what the write chain sends.
    const std::array<OutputRule, kRowCount>& ruleTable() const { return ruleTable_; }

    // Enables the controls of row `row` (0..5) as its source and logic say:
    // everything but the source only for a register, the second condition
    // only when a logic combines the two.
    void applyRowEnabling(int row);

    // Stores all six rows in the rule table and sends the first rule. Stops
    // without sending anything at the first threshold that does not parse.
    void writeRules();

    // Asks for the first rule; the reports bring the others.
    void readRules();

private:
    // The user changed the source or logic list `combo` of a row.
    void rowChanged(const QComboBox* combo);
    bool storeRow(int row);
    void sendRule(int row);

    QWidget* window_;
    const ControlArrays& arrays_;
    CommandPort& sender_;
    std::array<OutputRule, kRowCount> ruleTable_{};
};

}  // namespace voltrix
