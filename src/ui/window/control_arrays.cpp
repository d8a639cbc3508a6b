// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/window/control_arrays.h"

#include <QComboBox>
#include <QLineEdit>

#include "ui/window/required_child.h"

namespace voltrix {
namespace {

// Fills `table` with the controls named by `pattern`, where %1 is the
// 1-based channel number.
template <typename Control, std::size_t N>
void fillTable(std::array<Control*, N>& table, QWidget* window, const char* pattern) {
    for (std::size_t k = 0; k < N; ++k) {
        table[k] = requiredChild<Control>(window, QString::fromLatin1(pattern).arg(k + 1));
    }
}

}  // namespace

void ControlArrays::fill(QWidget* window) {
    fillTable(adc_mode, window, "adc_mode_%1");
    fillTable(adc_filter1, window, "adc_filter1_%1");
    fillTable(adc_filter2, window, "adc_filter2_%1");
    fillTable(adc_coeff, window, "adc_coeff_%1");
    fillTable(adc_offset, window, "adc_offset_%1");
    fillTable(adc_offset2, window, "adc_offset_2%1");
    fillTable(enc_mode, window, "enc_mode_%1");
    fillTable(enc_time, window, "enc_time_%1");
    fillTable(enc_resolution, window, "enc_resolution_%1");
    fillTable(enc_coeff, window, "enc_coeff_%1");
    fillTable(enc_offset, window, "enc_offset_%1");
    fillTable(math_mode, window, "math_mode_%1");
    fillTable(math_m_mode, window, "math_m_mode_%1");
    fillTable(math_offset, window, "math_offset_%1");
    fillTable(math_calib, window, "math_calib_%1");
    fillTable(out_W, window, "out%1_W");
    fillTable(out_B, window, "out%1_B");
    fillTable(out_N, window, "out%1_N");
    fillTable(out_T, window, "out%1_T");
    fillTable(out_C, window, "out%1_C");
    fillTable(out_M, window, "out%1_M");
    fillTable(out_S, window, "out%1_S");
    fillTable(trig_master_type, window, "trig_master_type_%1");
}

std::vector<QLineEdit*> ControlArrays::edits() const {
    std::vector<QLineEdit*> all;
    for (const auto* table : {&adc_filter1, &adc_filter2, &adc_coeff, &adc_offset, &adc_offset2}) {
        all.insert(all.end(), table->begin(), table->end());
    }
    for (const auto* table : {&enc_time, &enc_resolution, &enc_coeff, &enc_offset, &math_offset,
                              &math_calib}) {
        all.insert(all.end(), table->begin(), table->end());
    }
    for (const auto* table : {&out_N, &out_M}) {
        all.insert(all.end(), table->begin(), table->end());
    }
    return all;
}

}  // namespace voltrix
