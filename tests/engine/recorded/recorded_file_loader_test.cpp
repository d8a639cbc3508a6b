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
#include <functional>
#include <iterator>
#include <memory>
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

// Every line the loader has, read back as the viewer reads a range.
std::shared_ptr<const RecordedData> linesOf(const RecordedFileLoader& loader) {
    auto data = std::make_shared<RecordedData>();
    std::string error;
    const std::size_t lines = loader.progress().lines;
    EXPECT_TRUE(loader.readLines(0, lines, *data, error)) << error;
    return data;
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

    const auto snapshot = linesOf(loader);
    const RecordedData& data = *snapshot;
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

// The x of a line comes from its time, or (without time and counter) from
// its number in the file, which the lines that did not parse move on too.
class LoaderOnEveryCore : public RecordedFileLoaderTest,
                          public ::testing::WithParamInterface<bool> {};

TEST_P(LoaderOnEveryCore, GivesTheIndexOfOneAndReadsBackEveryRange) {
    LogLineSettings settings = fileSettings();
    if (!GetParam()) {
        settings.columns.reset(static_cast<std::size_t>(LogColumn::Date));
        settings.columns.reset(static_cast<std::size_t>(LogColumn::Time));
        settings.columns.reset(static_cast<std::size_t>(LogColumn::Counter));
    }
    const RecordedLayout layout = RecordedLayout::fromSettings(settings);
    const auto path = file("cores.csv");
    std::string text;
    for (int i = 0; i < 20000; ++i) {
        text += line(i, settings);
        if (i % 997 == 0) {
            text += "a note\n";
        }
    }
    append(path, text);

    RecordedFileLoader::Options one;
    one.chunkBytes = std::size_t{1} << 20;
    RecordedFileLoader::Options every = one;
    every.chunkBytes = 4096;  // lines across many chunks' edges
    every.parserThreads = 2;
    RecordedFileLoader serial(path, layout, one);
    RecordedFileLoader parallel(path, layout, every);
    for (const RecordedFileLoader* loader : {&serial, &parallel}) {
        ASSERT_TRUE(loader->waitFor([](const auto& p) { return p.finished; }, kPatience));
    }
    {
        const auto a = serial.snapshot();
        const auto b = parallel.snapshot();
        ASSERT_EQ(a->size(), 20000u);
        EXPECT_EQ(a->skippedLines(), 21u);
        EXPECT_EQ(b->size(), a->size());
        EXPECT_EQ(b->skippedLines(), a->skippedLines());
        EXPECT_EQ(b->endOffset(), text.size());
        ASSERT_EQ(b->blocks().size(), a->blocks().size());
        for (std::size_t i = 0; i < a->blocks().size(); ++i) {
            const IndexBlock& x = a->blocks()[i];
            const IndexBlock& y = b->blocks()[i];
            ASSERT_EQ(y.offset, x.offset) << i;
            ASSERT_EQ(y.fileLine, x.fileLine) << i;
            ASSERT_EQ(y.firstX, x.firstX) << i;
            ASSERT_EQ(y.lastX, x.lastX) << i;
            ASSERT_TRUE(y.axis.state() == x.axis.state()) << i;
            ASSERT_EQ(y.range[0].min, x.range[0].min) << i;
            ASSERT_EQ(y.range[13].max, x.range[13].max) << i;
            ASSERT_EQ(y.outputsAny, x.outputsAny) << i;
        }
    }
    const auto all = linesOf(serial);
    ASSERT_EQ(all->size(), 20000u);
    // Starting mid-block, across blocks, one line, up to and past the end.
    const std::pair<std::size_t, std::size_t> ranges[] = {
        {0, 1}, {63, 65}, {64, 128}, {1000, 1500}, {9999, 10000}, {19990, 20000}, {19999, 30000}};
    for (const auto& [first, last] : ranges) {
        RecordedData read;
        std::string error;
        ASSERT_TRUE(parallel.readLines(first, last, read, error)) << error;
        const std::size_t end = std::min<std::size_t>(last, 20000);
        ASSERT_EQ(read.size(), end - first) << first;
        for (std::size_t i = first; i < end; ++i) {
            ASSERT_EQ(read.x()[i - first], all->x()[i]) << i;
            ASSERT_EQ(read.values(0)[i - first], all->values(0)[i]) << i;
            ASSERT_EQ(read.outputs()[i - first], all->outputs()[i]) << i;
        }
    }
    // The line number of line i counts the notes before it.
    if (!GetParam()) {
        EXPECT_EQ(all->x()[0], 1.0);  // after the note of line 0
        EXPECT_EQ(all->x()[1], 3.0);
        EXPECT_EQ(all->x()[19999], 20000.0 + 21);
    }
}

INSTANTIATE_TEST_SUITE_P(ByTimeAndByLineNumber, LoaderOnEveryCore, ::testing::Bool());

// Loads `path` (or a set) to its end with the index kept in `cache`.
struct CachedLoad {
    RecordedLoadProgress progress;
    std::shared_ptr<const RecordedData> lines;
};

CachedLoad loadWithCache(std::vector<std::filesystem::path> files, const RecordedLayout& layout,
                         const std::filesystem::path& cache) {
    RecordedFileLoader::Options options;
    options.chunkBytes = 4096;
    options.parserThreads = 2;
    options.cacheFolder = cache;
    RecordedFileLoader loader(std::move(files), layout, options);
    EXPECT_TRUE(loader.waitFor([](const auto& p) { return p.finished; }, kPatience));
    return {loader.progress(), linesOf(loader)};
}

void expectSameLines(const RecordedData& a, const RecordedData& b) {
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t i = 0; i < a.size(); ++i) {
        ASSERT_EQ(a.x()[i], b.x()[i]) << i;
        ASSERT_EQ(a.values(0)[i], b.values(0)[i]) << i;
        ASSERT_EQ(a.outputs()[i], b.outputs()[i]) << i;
    }
}

TEST_F(RecordedFileLoaderTest, TheIndexIsKeptForTheNextOpenAndNeverTrustedBlindly) {
    const auto path = file("kept.csv");
    const auto cache = file("cache");
    append(path, lines(0, 3000));
    const CachedLoad first = loadWithCache({path}, layout(), cache);
    EXPECT_EQ(first.progress.bytesFromCache, 0u);
    ASSERT_EQ(first.lines->size(), 3000u);

    // Again: all from the kept index, the same lines.
    const CachedLoad again = loadWithCache({path}, layout(), cache);
    EXPECT_EQ(again.progress.bytesFromCache, contents(path).size());
    expectSameLines(*again.lines, *first.lines);

    // Grown: the kept part is taken, the rest read.
    const std::uint64_t before = contents(path).size();
    append(path, lines(3000, 500));
    const CachedLoad grown = loadWithCache({path}, layout(), cache);
    EXPECT_EQ(grown.progress.bytesFromCache, before);
    ASSERT_EQ(grown.lines->size(), 3500u);
    EXPECT_NEAR(grown.lines->values(0)[3499], test::sampleMeasurement(3499).adc[0].value, 5e-4);
    EXPECT_EQ(grown.lines->x()[3000] - grown.lines->x()[2999], grown.lines->x()[1] - grown.lines->x()[0]);

    // Each of these is read anew, and reads as a first open would.
    struct Case {
        const char* what;
        std::function<void()> change;
    };
    const Case cases[] = {
        {"rewritten with the same head",
         [&] {
             std::string text = lines(0, 3500);
             text.replace(text.size() - 200, 1, "9");
             std::filesystem::resize_file(path, 0);
             append(path, text);
         }},
        {"cut short", [&] { std::filesystem::resize_file(path, before / 2); }},
        {"the kept index damaged",
         [&] {
             for (const auto& entry : std::filesystem::directory_iterator(cache)) {
                 std::string bytes = contents(entry.path());
                 bytes[bytes.size() / 2] ^= 0x55;
                 std::ofstream(entry.path(), std::ios::binary | std::ios::trunc) << bytes;
             }
         }},
    };
    for (const Case& c : cases) {
        loadWithCache({path}, layout(), cache);  // kept as the file is now
        c.change();
        const CachedLoad fresh = loadWithCache({path}, layout(), {});
        const CachedLoad kept = loadWithCache({path}, layout(), cache);
        EXPECT_EQ(kept.progress.bytesFromCache, 0u) << c.what;
        expectSameLines(*kept.lines, *fresh.lines);
    }

    // A cache folder that cannot be made: the file is read all the same.
    append(file("not a folder"), "x");
    const CachedLoad nowhere = loadWithCache({path}, layout(), file("not a folder") / "cache");
    EXPECT_EQ(nowhere.progress.lines, nowhere.lines->size());
    EXPECT_GT(nowhere.lines->size(), 0u);
}

TEST_F(RecordedFileLoaderTest, TheFilesOfASplitRecordingReadAsOneTimeline) {
    // Three files, the second without a line end at its last line, then an
    // hour's break before the third.
    const auto a = file("run_2026-12-08_09-00-00.csv");
    const auto b = file("run_2026-12-08_09-00-01.csv");
    const auto c = file("run_2026-12-08_10-00-01.csv");
    append(a, lines(0, 1000));
    std::string middle = lines(1000, 1000);
    middle.pop_back();
    append(b, middle);
    append(c, lines(3'601'000, 1000));
    const CachedLoad set = loadWithCache({a, b, c}, layout(), {});
    EXPECT_EQ(set.progress.lines, 3000u);
    EXPECT_EQ(set.progress.skippedLines, 0u);
    ASSERT_EQ(set.lines->size(), 3000u);
    EXPECT_NEAR(set.lines->values(0)[1999], test::sampleMeasurement(1999).adc[0].value, 5e-4);
    EXPECT_NEAR(set.lines->values(0)[2000], test::sampleMeasurement(3'601'000).adc[0].value, 5e-4);
    EXPECT_NEAR(set.lines->x()[2000] - set.lines->x()[1999], 3599.001, 1e-6);
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

    const auto snapshot = linesOf(loader);
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
        const auto snapshot = linesOf(loader);
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
        const auto snapshot = linesOf(loader);
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
    const auto snapshot = linesOf(loader);
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
        const auto snapshot = linesOf(loader);
        const RecordedData& data = *snapshot;
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
        const auto snapshot = linesOf(loader);
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
