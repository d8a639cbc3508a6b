// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The choices offered by the drop-down lists of the configuration pages, in
// the active language. Selections travel to and from the module as list
// indices, so the order of every list is part of the protocol. Fetch the texts
// when a list is filled; never keep them, so that they follow the language.

#include <QString>
#include <QStringList>

namespace voltrix {

enum class ValueList {
    AdcModes,           // AdcMode: adc_mode_1 .. adc_mode_4
    EncoderModes,       // EncMode: enc_mode_1, enc_mode_2
    MathModes1,         // MathMode: math_mode_1
    MathModes2,         // MathMode: math_mode_2
    RegisterModes1,     // MathRegisterMode: math_m_mode_1
    RegisterModes2,     // MathRegisterMode: math_m_mode_2
    TriggerModes,       // TriggerMode: trigger_mode
    TriggerInputModes,  // TrigMasterMode: trig_master_mode
    Registers,          // TrigMasterType: trig_master_type_1, trig_master_type_2
    OutputSources,      // OutputRule source: out1_W .. out6_W
    Comparisons,        // OutputRule compare1, compare2: out1_B .. out6_C
    Logic,              // OutputRule logic: out1_T .. out6_T
    OutputStates,       // OutputRule state: out1_S .. out6_S
    BaudRates,          // ModbusBaud: mod_br
    ModbusAddresses,    // ModbusAddress: mod_adr, "1" .. "247"
};

// The entries of `list` in the active language.
QStringList listEntries(ValueList list);

// The number of entries of `list`; the same in every language.
int listSize(ValueList list);

// The output sources are the registers preceded by "output inactive" and
// "output always active": source index = register index + 2.
inline constexpr int kFirstRegisterSource = 2;

// The measurement formulas shown on the configuration page.
enum class Formula { Adc, Encoder };

QString formulaCaption(Formula formula);

}  // namespace voltrix
