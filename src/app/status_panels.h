#pragma once

#include <array>

#include <QString>

class QLabel;
class QStatusBar;

// The four text panels of the status bar, left to right: messages (400 px),
// connection (150), report rate (100), logging state (50).

namespace voltrix {

enum class StatusPanel { Message = 0, Connection = 1, ReportRate = 2, Logging = 3 };

class StatusPanels {
public:
    explicit StatusPanels(QStatusBar* bar);

    void setText(StatusPanel panel, const QString& text);
    QString text(StatusPanel panel) const;

private:
    std::array<QLabel*, 4> labels_{};
};

}  // namespace voltrix
