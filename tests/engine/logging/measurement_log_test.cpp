// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/logging/measurement_log.h"

#include <gtest/gtest.h>

#include <cerrno>

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include "engine/logging/qt_message_catcher.h"
#include "qt_printers.h"

#if defined(__unix__)
#include "engine/logging/file_size_limit.h"
#include "engine/logging/log_test_support.h"
#endif

namespace voltrix {
namespace {

using log_test::contents;

class MeasurementLogTest : public ::testing::Test {
protected:
    QString path(const char* name) const { return dir_.filePath(QString::fromLatin1(name)); }
    QTemporaryDir dir_;
};

TEST_F(MeasurementLogTest, LinesAreAppendedBehindWhatTheFileHeld) {
    {
        QFile file(path("log.csv"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("old;\r\n");
    }
    MeasurementLog log;
    EXPECT_EQ(log.append(path("log.csv"), "1;\r\n"), MeasurementLog::Result::Written);
    EXPECT_EQ(log.append(path("log.csv"), "2;\r\n"), MeasurementLog::Result::Written);
    // Unbuffered: the lines are in the file while it is still open.
    EXPECT_TRUE(log.isOpen());
    EXPECT_EQ(contents(path("log.csv")), QByteArray("old;\r\n1;\r\n2;\r\n"));
}

// A file cut off in the middle of a line (a power cut) gets the rest of its
// line end first, so that the new lines stand on lines of their own and the
// broken one stays apart. Once whole, the file is left as it is, also when
// it is opened again after a close request.
TEST_F(MeasurementLogTest, AppendingStartsOnALineOfItsOwn) {
    struct Case {
        const char* name;
        const char* held;  // nullptr: no file yet
        const char* expected;
    };
    const Case cases[] = {
        {"a half line", "old;\r\nhal", "old;\r\nhal\r\n1;\r\n2;\r\n3;\r\n"},
        {"a line end cut after CR", "old;\r\nhalf;\r", "old;\r\nhalf;\r\n1;\r\n2;\r\n3;\r\n"},
        {"a whole line", "old;\r\n", "old;\r\n1;\r\n2;\r\n3;\r\n"},
        {"an empty file", "", "1;\r\n2;\r\n3;\r\n"},
        {"no file", nullptr, "1;\r\n2;\r\n3;\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString file = path(c.name);
        if (c.held != nullptr) {
            QFile held(file);
            ASSERT_TRUE(held.open(QIODevice::WriteOnly));
            held.write(c.held);
        }
        MeasurementLog log;
        EXPECT_EQ(log.append(file, "1;\r\n"), MeasurementLog::Result::Written);
        log.requestClose();
        EXPECT_EQ(log.append(file, "2;\r\n"), MeasurementLog::Result::Written);
        EXPECT_FALSE(log.isOpen());
        EXPECT_EQ(log.append(file, "3;\r\n"), MeasurementLog::Result::Written);
        log.close();
        EXPECT_EQ(contents(file).toStdString(), c.expected);
    }
}

#if defined(__unix__)
// The line end that completes a half line goes with the first new line: a
// disk that refuses that line leaves no line end alone behind.
TEST_F(MeasurementLogTest, AFailedFirstLineLeavesAHalfLineAsItWas) {
    const QString file = path("log.csv");
    const QByteArray held = "old;\r\nhal";
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(held);
    }
    MeasurementLog log;
    {
        // Room for one byte more: the line end would fit, the line not.
        const testing::FileSizeLimit limit(static_cast<rlim_t>(held.size() + 1));
        ASSERT_TRUE(limit.set());
        EXPECT_EQ(log.append(file, "1;\r\n"), MeasurementLog::Result::Failed);
        EXPECT_EQ(log.lastErrorCode(), EFBIG);
    }
    EXPECT_EQ(contents(file), held);
    EXPECT_EQ(log.append(file, "2;\r\n"), MeasurementLog::Result::Written);
    log.close();
    EXPECT_EQ(contents(file).toStdString(), held.toStdString() + "\r\n2;\r\n");
}
#endif

TEST_F(MeasurementLogTest, TheFileIsClosedAfterTheFirstLineAfterACloseRequest) {
    MeasurementLog log;
    log.requestClose();  // requested while nothing was written: the first line closes
    log.append(path("log.csv"), "1;\r\n");
    EXPECT_FALSE(log.isOpen());

    log.append(path("log.csv"), "2;\r\n");
    EXPECT_TRUE(log.isOpen());
    log.requestClose();
    EXPECT_TRUE(log.isOpen());
    log.append(path("log.csv"), "3;\r\n");
    EXPECT_FALSE(log.isOpen());
    EXPECT_EQ(contents(path("log.csv")), QByteArray("1;\r\n2;\r\n3;\r\n"));
}

TEST_F(MeasurementLogTest, NoFileIsCreatedWithoutALine) {
    {
        MeasurementLog log;
        log.requestClose();
        log.close();
    }
    EXPECT_FALSE(QFile::exists(path("log.csv")));
}

TEST_F(MeasurementLogTest, AnUnwritablePlaceFailsAndTheNextLineTriesAgain) {
    MeasurementLog log;
    const QString file = path("missing/log.csv");
    EXPECT_EQ(log.append(file, "1;\r\n"), MeasurementLog::Result::Failed);
    EXPECT_FALSE(log.lastError().isEmpty());
    EXPECT_FALSE(log.isOpen());

    ASSERT_TRUE(QDir(dir_.path()).mkdir(QStringLiteral("missing")));
    EXPECT_EQ(log.append(file, "2;\r\n"), MeasurementLog::Result::Written);
    EXPECT_EQ(contents(file), QByteArray("2;\r\n"));
}

TEST_F(MeasurementLogTest, AFullDiskIsReportedNotHidden) {
    if (!QFile::exists(QStringLiteral("/dev/full"))) {
        GTEST_SKIP() << "no /dev/full here";
    }
    MeasurementLog log;
    EXPECT_EQ(log.append(QStringLiteral("/dev/full"), "1;\r\n"), MeasurementLog::Result::Failed);
    EXPECT_FALSE(log.isOpen());
    EXPECT_EQ(log.lastErrorCode(), ENOSPC);
}

// A device is no file: it cannot be sought, sized or cut back, and trying
// to would have Qt warn on standard error once for every line refused.
TEST_F(MeasurementLogTest, AFullDeviceRefusesEachLineWithItsCauseAndNoWarning) {
    if (!QFile::exists(QStringLiteral("/dev/full"))) {
        GTEST_SKIP() << "no /dev/full here";
    }
    const testing::QtMessageCatcher catcher;
    MeasurementLog log;
    for (int i = 0; i < 20; ++i) {
        SCOPED_TRACE(i);
        if (i % 5 == 4) {
            log.requestClose();
        }
        EXPECT_EQ(log.append(QStringLiteral("/dev/full"), "1;\r\n"),
                  MeasurementLog::Result::Failed);
        EXPECT_EQ(log.lastErrorCode(), ENOSPC);
        EXPECT_FALSE(log.lastError().isEmpty());
    }
    log.close();
    const QStringList said = catcher.messages();
    EXPECT_TRUE(said.isEmpty()) << said.size()
                                << " messages, the first: " << said.value(0).toStdString();
}

// The system's error number of the failed call is kept, so that the cause can
// be named in the interface's language.
TEST_F(MeasurementLogTest, TheCauseOfAFailureIsKept) {
    ASSERT_TRUE(QDir(dir_.path()).mkdir(QStringLiteral("folder")));
    const std::pair<const char*, int> cases[] = {
        {"missing/log.csv", ENOENT},
        {"folder", EISDIR},
    };
    for (const auto& [name, code] : cases) {
        SCOPED_TRACE(name);
        MeasurementLog log;
        EXPECT_EQ(log.append(path(name), "1;\r\n"), MeasurementLog::Result::Failed);
        EXPECT_EQ(log.lastErrorCode(), code);
    }
}

}  // namespace
}  // namespace voltrix
