// SPDX-License-Identifier: GPL-3.0-or-later
#include "programs/record/repeat_filter.h"

#include <gtest/gtest.h>

#include "qt_printers.h"

namespace voltrix {
namespace {

// Each message once, and again when it changes; its repeats counted and
// told when the message changes or at the end.
TEST(RepeatFilter, SaysEachMessageOnceUntilItChanges) {
    struct Case {
        const char* name;
        QStringList messages;
        QStringList printed;  // finish() included
    };
    const QString once = QStringLiteral("1 more times: > a");
    const Case cases[] = {
        {"one", {"a"}, {"> a"}},
        {"a repeat told at the end", {"a", "a"}, {"> a", once}},
        {"repeats told when the message changes",
         {"a", "a", "a", "b"},
         {"> a", QStringLiteral("2 more times: > a"), "> b"}},
        {"a message that comes back after another is said again",
         {"a", "b", "a", "a", "b"},
         {"> a", "> b", "> a", once, "> b"}},
        {"none", {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RepeatFilter filter;
        QStringList printed;
        for (const QString& message : c.messages) {
            printed += filter.pass(message, QStringLiteral("> ") + message);
        }
        printed += filter.finish();
        EXPECT_EQ(printed, c.printed);
        EXPECT_TRUE(filter.finish().isEmpty());
    }
}

// A flood of one message: one line, and one for the count.
TEST(RepeatFilter, AFloodIsTwoLines) {
    RepeatFilter filter;
    QStringList printed;
    for (int i = 0; i < 10000; ++i) {
        printed += filter.pass(QStringLiteral("QIODevice::seek: sequential"), QStringLiteral("w"));
    }
    printed += filter.finish();
    EXPECT_EQ(printed, (QStringList{QStringLiteral("w"),
                                    QStringLiteral("9999 more times: w")}));
}

}  // namespace
}  // namespace voltrix
