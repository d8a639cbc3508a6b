// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QString>

#include "session/device_link.h"

namespace voltrix {
namespace {

// The device list is alphabetical without regard to case, ties broken by
// case, whatever the system's language.
TEST(DeviceListOrder, IgnoresCaseFirstThenBreaksTiesByIt) {
    struct Case {
        const char* left;
        const char* right;
        bool before;
    };
    const Case cases[] = {
        {"Mouse", "VOLTRIX", true},
        {"mouse", "VOLTRIX", true},   // not by code point: 'm' > 'V'
        {"VOLTRIX", "keyboard", false},
        {"VOLTRIX", "voltrix", true},  // a tie without case: upper case first
        {"voltrix", "VOLTRIX", false},
        {"VOLTRIX", "VOLTRIX", false},
        {"Device VID=046D PID=C52B", "Device VID=046d PID=C52B", true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(deviceListOrder(QString::fromLatin1(c.left), QString::fromLatin1(c.right)),
                  c.before)
            << c.left << " < " << c.right;
    }
}

}  // namespace
}  // namespace voltrix
