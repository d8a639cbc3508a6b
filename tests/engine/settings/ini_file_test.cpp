// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/settings/ini_file.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <random>

#include <sys/stat.h>
#include <unistd.h>

#include "ordinary_user.h"

namespace voltrix {
namespace {

class IniFileTest : public ::testing::Test {
protected:
    QString path() const { return dir_.filePath("config.ini"); }

    void put(const QByteArray& bytes) const { putAt(path(), bytes); }

    static void putAt(const QString& path, const QByteArray& bytes) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(bytes), bytes.size());
    }

    QByteArray contents() const {
        QFile file(path());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

    QTemporaryDir dir_;
};

TEST_F(IniFileTest, IntegerReadsFollowTheStoredNumberSyntax) {
    struct Case {
        const char* stored;
        std::int32_t expected;
    };
    constexpr std::int32_t kDefault = 99;
    const Case cases[] = {
        {"0x3", 3},
        {"0X10", 16},
        {"$10", 16},
        {"x1F", 31},
        {"X1f", 31},
        {"\"  -7\"", -7},
        {"  -7", -7},
        {"+5", 5},
        {"007", 7},
        {"0000000000000000000042", 42},
        {"2147483647", 2147483647},
        {"-2147483648", -2147483647 - 1},
        {"$FFFFFFFF", -1},
        {"$80000000", -2147483647 - 1},
        {"-$10", -16},
        {"2147483648", kDefault},
        {"-2147483649", kDefault},
        {"99999999999999999999999", kDefault},
        {"$100000000", kDefault},
        {"12abc", kDefault},
        {"", kDefault},
        {"$", kDefault},
        {"0x", kDefault},
        {"- 7", kDefault},
        {"1 2", kDefault},
        {"1.5", kDefault},
        {"$G", kDefault},
        {"yes", kDefault},
        {"\xd9\xa3", kDefault},  // ARABIC-INDIC DIGIT THREE
    };
    QByteArray file = "[Options]\n";
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        file += "Key" + QByteArray::number(i) + "=" + cases[i].stored + "\n";
    }
    put(file);
    const IniFile ini(path());
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].stored);
        EXPECT_EQ(ini.readInt("Key" + QString::number(i), kDefault), cases[i].expected);
    }
    EXPECT_EQ(ini.readInt("Missing", kDefault), kDefault);
}

TEST_F(IniFileTest, BooleanReadsAreIntegerReadsWithOneOrZeroAsDefault) {
    put("[Options]\nSaveDate=2\nSaveTime=yes\nSaveCnt=0\nSaveAdc1=-1\nSaveAdc2=\n");
    const IniFile ini(path());
    struct Case {
        const char* key;
        bool defaultValue;
        bool expected;
    };
    const Case cases[] = {
        {"SaveDate", false, true}, {"SaveTime", true, true},   {"SaveTime", false, false},
        {"SaveCnt", true, false},  {"SaveAdc1", false, true},  {"SaveAdc2", true, true},
        {"SaveAdc3", true, true},  {"SaveAdc3", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        EXPECT_EQ(ini.readBool(c.key, c.defaultValue), c.expected);
    }
}

TEST_F(IniFileTest, TextReadsTellAnEmptyValueFromAMissingKey) {
    put("; written by hand\r\n"
        "[Other]\r\n"
        "MathName1=other section\r\n"
        "  [ options ]  \r\n"
        "  mathname1 =  Pomiar 1  \r\n"
        "MathUnit1=\r\n"
        "; MathUnit2=commented out\r\n"
        "AdcUnit1=\"  spaced \"\r\n"
        "AdcUnit2=a=b\r\n"
        "AdcUnit3=\"\r\n"
        "not a key line\r\n"
        "MATHNAME1=second line of the key\r\n"
        "[Other]\r\n"
        "[Options]\r\n"
        "EncUnit1=second section\r\n");
    const IniFile ini(path());
    EXPECT_EQ(ini.readText("MathName1", "..."), "Pomiar 1");
    EXPECT_EQ(ini.readText("MathUnit1", "..."), "");
    EXPECT_EQ(ini.readText("MathUnit2", "..."), "...");
    EXPECT_EQ(ini.readText("AdcUnit1", "-"), "  spaced ");
    EXPECT_EQ(ini.readText("AdcUnit2", "-"), "a=b");
    EXPECT_EQ(ini.readText("AdcUnit3", "-"), "\"");
    EXPECT_EQ(ini.readText("EncUnit1", "-"), "-");
}

TEST_F(IniFileTest, MissingFileGivesDefaults) {
    const IniFile ini(path());
    EXPECT_EQ(ini.readText("FileName", "pomiary.csv"), "pomiary.csv");
    EXPECT_EQ(ini.readInt("Point", 2), 2);
    EXPECT_FALSE(QFile::exists(path()));
}

TEST_F(IniFileTest, TextReadsStopAt2047UnitsWithoutCuttingACharacter) {
    const QString longText = QString(3000, u'a');
    const QString emojiAtTheEdge =
        QString(2046, u'b') + QString::fromUtf8("\xF0\x9F\x98\x80") + "c";
    {
        IniFile ini(path());
        ini.writeText("FileName", longText);
        ini.writeText("MathName1", emojiAtTheEdge);
        ini.commit();
    }
    const IniFile ini(path());
    EXPECT_EQ(ini.readText("FileName", {}), longText.left(2047));
    EXPECT_EQ(ini.readText("MathName1", {}), QString(2046, u'b'));
}

TEST_F(IniFileTest, WritesReplaceKeysInPlaceAndAppendNewOnesAfterTheLastKey) {
    put("; settings\n"
        "[Options]\n"
        "Point=2\n"
        "FileName = old.csv\n"
        "Mod=1\n"
        "# comment after the keys\n"
        "\n"
        "[Other]\n"
        "Keep=me\n");
    IniFile ini(path());
    ini.writeInt("point", 4);
    ini.writeText("FILENAME", "nowy.csv");
    ini.writeText("Language", "1");
    ini.writeInt("ChartTime", -20);
    ini.writeBool("SaveAuto", false);
    ini.writeInt("Mod", 1);
    EXPECT_EQ(ini.readInt("Language", 0), 1);  // the batch reads its own writes
    ini.commit();
    EXPECT_EQ(contents(),
              "; settings\n"
              "[Options]\n"
              "Point=4\n"
              "FileName=nowy.csv\n"
              "Mod=1\n"
              "Language=1\n"
              "ChartTime=-20\n"
              "SaveAuto=0\n"
              "# comment after the keys\n"
              "\n"
              "[Other]\n"
              "Keep=me\n");
}

TEST_F(IniFileTest, WritesCreateTheFileAndTheSectionWithCrLfLines) {
    {
        IniFile ini(path());
        ini.writeText("FileName", "pomiary.csv");
        ini.writeText("AdcUnit1", "");
        ini.commit();
    }
    EXPECT_EQ(contents(), "[Options]\r\nFileName=pomiary.csv\r\nAdcUnit1=\r\n");

    put("[Other]\nA=1");
    IniFile ini(path());
    ini.writeBool("SaveDate", true);
    ini.commit();
    EXPECT_EQ(contents(), "[Other]\nA=1\n[Options]\nSaveDate=1\n");
}

TEST_F(IniFileTest, ByteOrderMarkAndLineEndingOfTheFileAreKept) {
    put("\xEF\xBB\xBF[Options]\r\nPoint=3\r\n");
    IniFile ini(path());
    EXPECT_EQ(ini.readInt("Point", 2), 3);
    ini.writeInt("Language", 1);
    ini.commit();
    EXPECT_EQ(contents(), "\xEF\xBB\xBF[Options]\r\nPoint=3\r\nLanguage=1\r\n");
}

TEST_F(IniFileTest, WrittenValuesReadBackUnchanged) {
    struct Case {
        QString written;
        QString read;
    };
    const Case cases[] = {
        {"", ""},
        {" leading", " leading"},
        {"trailing\t", "trailing\t"},
        {"\"quoted\"", "\"quoted\""},
        {"\"", "\""},
        {"a \"b\" c", "a \"b\" c"},
        {"=x=", "=x="},
        {QString::fromUtf8("Ciśnienie [°C] ŻÓŁĆ ąęńś"),
         QString::fromUtf8("Ciśnienie [°C] ŻÓŁĆ ąęńś")},
        {"one\nInjected=1\r\n", "one Injected=1  "},
    };
    {
        IniFile ini(path());
        for (std::size_t i = 0; i < std::size(cases); ++i) {
            ini.writeText("Key" + QString::number(i), cases[i].written);
        }
        ini.commit();
    }
    const IniFile ini(path());
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(ini.readText("Key" + QString::number(i), "<missing>"), cases[i].read);
    }
    EXPECT_EQ(ini.readText("Injected", "<missing>"), "<missing>");
    EXPECT_TRUE(contents().contains(QString::fromUtf8("Ciśnienie [°C]").toUtf8()));
}

TEST_F(IniFileTest, KeysThatWouldBreakTheFormatAreRefused) {
    IniFile ini(path());
    for (const char* key : {"", "A=B", "[Options]", ";A", "#A", " A", "A\nB"}) {
        SCOPED_TRACE(key);
        EXPECT_THROW(ini.writeText(key, "1"), std::invalid_argument);
    }
}

TEST_F(IniFileTest, NothingReachesTheDiskWithoutCommit) {
    put("[Options]\nPoint=2\n");
    {
        IniFile ini(path());
        ini.writeInt("Point", 4);
        ini.writeInt("Language", 1);
    }
    EXPECT_EQ(contents(), "[Options]\nPoint=2\n");
}

TEST_F(IniFileTest, CommitLeavesOnlyTheSettingsFileBehind) {
    IniFile ini(path());
    ini.writeInt("Point", 4);
    ini.commit();
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{"config.ini"});
}

TEST_F(IniFileTest, WriteUnderARegularFileFailsWithThePath) {
    putAt(dir_.filePath("blocker"), "not a directory");
    const QString blocked = dir_.filePath("blocker/config.ini");
    IniFile ini(blocked);
    EXPECT_EQ(ini.readInt("Point", 2), 2);
    ini.writeInt("Point", 3);
    try {
        ini.commit();
        FAIL() << "commit succeeded";
    } catch (const SettingsError& error) {
        EXPECT_EQ(error.message(), "Unable to write to " + blocked);
        EXPECT_EQ(std::string(error.what()), ("Unable to write to " + blocked).toStdString());
    }
    QFile blocker(dir_.filePath("blocker"));
    ASSERT_TRUE(blocker.open(QIODevice::ReadOnly));
    EXPECT_EQ(blocker.readAll(), "not a directory");
}

TEST_F(IniFileTest, ReadOnlyBatchNeverWrites) {
    putAt(dir_.filePath("blocker"), "x");
    IniFile ini(dir_.filePath("blocker/config.ini"));
    EXPECT_EQ(ini.readText("FileName", "a"), "a");
    EXPECT_NO_THROW(ini.commit());
}

TEST_F(IniFileTest, SomethingOtherThanAFileIsReadAsEmptyAndNeverReplaced) {
    ASSERT_TRUE(QDir(dir_.path()).mkdir("config.ini"));
    const QString fifo = dir_.filePath("fifo.ini");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    for (const QString& target : {path(), fifo}) {
        SCOPED_TRACE(target.toStdString());
        IniFile ini(target);  // must not block on the pipe
        EXPECT_EQ(ini.readInt("Point", 2), 2);
        ini.writeInt("Point", 3);
        EXPECT_THROW(ini.commit(), SettingsError);
    }
    EXPECT_TRUE(QFileInfo(path()).isDir());
    EXPECT_FALSE(QFileInfo(fifo).isFile());
}

TEST_F(IniFileTest, FailedWriteLeavesTheOldFileUnchanged) {
    put("[Options]\nPoint=2\n");
    const testing::ScopedMode file(path(), 0444);
    const testing::ScopedMode folder(dir_.path(), 0555);
    {
        const testing::OrdinaryUser user;
        if (!user.active()) {
            GTEST_SKIP() << "cannot act as an ordinary user";
        }
        IniFile ini(path());
        ini.writeInt("Point", 4);
        EXPECT_THROW(ini.commit(), SettingsError);
    }
    EXPECT_EQ(contents(), "[Options]\nPoint=2\n");
}

// A shared installation: the folder is the administrator's, the file was
// handed to the user. No temporary file can go beside it.
TEST_F(IniFileTest, AFileInAFolderClosedToNewFilesIsRewrittenInPlace) {
    put("[Options]\r\nPoint=2\r\nMathName1=Moc czynna\r\n; notatka\r\n");
    testing::OrdinaryUser::owns(path());
    const testing::ScopedMode folder(dir_.path(), 0555);
    {
        const testing::OrdinaryUser user;
        if (!user.active()) {
            GTEST_SKIP() << "cannot act as an ordinary user";
        }
        IniFile ini(path());
        ini.writeInt("Point", 4);
        ini.writeText("MathName1", "M");  // shorter: the old tail must go
        EXPECT_NO_THROW(ini.commit());
    }
    EXPECT_EQ(contents(), "[Options]\r\nPoint=4\r\nMathName1=M\r\n; notatka\r\n");
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{"config.ini"});
}

// Root saving a user's file must not take it away from the user.
TEST_F(IniFileTest, ReplacingAFileKeepsItsOwnerGroupAndPermissions) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "only root writes files of other users";
    }
    struct Case {
        uid_t owner;
        gid_t group;
        mode_t mode;
    };
    const Case cases[] = {
        {testing::OrdinaryUser::kNobody, testing::OrdinaryUser::kNobody, 0644},
        {testing::OrdinaryUser::kNobody, 0, 0600},
        {0, testing::OrdinaryUser::kNobody, 0660},
        {testing::OrdinaryUser::kNobody, testing::OrdinaryUser::kNobody, 0666},
    };
    const QByteArray name = QFile::encodeName(path());
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << c.owner << ":" << c.group << " " << std::oct << c.mode);
        put("[Options]\nPoint=2\n");
        ASSERT_EQ(::chown(name.constData(), c.owner, c.group), 0);
        ASSERT_EQ(::chmod(name.constData(), c.mode), 0);
        IniFile ini(path());
        ini.writeInt("Point", 4);
        ini.commit();
        EXPECT_EQ(contents(), "[Options]\nPoint=4\n");
        struct stat status {};
        ASSERT_EQ(::stat(name.constData(), &status), 0);
        EXPECT_EQ(status.st_uid, c.owner);
        EXPECT_EQ(status.st_gid, c.group);
        EXPECT_EQ(status.st_mode & 07777, c.mode);
    }
}

TEST_F(IniFileTest, BinaryGarbageReadsAsDefaultsAndIsKeptByteForByte) {
    std::mt19937 random(1234);
    QByteArray garbage(64 * 1024, '\0');
    for (char& byte : garbage) {
        byte = static_cast<char>(random() & 0xFF);
    }
    garbage.replace('[', '(');  // no section can start by chance
    garbage += "\n";            // so the appended section starts on a line of its own
    put(garbage);
    {
        IniFile ini(path());
        EXPECT_EQ(ini.readInt("Point", 2), 2);
        EXPECT_EQ(ini.readText("FileName", "pomiary.csv"), "pomiary.csv");
        ini.writeInt("Point", 4);
        ini.commit();
    }
    const QByteArray written = contents();
    EXPECT_TRUE(written.startsWith(garbage));
    const IniFile ini(path());
    EXPECT_EQ(ini.readInt("Point", 2), 4);
}

TEST_F(IniFileTest, LargeHandEditedFilesAreReadAndKeptWhole) {
    const QByteArray head = "[Options]\nPoint=3\nMathName1=Moc\n;";
    for (const qint64 size : {qint64{1024 * 1024 + 1}, IniFile::kMaxFileSize}) {
        SCOPED_TRACE(size);
        QByteArray bytes = head + QByteArray(size - head.size() - 1, 'z') + '\n';
        put(bytes);
        {
            IniFile ini(path());
            EXPECT_EQ(ini.readInt("Point", 2), 3);
            EXPECT_EQ(ini.readText("MathName1", "..."), "Moc");
            ini.writeInt("Point", 4);
            ini.commit();
        }
        bytes.replace("Point=3", "Point=4");
        const QByteArray written = contents();
        EXPECT_EQ(written.size(), bytes.size());
        EXPECT_TRUE(written == bytes) << "the comment was not kept";
    }
}

TEST_F(IniFileTest, AFileOverTheLimitIsNotReadAndNeverReplaced) {
    const QByteArray head = "[Options]\nPoint=3\n";
    put(head);
    {
        QFile file(path());
        ASSERT_TRUE(file.resize(IniFile::kMaxFileSize + 1));  // sparse: no time spent writing
    }
    IniFile ini(path());
    EXPECT_EQ(ini.readInt("Point", 2), 2);
    ini.writeInt("Point", 4);
    EXPECT_THROW(ini.commit(), SettingsError);
    EXPECT_EQ(QFileInfo(path()).size(), IniFile::kMaxFileSize + 1);
    QFile file(path());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.read(head.size()), head);
}

}  // namespace
}  // namespace voltrix
