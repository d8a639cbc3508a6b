// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>

#include <QString>

#include "engine/protocol/measurement.h"

class QFrame;
class QLineEdit;
class QTabWidget;
class QWidget;

// Ten times a second the indicators of the page in view get the latest
// measurement; indicators of hidden pages keep their last text and cost
// nothing.

namespace voltrix {

struct UnitTexts {
    const std::array<QString, 4>& adc;
    const std::array<QString, 2>& enc;
    const std::array<QString, 2>& math;
};

class IndicatorRefresh {
public:
    // Finds the indicators, lamps and pages of `window` by name.
    explicit IndicatorRefresh(QWidget* window);

    void tick(const Measurement& m, const UnitTexts& units, int decimals, const QString& separator);

    // Paints lamp `output` (0..5) red when on, silver when off.
    void setLamp(int output, bool on);

private:
    struct EncoderEdits {
        QLineEdit* position;
        QLineEdit* velocity;
    };

    void showAdc(const std::array<QLineEdit*, 4>& edits);
    void showMath(const std::array<QLineEdit*, 2>& edits);
    void showEncoders(const std::array<EncoderEdits, 2>& edits);

    QTabWidget* mainPages_;
    QTabWidget* configurationPages_;
    QWidget* indicatorsPage_;
    QWidget* configurationPage_;
    QWidget* analogPage_;
    QWidget* encoderPage_;
    QWidget* mathPage_;

    std::array<QLineEdit*, 4> adc1_{};
    std::array<QLineEdit*, 2> math1_{};
    std::array<EncoderEdits, 2> enc1_{};
    std::array<QFrame*, kOutputCount> lamps_{};
    std::array<int, kOutputCount> lampState_{};  // -1 until painted
    std::array<EncoderEdits, 2> enc2_{};
    std::array<QLineEdit*, 4> adc2_{};
    std::array<QLineEdit*, 2> math2_{};
    std::array<QLineEdit*, 2> math3_{};

    // The inputs of the tick in progress.
    const Measurement* m_ = nullptr;
    const UnitTexts* units_ = nullptr;
    int decimals_ = 2;
    QString separator_;
};

}  // namespace voltrix
