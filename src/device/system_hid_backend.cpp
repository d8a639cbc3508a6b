// SPDX-License-Identifier: GPL-3.0-or-later
#include "device/system_hid_backend.h"

#include "device/hidapi_backend.h"

namespace voltrix {

std::unique_ptr<HidBackend> makeSystemHidBackend() {
    return std::make_unique<HidapiBackend>();
}

}  // namespace voltrix
