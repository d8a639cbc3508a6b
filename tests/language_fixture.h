// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <gtest/gtest.h>

#include "engine/text/language.h"
#include "qt_printers.h"

namespace voltrix::testing {

// Runs each test with the given language active and puts Polish back after it,
// so that the order of tests never matters.
class LanguageTest : public ::testing::Test {
protected:
    void use(Language language) { ASSERT_TRUE(setActiveLanguage(language)); }
    void TearDown() override { setActiveLanguage(Language::Polish); }
};

}  // namespace voltrix::testing
