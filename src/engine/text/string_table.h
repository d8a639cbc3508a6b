// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// The texts the program's code puts on screen at run time, keyed as in the
// window's string table. Fetch a text at the moment it is shown; never keep it,
// so that it follows the active language.

namespace voltrix {

enum class Ids {
    IDS_2,    // write acknowledgement message
    IDS_7,    // connected
    IDS_8,    // disconnected
    IDS_10,   // refreshing the device list
    IDS_42,   // default measurement file name
    IDS_317,  // logging label: on
    IDS_319,  // logging status panel: on
    IDS_320,  // logging label: off
    IDS_322,  // logging status panel: off
    IDS_354,  // chart time axis title
    IDS_355,  // chart value axis title
};

// The text of `id` in the active language.
QString lookup(Ids id);

}  // namespace voltrix
