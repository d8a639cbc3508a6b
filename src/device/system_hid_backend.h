// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>

#include "device/hid_backend.h"

namespace voltrix {

// The HID devices of this computer.
std::unique_ptr<HidBackend> makeSystemHidBackend();

}  // namespace voltrix
