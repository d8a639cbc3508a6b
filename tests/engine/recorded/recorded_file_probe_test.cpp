// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/recorded/recorded_file_probe.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "engine/recorded/recorded_test_support.h"

namespace voltrix {
namespace {

std::filesystem::path pathOf(const QString& name) {
    return std::filesystem::path(name.toStdString());
}

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void put(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

LogLineSettings counterAndAdc1() {
    LogLineSettings settings;
    settings.set(LogColumn::Counter);
    settings.set(LogColumn::Adc1);
    settings.decimals = 2;
    settings.decimalSeparator = ",";
    return settings;
}

// Lines 0..count-1 of the writer, with garbage between some of them.
QByteArray fileWithGarbage(int count, std::vector<std::string>* goodLines) {
    QByteArray bytes;
    for (int i = 0; i < count; ++i) {
        std::string line = test::writtenLine(counterAndAdc1(), test::clockFromMilliseconds(0),
                                             static_cast<std::uint32_t>(i),
                                             test::sampleMeasurement(i));
        goodLines->push_back(line);
        bytes += QByteArray::fromStdString(line);
        if (i % 3 == 1) {
            bytes += "garbage;\r\n";
        }
    }
    return bytes;
}

TEST(RecordedFileProbe, TheHeadsWholeLinesAndWhetherASelectionReadsThem) {
    QTemporaryDir dir;
    const QString path = dir.filePath("m.csv");
    put(path, "1;2,50;\r\n2;3,00;\r\n3;4,0");  // the last line is cut short
    const RecordedFileProbe probe = probeRecordedFile(pathOf(path));
    EXPECT_EQ(probe.error, "");
    EXPECT_EQ(probe.lines, (std::vector<std::string>{"1;2,50;", "2;3,00;"}));

    EXPECT_TRUE(layoutFits(RecordedLayout::fromSettings(counterAndAdc1()), probe.lines));
    LogLineSettings threeColumns = counterAndAdc1();
    threeColumns.set(LogColumn::Adc2);
    EXPECT_FALSE(layoutFits(RecordedLayout::fromSettings(threeColumns), probe.lines));
    // A stray bad line among good ones does not make the selection wrong.
    EXPECT_TRUE(layoutFits(RecordedLayout::fromSettings(counterAndAdc1()),
                           {"1;2,50;", "x", "3;4,00;"}));
    EXPECT_TRUE(layoutFits(RecordedLayout::fromSettings(threeColumns), {}));

    EXPECT_NE(probeRecordedFile(pathOf(dir.filePath("none.csv"))).error, "");
}

// Lines no selection reads before and among the data (a note written ahead
// of it, empty lines, garbage) are left out of the choice, however many of
// the first lines they are: the selection is chosen by the lines that read.
TEST(RecordedFileProbe, ASelectionIsChosenByTheLinesThatReadWhateverComesBefore) {
    const auto dataLine = [](int i) {
        return test::writtenLine(counterAndAdc1(), test::clockFromMilliseconds(0),
                                 static_cast<std::uint32_t>(i), test::sampleMeasurement(i));
    };
    const auto note = [](int i) { return "Notatka " + std::to_string(i) + ": czujnik B, 20 °C\r\n"; };
    struct Case {
        const char* name;
        int notesBefore;    // lines of a note ahead of the data
        int blankBefore;    // empty lines after the note
        int dataLines;
        int notesBetween;   // after every data line, up to this many
    };
    const Case cases[] = {
        {"no note", 0, 0, 40, 0},
        {"15-line note", 15, 0, 40, 0},
        {"16-line note", 16, 0, 40, 0},
        {"17-line note", 17, 0, 40, 0},
        {"20-line note", 20, 0, 40, 0},
        {"20-line note, 5 data lines in the head", 20, 7, 5, 0},
        {"31-line note, one data line", 31, 0, 1, 0},
        {"note, empty lines", 10, 10, 40, 0},
        {"a note line after each data line", 3, 0, 40, 1},
    };
    const RecordedLayout stored = RecordedLayout::fromSettings(counterAndAdc1());
    QTemporaryDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string text;
        std::vector<std::string> expected;
        for (int i = 0; i < c.notesBefore; ++i) {
            text += note(i);
        }
        text += std::string(static_cast<std::size_t>(c.blankBefore), '\n');
        int notes = c.notesBefore + c.blankBefore;
        for (int i = 0; i < c.dataLines; ++i) {
            const std::string line = dataLine(i);
            text += line;
            if (expected.size() < kProbeLines) {
                expected.emplace_back(withoutLineEnd(line));
            }
            for (int k = 0; k < c.notesBetween; ++k) {
                text += note(100 + i);
                notes += expected.size() < kProbeLines ? 1 : 0;
            }
        }
        const QString path = dir.filePath(QString::fromLatin1(c.name) + QStringLiteral(".csv"));
        put(path, QByteArray::fromStdString(text));
        const RecordedFileProbe probe = probeRecordedFile(pathOf(path));
        EXPECT_EQ(probe.error, "");
        EXPECT_EQ(probe.lines, expected);
        EXPECT_TRUE(layoutFits(stored, probe.lines));
        // Another selection of as many fields does not read them.
        LogLineSettings other;
        other.set(LogColumn::Date);
        other.set(LogColumn::Adc1);
        EXPECT_EQ(layoutFits(RecordedLayout::fromSettings(other), probe.lines), false);
        EXPECT_EQ(probe.otherLines, static_cast<std::size_t>(notes));
    }
}

// The exported lines are those the loader numbers first..last-1: lines that
// do not parse are neither counted nor copied, and the copies are the
// source's bytes, line ends included.
TEST(RecordedFileProbe, ExportCopiesTheNumberedLinesByteForByteAndLeavesTheSource) {
    QTemporaryDir dir;
    const QString source = dir.filePath("m.csv");
    std::vector<std::string> good;
    put(source, fileWithGarbage(40, &good) + "17;1,0");  // and a half line
    const QByteArray before = contents(source);
    const RecordedLayout layout = RecordedLayout::fromSettings(counterAndAdc1());

    struct Case {
        std::size_t first;
        std::size_t last;
    };
    for (const Case c : {Case{0, 40}, Case{5, 12}, Case{39, 40}, Case{10, 10}, Case{30, 99}}) {
        const QString target = dir.filePath(QStringLiteral("out_%1_%2.csv").arg(c.first).arg(c.last));
        ASSERT_TRUE(exportRecordedLines(pathOf(source), layout, c.first, c.last, pathOf(target)).ok());
        std::string expected;
        for (std::size_t i = c.first; i < std::min<std::size_t>(c.last, good.size()); ++i) {
            expected += good[i];
        }
        EXPECT_EQ(contents(target).toStdString(), expected) << c.first << ".." << c.last;
    }
    EXPECT_EQ(contents(source), before);
}

TEST(RecordedFileProbe, ExportRefusesToWriteOverItsSourceAndKeepsAnOldTargetOnFailure) {
    QTemporaryDir dir;
    const QString source = dir.filePath("m.csv");
    std::vector<std::string> good;
    put(source, fileWithGarbage(5, &good));
    const QByteArray before = contents(source);
    const RecordedLayout layout = RecordedLayout::fromSettings(counterAndAdc1());
    EXPECT_FALSE(exportRecordedLines(pathOf(source), layout, 0, 5, pathOf(source)).ok());
    EXPECT_EQ(contents(source), before);

    // Through another name of the same file, too.
    ASSERT_TRUE(QFile::link(source, dir.filePath("link.csv")));
    EXPECT_FALSE(
        exportRecordedLines(pathOf(source), layout, 0, 5, pathOf(dir.filePath("link.csv"))).ok());
    EXPECT_EQ(contents(source), before);

    // A target in a folder that does not exist: an error, nothing written.
    EXPECT_FALSE(exportRecordedLines(pathOf(source), layout, 0, 5,
                                     pathOf(dir.filePath("no/such/folder/out.csv")))
                     .ok());
}

}  // namespace
}  // namespace voltrix
