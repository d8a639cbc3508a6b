#include "app/status_panels.h"

#include <QLabel>
#include <QStatusBar>

namespace voltrix {

StatusPanels::StatusPanels(QStatusBar* bar) {
    constexpr int kWidths[] = {400, 150, 100, 50};
    for (std::size_t i = 0; i < labels_.size(); ++i) {
        auto* label = new QLabel(bar);
        label->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        label->setFixedWidth(kWidths[i]);
        label->setFrameShape(QFrame::Panel);
        label->setFrameShadow(QFrame::Sunken);
        bar->addWidget(label);
        labels_[i] = label;
    }
}

void StatusPanels::setText(StatusPanel panel, const QString& text) {
    if (panel == StatusPanel::Message && holding_) {
        waitingMessage_ = text;
        return;
    }
    labels_[static_cast<std::size_t>(panel)]->setText(text);
}

void StatusPanels::holdMessage(const QString& text) {
    if (!holding_) {
        holding_ = true;
        waitingMessage_.clear();  // the held message replaces what was shown
    }
    labels_[static_cast<std::size_t>(StatusPanel::Message)]->setText(text);
}

void StatusPanels::releaseMessage() {
    if (!holding_) {
        return;
    }
    holding_ = false;
    labels_[static_cast<std::size_t>(StatusPanel::Message)]->setText(waitingMessage_);
    waitingMessage_.clear();
}

QString StatusPanels::text(StatusPanel panel) const {
    return labels_[static_cast<std::size_t>(panel)]->text();
}

}  // namespace voltrix
