// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include <QElapsedTimer>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include "engine/settings/ini_file.h"
#include "engine/settings/program_settings.h"
#include "measurement_file.h"

namespace voltrix {
namespace {

// Reports of one second at 1 kHz: the most a kill may cost.
constexpr std::int64_t kOneSecondOfReports = 1000;
constexpr qint64 kLoggingMs = 3000;

// Every key a complete settings file holds.
QStringList completeSettingsKeys() {
    namespace keys = settings_key;
    QStringList names;
    auto add = [&names](const auto& list) {
        for (const char* name : list) {
            names << QString::fromLatin1(name);
        }
    };
    add(keys::kMathName);
    add(keys::kMathUnit);
    add(keys::kAdcUnit);
    add(keys::kEncUnit);
    for (const auto& save : keys::kSave) {
        names << QString::fromLatin1(save.key);
    }
    add(keys::kChart);
    for (const char* name : {keys::kScreenTop, keys::kScreenLeft, keys::kPoint, keys::kFileName,
                             keys::kMod, keys::kChartTime, keys::kLanguage}) {
        names << QString::fromLatin1(name);
    }
    return names;
}

// The child's report: one line a tenth of a second with the number of
// measurement reports it handled. Reads what has come and keeps the latest.
class CountReader {
public:
    explicit CountReader(QProcess& child) : child_(child) {}

    // Waits up to `timeoutMs` for at least one new count.
    bool next(int timeoutMs) {
        QElapsedTimer timer;
        timer.start();
        while (!drain()) {
            if (timer.elapsed() >= timeoutMs) {
                return false;
            }
            child_.waitForReadyRead(100);
        }
        return true;
    }

    std::int64_t latest() const { return latest_; }

    // Takes every whole line there is; true when a count came.
    bool drain() {
        bool fresh = false;
        while (child_.canReadLine()) {
            bool ok = false;
            const std::int64_t count = child_.readLine().trimmed().toLongLong(&ok);
            if (ok) {
                latest_ = count;
                fresh = true;
            }
        }
        return fresh;
    }

private:
    QProcess& child_;
    std::int64_t latest_ = -1;
};

// The program dies by SIGKILL while it logs at 1 kHz and writes its settings:
// the measurement file keeps whole lines, without a gap, up to at most the
// last second, and the settings file is complete.
TEST(KillTest, AKilledProgramLeavesWholeLinesAndAnIntactSettingsFile) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("killed.csv"));
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QStringLiteral(VOLTRIX_LOGGING_VICTIM), {dir.path(), path});
    ASSERT_TRUE(child.waitForStarted(30000)) << child.errorString().toStdString();

    CountReader counts(child);
    QElapsedTimer timer;
    timer.start();
    while (counts.latest() <= 0 && timer.elapsed() < 30000 && child.state() == QProcess::Running) {
        counts.next(1000);
    }
    ASSERT_GT(counts.latest(), 0) << "the child never handled a measurement report";
    timer.restart();
    while (timer.elapsed() < kLoggingMs) {
        counts.next(200);
    }
    ASSERT_TRUE(counts.next(5000));
    child.kill();  // SIGKILL, right after a fresh count
    ASSERT_TRUE(child.waitForFinished(30000));
    EXPECT_EQ(child.exitStatus(), QProcess::CrashExit);
    counts.drain();  // counts printed between the read and the kill
    const std::int64_t handled = counts.latest();

    std::vector<std::int64_t> counters;
    ASSERT_TRUE(testing::WholeLines(testing::fileContents(path), counters));
    ASSERT_FALSE(counters.empty());
    EXPECT_TRUE(testing::RiseByOne(counters, 0));
    const auto logged = static_cast<std::int64_t>(counters.size());
    EXPECT_GE(logged + kOneSecondOfReports, handled)
        << logged << " lines for " << handled << " reports handled";
    RecordProperty("ReportsHandled", static_cast<int>(handled));
    RecordProperty("LinesLogged", static_cast<int>(logged));

    const IniFile settings(settingsFilePathIn(dir.path()));
    const QString missing = QStringLiteral("<missing>");
    for (const QString& key : completeSettingsKeys()) {
        EXPECT_NE(settings.readText(key, missing), missing) << key.toStdString();
    }
    EXPECT_EQ(settings.readText(QStringLiteral("FileName"), missing), path);
    EXPECT_TRUE(settings.readBool(QStringLiteral("SaveAuto"), false));
    EXPECT_TRUE((QStringList{"V", "mV"}).contains(settings.readText("AdcUnit1", missing)));
}

}  // namespace
}  // namespace voltrix
