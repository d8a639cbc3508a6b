#include "app/settings_location.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "app/ordinary_user.h"
#include "app/program_settings.h"

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

    EXPECT_EQ(choose().path, userPath());
    EXPECT_EQ(contents(userPath()), own);

    // From now on the user's file is the one in use, whatever it holds.
    put(userPath(), "[Options]\r\nLanguage=0\r\n");
    EXPECT_EQ(choose().path, userPath());
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

}  // namespace
}  // namespace voltrix
