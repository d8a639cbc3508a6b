#pragma once

#include <array>
#include <cstdint>

#include <QObject>

#include "config/parameters.h"
#include "device/measurement.h"

class QWidget;

namespace voltrix {

struct ControlArrays;
class CommandSender;

// The six transistor output rules: the enabling of each row's controls, the
// write of all six rules as a chain driven by the module's acknowledgements,
// and the read-back as a chain driven by its reports.
class OutputRulesPanel : public QObject {
    Q_OBJECT

public:
    OutputRulesPanel(QWidget* window, const ControlArrays& arrays, CommandSender& sender,
                     QObject* parent = nullptr);

    // A parameter report carrying an output rule.
    void ruleReportReceived(const LastReport& report);

    // The module acknowledged the rule of `channel` (0..4): the next one is due.
    void ruleAcknowledged(std::uint8_t channel);

    const std::array<OutputRule, 6>& ruleTable() const { return ruleTable_; }

private:
    QWidget* window_;
    const ControlArrays& arrays_;
    CommandSender& sender_;
    std::array<OutputRule, 6> ruleTable_{};
};

}  // namespace voltrix
