// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/recorded/concatenated_file.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#if defined(__unix__) || defined(__APPLE__)
#include <sys/stat.h>
#endif

// Files read as one run of bytes: the same bytes at every offset as the
// files one after another, with the line ends added between them.

namespace voltrix {
namespace {

namespace fs = std::filesystem;

fs::path pathOf(const QString& name) {
    return fs::path(name.toStdU16String());
}

void put(const QString& path, const std::string& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    ASSERT_EQ(file.write(bytes.data(), static_cast<qint64>(bytes.size())),
              static_cast<qint64>(bytes.size()));
}

void append(const QString& path, const std::string& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::Append)) << path.toStdString();
    ASSERT_EQ(file.write(bytes.data(), static_cast<qint64>(bytes.size())),
              static_cast<qint64>(bytes.size()));
}

// Files 0..n-1 of `contents` in `dir`, their paths in order.
std::vector<fs::path> filesOf(const QTemporaryDir& dir, const std::vector<std::string>& contents) {
    std::vector<fs::path> paths;
    for (std::size_t i = 0; i < contents.size(); ++i) {
        const QString path = dir.filePath(QStringLiteral("part%1.csv").arg(i));
        put(path, contents[i]);
        paths.push_back(pathOf(path));
    }
    return paths;
}

void openOrFail(ConcatenatedFile& file) {
    std::string error;
    int errorCode = 0;
    ASSERT_TRUE(file.open(error, errorCode)) << error;
}

std::string readAll(const ConcatenatedFile& file) {
    std::string bytes(static_cast<std::size_t>(file.size()) + 16, '?');
    const std::int64_t n = file.read(0, bytes.data(), bytes.size());
    bytes.resize(n < 0 ? 0 : static_cast<std::size_t>(n));
    return bytes;
}

struct JoinCase {
    const char* title;
    std::vector<std::string> contents;
    std::string joined;
    std::vector<std::uint64_t> starts;
};

// Named by its title in the test output.
void PrintTo(const JoinCase& c, std::ostream* out) {
    *out << c.title;
}

class ConcatenatedFileJoin : public ::testing::TestWithParam<JoinCase> {};

TEST_P(ConcatenatedFileJoin, EveryRangeReadsAsTheFilesJoined) {
    const JoinCase& c = GetParam();
    QTemporaryDir dir;
    ConcatenatedFile file(filesOf(dir, c.contents));
    openOrFail(file);
    ASSERT_EQ(file.size(), c.joined.size());
    const std::size_t size = c.joined.size();
    for (std::size_t offset = 0; offset <= size + 1; ++offset) {
        for (std::size_t length = 0; length <= size + 2; ++length) {
            std::string got(length, '?');
            const std::int64_t n = file.read(offset, got.data(), length);
            ASSERT_GE(n, 0);
            got.resize(static_cast<std::size_t>(n));
            const std::string expected =
                offset < size ? c.joined.substr(offset, length) : std::string();
            ASSERT_EQ(got, expected) << "offset " << offset << ", length " << length;
        }
    }
    for (std::size_t i = 0; i < c.starts.size(); ++i) {
        EXPECT_EQ(file.fileStart(i), c.starts[i]) << "file " << i;
    }
    EXPECT_EQ(file.fileStart(c.contents.size()), size);
    // Each offset is in the file that starts last at or before it.
    for (std::uint64_t offset = 0; offset < size; ++offset) {
        const std::size_t i = file.fileAt(offset);
        EXPECT_LE(file.fileStart(i), offset) << offset;
        EXPECT_GT(file.fileStart(i + 1), offset) << offset;
    }
    EXPECT_EQ(file.fileAt(size), c.contents.size() - 1);
}

const JoinCase kJoinCases[] = {
    {"LineEndAddedAfterAHalfLineAndEmptyFilesInBetween",
     {"ab\n", "cd", "", "ef\r\n", "", "gh"},
     "ab\ncd\nef\r\ngh",
     {0, 3, 6, 6, 10, 10}},
    {"TheLastHalfLineStaysAsItIs", {"a", "b"}, "a\nb", {0, 2}},
    {"AHalfLineBeforeAnEmptyLastFileIsEnded", {"abc", ""}, "abc\n", {0, 4}},
    {"EmptyFirstFile", {"", "x;\r\n"}, "x;\r\n", {0, 0}},
    {"OneFile", {"1;\r\n2;"}, "1;\r\n2;", {0}},
    {"AllEmpty", {"", ""}, "", {0, 0}},
};

INSTANTIATE_TEST_SUITE_P(Cases, ConcatenatedFileJoin, ::testing::ValuesIn(kJoinCases),
                         [](const auto& info) { return std::string(info.param.title); });

TEST(ConcatenatedFile, TheLastFileGrowsWhileFollowed) {
    QTemporaryDir dir;
    const std::vector<fs::path> paths = filesOf(dir, {"a;\n", "b"});
    ConcatenatedFile file(paths);
    openOrFail(file);
    EXPECT_EQ(readAll(file), "a;\nb");
    EXPECT_FALSE(file.refresh());

    append(QString::fromStdU16String(paths[1].u16string()), ";\nc");
    // Until looked at again the size is the one seen.
    EXPECT_EQ(readAll(file), "a;\nb");
    EXPECT_TRUE(file.refresh());
    EXPECT_FALSE(file.changed());
    EXPECT_EQ(file.size(), 7u);
    EXPECT_EQ(readAll(file), "a;\nb;\nc");
    EXPECT_FALSE(file.refresh());
}

// What happens to one file after the opening.
enum class Change { ShrinkLast, ShrinkFirst, GrowFirst, ReplaceFirst, DeleteFirst };

struct ChangeCase {
    const char* title;
    Change change;
    bool changed;  // the files are to be read anew
};

// Named by its title in the test output.
void PrintTo(const ChangeCase& c, std::ostream* out) {
    *out << c.title;
}

class ConcatenatedFileChange : public ::testing::TestWithParam<ChangeCase> {};

TEST_P(ConcatenatedFileChange, IsReportedWhenWhatWasReadNoLongerStands) {
    const ChangeCase& c = GetParam();
    QTemporaryDir dir;
    const std::vector<fs::path> paths = filesOf(dir, {"1;\n2;\n", "3;\n4;\n"});
    const QString first = QString::fromStdU16String(paths[0].u16string());
    const QString last = QString::fromStdU16String(paths[1].u16string());
    ConcatenatedFile file(paths);
    openOrFail(file);
    switch (c.change) {
        case Change::ShrinkLast:
            ASSERT_TRUE(QFile::resize(last, 3));
            break;
        case Change::ShrinkFirst:
            ASSERT_TRUE(QFile::resize(first, 3));
            break;
        case Change::GrowFirst:
            append(first, "9;\n");
            break;
        case Change::ReplaceFirst:
            // Of the same size, written beside it and moved over it.
            put(dir.filePath("new.csv"), "5;\n6;\n");
            ASSERT_EQ(std::rename(dir.filePath("new.csv").toLocal8Bit().constData(),
                                  first.toLocal8Bit().constData()),
                      0);
            break;
        case Change::DeleteFirst:
            ASSERT_TRUE(QFile::remove(first));
            break;
    }
    EXPECT_EQ(file.refresh(), c.changed);
    EXPECT_EQ(file.changed(), c.changed);
    if (!c.changed) {
        EXPECT_EQ(readAll(file), "1;\n2;\n3;\n4;\n");
    }
    // Told once; it stays so until opened again.
    EXPECT_FALSE(file.refresh());
    EXPECT_EQ(file.changed(), c.changed);
    if (c.change != Change::DeleteFirst) {
        openOrFail(file);
        EXPECT_FALSE(file.changed());
        EXPECT_FALSE(file.refresh());
    }
}

const ChangeCase kChangeCases[] = {
    {"TheLastShrinks", Change::ShrinkLast, true},
    {"AnEarlierShrinks", Change::ShrinkFirst, true},
    {"AnEarlierGrows", Change::GrowFirst, true},
#if defined(__unix__) || defined(__APPLE__)
    // Where an open file can be replaced or deleted under its name.
    {"AnotherFileTakesAPath", Change::ReplaceFirst, true},
    // The open handle still reads it, as when the recorder deletes its oldest.
    {"ADeletedFileStillReads", Change::DeleteFirst, false},
#endif
};

INSTANTIATE_TEST_SUITE_P(Cases, ConcatenatedFileChange, ::testing::ValuesIn(kChangeCases),
                         [](const auto& info) { return std::string(info.param.title); });

// A read that finds a file shorter than it was reads short and tells it,
// without waiting for refresh().
TEST(ConcatenatedFile, AReadFindingAFileShrunkTellsIt) {
    QTemporaryDir dir;
    const std::vector<fs::path> paths = filesOf(dir, {"1;\n2;\n", "3;\n"});
    ConcatenatedFile file(paths);
    openOrFail(file);
    ASSERT_TRUE(QFile::resize(QString::fromStdU16String(paths[0].u16string()), 3));
    char bytes[16] = {};
    EXPECT_EQ(file.read(0, bytes, sizeof bytes), 3);
    EXPECT_EQ(std::string(bytes, 3), "1;\n");
    EXPECT_TRUE(file.changed());
}

TEST(ConcatenatedFile, AFileThatCannotBeOpenedIsNamed) {
    QTemporaryDir dir;
    put(dir.filePath("a.csv"), "1;\n");
    ASSERT_TRUE(QDir(dir.path()).mkdir("sub"));
    struct Case {
        const char* name;
        int errorCode;
    };
    std::vector<Case> cases = {{"missing.csv", ENOENT}};
#if defined(__unix__) || defined(__APPLE__)
    cases.push_back({"sub", EISDIR});
    // Not waited on for a writer: refused at once.
    ASSERT_EQ(::mkfifo(dir.filePath("fifo").toLocal8Bit().constData(), 0600), 0);
    cases.push_back({"fifo", EINVAL});
#endif
    for (const Case& c : cases) {
        const fs::path bad = pathOf(dir.filePath(QString::fromUtf8(c.name)));
        ConcatenatedFile file({pathOf(dir.filePath("a.csv")), bad});
        std::string error;
        int errorCode = 0;
        EXPECT_FALSE(file.open(error, errorCode)) << c.name;
        EXPECT_EQ(errorCode, c.errorCode) << c.name;
        EXPECT_NE(error.find(bad.string()), std::string::npos) << error;
        EXPECT_EQ(file.failedFile(), 1u) << c.name;
        EXPECT_EQ(file.size(), 0u) << c.name;
    }
}

// Two threads reading different ranges at once each get their own bytes.
TEST(ConcatenatedFile, TwoThreadsReadAtOnce) {
    QTemporaryDir dir;
    std::vector<std::string> contents;
    std::string joined;
    for (int f = 0; f < 4; ++f) {
        std::string text;
        for (int line = 0; text.size() < 100'000; ++line) {
            text += std::to_string(f) + ';' + std::to_string(line) + ";\r\n";
        }
        if (f == 1) {
            text += "half";  // followed by an added line end
        }
        contents.push_back(text);
        joined += text + (f == 1 ? "\n" : "");
    }
    ConcatenatedFile file(filesOf(dir, contents));
    openOrFail(file);
    ASSERT_EQ(file.size(), joined.size());

    // Each thread walks its own sequence of ranges; all must match.
    const auto reader = [&](std::uint32_t seed, int& mismatches) {
        std::uint32_t state = seed;
        std::string got;
        for (int i = 0; i < 2000; ++i) {
            state = state * 1664525u + 1013904223u;
            const std::uint64_t offset = state % joined.size();
            state = state * 1664525u + 1013904223u;
            const std::size_t length = state % 20'000;
            got.assign(length, '?');
            const std::int64_t n = file.read(offset, got.data(), length);
            got.resize(n < 0 ? 0 : static_cast<std::size_t>(n));
            if (got != joined.substr(offset, length)) {
                ++mismatches;
            }
        }
    };
    int mismatchesA = 0;
    int mismatchesB = 0;
    std::thread a(reader, 1u, std::ref(mismatchesA));
    std::thread b(reader, 2u, std::ref(mismatchesB));
    a.join();
    b.join();
    EXPECT_EQ(mismatchesA, 0);
    EXPECT_EQ(mismatchesB, 0);
}

}  // namespace
}  // namespace voltrix
