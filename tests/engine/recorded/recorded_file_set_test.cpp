// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/recorded/recorded_file_set.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#if defined(__unix__) || defined(__APPLE__)
#include <sys/stat.h>
#endif

#include "engine/recorded/recorded_test_support.h"
#include "language_fixture.h"

// Which files an opened path stands for, and their order in time.

namespace voltrix {
namespace {

namespace fs = std::filesystem;

// 2026-12-11 06:00:00 of the local calendar.
constexpr std::int64_t kSixOClock = daysFromCivil(2026, 12, 11) * kMillisecondsPerDay + 6 * 3'600'000;
constexpr std::int64_t kHour = 3'600'000;

LogLineSettings settingsOf(std::initializer_list<LogColumn> columns) {
    LogLineSettings settings;
    for (LogColumn column : columns) {
        settings.set(column);
    }
    settings.set(LogColumn::Adc1);
    return settings;
}

// Three lines a second apart from `time` and `count` on.
QByteArray linesFrom(const LogLineSettings& settings, std::int64_t time, std::uint32_t count) {
    QByteArray bytes;
    for (int i = 0; i < 3; ++i) {
        bytes += QByteArray::fromStdString(
            test::writtenLine(settings, test::clockFromMilliseconds(time + i * 1000),
                              count + static_cast<std::uint32_t>(i), test::sampleMeasurement(i)));
    }
    return bytes;
}

void put(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    ASSERT_EQ(file.write(bytes), bytes.size());
}

fs::path pathOf(const QString& name) {
    return fs::path(name.toStdU16String());
}

std::vector<std::string> namesOf(const std::vector<fs::path>& files) {
    std::vector<std::string> names;
    for (const fs::path& file : files) {
        names.push_back(file.filename().string());
    }
    return names;
}

struct FileSpec {
    const char* name;
    std::int64_t time;      // of its first line; -1: no measurement line at all
    std::uint32_t counter;  // of its first line
};

struct OrderCase {
    const char* title;
    std::vector<LogColumn> columns;  // besides Adc1; written and read
    std::vector<FileSpec> opened;    // in the order given
    std::vector<std::string> expected;
};

// Named by its title in the test output.
void PrintTo(const OrderCase& c, std::ostream* out) {
    *out << c.title;
}

class RecordedFileOrder : public ::testing::TestWithParam<OrderCase> {};

TEST_P(RecordedFileOrder, SeveralFilesComeInTimeOrder) {
    const OrderCase& c = GetParam();
    LogLineSettings settings;
    for (LogColumn column : c.columns) {
        settings.set(column);
    }
    settings.set(LogColumn::Adc1);
    QTemporaryDir dir;
    std::vector<fs::path> opened;
    for (const FileSpec& file : c.opened) {
        const QString path = dir.filePath(QString::fromUtf8(file.name));
        put(path, file.time < 0 ? QByteArray("a note, no measurement\r\n")
                                : linesFrom(settings, file.time, file.counter));
        opened.push_back(pathOf(path));
    }
    const RecordedFileSetResult result =
        resolveRecordedFiles(opened, RecordedLayout::fromSettings(settings));
    EXPECT_EQ(result.error, QString());
    EXPECT_EQ(namesOf(result.files), c.expected);
}

using enum LogColumn;

const OrderCase kOrderCases[] = {
    // The lines would give another order: the names tell first.
    {"SplitNamesTellFirst",
     {Date, Time, Counter},
     {{"b_2026-12-11_07-00-00.csv", kSixOClock, 0},
      {"b_2026-12-11_06-00-00_10.csv", kSixOClock + 3 * kHour, 1},
      {"b_2026-12-11_06-00-00_2.csv", kSixOClock + 2 * kHour, 2},
      {"b_2026-12-11_06-00-00.csv", kSixOClock + 5 * kHour, 3}},
     {"b_2026-12-11_06-00-00.csv", "b_2026-12-11_06-00-00_2.csv", "b_2026-12-11_06-00-00_10.csv",
      "b_2026-12-11_07-00-00.csv"}},
    // Counters and names would each give another order.
    {"FirstLineDateAndTimeWhenANameDoesNotTell",
     {Date, Time, Counter},
     {{"c.csv", kSixOClock + 2 * kHour, 0},
      {"a.csv", kSixOClock + kHour, 50},
      {"b_2026-12-11_06-00-00.csv", kSixOClock, 100}},
     {"b_2026-12-11_06-00-00.csv", "a.csv", "c.csv"}},
    // A time of day alone does not tell a file after midnight.
    {"FirstLineCounterWithoutADate",
     {Time, Counter},
     {{"c.csv", 23 * kHour, 0}, {"a.csv", 1 * kHour, 50}, {"b.csv", 12 * kHour, 100}},
     {"c.csv", "a.csv", "b.csv"}},
    {"NamesWhenTheLinesHoldNoDateNorCounter",
     {Time},
     {{"c.csv", 1 * kHour, 0}, {"a.csv", 3 * kHour, 0}, {"b.csv", 2 * kHour, 0}},
     {"a.csv", "b.csv", "c.csv"}},
    {"NamesWhenAFileHasNoLineToTell",
     {Date, Time},
     {{"a.csv", kSixOClock + 2 * kHour, 0}, {"b.csv", -1, 0}, {"c.csv", kSixOClock, 0}},
     {"a.csv", "b.csv", "c.csv"}},
    {"EqualFirstLinesByName",
     {Date, Time},
     {{"z.csv", kSixOClock, 0}, {"m.csv", kSixOClock, 0}, {"a.csv", kSixOClock, 0}},
     {"a.csv", "m.csv", "z.csv"}},
};

INSTANTIATE_TEST_SUITE_P(Cases, RecordedFileOrder, ::testing::ValuesIn(kOrderCases),
                         [](const auto& info) { return std::string(info.param.title); });

// A folder gives its measurement files only: not a note, a hidden file, an
// empty one, a FIFO, nor what is in its subfolders.
TEST(RecordedFileSet, AFolderGivesItsMeasurementFilesInTimeOrder) {
    const LogLineSettings settings = settingsOf({Date, Time});
    QTemporaryDir dir;
    put(dir.filePath("rec_2026-12-11_06-00-00_2.csv"), linesFrom(settings, kSixOClock + kHour, 0));
    put(dir.filePath("rec_2026-12-11_06-00-00.csv"), linesFrom(settings, kSixOClock, 0));
    put(dir.filePath("rec_2026-12-11_05-59-59.csv"), linesFrom(settings, kSixOClock - 1000, 0));
    put(dir.filePath("notes.txt"), "measured on bench 3\r\nby hand\r\n");
    put(dir.filePath(".rec_2026-12-11_04-00-00.csv"), linesFrom(settings, kSixOClock - kHour, 0));
    put(dir.filePath("empty.csv"), "");
    ASSERT_TRUE(QDir(dir.path()).mkdir("sub"));
    put(dir.filePath("sub/rec_2026-12-11_03-00-00.csv"), linesFrom(settings, kSixOClock, 0));
#if defined(__unix__) || defined(__APPLE__)
    ASSERT_EQ(::mkfifo(dir.filePath("fifo.csv").toLocal8Bit().constData(), 0600), 0);
#endif

    const RecordedFileSetResult result =
        resolveRecordedFiles({pathOf(dir.path())}, RecordedLayout::fromSettings(settings));
    EXPECT_EQ(result.error, QString());
    EXPECT_EQ(namesOf(result.files),
              (std::vector<std::string>{"rec_2026-12-11_05-59-59.csv", "rec_2026-12-11_06-00-00.csv",
                                        "rec_2026-12-11_06-00-00_2.csv"}));
    for (const fs::path& file : result.files) {
        EXPECT_EQ(file.parent_path(), pathOf(dir.path()));
    }
}

// One file is that file alone, though others of its recording lie beside it;
// what it is is for the opening to find out.
TEST(RecordedFileSet, OneFileIsJustIt) {
    const LogLineSettings settings = settingsOf({Date, Time});
    QTemporaryDir dir;
    put(dir.filePath("rec_2026-12-11_06-00-00.csv"), linesFrom(settings, kSixOClock, 0));
    put(dir.filePath("rec_2026-12-11_07-00-00.csv"), linesFrom(settings, kSixOClock + kHour, 0));
    const RecordedLayout layout = RecordedLayout::fromSettings(settings);
    for (const char* name : {"rec_2026-12-11_07-00-00.csv", "missing.csv"}) {
        const fs::path path = pathOf(dir.filePath(name));
        const RecordedFileSetResult result = resolveRecordedFiles({path}, layout);
        EXPECT_EQ(result.error, QString()) << name;
        EXPECT_EQ(result.files, std::vector<fs::path>{path}) << name;
    }
}

class RecordedFileSetErrors : public testing::LanguageTest {};

TEST_F(RecordedFileSetErrors, AFolderWithoutMeasurementFiles) {
    QTemporaryDir empty;
    QTemporaryDir notesOnly;
    put(notesOnly.filePath("notes.txt"), "measured on bench 3\r\n");
    put(notesOnly.filePath("empty.csv"), "");
    const RecordedLayout layout = RecordedLayout::fromSettings(settingsOf({Date, Time}));
    for (const QTemporaryDir* dir : {&empty, &notesOnly}) {
        use(Language::Polish);
        RecordedFileSetResult result = resolveRecordedFiles({pathOf(dir->path())}, layout);
        EXPECT_EQ(result.error, QStringLiteral("w folderze nie ma plików pomiarowych"));
        EXPECT_TRUE(result.files.empty());
        use(Language::English);
        result = resolveRecordedFiles({pathOf(dir->path())}, layout);
        EXPECT_EQ(result.error, QStringLiteral("the folder holds no measurement files"));
    }
}

TEST_F(RecordedFileSetErrors, AFolderAmongSeveralFiles) {
    QTemporaryDir dir;
    put(dir.filePath("a.csv"), "1;2;\r\n");
    ASSERT_TRUE(QDir(dir.path()).mkdir("sub"));
    const std::vector<fs::path> opened = {pathOf(dir.filePath("a.csv")),
                                          pathOf(dir.filePath("sub"))};
    const RecordedLayout layout = RecordedLayout::fromSettings(settingsOf({Counter}));
    use(Language::Polish);
    RecordedFileSetResult result = resolveRecordedFiles(opened, layout);
    EXPECT_EQ(result.error,
              QStringLiteral("%1 nie jest zwykłym plikiem, a tylko takie można otworzyć razem")
                  .arg(QDir::toNativeSeparators(dir.filePath("sub"))));
    EXPECT_TRUE(result.files.empty());
    use(Language::English);
    result = resolveRecordedFiles(opened, layout);
    EXPECT_EQ(result.error,
              QStringLiteral("%1 is not a regular file, and only those can be opened together")
                  .arg(QDir::toNativeSeparators(dir.filePath("sub"))));
}

TEST_F(RecordedFileSetErrors, NothingOpened) {
    const RecordedLayout layout = RecordedLayout::fromSettings(settingsOf({Counter}));
    use(Language::Polish);
    EXPECT_EQ(resolveRecordedFiles({}, layout).error, QStringLiteral("nie wybrano pliku"));
    use(Language::English);
    EXPECT_EQ(resolveRecordedFiles({}, layout).error, QStringLiteral("no file was chosen"));
}

}  // namespace
}  // namespace voltrix
