// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>

#include <QString>

class QLabel;
class QStatusBar;

// The four text panels of the status bar, left to right: messages,
// connection (150 px at least), report rate (100) and logging state (50).
// The three on the right widen to their text; the message panel takes what
// room is left.

namespace voltrix {

enum class StatusPanel { Message = 0, Connection = 1, ReportRate = 2, Logging = 3 };

class StatusPanels {
public:
    explicit StatusPanels(QStatusBar* bar);

    void setText(StatusPanel panel, const QString& text);
    // What the panel shows.
    QString text(StatusPanel panel) const;

    // A message that stays in the message panel until it is released, for a
    // fault the operator must see for as long as it lasts. Other messages
    // for the panel wait behind it; the last of them shows on release.
    void holdMessage(const QString& text);
    void releaseMessage();

private:
    std::array<QLabel*, 4> labels_{};
    bool holding_ = false;
    QString waitingMessage_;
};

}  // namespace voltrix
