// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/text/string_table.h"

#include <gtest/gtest.h>

#include "language_fixture.h"

namespace voltrix {
namespace {

struct Row {
    Ids id;
    const char* polish;
    const char* english;
};

const Row kTable[] = {
    {Ids::IDS_2, "Zaktualizowane parametr: [", "Updated parameter: ["},
    {Ids::IDS_7, "Połączony", "Connected"},
    {Ids::IDS_8, "Rozłączony", "Disconnected"},
    {Ids::IDS_10, "Odświeżam listę urządzeń", "Refresh the list of devices"},
    {Ids::IDS_42, "pomiary.csv", "measure.csv"},
    {Ids::IDS_317, "Zapis aktywny", "Record: online"},
    {Ids::IDS_319, "Zapis: aktywny", "Record: online"},
    {Ids::IDS_320, "Zapis nieaktywny", "Record: offline"},
    {Ids::IDS_322, "Zapis: niektywny", "Record: offline"},
    {Ids::IDS_354, "Czas [s]", "Time [s]"},
    {Ids::IDS_355, "Wartość", "Value"},
};

using StringTableTest = testing::LanguageTest;

TEST_F(StringTableTest, EveryKeyInBothLanguages) {
    use(Language::English);
    for (const Row& row : kTable) {
        EXPECT_EQ(lookup(row.id), QString::fromUtf8(row.english)) << row.polish;
    }
    use(Language::Polish);
    for (const Row& row : kTable) {
        EXPECT_EQ(lookup(row.id), QString::fromUtf8(row.polish));
    }
}

TEST_F(StringTableTest, ActiveLanguageFollowsTheSwitch) {
    EXPECT_EQ(activeLanguage(), Language::Polish);
    use(Language::English);
    EXPECT_EQ(activeLanguage(), Language::English);
    use(Language::English);  // switching twice to the same language changes nothing
    EXPECT_EQ(lookup(Ids::IDS_8), QStringLiteral("Disconnected"));
    use(Language::Polish);
    EXPECT_EQ(lookup(Ids::IDS_8), QString::fromUtf8("Rozłączony"));
}

TEST(LanguageFromIndex, UnknownNumbersMeanPolish) {
    EXPECT_EQ(languageFromIndex(0), Language::Polish);
    EXPECT_EQ(languageFromIndex(1), Language::English);
    EXPECT_EQ(languageFromIndex(2), Language::Polish);
    EXPECT_EQ(languageFromIndex(-1), Language::Polish);
}

}  // namespace
}  // namespace voltrix
