// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdint>
#include <vector>

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QProcess>

#include "measurement_file.h"
#include "ui/window/window_fixture.h"

namespace voltrix {
namespace {

using testing::WindowTest;

// The small filesystem: 16 pages, of which the filler takes 12.
constexpr const char* kFilesystemSize = "size=64k";
constexpr qsizetype kFillerBytes = 48 * 1024;

std::vector<std::uint8_t> measurementReport() {
    std::vector<std::uint8_t> report(64, 0);
    report[20] = 0x3f;  // a few non-zero values, so that the line is not the shortest
    report[47] = 0xc2;
    return report;
}

// Logging into a tmpfs mounted for the test. Needs root and a system that lets
// it mount; elsewhere the test is skipped.
class FullDiskTest : public WindowTest {
protected:
    void SetUp() override {
        if (geteuid() != 0) {
            GTEST_SKIP() << "mounting a small tmpfs needs root; the full-disk test did not run";
        }
        mountPoint_ = dir_.filePath(QStringLiteral("small"));
        ASSERT_TRUE(QDir().mkpath(mountPoint_));
        QProcess mount;
        mount.start(QStringLiteral("mount"),
                    {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                     QString::fromLatin1(kFilesystemSize), QStringLiteral("tmpfs"), mountPoint_});
        if (!mount.waitForFinished(30000) || mount.exitStatus() != QProcess::NormalExit ||
            mount.exitCode() != 0) {
            QString reason = QString::fromLocal8Bit(mount.readAllStandardError())
                                 .trimmed()
                                 .section(QLatin1Char('\n'), 0, 0);
            if (reason.isEmpty()) {
                reason = mount.errorString();
            }
            GTEST_SKIP() << "cannot mount a small tmpfs here (" << reason.toStdString()
                         << "); the full-disk test did not run";
        }
        mounted_ = true;
    }

    void TearDown() override {
        if (mounted_ && QProcess::execute(QStringLiteral("umount"), {mountPoint_}) != 0) {
            QProcess::execute(QStringLiteral("umount"), {QStringLiteral("-l"), mountPoint_});
        }
        WindowTest::TearDown();
    }

    QString message(TFMain& window) { return window.statusPanels().text(StatusPanel::Message); }

    QString mountPoint_;
    bool mounted_ = false;
};

TEST_F(FullDiskTest, AFullDiskIsReportedLeavesWholeLinesAndLoggingResumes) {
    const QString path = mountPoint_ + QStringLiteral("/full.csv");
    const QString fillerPath = mountPoint_ + QStringLiteral("/filler");
    {
        QFile filler(fillerPath);
        ASSERT_TRUE(filler.open(QIODevice::WriteOnly));
        ASSERT_EQ(filler.write(QByteArray(kFillerBytes, 'x')), kFillerBytes);
    }
    auto window = open();
    find<QLineEdit>(*window, "file_name_edit")->setText(path);
    window->save_buttonClick();
    ASSERT_TRUE(window->loggingOn());

    // Lines until the disk is full: the message appears.
    const auto report = measurementReport();
    const QString failure = QString::fromUtf8("Nie można zapisać pliku pomiarowego: ");
    for (int i = 0; i < 5000 && !message(*window).startsWith(failure); ++i) {
        window->ReportReceived(report);
        settle(*window);
    }
    ASSERT_TRUE(message(*window).startsWith(failure)) << message(*window).toStdString();
    // The cause in the interface's language, also when the disk filled up
    // in the middle of a line.
    EXPECT_EQ(message(*window), failure + QString::fromUtf8("brak miejsca na dysku"));

    // More lines while full: none goes in, not even in part.
    for (int i = 0; i < 20; ++i) {
        window->ReportReceived(report);
    }
    settle(*window);
    EXPECT_TRUE(message(*window).startsWith(failure));
    std::vector<std::int64_t> counters;
    ASSERT_TRUE(testing::WholeLines(testing::fileContents(path), counters));
    ASSERT_GT(counters.size(), 1u);
    EXPECT_TRUE(testing::RiseByOne(counters, 0));
    const std::size_t linesWhenFull = counters.size();
    EXPECT_LT(linesWhenFull, window->session().measurementCount());

    // Space again: the next line is written and the message goes.
    ASSERT_TRUE(QFile::remove(fillerPath));
    window->ReportReceived(report);
    settle(*window);
    EXPECT_TRUE(message(*window).isEmpty()) << message(*window).toStdString();
    window->ReportReceived(report);
    window->save_buttonClick();  // closes the file

    counters.clear();
    ASSERT_TRUE(testing::WholeLines(testing::fileContents(path), counters));
    ASSERT_EQ(counters.size(), linesWhenFull + 2);
    const std::int64_t handled = window->session().measurementCount();
    EXPECT_EQ(counters[linesWhenFull], handled - 2);
    EXPECT_EQ(counters[linesWhenFull + 1], handled - 1);
}

}  // namespace
}  // namespace voltrix
