// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLineEdit>

#include "device/device_controller.h"
#include "session/device_link.h"
#include "measurement_file.h"
#include "ui/window/window_fixture.h"

namespace voltrix {
namespace {

using testing::WindowTest;

// A cycle takes about 12 ms here: 1,000 cycles take about 12 s.
constexpr int kPlugCycles = 1000;
// Cycles before the descriptors and threads are counted: the first ones may
// start what Qt starts once.
constexpr int kWarmUpCycles = 3;

// Open file descriptors of this process: those of `file`, and all others.
struct Descriptors {
    int ofFile = 0;
    int others = 0;
};

Descriptors openDescriptors(const QString& file) {
    const QString canonical = QFileInfo(file).canonicalFilePath();
    Descriptors count;
    const QFileInfoList entries =
        QDir(QStringLiteral("/proc/self/fd")).entryInfoList(QDir::AllEntries | QDir::System);
    for (const QFileInfo& entry : entries) {
        if (entry.fileName().startsWith(QLatin1Char('.'))) {
            continue;
        }
        if (!canonical.isEmpty() && entry.symLinkTarget() == canonical) {
            ++count.ofFile;
        } else {
            ++count.others;
        }
    }
    return count;
}

int threads() {
    return static_cast<int>(QDir(QStringLiteral("/proc/self/task"))
                                .entryList(QDir::Dirs | QDir::NoDotAndDotDot)
                                .size());
}

class PlugCycleTest : public WindowTest {
protected:
    template <typename Condition>
    static bool waitFor(Condition done) {
        QElapsedTimer timer;
        timer.start();
        while (!done() && timer.elapsed() < 10000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
        return done();
    }

    static bool asksForFirmwareVersion(const std::vector<std::vector<std::uint8_t>>& written) {
        for (const auto& report : written) {
            if (report.size() >= 4 && report[0] == 1 && report[1] == 1 && report[2] == 27 &&
                report[3] == 0) {
                return true;
            }
        }
        return false;
    }
};

// The same module, streaming at 1 kHz, comes and goes while every column is
// logged: each time it is connected again and asked for its firmware version,
// nothing piles up, and every report the window handled has its line.
TEST_F(PlugCycleTest, EveryReplugReconnectsLeaksNothingAndLosesNoHandledLine) {
    const QString path = dir_.filePath(QStringLiteral("cycles.csv"));
    const auto module = std::make_shared<VirtualModule>();
    auto window = open();
    find<QLineEdit>(*window, "file_name_edit")->setText(path);
    window->save_buttonClick();
    ASSERT_TRUE(window->loggingOn());
    ASSERT_TRUE(waitFor([&] { return window->session().link().deviceCount() == 0; }));

    int descriptorsBefore = 0;  // besides the measurement file's
    int threadsBefore = 0;
    QElapsedTimer clock;
    clock.start();
    for (int cycle = 0; cycle < kPlugCycles; ++cycle) {
        SCOPED_TRACE(::testing::Message() << "cycle " << cycle);
        const std::uint32_t handled = window->session().measurementCount();
        const std::string device = bus.plugModule(module);
        // Connected, and streaming: at least one more report handled.
        ASSERT_TRUE(waitFor(
            [&] { return window->connected() && window->session().measurementCount() > handled; }));
        ASSERT_EQ(window->session().link().deviceCount(), 1u);
        ASSERT_TRUE(asksForFirmwareVersion(bus.writtenReports(device)));

        ASSERT_TRUE(bus.unplug(device));
        ASSERT_TRUE(waitFor(
            [&] { return !window->connected() && window->session().link().deviceCount() == 0; }));
        if (cycle + 1 == kWarmUpCycles) {
            descriptorsBefore = openDescriptors(path).others;
            threadsBefore = threads();
        }
    }
    RecordProperty("PlugCycleMilliseconds", static_cast<int>(clock.elapsed()));
    // The measurement file is open or not, depending on the time of its last
    // sync, but never twice.
    EXPECT_EQ(openDescriptors(path).others, descriptorsBefore);
    EXPECT_LE(openDescriptors(path).ofFile, 1);
    EXPECT_EQ(threads(), threadsBefore);

    window->save_buttonClick();  // closes the file
    std::vector<std::int64_t> counters;
    ASSERT_TRUE(testing::WholeLines(testing::fileContents(path), counters));
    EXPECT_EQ(counters.size(), window->session().measurementCount());
    EXPECT_TRUE(testing::RiseByOne(counters, 0));
}

}  // namespace
}  // namespace voltrix
