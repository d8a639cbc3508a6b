// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <vector>

#include "engine/protocol/measurement.h"

class QComboBox;
class QLineEdit;
class QWidget;

// Per-channel tables of the configuration controls. Element k is channel
// k + 1, so a handler that serves a row of like buttons finds its control from
// the last digit of the button's name minus one. The controls belong to the
// window; the tables only point at them.

namespace voltrix {

struct ControlArrays {
    std::array<QComboBox*, 4> adc_mode{};
    std::array<QLineEdit*, 4> adc_filter1{};
    std::array<QLineEdit*, 4> adc_filter2{};
    std::array<QLineEdit*, 4> adc_coeff{};
    std::array<QLineEdit*, 4> adc_offset{};
    std::array<QLineEdit*, 4> adc_offset2{};
    std::array<QComboBox*, 2> enc_mode{};
    std::array<QLineEdit*, 2> enc_time{};
    std::array<QLineEdit*, 2> enc_resolution{};
    std::array<QLineEdit*, 2> enc_coeff{};
    std::array<QLineEdit*, 2> enc_offset{};
    std::array<QComboBox*, 2> math_mode{};
    std::array<QComboBox*, 2> math_m_mode{};
    std::array<QLineEdit*, 2> math_offset{};
    std::array<QLineEdit*, 2> math_calib{};
    std::array<QComboBox*, kOutputCount> out_W{};
    std::array<QComboBox*, kOutputCount> out_B{};
    std::array<QLineEdit*, kOutputCount> out_N{};
    std::array<QComboBox*, kOutputCount> out_T{};
    std::array<QComboBox*, kOutputCount> out_C{};
    std::array<QLineEdit*, kOutputCount> out_M{};
    std::array<QComboBox*, kOutputCount> out_S{};
    std::array<QComboBox*, 2> trig_master_type{};

    // Fills every table from the controls of `window`, found by name. Throws
    // MissingControl naming a control that is missing.
    void fill(QWidget* window);

    // Every edit of the tables: the values typed for the module, whose
    // colour mark a change or a click clears.
    std::vector<QLineEdit*> edits() const;
};

}  // namespace voltrix
