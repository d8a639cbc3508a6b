// SPDX-License-Identifier: GPL-3.0-or-later
#include "programs/record/recorder.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <limits>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <memory>
#include <vector>

#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QLineEdit>

#include "device/virtual/virtual_module.h"
#include "engine/logging/split_files.h"
#include "measurement_report.h"
#include "ui/window/window_fixture.h"

// The recorder on the same engine as the window: the same file from the same
// reports and settings, reconnection, and the outputs it gives up on.

namespace voltrix {
namespace {

class RecorderTest : public testing::WindowTest {
protected:
    RecorderEnvironment environment() {
        RecorderEnvironment environment;
        environment.backend = &bus;
        environment.programDirectory = dir_.path();
        environment.userDirectory = userDir_.path();
        environment.tell = [this](const QString& line, bool) { told.push_back(line); };
        return environment;
    }

    bool toldLine(const QString& text) const {
        return std::find(told.begin(), told.end(), text) != told.end();
    }

    std::vector<QString> told;
};

// Takes the first `accepted` lines, then refuses every one with the system's
// error `errorCode`.
class ScriptedSink final : public LogSink {
public:
    ScriptedSink(std::uint64_t accepted, int errorCode)
        : accepted_(accepted), errorCode_(errorCode) {}

    Result append(const QString&, std::string_view) override {
        if (taken_ < accepted_) {
            ++taken_;
            return Result::Written;
        }
        return Result::Failed;
    }
    void requestClose() override {}
    void close() override {}
    QString lastError() const override { return QString::fromLocal8Bit(std::strerror(errorCode_)); }
    int lastErrorCode() const override { return errorCode_; }

private:
    const std::uint64_t accepted_;
    const int errorCode_;
    std::uint64_t taken_ = 0;
};

std::vector<std::vector<std::uint8_t>> someReports() {
    std::vector<std::vector<std::uint8_t>> reports;
    for (int i = 0; i < 40; ++i) {
        reports.push_back(
            testing::measurementReport(0.37f * i - 4.0f, static_cast<std::uint8_t>(i * 7)));
        if (i % 9 == 0) {
            reports.push_back({1, 27, 0, '1', '0', '2', 0});  // a parameter report between
        }
    }
    return reports;
}

// The same report stream with a fixed clock, through the window's logging
// and through the recorder, from the same settings file: the same bytes.
TEST_F(RecorderTest, TheWindowAndTheRecorderWriteTheSameFile) {
    writeConfig(QStringLiteral("[Options]\nSaveAuto=0\nSaveTime=0\nSaveAdc3=0\nSaveEnc2v=0\n"
                               "Point=3\nMod=7\nFileName=unused.csv\n"));
    const ClockReading clock{2026, 12, 10, 7, 8, 9, 10};
    sessionOptions.clock = [clock] { return clock; };
    const QString byWindow = dir_.filePath(QStringLiteral("window.csv"));
    const QString byRecorder = dir_.filePath(QStringLiteral("recorder.csv"));
    {
        auto window = open();
        find<QLineEdit>(*window, "file_name_edit")->setText(byWindow);
        window->save_buttonClick();
        for (const auto& report : someReports()) {
            window->ReportReceived(report);
        }
        window->save_buttonClick();
    }
    {
        RecordOptions options;
        options.output = byRecorder;
        options.config = configPath();
        RecorderEnvironment recorderEnvironment = environment();
        recorderEnvironment.session.clock = sessionOptions.clock;
        Recorder recorder(options, recorderEnvironment);
        ASSERT_EQ(recorder.start(), std::nullopt);
        for (const auto& report : someReports()) {
            recorder.session().ReportReceived(report);
        }
        recorder.stop(RecordExit::Done);
    }
    const QByteArray windowBytes = readFile(byWindow).toUtf8();
    ASSERT_EQ(windowBytes.count('\n'), 40);
    EXPECT_EQ(readFile(byRecorder).toUtf8(), windowBytes);
    // 24 columns less the time, ADC 3 and encoder 2's velocity.
    EXPECT_EQ(readFile(byRecorder).split(QLatin1Char(';')).size() - 1, 40 * 21);
}

// The module goes away in the middle of a recording and comes back: the
// recorder says so both times and writes on, one whole line per report.
TEST_F(RecorderTest, AnUnpluggedModuleIsWaitedForAndRecordedOnWhenItComesBack) {
    const QString path = dir_.filePath(QStringLiteral("replug.csv"));
    const auto module = std::make_shared<VirtualModule>();
    std::string device = bus.plugModule(module);
    RecordOptions options;
    options.output = path;
    Recorder recorder(options, environment());
    ASSERT_EQ(recorder.start(), std::nullopt);
    ASSERT_TRUE(waitFor([&] { return recorder.session().logStatus().linesWritten > 200; }));

    ASSERT_TRUE(bus.unplug(device));
    ASSERT_TRUE(waitFor([&] { return toldLine(QStringLiteral("module disconnected, waiting for it")); }));
    const std::uint64_t before = recorder.session().measurementCount();
    device = bus.plugModule(module);
    ASSERT_TRUE(waitFor([&] { return recorder.session().measurementCount() > before + 200; }));
    EXPECT_EQ(std::count(told.begin(), told.end(), QStringLiteral("module connected")), 2);
    int exitCode = -1;
    QObject::connect(&recorder, &Recorder::finished, [&](int code) { exitCode = code; });
    recorder.stop(RecordExit::Done);
    EXPECT_EQ(exitCode, 0);

    const QStringList lines = readFile(path).split(QStringLiteral("\r\n"));
    ASSERT_TRUE(lines.back().isEmpty());  // the last line is whole
    ASSERT_GT(lines.size(), 400);
    for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
        ASSERT_EQ(lines[i].split(QLatin1Char(';'))[2].toLongLong(), i) << "line " << i + 1;
    }
}

// A split recording's progress names the file being written, and a split
// is refused where there are no files to start.
TEST_F(RecorderTest, ASplitRecordingNamesItsCurrentFile) {
    const QString base = dir_.filePath(QStringLiteral("split.csv"));
    bus.plugModule();
    RecordOptions options;
    options.output = base;
    options.split.duration = std::chrono::seconds(1);
    RecorderEnvironment recorderEnvironment = environment();
    recorderEnvironment.terminal = true;  // progress every second
    Recorder recorder(options, recorderEnvironment);
    ASSERT_EQ(recorder.start(), std::nullopt);
    QString named;
    ASSERT_TRUE(waitFor([&] {
        const QStringList files = filesOfRecording(base);
        if (files.size() < 2) {
            return false;
        }
        for (const QString& line : told) {
            for (const QString& file : files) {
                if (line.contains(QStringLiteral(" lines, ") + file + QLatin1Char(' '))) {
                    named = file;
                }
            }
        }
        return named == files.back();
    }));
    recorder.stop(RecordExit::Done);

    RecordOptions piped;
    piped.output = QStringLiteral("-");
    piped.split.bytes = 1000000;
    Recorder refused(piped, environment());
    EXPECT_EQ(refused.start(), RecordExit::Usage);
    EXPECT_TRUE(toldLine(QStringLiteral("--split needs a file to write, and standard output is none")));
}

// The disk's free space, as a probe tells it, ends the recording below
// --min-free with its own code and a complete file; above it, or with
// --min-free 0, the recording goes on.
TEST_F(RecorderTest, LowFreeSpaceEndsTheRecordingWithACompleteFile) {
    struct Case {
        const char* name;
        qint64 free;
        std::uint64_t minFree;
        bool ends;
    };
    const Case cases[] = {
        {"below the default", 500'000'000, kDefaultMinFreeBytes, true},
        {"below a split recording's", 999, 1000, true},
        {"above it", 2'000'000'000, kDefaultMinFreeBytes, false},
        {"turned off", 0, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        told.clear();
        const QString base = dir_.filePath(QString::fromLatin1(c.name) + QStringLiteral(".csv"));
        const auto module = std::make_shared<VirtualModule>();
        const std::string device = bus.plugModule(module);
        RecordOptions options;
        options.output = base;
        options.minFreeBytes = c.minFree;
        if (c.minFree == 1000) {
            options.split.duration = std::chrono::hours(1);
        }
        RecorderEnvironment recorderEnvironment = environment();
        std::atomic<int> asked = 0;
        std::atomic<bool> low = false;
        recorderEnvironment.freeSpace = [&, c](const QString& folder) -> std::optional<qint64> {
            EXPECT_EQ(folder, QFileInfo(dir_.path()).absoluteFilePath());
            ++asked;
            return low ? c.free : std::numeric_limits<qint64>::max();
        };
        Recorder recorder(options, recorderEnvironment);
        int exitCode = -1;
        QObject::connect(&recorder, &Recorder::finished, [&](int code) { exitCode = code; });
        ASSERT_EQ(recorder.start(), std::nullopt);
        ASSERT_TRUE(waitFor([&] { return recorder.session().logStatus().linesWritten > 200; }));
        low = true;
        if (c.ends) {
            ASSERT_TRUE(waitFor([&] { return exitCode != -1; }));
            EXPECT_EQ(exitCode, static_cast<int>(RecordExit::DiskLow));
            EXPECT_TRUE(std::any_of(told.begin(), told.end(), [](const QString& line) {
                return line.startsWith(QStringLiteral("only ")) &&
                       line.contains(QStringLiteral("less than --min-free"));
            }));
        } else {
            const int before = asked;
            // Two more looks at the disk, or two seconds with none.
            waitFor([&] { return asked > before + 2; }, 2000);
            EXPECT_EQ(exitCode, -1);
            EXPECT_EQ(asked > 0, c.minFree != 0);
            recorder.stop(RecordExit::Done);
            EXPECT_EQ(exitCode, 0);
        }
        const QStringList files = c.minFree == 1000 ? filesOfRecording(base) : QStringList{base};
        ASSERT_EQ(files.size(), 1);
        const QStringList lines = readFile(files.front()).split(QStringLiteral("\r\n"));
        EXPECT_TRUE(lines.back().isEmpty());  // the last line is whole
        ASSERT_GT(lines.size(), 200);
        EXPECT_EQ(static_cast<std::uint64_t>(lines.size() - 1),
                  recorder.session().logStatus().linesWritten);
        for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
            ASSERT_EQ(lines[i].split(QLatin1Char(';'))[2].toLongLong(), i) << "line " << i + 1;
        }
        ASSERT_TRUE(bus.unplug(device));
    }
}

// An output that takes not one line is retried for a while, then given up
// with its own exit code; the settings file is never written.
TEST_F(RecorderTest, AnOutputThatTakesNoLineIsGivenUpAfterRetrying) {
    writeConfig(QStringLiteral("[Options]\nFileName=") + dir_.filePath(QStringLiteral("no/such/dir.csv")) +
                QStringLiteral("\n"));
    const QString before = readConfig();
    bus.plugModule();
    RecorderEnvironment recorderEnvironment = environment();
    recorderEnvironment.outputRetryMs = 300;
    Recorder recorder(RecordOptions{}, recorderEnvironment);
    int exitCode = -1;
    QObject::connect(&recorder, &Recorder::finished, [&](int code) { exitCode = code; });
    ASSERT_EQ(recorder.start(), std::nullopt);
    ASSERT_TRUE(waitFor([&] { return exitCode != -1; }));
    EXPECT_EQ(exitCode, static_cast<int>(RecordExit::OutputUnwritable));
    // The cause is told, in the interface language (here the default).
    EXPECT_TRUE(std::any_of(told.begin(), told.end(), [](const QString& line) {
        return line.startsWith(QStringLiteral("cannot write ")) &&
               line.endsWith(QStringLiteral("folder nie istnieje"));
    })) << (told.empty() ? std::string() : told.front().toStdString());
    EXPECT_EQ(readConfig(), before);
}

// How a recording asked to end as done ends, by what became of its lines:
// 0 only when every line was written, and the cause named when not.
TEST_F(RecorderTest, TheExitCodeSaysWhatBecameOfTheLines) {
    struct Case {
        const char* name;
        bool modulePlugged;
        const char* output;  // in the test's folder
        // Lines a scripted sink takes before it refuses the others with
        // `errorCode`; none: the lines go to the file itself.
        std::optional<std::uint64_t> accepted;
        int errorCode;
        std::optional<std::uint64_t> count;  // none: only the lines' fate ends the run
        RecordExit expected;
        const char* toldEnd;  // the end of the line that says why; empty: none
    };
    const Case cases[] = {
        {"every line written", true, "all.csv", std::nullopt, 0, 50, RecordExit::Done, ""},
        {"a folder that does not exist", true, "no/such/dir.csv", std::nullopt, 0, 50,
         RecordExit::OutputUnwritable, "folder nie istnieje"},
        {"a sink that takes no line", true, "x.csv", 0, EACCES, 50,
         RecordExit::OutputUnwritable, "brak uprawnień do zapisu"},
        {"some lines refused", true, "x.csv", 20, ENOSPC, 50, RecordExit::LinesFailed,
         "brak miejsca na dysku"},
        {"no module", false, "none.csv", std::nullopt, 0, 50, RecordExit::ModuleNotFound,
         "no module was connected"},
        // A pipe whose reader left ends the run by itself, whatever --count.
        {"the reader went away", true, "-", 20, EPIPE, std::nullopt, RecordExit::ReaderClosed,
         "the reader of standard output closed it"},
        {"the reader went away at once", true, "-", 0, EPIPE, std::nullopt,
         RecordExit::ReaderClosed, "the reader of standard output closed it"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        told.clear();
        VirtualHidBackend devices;
        if (c.modulePlugged) {
            devices.plugModule();
        }
        RecordOptions options;
        options.output = c.output == std::string("-") ? QStringLiteral("-")
                                                      : dir_.filePath(QString::fromLatin1(c.output));
        options.count = c.count;
        RecorderEnvironment recorderEnvironment = environment();
        recorderEnvironment.backend = &devices;
        if (c.accepted) {
            recorderEnvironment.session.makeSink = [c] {
                return std::make_unique<ScriptedSink>(*c.accepted, c.errorCode);
            };
        }
        Recorder recorder(options, recorderEnvironment);
        int exitCode = -1;
        QObject::connect(&recorder, &Recorder::finished, [&](int code) { exitCode = code; });
        ASSERT_EQ(recorder.start(), std::nullopt);
        if (!c.modulePlugged) {
            waitFor([] { return false; }, 300);
            recorder.stop(RecordExit::Done);
        }
        // --count ends the others, long before the 10 s an output is retried.
        ASSERT_TRUE(waitFor([&] { return exitCode != -1; }, 20000));
        EXPECT_EQ(exitCode, static_cast<int>(c.expected));
        const QString end = QString::fromUtf8(c.toldEnd);
        if (!end.isEmpty()) {
            EXPECT_TRUE(!told.empty() && told.back().endsWith(end))
                << (told.empty() ? std::string() : told.back().toStdString());
        }
        // The summary comes in any case.
        EXPECT_TRUE(std::any_of(told.begin(), told.end(), [](const QString& line) {
            return line.startsWith(QStringLiteral("stopped: "));
        }));
        if (c.expected == RecordExit::LinesFailed) {
            EXPECT_TRUE(told.back().startsWith(QStringLiteral("30 lines could not be written")))
                << told.back().toStdString();
        }
    }
}

std::vector<QString> qtWarnings;

// A month of --duration and --wait, beyond the 24.8 days a Qt timer counts,
// is armed whole; waited for in pieces, a duration still ends the run.
TEST_F(RecorderTest, AMonthLongDurationAndWaitAreArmed) {
    qtWarnings.clear();
    const QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType type, const QMessageLogContext&, const QString& message) {
            if (type == QtWarningMsg || type == QtCriticalMsg) {
                qtWarnings.push_back(message);
            }
        });
    {
        RecordOptions options;
        options.output = dir_.filePath(QStringLiteral("month.csv"));
        options.durationSeconds = 2592000;
        options.waitSeconds = 2592000;
        Recorder recorder(options, environment());
        ASSERT_EQ(recorder.start(), std::nullopt);
        const auto month = std::chrono::milliseconds(std::chrono::hours(24 * 30));
        const auto almost = month - std::chrono::minutes(1);
        EXPECT_GT(recorder.durationTimer().remaining(), almost);
        EXPECT_LE(recorder.durationTimer().remaining(), month);
        EXPECT_GT(recorder.waitTimer().remaining(), almost);
        bool finished = false;
        QObject::connect(&recorder, &Recorder::finished, [&] { finished = true; });
        waitFor([] { return false; }, 200);
        EXPECT_FALSE(finished);
    }
    {
        bus.plugModule();
        RecordOptions options;
        options.output = dir_.filePath(QStringLiteral("pieces.csv"));
        options.durationSeconds = 0.5;
        RecorderEnvironment recorderEnvironment = environment();
        recorderEnvironment.timerPiece = std::chrono::milliseconds(30);
        Recorder recorder(options, recorderEnvironment);
        int exitCode = -1;
        QObject::connect(&recorder, &Recorder::finished, [&](int code) { exitCode = code; });
        ASSERT_EQ(recorder.start(), std::nullopt);
        ASSERT_TRUE(waitFor([&] { return exitCode != -1; }, 20000));
        EXPECT_EQ(exitCode, 0);
    }
    qInstallMessageHandler(previous);
    for (const QString& warning : qtWarnings) {
        ADD_FAILURE() << warning.toStdString();
    }
}

// The settings file in use is never written: an output that is that file, by
// whatever name, is refused before the recording starts.
TEST_F(RecorderTest, TheSettingsFileInUseIsRefusedAsTheOutput) {
    const QString symbolic = dir_.filePath(QStringLiteral("symbolic.csv"));
    const QString hard = dir_.filePath(QStringLiteral("hard.csv"));
    const QString other = dir_.filePath(QStringLiteral("other.csv"));
    struct Case {
        const char* name;
        QString config;  // --config; empty: the window's, found in the test's folder
        QString output;  // --output; empty: the settings' FileName
        QString fileName;
        bool refused;
    };
    const Case cases[] = {
        {"the same path", configPath(), configPath(), {}, true},
        {"a symbolic link to it", configPath(), symbolic, {}, true},
        {"a hard link to it", configPath(), hard, {}, true},
        {"a relative path", configPath(), QStringLiteral("config.ini"), {}, true},
        {"a path through its folder", QStringLiteral("config.ini"),
         dir_.filePath(QStringLiteral("../") + QDir(dir_.path()).dirName() +
                       QStringLiteral("/config.ini")),
         {}, true},
        {"the settings' own FileName", {}, {}, configPath(), true},
        {"a link to it as FileName", {}, {}, symbolic, true},
        {"another file", configPath(), other, {}, false},
        {"another file as FileName", {}, {}, other, false},
    };
    const QString previousDirectory = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir_.path()));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        told.clear();
        writeConfig(QStringLiteral("[Options]\nFileName=") + c.fileName + QStringLiteral("\n"));
        QFile::remove(symbolic);
        QFile::remove(hard);
        ASSERT_TRUE(QFile::link(configPath(), symbolic));
        std::error_code error;
        std::filesystem::create_hard_link(configPath().toStdString(), hard.toStdString(), error);
        ASSERT_FALSE(error) << error.message();
        const QString before = readConfig();
        RecordOptions options;
        options.config = c.config;
        options.output = c.output;
        options.count = 5;
        Recorder recorder(options, environment());
        const std::optional<RecordExit> refusal = recorder.start();
        if (c.refused) {
            EXPECT_EQ(refusal, RecordExit::Usage);
            EXPECT_TRUE(!told.empty() && told.back().contains(QStringLiteral("is the settings file in use")))
                << (told.empty() ? std::string() : told.back().toStdString());
        } else {
            EXPECT_EQ(refusal, std::nullopt);
        }
        recorder.stop(RecordExit::Done);
        EXPECT_EQ(readConfig(), before);
    }
    QDir::setCurrent(previousDirectory);
}

// Settings that cannot be read stop the recorder before it starts.
TEST_F(RecorderTest, UnreadableSettingsAreRefused) {
    for (const QString& config : {dir_.filePath(QStringLiteral("missing.ini")), dir_.path()}) {
        RecordOptions options;
        options.config = config;
        options.output = dir_.filePath(QStringLiteral("x.csv"));
        Recorder recorder(options, environment());
        EXPECT_EQ(recorder.start(), RecordExit::SettingsUnreadable) << config.toStdString();
    }
}

}  // namespace
}  // namespace voltrix
