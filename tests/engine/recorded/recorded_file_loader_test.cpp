// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/recorded/recorded_file_loader.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#if defined(__unix__) || defined(__APPLE__)
#include <sys/stat.h>
#endif

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <string>
#include <vector>

#include "engine/recorded/recorded_test_support.h"
#include "engine/recorded/stream_feeder.h"

namespace voltrix {
namespace {

using namespace std::chrono_literals;

// Long enough for any of these files on a loaded machine; the waits end as
// soon as the loader gets there.
constexpr auto kPatience = 20s;

LogLineSettings fileSettings() {
    LogLineSettings s;
    s.set(LogColumn::Date);
    s.set(LogColumn::Time);
    s.set(LogColumn::Counter);
    s.set(LogColumn::Adc1);
    s.set(LogColumn::Math2);
    s.set(LogColumn::Output);
    s.decimals = 3;
    s.decimalSeparator = ",";
    return s;
}

// Line i of the test files: one millisecond apart, from 8-12-2026 9:00.
std::string line(int i, const LogLineSettings& s = fileSettings()) {
    const std::int64_t ms = daysFromCivil(2026, 12, 8) * kMillisecondsPerDay + 9 * 3'600'000 + i;
    return test::writtenLine(s, test::clockFromMilliseconds(ms), static_cast<std::uint32_t>(i),
                             test::sampleMeasurement(i));
}

std::string lines(int first, int count) {
    std::string text;
    for (int i = first; i < first + count; ++i) {
        text += line(i);
    }
    return text;
}

void append(const std::filesystem::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::app);
    out << text;
}

std::string contents(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class RecordedFileLoaderTest : public ::testing::Test {
protected:
    std::filesystem::path file(const char* name) const {
        return std::filesystem::path(dir_.path().toStdString()) / name;
    }
    static RecordedLayout layout() { return RecordedLayout::fromSettings(fileSettings()); }

    QTemporaryDir dir_;
};

TEST_F(RecordedFileLoaderTest, LoadsEveryLineAndLeavesTheFileAlone) {
    const auto path = file("log.csv");
    // Garbage, a line of another selection, then a half line at the end.
    LogLineSettings other = fileSettings();
    other.set(LogColumn::Adc2);
    append(path, lines(0, 3000) + "garbage\r\n" + line(3000, other) + lines(3001, 2000) +
                     "\n" + line(5001).substr(0, 20));
    const std::string before = contents(path);
    const auto mtime = std::filesystem::last_write_time(path);

    RecordedFileLoader::Options options;
    options.chunkBytes = 4096;  // many chunks, lines across their edges
    RecordedFileLoader loader(path, layout(), options);
    ASSERT_TRUE(loader.waitFor([](const auto& p) { return p.finished; }, kPatience));

    const RecordedLoadProgress p = loader.progress();
    EXPECT_TRUE(p.error.empty());
    EXPECT_EQ(p.lines, 5000u);
    EXPECT_EQ(p.skippedLines, 4u);  // garbage, other selection, empty, half line
    EXPECT_EQ(p.bytesRead, before.size());
    EXPECT_EQ(p.fileSize, before.size());
    EXPECT_TRUE(p.caughtUp);

    const auto snapshot = loader.snapshot();
    const RecordedData& data = snapshot.data();
    ASSERT_EQ(data.size(), 5000u);
    EXPECT_EQ(data.xSource(), XSource::DateTime);
    for (std::size_t i = 0; i < data.size(); ++i) {
        const int n = static_cast<int>(i < 3000 ? i : i + 1);  // line 3000 was skipped
        const Measurement m = test::sampleMeasurement(n);
        ASSERT_NEAR(data.values(0)[i], m.adc[0].value, 5e-4) << i;
        ASSERT_NEAR(data.values(13)[i], m.math[1], 5e-4) << i;
        ASSERT_EQ(data.outputs()[i], m.outputs) << i;
        if (i > 0) {
            ASSERT_GT(data.x()[i], data.x()[i - 1]) << i;
        }
    }
    EXPECT_NEAR(data.x()[1] - data.x()[0], 0.001, 1e-6);

    EXPECT_EQ(contents(path), before);
    EXPECT_EQ(std::filesystem::last_write_time(path), mtime);
}

TEST_F(RecordedFileLoaderTest, FollowsAFileWrittenInPieces) {
    const auto path = file("growing.csv");
    append(path, lines(0, 100));

    std::mutex seenMutex;
    std::vector<RecordedLoadProgress> seen;
    RecordedFileLoader::Options options;
    options.follow = true;
    options.pollInterval = 10ms;
    options.halfLineSettle = 300ms;
    RecordedFileLoader loader(path, layout(), options, [&](const RecordedLoadProgress& p) {
        std::lock_guard lock(seenMutex);
        seen.push_back(p);
    });
    ASSERT_TRUE(loader.waitFor([](const auto& p) { return p.caughtUp && p.lines == 100; },
                               kPatience));

    // Whole lines, then one cut in the middle of a number.
    append(path, lines(100, 50));
    const std::string half = line(150);
    append(path, half.substr(0, half.size() / 2));
    ASSERT_TRUE(loader.waitFor(
        [](const auto& p) { return p.lines == 150 && p.pendingBytes > 0; }, kPatience));
    // Counted once the file has stopped growing ...
    ASSERT_TRUE(loader.waitFor([](const auto& p) { return p.skippedLines == 1; }, kPatience));
    EXPECT_EQ(loader.progress().lines, 150u);
    // ... and not before. The callbacks come one after the other, so the one
    // of the first look at the half line has come by now.
    {
        std::lock_guard lock(seenMutex);
        const auto firstPending = std::find_if(seen.begin(), seen.end(),
                                               [](const auto& p) { return p.pendingBytes > 0; });
        ASSERT_NE(firstPending, seen.end());
        EXPECT_EQ(firstPending->skippedLines, 0u);
    }
    // ... and no more once its rest comes.
    append(path, half.substr(half.size() / 2) + lines(151, 9));
    ASSERT_TRUE(loader.waitFor([](const auto& p) { return p.lines == 160; }, kPatience));
    const RecordedLoadProgress p = loader.progress();
    EXPECT_EQ(p.skippedLines, 0u);
    EXPECT_EQ(p.pendingBytes, 0u);
    EXPECT_EQ(p.reloads, 0u);

    const auto snapshot = loader.snapshot();
    for (std::size_t i = 0; i < snapshot->size(); ++i) {
        ASSERT_NEAR(snapshot->values(0)[i], test::sampleMeasurement(static_cast<int>(i)).adc[0].value,
                    5e-4);
    }
}

TEST_F(RecordedFileLoaderTest, ReloadsAFileCutShortOrReplaced) {
    const auto path = file("cut.csv");
    append(path, lines(0, 200));
    RecordedFileLoader::Options options;
    options.follow = true;
    options.pollInterval = 10ms;
    RecordedFileLoader loader(path, layout(), options);
    ASSERT_TRUE(loader.waitFor([](const auto& p) { return p.caughtUp && p.lines == 200; },
                               kPatience));

    // Cut short and written anew.
    std::filesystem::resize_file(path, 0);
    append(path, lines(1000, 10));
    ASSERT_TRUE(loader.waitFor(
        [](const auto& p) { return p.reloads == 1 && p.caughtUp && p.lines == 10; }, kPatience));
    {
        const auto snapshot = loader.snapshot();
        ASSERT_EQ(snapshot->size(), 10u);
        EXPECT_NEAR(snapshot->values(0)[0], test::sampleMeasurement(1000).adc[0].value, 5e-4);
    }

    // Replaced by another file of more lines.
    const auto other = file("other.csv");
    append(other, lines(5000, 300));
    std::filesystem::rename(other, path);
    ASSERT_TRUE(loader.waitFor(
        [](const auto& p) { return p.reloads == 2 && p.caughtUp && p.lines == 300; }, kPatience));
    {
        const auto snapshot = loader.snapshot();
        EXPECT_NEAR(snapshot->values(0)[299], test::sampleMeasurement(5299).adc[0].value, 5e-4);
        EXPECT_EQ(snapshot->skippedLines(), 0u);
    }

    // Written anew in place, longer than before: same file, other first line.
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << lines(9000, 400);
    }
    ASSERT_TRUE(loader.waitFor(
        [](const auto& p) { return p.reloads == 3 && p.caughtUp && p.lines == 400; }, kPatience));
    const auto snapshot = loader.snapshot();
    EXPECT_NEAR(snapshot->values(0)[0], test::sampleMeasurement(9000).adc[0].value, 5e-4);
    EXPECT_NEAR(snapshot->values(0)[399], test::sampleMeasurement(9399).adc[0].value, 5e-4);
}

TEST_F(RecordedFileLoaderTest, ReadersSeeAGrowingConsistentPicture) {
    const auto path = file("big.csv");
    append(path, lines(0, 20000));
    RecordedFileLoader::Options options;
    options.chunkBytes = 8192;
    RecordedFileLoader loader(path, layout(), options);
    std::size_t previous = 0;
    bool finished = false;
    while (!finished) {
        finished = loader.progress().finished;
        const auto snapshot = loader.snapshot();
        const RecordedData& data = snapshot.data();
        ASSERT_GE(data.size(), previous);
        previous = data.size();
        ASSERT_EQ(data.values(0).size(), data.size());
        ASSERT_EQ(data.values(13).size(), data.size());
        ASSERT_EQ(data.outputs().size(), data.size());
        if (data.size() > 0) {
            EXPECT_FALSE(data.minMax(0, 0, data.size()).empty());
        }
    }
    EXPECT_EQ(previous, 20000u);
}

TEST_F(RecordedFileLoaderTest, MissingFileIsAnError) {
    RecordedFileLoader loader(file("none.csv"), layout(), {});
    ASSERT_TRUE(loader.waitFor([](const auto& p) { return p.finished; }, kPatience));
    EXPECT_FALSE(loader.progress().error.empty());
    EXPECT_EQ(loader.snapshot()->size(), 0u);
}

TEST_F(RecordedFileLoaderTest, StopsWhileFollowing) {
    const auto path = file("follow.csv");
    append(path, lines(0, 10));
    RecordedFileLoader::Options options;
    options.follow = true;
    options.pollInterval = 1h;  // only stop() can end the wait
    RecordedFileLoader loader(path, layout(), options);
    ASSERT_TRUE(loader.waitFor([](const auto& p) { return p.caughtUp; }, kPatience));
    loader.stop();
    EXPECT_TRUE(loader.progress().finished);
    EXPECT_EQ(loader.progress().lines, 10u);
}

#ifdef VOLTRIX_HAS_STREAM_FEEDER
// A pipe or a FIFO is read once: the lines of its head, read to tell its
// columns, are parsed with the rest, and it is never opened anew (which
// would find it at its end), with or without following.
TEST_F(RecordedFileLoaderTest, AStreamIsReadOnceWithEveryLine) {
    struct Case {
        const char* name;
        test::StreamFeeder::Kind kind;
        bool follow;
    };
    const Case cases[] = {
        {"pipe", test::StreamFeeder::Kind::Pipe, false},
        {"pipe, followed", test::StreamFeeder::Kind::Pipe, true},
        {"FIFO", test::StreamFeeder::Kind::Fifo, false},
        {"FIFO, followed", test::StreamFeeder::Kind::Fifo, true},
    };
    // More than a pipe holds: the writer waits for the reader.
    const std::string text = lines(0, 2000);
    ASSERT_GT(text.size(), std::size_t{64} << 10);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::StreamFeeder feeder(c.kind, file(c.name).string());
        ASSERT_TRUE(feeder.ok());
        RecordedFileLoader::Options options;
        options.follow = c.follow;
        options.pollInterval = 10ms;
        options.chunkBytes = 8192;
        RecordedFileLoader loader(feeder.path(), layout(), options);
        feeder.feed(text);
        ASSERT_TRUE(loader.waitFor(
            [&](const auto& p) {
                return c.follow ? p.caughtUp && p.lines == 2000 : p.finished;
            },
            kPatience))
            << loader.progress().lines;
        if (c.follow) {
            // Its end stays its end: nothing read anew, nothing lost.
            EXPECT_FALSE(loader.waitFor(
                [](const auto& p) { return p.reloads > 0 || p.lines != 2000; }, 300ms));
        }
        const RecordedLoadProgress p = loader.progress();
        EXPECT_EQ(p.error, "");
        EXPECT_EQ(p.lines, 2000u);
        EXPECT_EQ(p.skippedLines, 0u);
        EXPECT_EQ(p.reloads, 0u);
        EXPECT_EQ(p.bytesRead, text.size());
        const auto snapshot = loader.snapshot();
        ASSERT_EQ(snapshot->size(), 2000u);
        for (std::size_t i = 0; i < snapshot->size(); ++i) {
            ASSERT_NEAR(snapshot->values(0)[i],
                        test::sampleMeasurement(static_cast<int>(i)).adc[0].value, 5e-4)
                << i;
        }
    }
}

// Streams that would hold the loader for ever: it gives up on them at once
// or within a bound, saying why, and is not held up by a FIFO's open.
TEST_F(RecordedFileLoaderTest, AStreamThatGivesNoLinesOrNoEndIsGivenUp) {
    const std::string fifo = file("no-writer").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::filesystem::create_symlink("/dev/zero", file("zero-link"));
    struct Case {
        const char* name;
        std::filesystem::path path;
        bool follow;
        RecordedLoadProblem problem;
    };
    const Case cases[] = {
        {"/dev/zero", "/dev/zero", false, RecordedLoadProblem::NotLines},
        {"/dev/zero, followed", "/dev/zero", true, RecordedLoadProblem::NotLines},
        {"a link to /dev/zero", file("zero-link"), false, RecordedLoadProblem::NotLines},
        {"a FIFO with no writer", fifo, false, RecordedLoadProblem::NoWriter},
        {"/dev/urandom", "/dev/urandom", false, RecordedLoadProblem::TooLarge},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordedFileLoader::Options options;
        options.follow = c.follow;
        options.pollInterval = 10ms;
        options.maxStreamBytes = std::uint64_t{1} << 20;
        RecordedFileLoader loader(c.path, layout(), options);
        ASSERT_TRUE(loader.waitFor([](const auto& p) { return p.finished; }, kPatience));
        const RecordedLoadProgress p = loader.progress();
        EXPECT_EQ(p.problem, c.problem);
        EXPECT_NE(p.error, "");
        EXPECT_TRUE(p.stream);
        EXPECT_EQ(p.lines, 0u);
    }

    // Followed on purpose, a FIFO waits for its writer; a stop still ends it.
    RecordedFileLoader::Options options;
    options.follow = true;
    options.pollInterval = 10ms;
    RecordedFileLoader waiting(fifo, layout(), options);
    EXPECT_FALSE(waiting.waitFor([](const auto& p) { return p.finished || !p.error.empty(); },
                                 300ms));
    waiting.stop();
    EXPECT_TRUE(waiting.progress().finished);
    EXPECT_EQ(waiting.progress().problem, RecordedLoadProblem::None);
}
#endif

}  // namespace
}  // namespace voltrix
