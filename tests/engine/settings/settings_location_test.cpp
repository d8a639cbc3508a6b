// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/settings/settings_location.h"

#include <gtest/gtest.h>

#include <functional>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "engine/settings/ini_file.h"
#include "engine/settings/program_settings.h"
#include "ordinary_user.h"

namespace voltrix {
namespace {

using testing::OrdinaryUser;
using testing::ScopedMode;

class SettingsLocationTest : public ::testing::Test {
protected:
    QString ownPath() const { return settingsFilePathIn(program_.path()); }
    QString userPath() const { return settingsFilePathIn(user_.path()); }

    static void put(const QString& path, const QByteArray& bytes) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(bytes), bytes.size());
    }

    static QByteArray contents(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

    SettingsLocation choose() const {
        return chooseSettingsLocation(program_.path(), user_.path());
    }

    QTemporaryDir program_;
    QTemporaryDir user_;
};

TEST_F(SettingsLocationTest, TheProgramsFileWhileItCanBeWritten) {
    EXPECT_EQ(choose().path, ownPath());  // none yet: the folder takes it
    put(ownPath(), "[Options]\nLanguage=1\n");
    EXPECT_EQ(choose().path, ownPath());
    EXPECT_EQ(choose().setAside, QString());
    EXPECT_EQ(contents(userPath()), "<missing>");
}

TEST_F(SettingsLocationTest, AProgramFolderThatCannotTakeTheFileSendsItToTheUser) {
    // Like an installed program's /usr/bin: here a folder that cannot exist.
    put(program_.filePath("blocker"), "x");
    const QString user = user_.filePath("VOLTRIX - PC");
    const SettingsLocation location =
        chooseSettingsLocation(program_.filePath("blocker/bin"), user);
    EXPECT_EQ(location.path, settingsFilePathIn(user));
    EXPECT_TRUE(QFileInfo(user).isDir());
}

TEST_F(SettingsLocationTest, AReadOnlyProgramFileStartsTheUsersFileOnce) {
    const QByteArray own = "[Options]\r\nMathName1=Moc\r\nLanguage=1\r\n";
    put(ownPath(), own);
    OrdinaryUser::owns(user_.path());
    const ScopedMode file(ownPath(), 0444);
    const ScopedMode folder(program_.path(), 0555);
    const OrdinaryUser user;
    if (!user.active()) {
        GTEST_SKIP() << "cannot act as an ordinary user";
    }

    const SettingsLocation first = choose();
    EXPECT_EQ(first.path, userPath());
    EXPECT_EQ(first.setAside, ownPath());
    EXPECT_EQ(contents(userPath()), own);

    // From now on the user's file is the one in use, whatever it holds.
    put(userPath(), "[Options]\r\nLanguage=0\r\n");
    const SettingsLocation later = choose();
    EXPECT_EQ(later.path, userPath());
    EXPECT_EQ(later.setAside, QString());
    EXPECT_EQ(contents(userPath()), "[Options]\r\nLanguage=0\r\n");
    EXPECT_EQ(contents(ownPath()), own);
}

TEST_F(SettingsLocationTest, WithNowhereToWriteTheProgramsFileIsStillRead) {
    put(ownPath(), "[Options]\r\nLanguage=1\r\n");
    put(user_.filePath("blocker"), "x");
    const ScopedMode file(ownPath(), 0444);
    const ScopedMode folder(program_.path(), 0555);
    const OrdinaryUser user;
    if (!user.active()) {
        GTEST_SKIP() << "cannot act as an ordinary user";
    }
    EXPECT_EQ(chooseSettingsLocation(program_.path(), user_.filePath("blocker/user")).path,
              ownPath());
}

TEST_F(SettingsLocationTest, ARefusedProgramFileIsSetAsideAndKeptAsItIs) {
    const QByteArray head = "[Options]\nMathName1=Moc\n";
    struct Case {
        const char* what;
        std::function<void(const QString&)> make;
        std::function<bool(const QString&)> intact;
    };
    const Case cases[] = {
        {"a folder", [](const QString& path) { QDir().mkdir(path); },
         [](const QString& path) { return QFileInfo(path).isDir(); }},
        {"a file over the size limit",
         [&](const QString& path) {
             put(path, head);
             QFile(path).resize(IniFile::kMaxFileSize + 1);
         },
         [&](const QString& path) {
             return QFileInfo(path).size() == IniFile::kMaxFileSize + 1 &&
                    contents(path).startsWith(head);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir program;
        const QString own = settingsFilePathIn(program.path());
        c.make(own);
        QFile::remove(userPath());

        const SettingsLocation location = chooseSettingsLocation(program.path(), user_.path());
        EXPECT_EQ(location.path, userPath());
        EXPECT_EQ(location.setAside, own);
        EXPECT_EQ(setAsideMessage(location),
                  QString::fromUtf8("Nie można zapisać ustawień w %1, używany jest %2")
                      .arg(own, userPath()));

        loadSettingsAtStartup(location.path, "pomiary.csv");
        saveShutdownSettings(location.path, ShutdownSettings{});
        EXPECT_TRUE(c.intact(own));
        EXPECT_TRUE(contents(userPath()).contains("Language=0"));
    }
}

}  // namespace
}  // namespace voltrix

namespace voltrix {
namespace {

// A program that only reads the settings finds the window's file without
// making, copying or changing one.
TEST_F(SettingsLocationTest, TheExistingFileIsFoundAsTheWindowWouldUseItAndNothingIsMade) {
    const auto existing = [&] { return existingSettingsPath(program_.path(), user_.path()); };
    EXPECT_EQ(existing(), QString());
    EXPECT_EQ(contents(ownPath()), "<missing>");
    EXPECT_EQ(contents(userPath()), "<missing>");

    put(userPath(), "[Options]\nLanguage=1\n");
    EXPECT_EQ(existing(), userPath());  // the window went there before
    put(ownPath(), "[Options]\nLanguage=0\n");
    EXPECT_EQ(existing(), ownPath());  // the window keeps its own while it can

    ASSERT_TRUE(QFile::remove(ownPath()));
    ASSERT_TRUE(QDir().mkdir(ownPath()));  // refused: the window goes to the user's
    EXPECT_EQ(existing(), userPath());
    EXPECT_EQ(contents(userPath()), "[Options]\nLanguage=1\n");
}

// Where the program's folder must not be written (inside a macOS bundle) the
// user's folder stands for both: a first start makes the folder and its file
// there, and later starts keep it.
TEST_F(SettingsLocationTest, OneFolderForBothIsMadeAtTheFirstStartAndKept) {
    const QString only = user_.filePath("Preferences/VOLTRIX - PC");
    const SettingsLocation first = chooseSettingsLocation(only, only);
    EXPECT_EQ(first.path, settingsFilePathIn(only));
    EXPECT_EQ(first.setAside, QString());
    EXPECT_TRUE(QFileInfo(only).isDir());
    put(first.path, "[Options]\nLanguage=1\n");
    EXPECT_EQ(chooseSettingsLocation(only, only).path, first.path);
    EXPECT_EQ(existingSettingsPath(only, only), first.path);
    EXPECT_EQ(contents(first.path), "[Options]\nLanguage=1\n");
}

}  // namespace
}  // namespace voltrix
