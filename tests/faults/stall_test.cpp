// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include <QCheckBox>
#include <QLineEdit>
#include <QList>
#include <QLocale>
#include <QThread>
#include <QTimer>

#include "gated_sink.h"
#include "measurement_file.h"
#include "ui/window/window_fixture.h"

// A disk that stops answering and a window that stops for a while: neither
// holds up the other, and no report goes missing on its way to the file.

namespace voltrix {
namespace {

using testing::WindowTest;

class StallTest : public WindowTest {};

// Runs the window's event loop for `ms` milliseconds.
void runEvents(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// The module streams at 1 kHz with every column logged. The window's thread
// sleeps for 2 s, then the file's writes block for 5 s: lines go on to the
// file while the window sleeps, the window goes on while the writes block,
// and in the end every report is in the file once, in order.
TEST_F(StallTest, AStalledWindowAndABlockedDiskLoseNoReportAndHoldUpNeitherOther) {
    const QString path = dir_.filePath(QStringLiteral("stall.csv"));
    auto gate = std::make_shared<testing::GatedSink::Gate>();
    bus.plugModule();

    WindowEnvironment environment;
    environment.settingsDirectory = dir_.path();
    environment.userSettingsDirectory = userDir_.path();
    environment.showError = [this](const QString& text) { errors.push_back(text); };
    environment.hidBackend = &bus;
    environment.session.makeSink = [gate] { return std::make_unique<testing::GatedSink>(gate); };
    // The program's own arrangement: the session on a thread of its own.
    TFMain window(environment);
    for (QCheckBox* box : window.findChildren<QCheckBox*>()) {
        if (box->objectName().startsWith(QStringLiteral("save_"))) {
            box->setChecked(true);
        }
    }
    ASSERT_TRUE(waitFor([&] { return window.connected(); }));
    find<QLineEdit>(window, "file_name_edit")->setText(path);
    window.save_buttonClick();
    ASSERT_TRUE(waitFor([&] { return window.session().logStatus().linesWritten > 100; }));

    // The window's thread sleeps; the file keeps growing meanwhile.
    const std::uint64_t writtenBeforeSleep = window.session().logStatus().linesWritten;
    QThread::msleep(2000);
    EXPECT_GT(window.session().logStatus().linesWritten, writtenBeforeSleep + 100)
        << "the file waited for the window";

    // The writes block; the window's events are still handled meanwhile.
    gate->close();
    ASSERT_TRUE(waitFor([&] { return gate->waiting.load(); }));
    const std::uint64_t writtenWhenBlocked = window.session().logStatus().linesWritten;
    bool handledWhileBlocked = false;
    QTimer::singleShot(100, [&] { handledWhileBlocked = gate->waiting.load(); });
    std::thread opener([gate] {
        std::this_thread::sleep_for(std::chrono::seconds(5));
        gate->open();
    });
    runEvents(1000);
    EXPECT_TRUE(handledWhileBlocked) << "the window waited for the disk";
    EXPECT_EQ(window.session().logStatus().linesWritten, writtenWhenBlocked);
    opener.join();
    runEvents(500);

    window.save_buttonClick();
    // Logging is off once every line is in the file.
    ASSERT_TRUE(waitFor([&] { return !window.session().loggingOn(); }, 30000));
    EXPECT_EQ(window.session().droppedReports(), 0u);

    std::vector<std::int64_t> counters;
    const QByteArray contents = testing::fileContents(path);
    ASSERT_TRUE(testing::WholeLines(contents, counters));
    ASSERT_GT(counters.size(), 7000u);
    EXPECT_TRUE(testing::RiseByOne(counters, counters.front()));
    // Encoder 1 of the module turns one unit per report it sends, so its
    // position shows a report lost before it was counted, too.
    const QList<QByteArray> lines = contents.split('\n');
    const QChar point = QLocale::system().decimalPoint().at(0);
    double previous = -1;
    for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
        const double position = QString::fromLatin1(lines[i].split(';')[12])
                                    .replace(point, QLatin1Char('.'))
                                    .toDouble();
        if (previous >= 0) {
            ASSERT_DOUBLE_EQ(position, previous + 1.0) << "line " << i + 1;
        }
        previous = position;
    }
    EXPECT_TRUE(errors.empty());
}

}  // namespace
}  // namespace voltrix
