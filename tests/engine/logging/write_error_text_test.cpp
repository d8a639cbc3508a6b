// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/logging/write_error_text.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "language_fixture.h"

namespace voltrix {
namespace {

class WriteErrorTextTest : public testing::LanguageTest {};

TEST_F(WriteErrorTextTest, CommonCausesAreNamedInTheInterfaceLanguage) {
    struct Case {
        int code;
        const char* polish;
        const char* english;
    };
    const Case cases[] = {
        {ENOSPC, "brak miejsca na dysku", "no space left on the device"},
        {EACCES, "brak uprawnień do zapisu", "no permission to write"},
        {EPERM, "brak uprawnień do zapisu", "no permission to write"},
        {ENOENT, "folder nie istnieje", "the folder does not exist"},
        {EROFS, "system plików tylko do odczytu", "read-only file system"},
        {EISDIR, "podana nazwa jest folderem", "the name is a folder"},
        {EPIPE, "odbiorca zamknął potok", "the reader closed the pipe"},
        {ENXIO, "nikt nie czyta kolejki FIFO", "no one reads the FIFO"},
        {EAGAIN, "odbiorca nie przyjmuje linii", "the reader takes no lines"},
    };
    const QString system = QStringLiteral("Text of the system");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.polish);
        use(Language::Polish);
        EXPECT_EQ(writeErrorCause(c.code, system), QString::fromUtf8(c.polish));
        use(Language::English);
        EXPECT_EQ(writeErrorCause(c.code, system), QString::fromUtf8(c.english));
    }
}

TEST_F(WriteErrorTextTest, OtherCausesKeepTheSystemsWords) {
    EXPECT_EQ(writeErrorCause(EIO, QStringLiteral("Input/output error")),
              QStringLiteral("Input/output error"));
    EXPECT_EQ(writeErrorCause(0, QString()), QString::fromUtf8("nieznany błąd"));
}

TEST_F(WriteErrorTextTest, TheMessageNamesTheCause) {
    EXPECT_EQ(measurementFileErrorText(ENOSPC, QStringLiteral("Unknown error")),
              QString::fromUtf8("Nie można zapisać pliku pomiarowego: brak miejsca na dysku"));
    use(Language::English);
    EXPECT_EQ(measurementFileErrorText(ENOENT, QStringLiteral("No such file or directory")),
              QStringLiteral("The measurement file cannot be written: the folder does not exist"));
}

}  // namespace
}  // namespace voltrix
