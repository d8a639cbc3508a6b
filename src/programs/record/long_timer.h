// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>

#include <QDeadlineTimer>
#include <QObject>
#include <QTimer>

// A single-shot timer for spans a recording may last, a month or a year:
// QTimer counts in int milliseconds, 24.8 days at most, so the span is a
// deadline and the QTimer is armed for a piece of it at a time.

namespace voltrix {

class LongTimer : public QObject {
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds kDefaultPiece = std::chrono::hours(24);

    explicit LongTimer(QObject* parent = nullptr);

    // The longest wait the QTimer is armed for; for tests.
    void setPiece(std::chrono::milliseconds piece);
    // Fires once, `span` from now; a timer already running starts again.
    void start(std::chrono::milliseconds span);
    void stop();
    bool isActive() const { return timer_.isActive(); }
    // Until it fires; zero when it is not running.
    std::chrono::milliseconds remaining() const;

signals:
    void timeout();

private:
    void armNextPiece();

    QTimer timer_;
    QDeadlineTimer deadline_;
    std::chrono::milliseconds piece_ = kDefaultPiece;
};

}  // namespace voltrix
