// SPDX-License-Identifier: GPL-3.0-or-later
#include "programs/record/long_timer.h"

#include <algorithm>

namespace voltrix {

LongTimer::LongTimer(QObject* parent) : QObject(parent) {
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, [this] {
        // A coarse timer may wake a little early: what is left is waited for.
        if (deadline_.hasExpired()) {
            emit timeout();
        } else {
            armNextPiece();
        }
    });
}

void LongTimer::setPiece(std::chrono::milliseconds piece) {
    piece_ = std::max(piece, std::chrono::milliseconds(1));
}

void LongTimer::start(std::chrono::milliseconds span) {
    deadline_ = QDeadlineTimer(std::max(span, std::chrono::milliseconds(0)), Qt::PreciseTimer);
    armNextPiece();
}

void LongTimer::stop() {
    timer_.stop();
}

std::chrono::milliseconds LongTimer::remaining() const {
    return isActive() ? std::chrono::milliseconds(deadline_.remainingTime())
                      : std::chrono::milliseconds(0);
}

void LongTimer::armNextPiece() {
    const auto left = std::chrono::milliseconds(deadline_.remainingTime());
    timer_.start(std::min(left, piece_));
}

}  // namespace voltrix
