// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/logging/splitting_log_sink.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "engine/logging/log_writer.h"
#include "engine/logging/split_files.h"
#include "qt_printers.h"
#include "engine/logging/log_test_support.h"

// A recording split into files: names, the lines across the splits, and the
// old files deleted or kept.

namespace voltrix {
namespace {

using namespace std::chrono_literals;
using namespace log_test;
using TimePoint = std::chrono::system_clock::time_point;

// 2026-12-11 06:00:00 UTC; the names use whatever local time that is.
const TimePoint kStart = TimePoint(std::chrono::seconds(1796968800));

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// Succeeds when each file holds whole lines only, the first a line start,
// and the files one after another hold `expected` byte for byte.
::testing::AssertionResult joinTo(const QStringList& files, const QByteArray& expected) {
    QByteArray joined;
    for (const QString& file : files) {
        const QByteArray bytes = contents(file);
        if (bytes.isEmpty() || !bytes.endsWith("\r\n") || bytes.front() == '\r' ||
            bytes.front() == '\n') {
            return ::testing::AssertionFailure() << "not whole lines: " << file.toStdString();
        }
        joined += bytes;
    }
    if (joined != expected) {
        return ::testing::AssertionFailure()
               << "the files join to " << joined.size() << " bytes, not " << expected.size();
    }
    return ::testing::AssertionSuccess();
}

SplittingLogSink::Options splitOptions(SplitLimit limit, SplittingLogSink::Clock clock,
                                       std::size_t keep = 0) {
    SplittingLogSink::Options options;
    options.limit = limit;
    options.clock = std::move(clock);
    options.keep = keep;
    return options;
}

SplitLimit bySize(std::uint64_t bytes) {
    SplitLimit limit;
    limit.bytes = bytes;
    return limit;
}

SplitLimit byTime(std::chrono::milliseconds duration) {
    SplitLimit limit;
    limit.duration = duration;
    return limit;
}

struct NameCase {
    const char* base;
    ClockReading start;
    int number;
    const char* expected;
};

TEST(SplitFiles, NamesCarryTheStartTime) {
    const NameCase cases[] = {
        {"bench.csv", {2026, 12, 11, 6, 0, 0, 0}, 1, "bench_2026-12-11_06-00-00.csv"},
        {"bench.csv", {2026, 12, 11, 6, 0, 0, 999}, 2, "bench_2026-12-11_06-00-00_2.csv"},
        {"logs/day.1.txt", {2027, 1, 2, 23, 59, 58, 0}, 1, "logs/day.1_2027-01-02_23-59-58.txt"},
        {"/tmp/bench", {2026, 3, 4, 5, 6, 7, 0}, 12, "/tmp/bench_2026-03-04_05-06-07_12"},
        {".csv", {2026, 3, 4, 5, 6, 7, 0}, 1, ".csv_2026-03-04_05-06-07"},
    };
    for (const NameCase& c : cases) {
        EXPECT_EQ(splitFileName(QString::fromUtf8(c.base), c.start, c.number),
                  QString::fromUtf8(c.expected))
            << c.base;
    }
}

// Each name splitFileName gives reads back as the start and number it was
// given (the milliseconds are not in it), whatever the recording's name.
TEST(SplitFiles, ANamesStartReadsBackAsGiven) {
    const NameCase cases[] = {
        {"bench.csv", {2026, 12, 11, 6, 0, 0, 0}, 1, ""},
        {"bench.csv", {2026, 12, 11, 6, 0, 0, 0}, 2, ""},
        {"logs/day.1.txt", {2027, 1, 2, 23, 59, 58, 0}, 1, ""},
        {"/tmp/bench", {2026, 3, 4, 5, 6, 7, 0}, 12, ""},
        {".csv", {2026, 3, 4, 5, 6, 7, 0}, 3, ""},
        {"x_2025-01-01_00-00-00.csv", {2026, 3, 4, 5, 6, 7, 0}, 1, ""},
        {"bench.", {1999, 12, 31, 23, 59, 60, 0}, 1, ""},
    };
    for (const NameCase& c : cases) {
        const QString name = splitFileName(QString::fromUtf8(c.base), c.start, c.number);
        const std::optional<SplitFileStart> start = parseSplitFileName(name);
        ASSERT_TRUE(start.has_value()) << name.toStdString();
        EXPECT_EQ(*start, (SplitFileStart{c.start, c.number})) << name.toStdString();
    }
}

TEST(SplitFiles, NamesWithoutAStartReadAsNone) {
    const char* const names[] = {
        "bench.csv",
        "bench_2026-12-11_06-00.csv",
        "bench_2026-12-11_06-00-00.csv.bak.old",
        "bench_2026-13-11_06-00-00.csv",
        "bench_2026-12-00_06-00-00.csv",
        "bench_2026-12-11_24-00-00.csv",
        "bench_2026-12-11_06-60-00.csv",
        "bench_2026-12-11_06-00-00_0.csv",
        "bench_2026-12-11_06-00-00_99999999999.csv",
        "bench_2026-12-11_06-00-00x.csv",
        "bench2026-12-11_06-00-00.csv",
    };
    for (const char* name : names) {
        EXPECT_FALSE(parseSplitFileName(QString::fromUtf8(name)).has_value()) << name;
    }
}

TEST(SplitFiles, StartsOrderByTimeThenNumber) {
    const SplitFileStart earlier{{2026, 12, 11, 6, 0, 0, 0}, 2};
    const SplitFileStart sameSecond{{2026, 12, 11, 6, 0, 0, 0}, 10};
    const SplitFileStart later{{2026, 12, 11, 6, 0, 1, 0}, 1};
    EXPECT_TRUE(earlier < sameSecond);
    EXPECT_TRUE(sameSecond < later);
    EXPECT_FALSE(later < earlier);
    EXPECT_FALSE(earlier < earlier);
}

TEST(SplitFiles, TheRecordingsFilesOldestFirstAndNoOthers) {
    QTemporaryDir dir;
    const QString base = dir.filePath(QStringLiteral("bench.csv"));
    const QStringList ours = {QStringLiteral("bench_2026-12-11_05-00-00.csv"),
                              QStringLiteral("bench_2026-12-11_06-00-00.csv"),
                              QStringLiteral("bench_2026-12-11_06-00-00_2.csv"),
                              QStringLiteral("bench_2026-12-11_06-00-00_10.csv"),
                              QStringLiteral("bench_2026-12-12_00-00-00.csv")};
    const QStringList others = {QStringLiteral("bench.csv"),
                                QStringLiteral("benchmark_2026-12-11_04-00-00.csv"),
                                QStringLiteral("bench_2026-12-11_04-00-00.txt"),
                                QStringLiteral("bench_2026-12-11_04-00.csv"),
                                QStringLiteral("old_bench_2026-12-11_04-00-00.csv")};
    for (const QString& name : ours + others) {
        writeFile(dir.filePath(name), "1;\r\n");
    }
    QStringList expected;
    for (const QString& name : ours) {
        expected.push_back(dir.filePath(name));
    }
    EXPECT_EQ(filesOfRecording(base), expected);
}

TEST(SplittingLogSink, SplitBySizeJoinsToOneFileWithClashingNamesNumbered) {
    QTemporaryDir dir;
    const QString base = dir.filePath(QStringLiteral("bench.csv"));
    std::vector<QString> started;
    SplittingLogSink::Options options = splitOptions(bySize(100), [] { return kStart; });
    options.onFileStarted = [&](const QString& name) { started.push_back(name); };
    SplittingLogSink sink(options);
    QByteArray expected;
    for (int i = 0; i < 10; ++i) {
        const std::string line = makeLine(i);
        ASSERT_EQ(sink.append(base, line), LogSink::Result::Written);
        expected += QByteArray::fromStdString(line);
    }
    sink.close();
    const ClockReading start = toLocalClock(kStart);
    const QStringList files = {splitFileName(base, start), splitFileName(base, start, 2),
                               splitFileName(base, start, 3)};
    EXPECT_EQ(filesOfRecording(base), files);
    EXPECT_EQ(started, std::vector<QString>(files.begin(), files.end()));
    EXPECT_TRUE(joinTo(files, expected));
    EXPECT_EQ(contents(files[0]).size(), 96);  // four lines of 24 bytes fit in 100
    EXPECT_EQ(contents(files[2]).size(), 48);
    EXPECT_FALSE(QFileInfo::exists(base));  // the name given is never written itself
}

TEST(SplittingLogSink, SplitByTimeNamesEachFileFromItsFirstLine) {
    QTemporaryDir dir;
    const QString base = dir.filePath(QStringLiteral("bench.csv"));
    TimePoint now = kStart;
    SplittingLogSink sink(splitOptions(byTime(1s), [&] { return now; }));
    QByteArray expected;
    // A line every 300 ms: files start with lines 0 (0 s), 4 (1.2 s) and 8 (2.4 s).
    for (int i = 0; i < 10; ++i) {
        now = kStart + i * 300ms;
        const std::string line = makeLine(i);
        ASSERT_EQ(sink.append(base, line), LogSink::Result::Written);
        expected += QByteArray::fromStdString(line);
    }
    sink.close();
    const QStringList files = {splitFileName(base, toLocalClock(kStart)),
                               splitFileName(base, toLocalClock(kStart + 1200ms)),
                               splitFileName(base, toLocalClock(kStart + 2400ms))};
    EXPECT_EQ(filesOfRecording(base), files);
    EXPECT_TRUE(joinTo(files, expected));
    EXPECT_TRUE(contents(files[1]).startsWith("4;"));
    EXPECT_TRUE(contents(files[2]).startsWith("8;"));
}

TEST(SplittingLogSink, AnExistingFileIsNeitherAppendedToNorOverwritten) {
    QTemporaryDir dir;
    const QString base = dir.filePath(QStringLiteral("bench.csv"));
    const ClockReading start = toLocalClock(kStart);
    writeFile(splitFileName(base, start), "someone else's\r\n");
    SplittingLogSink sink(splitOptions(bySize(1000), [] { return kStart; }));
    ASSERT_EQ(sink.append(base, makeLine(0)), LogSink::Result::Written);
    sink.close();
    EXPECT_EQ(contents(splitFileName(base, start)), QByteArray("someone else's\r\n"));
    EXPECT_EQ(contents(splitFileName(base, start, 2)), QByteArray::fromStdString(makeLine(0)));
}

// Through the writer, whose blocks must be cut between lines: a clock
// moving on at every reading and a size limit, both splitting.
TEST(SplittingLogSink, TheWritersLinesJoinAcrossSplitsByteForByte) {
    QTemporaryDir dir;
    const QString base = dir.filePath(QStringLiteral("bench.csv"));
    auto ticks = std::make_shared<std::atomic<int>>(0);
    SplitLimit limit = bySize(5000);
    limit.duration = 2s;
    const SplittingLogSink::Options options =
        splitOptions(limit, [ticks] { return kStart + ticks->fetch_add(1) * 100ms; });
    LogWriter writer(std::make_unique<SplittingLogSink>(options));
    writer.start(base);
    QByteArray expected;
    for (int i = 0; i < 3000; ++i) {
        const std::string line = makeLine(i, 20 + static_cast<std::size_t>(i % 17));
        ASSERT_TRUE(writer.submit(line));
        expected += QByteArray::fromStdString(line);
    }
    writer.stop();
    EXPECT_EQ(writer.linesWritten(), 3000u);
    const QStringList files = filesOfRecording(base);
    EXPECT_GE(files.size(), 15);  // about 84 KB in files of at most 5000 bytes
    for (const QString& file : files) {
        EXPECT_LE(QFileInfo(file).size(), 5000) << file.toStdString();
    }
    EXPECT_TRUE(joinTo(files, expected));
}

TEST(SplittingLogSink, KeepDeletesOnlyThisRecordingsOldestFiles) {
    for (const std::size_t keep : {std::size_t{0}, std::size_t{2}}) {
        QTemporaryDir dir;
        const QString base = dir.filePath(QStringLiteral("bench.csv"));
        const QStringList older = {dir.filePath(QStringLiteral("bench_2020-01-01_00-00-00.csv")),
                                   dir.filePath(QStringLiteral("bench_2020-01-02_00-00-00.csv"))};
        const QStringList others = {base, dir.filePath(QStringLiteral("bench_2020-01-01_00-00-00.txt")),
                                    dir.filePath(QStringLiteral("other_2020-01-01_00-00-00.csv"))};
        for (const QString& file : older + others) {
            writeFile(file, "old\r\n");
        }
        TimePoint now = kStart;
        SplittingLogSink sink(splitOptions(byTime(1h), [&] { return now; }, keep));
        for (int i = 0; i < 3; ++i) {
            now = kStart + i * 1h;
            ASSERT_EQ(sink.append(base, makeLine(i)), LogSink::Result::Written);
        }
        sink.close();
        const QStringList made = {splitFileName(base, toLocalClock(kStart)),
                                  splitFileName(base, toLocalClock(kStart + 1h)),
                                  splitFileName(base, toLocalClock(kStart + 2h))};
        if (keep == 0) {
            EXPECT_EQ(filesOfRecording(base), older + made);
        } else {
            EXPECT_EQ(filesOfRecording(base), made.mid(1));
        }
        for (const QString& file : others) {
            EXPECT_EQ(contents(file), QByteArray("old\r\n")) << file.toStdString();
        }
    }
}

}  // namespace
}  // namespace voltrix
