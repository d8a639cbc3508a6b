// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

#include <QComboBox>

#include "engine/parameters/parameters.h"

// A list's selection as the one byte it travels as to and from the module.

namespace voltrix {

// The low 8 bits of the index, so that no selection (-1) goes out as 255.
inline std::uint8_t selectionByte(const QComboBox* list) {
    return static_cast<std::uint8_t>(list->currentIndex());
}

// A byte beyond the end of the list leaves it without a selection.
inline void selectByte(QComboBox* list, std::uint8_t byte) {
    list->setCurrentIndex(selectionIndex(byte, list->count()));
}

}  // namespace voltrix
