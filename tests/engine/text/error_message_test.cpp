// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/text/error_message.h"

#include <gtest/gtest.h>

namespace voltrix {
namespace {

TEST(ErrorBoxText, FullStopOnlyAfterCharactersSortingAfterThePoint) {
    struct Case {
        const char* message;
        const char* shown;
    };
    const Case cases[] = {
        {"Unable to write to /x/config.ini", "Unable to write to /x/config.ini."},
        {"'abc' is not a valid integer value", "'abc' is not a valid integer value."},
        {"Done.", "Done."},
        {"Failed!", "Failed!"},  // '!' sorts before '.'
        {"Range -", "Range -"},  // '-' sorts before '.'
        {"Path /", "Path /."},   // '/' sorts after '.'
        {"Wartość 5", "Wartość 5."},
        {"", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(errorBoxText(QString::fromUtf8(c.message)), QString::fromUtf8(c.shown));
    }
}

}  // namespace
}  // namespace voltrix
