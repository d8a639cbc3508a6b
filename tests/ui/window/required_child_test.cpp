// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/window/required_child.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QWidget>

namespace voltrix {
namespace {

// A form's control is found at any depth; a missing one, or one of another
// kind than the code expects, stops with an error that names it.
TEST(RequiredChildTest, FindsTheControlOrNamesTheOneMissing) {
    QWidget window;
    auto* page = new QWidget(&window);
    auto* edit = new QLineEdit(page);
    edit->setObjectName(QStringLiteral("edit_mod"));
    auto* label = new QLabel(page);
    label->setObjectName(QStringLiteral("ver_pc"));

    EXPECT_EQ(requiredChild<QLineEdit>(&window, "edit_mod"), edit);
    EXPECT_EQ(requiredChild<QWidget>(&window, QStringLiteral("ver_pc")), label);

    // A name no control has, and a label where an edit is expected.
    for (const char* name : {"edit_mdo", "ver_pc"}) {
        try {
            requiredChild<QLineEdit>(&window, name);
            ADD_FAILURE() << name << " was found";
        } catch (const MissingControl& error) {
            EXPECT_STREQ(error.what(), (std::string("missing control ") + name).c_str());
        }
    }
}

}  // namespace
}  // namespace voltrix
