// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/logging/file_dialog_texts.h"

#include <gtest/gtest.h>

#include "language_fixture.h"

namespace voltrix {
namespace {

using FileDialogTextsTest = testing::LanguageTest;

TEST_F(FileDialogTextsTest, TitleAndFileTypesInBothLanguages) {
    const FileDialogTexts polish = measurementFileDialogTexts();
    EXPECT_EQ(polish.title, QStringLiteral("Plik pomiarowy"));
    EXPECT_EQ(polish.nameFilters,
              (QStringList{QStringLiteral("Plik tekstowy (*.txt)"),
                           QString::fromUtf8("Plik z danymi oddzielonymi średnikami (*.csv)")}));
    EXPECT_EQ(polish.defaultSuffix, QStringLiteral("csv"));

    use(Language::English);
    const FileDialogTexts english = measurementFileDialogTexts();
    EXPECT_EQ(english.title, QStringLiteral("Measurement file"));
    // The English descriptions keep their own spelling; the patterns that Qt
    // reads follow them in brackets.
    EXPECT_EQ(
        english.nameFilters,
        (QStringList{QStringLiteral("Text file (*. txt) (*.txt)"),
                     QStringLiteral("File with data separated by semicolons (*. csv) (*.csv)")}));
}

}  // namespace
}  // namespace voltrix
