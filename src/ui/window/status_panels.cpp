// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/window/status_panels.h"

#include <QLabel>
#include <QStatusBar>

namespace voltrix {

StatusPanels::StatusPanels(QStatusBar* bar) {
    constexpr int kWidths[] = {100, 150, 100, 50};
    for (std::size_t i = 0; i < labels_.size(); ++i) {
        auto* label = new QLabel(bar);
        label->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        label->setMinimumWidth(kWidths[i]);
        label->setFrameShape(QFrame::Panel);
        label->setFrameShadow(QFrame::Sunken);
        labels_[i] = label;
    }
    // A long message must not widen the window: the panel gets the rest of
    // the bar, whatever its text.
    QLabel* message = labels_[static_cast<std::size_t>(StatusPanel::Message)];
    message->setSizePolicy(QSizePolicy::Ignored, message->sizePolicy().verticalPolicy());
    bar->addWidget(message, 1);
    for (std::size_t i = 1; i < labels_.size(); ++i) {
        bar->addWidget(labels_[i]);
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
