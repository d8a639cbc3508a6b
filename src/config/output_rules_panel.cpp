#include "config/output_rules_panel.h"

#include "app/control_arrays.h"

namespace voltrix {

OutputRulesPanel::OutputRulesPanel(QWidget* window, const ControlArrays& arrays,
                                   CommandSender& sender, QObject* parent)
    : QObject(parent), window_(window), arrays_(arrays), sender_(sender) {}

void OutputRulesPanel::ruleReportReceived(const LastReport&) {}

void OutputRulesPanel::ruleAcknowledged(std::uint8_t) {}

}  // namespace voltrix
