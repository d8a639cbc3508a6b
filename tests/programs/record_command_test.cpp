// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include "engine/logging/split_files.h"
#include "engine/text/program_version.h"

// voltrix-record as it is started: its answers, its exit codes, its output
// on standard output, and a stop by SIGTERM in the middle of a stream.

namespace voltrix {
namespace {

QString recorder() {
    return QString::fromUtf8(VOLTRIX_RECORD_PATH);
}

struct Ended {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

Ended run(const QStringList& arguments, const QString& directory = QDir::tempPath(),
          const QString& program = recorder(), int patienceMs = 30000) {
    QProcess process;
    process.setWorkingDirectory(directory);
    process.start(program, arguments);
    Ended result;
    if (!process.waitForFinished(patienceMs)) {
        process.kill();
        process.waitForFinished();
        ADD_FAILURE() << "voltrix-record did not end";
        return result;
    }
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

// Runs the recorder with the standard streams that `closing` (a shell's
// redirections, such as ">&-") closes before it starts.
Ended runWithClosed(const QString& closing, const QStringList& arguments,
                    const QString& directory = QDir::tempPath()) {
    return run(QStringList{QStringLiteral("-c"),
                           QStringLiteral("exec %1 \"$0\" \"$@\"").arg(closing), recorder()} +
                   arguments,
               directory, QStringLiteral("/bin/sh"));
}

// Succeeds when `bytes` holds whole lines only, counters from 0 rising by one.
::testing::AssertionResult wholeCountedLines(const QByteArray& bytes, qsizetype atLeast) {
    if (!bytes.endsWith("\r\n")) {
        return ::testing::AssertionFailure() << "the last line is cut: " << bytes.right(40).toStdString();
    }
    const QList<QByteArray> lines = bytes.chopped(2).split('\n');
    if (lines.size() < atLeast) {
        return ::testing::AssertionFailure() << "only " << lines.size() << " lines";
    }
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QList<QByteArray> columns = lines[i].split(';');
        if (columns.size() != 25 || columns[2].toLongLong() != i) {
            return ::testing::AssertionFailure() << "line " << i + 1 << ": " << lines[i].toStdString();
        }
    }
    return ::testing::AssertionSuccess();
}

TEST(RecordCommand, AnswersVersionAndHelpAndRefusesMistakes) {
    const Ended version = run({QStringLiteral("--version")});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out.trimmed(), QByteArray("voltrix-record ") + kProgramVersion);

    const Ended help = run({QStringLiteral("--help")});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.contains("--duration")) << help.out.toStdString();

    const Ended wrong = run({QStringLiteral("--count"), QStringLiteral("many")});
    EXPECT_EQ(wrong.exitCode, 64);
    EXPECT_TRUE(wrong.err.contains("--count")) << wrong.err.toStdString();

    QTemporaryDir dir;
    const Ended unreadable = run({QStringLiteral("--config"), dir.path(), QStringLiteral("--virtual")});
    EXPECT_EQ(unreadable.exitCode, 66);
    EXPECT_TRUE(unreadable.err.contains(dir.path().toUtf8())) << unreadable.err.toStdString();

    const QString settings = dir.filePath(QStringLiteral("config.ini"));
    {
        QFile file(settings);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("[Options]\n");
    }
    const Ended intoSettings = run({QStringLiteral("--config"), settings, QStringLiteral("-o"), settings,
                                    QStringLiteral("--virtual"), QStringLiteral("--count"), QStringLiteral("5")});
    EXPECT_EQ(intoSettings.exitCode, 64);
    EXPECT_TRUE(intoSettings.err.contains("is the settings file in use")) << intoSettings.err.toStdString();
    QFile file(settings);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("[Options]\n"));
}

// "-" sends the lines to standard output and nothing else goes there.
TEST(RecordCommand, LinesGoToStandardOutput) {
    const Ended piped = run({QStringLiteral("--virtual"), QStringLiteral("--count"), QStringLiteral("50"),
                           QStringLiteral("--output"), QStringLiteral("-"), QStringLiteral("--quiet")});
    EXPECT_EQ(piped.exitCode, 0) << piped.err.toStdString();
    EXPECT_TRUE(wholeCountedLines(piped.out, 50));
    EXPECT_EQ(piped.out.count('\n'), 50);
    EXPECT_TRUE(piped.err.isEmpty()) << piped.err.toStdString();
}

// --count ends the run long before an output that takes no line is given
// up: the run still fails, and says why.
TEST(RecordCommand, ARunThatWroteNoLineFailsAndSaysWhy) {
    QTemporaryDir dir;
    const Ended ended = run({QStringLiteral("--virtual"), QStringLiteral("--count"), QStringLiteral("100"),
                             QStringLiteral("-o"), dir.filePath(QStringLiteral("no/such/x.csv"))});
    EXPECT_EQ(ended.exitCode, 73) << ended.err.toStdString();
    EXPECT_TRUE(ended.err.contains("not one line could be written to " +
                                   dir.filePath(QStringLiteral("no/such/x.csv")).toUtf8() +
                                   ": the folder does not exist"))
        << ended.err.toStdString();
}

// `voltrix-record -o - | head -n 5`: the reader leaves after five lines and
// the recording ends with its summary and its own code, not killed by
// SIGPIPE. --duration only bounds a recorder that would not notice.
TEST(RecordCommand, AReaderThatLeavesEndsTheRecordingCleanly) {
    QProcess head;
    QProcess recording;
    recording.setStandardOutputProcess(&head);
    head.start(QStringLiteral("head"), {QStringLiteral("-n"), QStringLiteral("5")});
    recording.start(recorder(), {QStringLiteral("--virtual"), QStringLiteral("-o"), QStringLiteral("-"),
                                 QStringLiteral("--duration"), QStringLiteral("20")});
    ASSERT_TRUE(recording.waitForStarted());
    ASSERT_TRUE(head.waitForFinished(30000));
    ASSERT_TRUE(recording.waitForFinished(30000));
    EXPECT_EQ(head.readAllStandardOutput().count('\n'), 5);
    const QByteArray err = recording.readAllStandardError();
    ASSERT_EQ(recording.exitStatus(), QProcess::NormalExit) << err.toStdString();
    EXPECT_EQ(recording.exitCode(), 75) << err.toStdString();
    EXPECT_TRUE(err.contains("stopped: ")) << err.toStdString();
    EXPECT_TRUE(err.contains("the reader of standard output closed it")) << err.toStdString();
}

// Standard streams closed at the start: no descriptor of the recorder's own
// takes their numbers. Standard output that is closed is no output for the
// lines; a file still gets them all.
TEST(RecordCommand, ClosedStandardStreamsLendNoNumbers) {
    struct Case {
        const char* closing;
        bool toFile;
        int exitCode;
    };
    const Case cases[] = {
        {">&-", false, 73},
        {"<&- >&-", false, 73},
        {">&-", true, 0},
        {"<&- >&- 2>&-", true, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.closing) + (c.toFile ? " -o file" : " -o -"));
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("closed.csv"));
        const Ended ended = runWithClosed(
            QString::fromLatin1(c.closing),
            {QStringLiteral("--virtual"), QStringLiteral("--count"), QStringLiteral("50"),
             QStringLiteral("-o"), c.toFile ? path : QStringLiteral("-")});
        EXPECT_EQ(ended.exitCode, c.exitCode) << ended.err.toStdString();
        if (c.toFile) {
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::ReadOnly));
            const QByteArray lines = file.readAll();
            EXPECT_TRUE(wholeCountedLines(lines, 50));
            EXPECT_EQ(lines.count('\n'), 50);
        } else {
            EXPECT_TRUE(ended.err.contains("cannot write standard output: it is closed"))
                << ended.err.toStdString();
            EXPECT_FALSE(ended.err.contains("lines written")) << ended.err.toStdString();
        }
    }
}

// Every line fails on a full disk: Qt's own warnings, should it give any,
// are said once and not with every line.
TEST(RecordCommand, AFullDiskDoesNotFloodStandardError) {
    const Ended ended = run({QStringLiteral("--virtual"), QStringLiteral("--count"),
                             QStringLiteral("1000"), QStringLiteral("-o"), QStringLiteral("/dev/full")});
    EXPECT_EQ(ended.exitCode, 73) << ended.err.toStdString();
    const QList<QByteArray> lines = ended.err.split('\n');
    for (qsizetype i = 1; i < lines.size(); ++i) {
        ASSERT_NE(lines[i].toStdString(), lines[i - 1].toStdString())
            << "line " << i + 1 << " repeats the one before";
    }
    EXPECT_LT(lines.size(), 20) << ended.err.toStdString();
}

// SIGTERM in the middle of a stream: exit 0 and a file of whole lines.
TEST(RecordCommand, SigtermLeavesACompleteFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("term.csv"));
    QProcess process;
    process.setWorkingDirectory(dir.path());
    process.start(recorder(), {QStringLiteral("--virtual"), QStringLiteral("-o"), path});
    ASSERT_TRUE(process.waitForStarted());
    QElapsedTimer timer;
    timer.start();
    while (QFile(path).size() < 20000 && timer.elapsed() < 20000) {
        QThread::msleep(20);
    }
    process.terminate();
    ASSERT_TRUE(process.waitForFinished(20000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(wholeCountedLines(file.readAll(), 100));
    EXPECT_TRUE(process.readAllStandardError().contains("stopped: "));
}

// The virtual module's counters run on from file to file of a split
// recording: no line is lost or written twice where a file ends. A quick
// run of second-long files, and ten-second files for a minute at 1 kHz.
struct SplitRun {
    const char* name;
    const char* split;
    const char* duration;
    qsizetype files;
    qsizetype lines;
};

class SplitFiles : public ::testing::TestWithParam<SplitRun> {};

TEST_P(SplitFiles, JoinWithoutAGapOrARepeat) {
    const SplitRun& c = GetParam();
    QTemporaryDir dir;
    const QString base = dir.filePath(QStringLiteral("bench.csv"));
    const Ended ended = run({QStringLiteral("--virtual"), QStringLiteral("-o"), base,
                             QStringLiteral("--split"), QString::fromLatin1(c.split),
                             QStringLiteral("--duration"), QString::fromLatin1(c.duration)},
                            dir.path(), recorder(), 180000);
    ASSERT_EQ(ended.exitCode, 0) << ended.err.toStdString();
    const QStringList files = filesOfRecording(base);
    EXPECT_GE(files.size(), c.files) << files.join(QLatin1Char(' ')).toStdString();
    EXPECT_FALSE(QFile::exists(base));
    QByteArray joined;
    for (const QString& name : files) {
        QFile file(name);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        EXPECT_TRUE(bytes.endsWith("\r\n")) << name.toStdString();
        joined += bytes;
    }
    EXPECT_TRUE(wholeCountedLines(joined, c.lines));
}

INSTANTIATE_TEST_SUITE_P(RecordCommand, SplitFiles,
                         ::testing::Values(SplitRun{"SecondFiles", "1s", "4.5", 3, 100},
                                           SplitRun{"TenSecondFilesForAMinute", "10s", "60", 6,
                                                    50'000}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace voltrix
