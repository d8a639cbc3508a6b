// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/logging/log_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

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

using namespace std::chrono_literals;
using namespace log_test;
// A sink in memory that can hold a line back and refuse lines on demand.
class FakeSink : public LogSink {
public:
    enum class Kind { Line, RequestClose, Close };
    struct Event {
        Kind kind;
        std::string line;
        Clock::time_point at;
    };

    Result append(const QString&, std::string_view line) override {
        std::unique_lock lock(mutex_);
        if (holdNext_) {
            holdNext_ = false;
            const auto heldSince = Clock::now();
            releasedCv_.wait_until(lock, heldSince + maxHold_, [this] { return released_; });
            heldFor_ = Clock::now() - heldSince;
        }
        if (failCode_ != 0) {
            lastErrorCode_ = failCode_;
            return Result::Failed;
        }
        events_.push_back({Kind::Line, std::string(line), Clock::now()});
        return Result::Written;
    }
    void requestClose() override { note(Kind::RequestClose); }
    void close() override { note(Kind::Close); }
    QString lastError() const override {
        std::lock_guard lock(mutex_);
        return QStringLiteral("error %1").arg(lastErrorCode_);
    }
    int lastErrorCode() const override {
        std::lock_guard lock(mutex_);
        return lastErrorCode_;
    }

    // The next line waits in append() until release() or until `maxHold` passes.
    void holdNextLine(Clock::duration maxHold) {
        std::lock_guard lock(mutex_);
        holdNext_ = true;
        maxHold_ = maxHold;
    }
    void release() {
        {
            std::lock_guard lock(mutex_);
            released_ = true;
        }
        releasedCv_.notify_all();
    }
    Clock::duration heldFor() const {
        std::lock_guard lock(mutex_);
        return heldFor_;
    }
    // Lines are refused with this error number from now on; 0 accepts them again.
    void failWith(int code) {
        std::lock_guard lock(mutex_);
        failCode_ = code;
    }

    std::vector<Event> events() const {
        std::lock_guard lock(mutex_);
        return events_;
    }
    std::vector<std::string> lines() const {
        std::vector<std::string> out;
        for (const Event& e : events()) {
            if (e.kind == Kind::Line) {
                out.push_back(e.line);
            }
        }
        return out;
    }

private:
    void note(Kind kind) {
        std::lock_guard lock(mutex_);
        events_.push_back({kind, {}, Clock::now()});
    }

    mutable std::mutex mutex_;
    std::condition_variable releasedCv_;
    bool holdNext_ = false;
    bool released_ = false;
    Clock::duration maxHold_{};
    Clock::duration heldFor_{};
    int failCode_ = 0;
    int lastErrorCode_ = 0;
    std::vector<Event> events_;
};

// A writer over a FakeSink the test keeps a hand on.
struct FakeWriter {
    explicit FakeWriter(std::size_t bufferBytes = LogWriter::kDefaultBufferBytes)
        : sink(new FakeSink), writer(std::unique_ptr<LogSink>(sink), bufferBytes) {}
    FakeSink* sink;  // owned by the writer
    LogWriter writer;
};

// The states the writer reported, and whether any came on the caller's thread.
class StateRecorder {
public:
    LogWriter::StateCallback callback() {
        return [this](const LogWriter::Status& s) {
            std::lock_guard lock(mutex_);
            states_.push_back(s);
            onTestThread_ = onTestThread_ || std::this_thread::get_id() == testThread_;
        };
    }
    std::vector<LogWriter::Status> states() const {
        std::lock_guard lock(mutex_);
        return states_;
    }
    bool calledOnTestThread() const {
        std::lock_guard lock(mutex_);
        return onTestThread_;
    }

private:
    mutable std::mutex mutex_;
    const std::thread::id testThread_ = std::this_thread::get_id();
    std::vector<LogWriter::Status> states_;
    bool onTestThread_ = false;
};

TEST(LogWriterTest, TheFileHoldsWhatTheMeasurementLogAloneWouldWrite) {
    QTemporaryDir dir;
    const QString viaWriter = dir.filePath(QStringLiteral("writer.csv"));
    const QString direct = dir.filePath(QStringLiteral("direct.csv"));
    for (const QString& path : {viaWriter, direct}) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("held before;\r\n");
    }
    // Short and long lines, and two runs: the second appends behind the first.
    std::vector<std::vector<std::string>> runs(2);
    for (int i = 0; i < 2000; ++i) {
        runs[i % 3 == 0 ? 0 : 1].push_back(makeLine(i, i % 97 == 0 ? 5000 : 10 + i % 240));
    }

    LogWriter writer;
    MeasurementLog log;
    std::uint64_t submitted = 0;
    for (const auto& lines : runs) {
        writer.start(viaWriter);
        for (const std::string& line : lines) {
            ASSERT_TRUE(writer.submit(line));
            ASSERT_EQ(log.append(direct, line), MeasurementLog::Result::Written);
        }
        writer.stop();
        log.close();
        EXPECT_EQ(writer.linesWritten(), lines.size());
        submitted += lines.size();
    }
    EXPECT_EQ(writer.droppedLines(), 0u);
    EXPECT_EQ(writer.failedLines(), 0u);
    const QByteArray expected = contents(direct);
    ASSERT_GT(expected.size(), 2000 * 10);
    EXPECT_TRUE(contents(viaWriter) == expected) << "the files differ";
}

#if defined(__unix__)
// Lines go to the file in blocks; a block that the disk takes only in part is
// taken out again, and its lines are tried one by one, so the file holds whole
// lines and each line is counted as what became of it.
TEST(LogWriterTest, ABlockTheDiskTakesInPartLeavesWholeLinesAndTrueCounts) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("log.csv"));
    std::string fitting;
    LogWriter writer;
    StateRecorder states;
    writer.setOnStateChange(states.callback());
    {
        // Room for four lines of 250 bytes and part of a fifth.
        const testing::FileSizeLimit limit(1100);
        ASSERT_TRUE(limit.set());
        writer.start(path);
        for (int i = 0; i < 10; ++i) {
            const std::string line = makeLine(i, 250);
            ASSERT_TRUE(writer.submit(line));
            if (i < 4) {
                fitting += line;
            }
        }
        writer.stop();
    }
    EXPECT_TRUE(contents(path) == QByteArray::fromStdString(fitting)) << contents(path).size();
    EXPECT_EQ(writer.linesWritten(), 4u);
    EXPECT_EQ(writer.failedLines(), 6u);
    EXPECT_EQ(writer.lastErrorCode(), EFBIG);
    ASSERT_FALSE(states.states().empty());
    EXPECT_EQ(states.states().back().linesWritten, 4u);
}
#endif

// Every line refused by a device is counted with its cause, and none of them
// has Qt warn on standard error about the device.
TEST(LogWriterTest, AFullDeviceFailsEveryLineWithItsCauseAndNoWarning) {
    if (!QFile::exists(QStringLiteral("/dev/full"))) {
        GTEST_SKIP() << "no /dev/full here";
    }
    const testing::QtMessageCatcher catcher;
    LogWriter writer;
    writer.start(QStringLiteral("/dev/full"));
    for (int i = 0; i < 200; ++i) {
        ASSERT_TRUE(writer.submit(makeLine(i)));
    }
    writer.stop();
    EXPECT_EQ(writer.failedLines(), 200u);
    EXPECT_EQ(writer.linesWritten(), 0u);
    EXPECT_EQ(writer.lastErrorCode(), ENOSPC);
    const QStringList said = catcher.messages();
    EXPECT_TRUE(said.isEmpty()) << said.size()
                                << " messages, the first: " << said.value(0).toStdString();
}

// A disk that stalls holds up the writer thread, never the one submitting.
TEST(LogWriterTest, AStalledDiskDoesNotHoldUpTheProducer) {
    FakeWriter w;
    constexpr auto kHold = 2s;
    w.sink->holdNextLine(kHold);
    w.writer.start(QStringLiteral("log.csv"));

    constexpr int kLines = 3000;  // 3 s at 1 kHz
    std::vector<std::string> lines;
    Clock::duration longestSubmit{};
    const auto begin = Clock::now();
    for (int i = 0; i < kLines; ++i) {
        if (i == 2000) {
            w.sink->release();
        }
        std::this_thread::sleep_until(begin + i * 1ms);
        lines.push_back(makeLine(i, 250));
        const auto before = Clock::now();
        EXPECT_TRUE(w.writer.submit(lines.back())) << "line " << i;
        longestSubmit = std::max(longestSubmit, Clock::now() - before);
    }
    w.writer.stop();

    // The stall really lasted while lines came in.
    EXPECT_GT(w.sink->heldFor(), 1s);
    EXPECT_LT(longestSubmit, 200ms);
    EXPECT_EQ(w.sink->lines(), lines);
    EXPECT_EQ(w.writer.linesWritten(), std::uint64_t{kLines});
    EXPECT_EQ(w.writer.droppedLines(), 0u);
}

// With the disk stalled the buffer fills; a line that no longer fits is
// dropped whole, and one behind it that fits is still taken.
TEST(LogWriterTest, LinesBeyondTheByteBudgetAreDroppedWholeAndCounted) {
    struct Case {
        const char* name;
        std::vector<std::size_t> lengths;
        std::size_t budget;
        std::vector<bool> taken;
    };
    const auto cost = [](std::size_t length) {
        return LogWriter::bufferCost(std::string(length, 'x'));
    };
    const std::vector<bool> tenOfFifteen = {true, true, true,  true,  true,  true,  true, true,
                                            true, true, false, false, false, false, false};
    const Case cases[] = {
        {"equal lines", std::vector<std::size_t>(15, 24), 10 * cost(24), tenOfFifteen},
        {"a short line fits where a long one did not",
         {200, 200, 1000, 10, 10},
         2 * cost(200) + cost(10) + 5,
         {true, true, false, true, false}},
        {"a line larger than the whole budget",
         {100, 10000, 100, 100, 100},
         3 * cost(100),
         {true, false, true, true, false}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeWriter w(c.budget);
        w.sink->holdNextLine(kDeadline);
        w.writer.start(QStringLiteral("log.csv"));

        std::vector<std::string> kept;
        std::vector<bool> taken;
        for (std::size_t i = 0; i < c.lengths.size(); ++i) {
            const std::string line = makeLine(static_cast<int>(i), c.lengths[i]);
            taken.push_back(w.writer.submit(line));
            if (taken.back()) {
                kept.push_back(line);
            }
        }
        EXPECT_EQ(taken, c.taken);
        const auto dropped =
            static_cast<std::uint64_t>(std::count(taken.begin(), taken.end(), false));
        EXPECT_EQ(w.writer.droppedLines(), dropped);

        // Once written the lines give their room back: all of them fit again.
        w.sink->release();
        ASSERT_TRUE(waitFor([&] { return w.writer.linesWritten() == kept.size(); }));
        for (const std::string& line : kept) {
            EXPECT_TRUE(w.writer.submit(line));
        }
        w.writer.stop();

        std::vector<std::string> twice = kept;
        twice.insert(twice.end(), kept.begin(), kept.end());
        EXPECT_EQ(w.sink->lines(), twice);
        EXPECT_EQ(w.writer.droppedLines(), dropped);
    }
}

TEST(LogWriterTest, AMissingFolderFailsUntilItIsMadeAndThenWritingResumes) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("missing/log.csv"));
    StateRecorder recorder;
    LogWriter writer;
    writer.setOnStateChange(recorder.callback());
    writer.start(path);

    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(writer.submit(makeLine(i)));
    }
    ASSERT_TRUE(waitFor([&] { return writer.failedLines() == 3; }));
    const LogWriter::Status failing = writer.status();
    EXPECT_TRUE(failing.failing);
    EXPECT_EQ(failing.errorCode, ENOENT);
    EXPECT_FALSE(failing.error.isEmpty());
    EXPECT_EQ(failing.linesWritten, 0u);

    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("missing")));
    std::string written;
    for (int i = 3; i < 6; ++i) {
        written += makeLine(i);
        EXPECT_TRUE(writer.submit(makeLine(i)));
    }
    ASSERT_TRUE(waitFor([&] { return writer.linesWritten() == 3; }));
    const LogWriter::Status resumed = writer.status();
    EXPECT_FALSE(resumed.failing);
    EXPECT_EQ(resumed.errorCode, 0);
    EXPECT_TRUE(resumed.error.isEmpty());
    EXPECT_EQ(resumed.linesFailed, 3u);
    writer.stop();

    EXPECT_EQ(contents(path), QByteArray::fromStdString(written));
    // Once when it began failing, once when it stopped; not for every line.
    const auto states = recorder.states();
    ASSERT_EQ(states.size(), 2u);
    EXPECT_TRUE(states[0].failing);
    EXPECT_EQ(states[0].errorCode, ENOENT);
    EXPECT_FALSE(states[1].failing);
    EXPECT_FALSE(recorder.calledOnTestThread());
}

// The views hear of every change of the cause, and of nothing else.
TEST(LogWriterTest, TheStateCallbackFollowsTheFlipsAndTheErrorCode) {
    struct Step {
        int errorCode;  // the sink's for this step's lines; 0 writes them
        int lines;
        bool reported;  // a state change is expected at this step
    };
    const Step steps[] = {
        {0, 2, false}, {ENOSPC, 3, true}, {ENOSPC, 2, false}, {EIO, 2, true},
        {0, 3, true},  {0, 1, false},     {EACCES, 1, true},  {0, 1, true},
    };
    FakeWriter w;
    StateRecorder recorder;
    w.writer.setOnStateChange(recorder.callback());
    w.writer.start(QStringLiteral("log.csv"));

    std::vector<std::pair<bool, int>> expected;
    std::uint64_t handled = 0;
    for (const Step& step : steps) {
        w.sink->failWith(step.errorCode);
        for (int i = 0; i < step.lines; ++i) {
            ASSERT_TRUE(w.writer.submit(makeLine(i)));
        }
        handled += static_cast<std::uint64_t>(step.lines);
        ASSERT_TRUE(waitFor([&] {
            const auto s = w.writer.status();
            return s.linesWritten + s.linesFailed == handled;
        }));
        const auto s = w.writer.status();
        EXPECT_EQ(s.failing, step.errorCode != 0);
        EXPECT_EQ(s.errorCode, step.errorCode);
        if (step.reported) {
            expected.emplace_back(step.errorCode != 0, step.errorCode);
        }
    }
    w.writer.stop();

    std::vector<std::pair<bool, int>> reported;
    for (const auto& s : recorder.states()) {
        reported.emplace_back(s.failing, s.errorCode);
    }
    EXPECT_EQ(reported, expected);
    EXPECT_EQ(w.writer.failedLines(), 8u);
    EXPECT_EQ(w.writer.linesWritten(), 7u);
}

// The file goes to the disk about once a second while lines flow, and stop()
// writes out the rest and closes it.
TEST(LogWriterTest, TheFileIsSyncedAboutOnceASecondAndClosedOnStop) {
    FakeWriter w;
    w.writer.start(QStringLiteral("log.csv"));
    const auto syncs = [&] {
        const auto events = w.sink->events();
        std::vector<Clock::time_point> at;
        for (const auto& e : events) {
            if (e.kind != FakeSink::Kind::Line) {
                at.push_back(e.at);
            }
        }
        return at;
    };

    // Lines at 1 kHz until three syncs have been seen.
    std::vector<std::string> lines;
    const auto begin = Clock::now();
    while (syncs().size() < 3 && Clock::now() - begin < kDeadline) {
        std::this_thread::sleep_until(begin + lines.size() * 1ms);
        lines.push_back(makeLine(static_cast<int>(lines.size())));
        ASSERT_TRUE(w.writer.submit(lines.back()));
    }
    const auto whileFlowing = syncs();
    ASSERT_GE(whileFlowing.size(), 3u);
    // Not per line: the syncs are spread out.
    for (std::size_t i = 1; i < whileFlowing.size(); ++i) {
        EXPECT_GE(whileFlowing[i] - whileFlowing[i - 1], 500ms) << "sync " << i;
    }
    EXPECT_GT(lines.size(), whileFlowing.size() * 100);

    for (int i = 0; i < 500; ++i) {
        lines.push_back(makeLine(static_cast<int>(lines.size())));
        ASSERT_TRUE(w.writer.submit(lines.back()));
    }
    w.writer.stop();
    EXPECT_EQ(w.sink->lines(), lines);
    const auto events = w.sink->events();
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.back().kind, FakeSink::Kind::Close);
}

}  // namespace
}  // namespace voltrix
