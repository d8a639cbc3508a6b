// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/settings/program_settings.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "engine/text/string_table.h"

namespace voltrix {
namespace {

// A new file, line by line, as start-up writes it in Polish.
const char kNewFile[] =
    "[Options]\r\n"
    "MathName1=...\r\n"
    "MathName2=...\r\n"
    "MathUnit1=...\r\n"
    "MathUnit2=...\r\n"
    "AdcUnit1=\r\n"
    "AdcUnit2=\r\n"
    "AdcUnit3=\r\n"
    "AdcUnit4=\r\n"
    "EncUnit1=\r\n"
    "EncUnit2=\r\n"
    "ScreenTop=0\r\n"
    "ScreenLeft=0\r\n"
    "Point=2\r\n"
    "FileName=pomiary.csv\r\n"
    "Mod=1\r\n"
    "SaveAuto=0\r\n"
    "SaveDate=1\r\n"
    "SaveTime=1\r\n"
    "SaveCnt=1\r\n"
    "SaveCntMod=1\r\n"
    "SaveAdc1=1\r\n"
    "SaveAdc2=1\r\n"
    "SaveAdc3=1\r\n"
    "SaveAdc4=1\r\n"
    "SaveAdc1avg=1\r\n"
    "SaveAdc2avg=1\r\n"
    "SaveAdc3avg=1\r\n"
    "SaveAdc4avg=1\r\n"
    "SaveEnc1p=1\r\n"
    "SaveEnc2p=1\r\n"
    "SaveEnc1v=1\r\n"
    "SaveEnc2v=1\r\n"
    "SaveMath1=1\r\n"
    "SaveMath2=1\r\n"
    "SaveOutput=1\r\n"
    "Chart1=1\r\n"
    "Chart2=1\r\n"
    "Chart3=1\r\n"
    "Chart4=1\r\n"
    "Chart5=1\r\n"
    "Chart6=1\r\n"
    "Chart7=1\r\n"
    "Chart8=1\r\n"
    "Chart9=1\r\n"
    "Chart10=1\r\n"
    "Chart11=1\r\n"
    "Chart12=1\r\n"
    "Chart13=1\r\n"
    "Chart14=1\r\n"
    "ChartTime=1\r\n"
    "Language=0\r\n";

class ProgramSettingsTest : public ::testing::Test {
protected:
    QString path() const { return settingsFilePathIn(dir_.path()); }

    void put(const QByteArray& bytes) const {
        QFile file(path());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(bytes), bytes.size());
    }

    QByteArray contents() const {
        QFile file(path());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

    LoadedSettings load(const QByteArray& bytes) const {
        put(bytes);
        return readSettings(IniFile(path()), "pomiary.csv");
    }

    QTemporaryDir dir_;
};

TEST_F(ProgramSettingsTest, FirstStartCreatesTheFileWithEveryKeyInOrderAndReadsIt) {
    const LoadedSettings loaded = loadSettingsAtStartup(path(), lookup(Ids::IDS_42));
    EXPECT_EQ(contents(), kNewFile);
    EXPECT_EQ(loaded.mathName[1], "...");
    EXPECT_EQ(loaded.mathUnit[0], "...");
    EXPECT_EQ(loaded.adcUnit[3], "");
    EXPECT_EQ(loaded.fileName, "pomiary.csv");
    EXPECT_FALSE(loaded.save[settings_key::kSaveAutoIndex]);
    EXPECT_TRUE(loaded.save[1]);
    EXPECT_FALSE(loaded.loggingOn);
    EXPECT_EQ(loaded.point, 2);
    EXPECT_EQ(loaded.mod, 1);
    EXPECT_EQ(loaded.checkedChartTime(), 1);
    EXPECT_EQ(loaded.language, 0);
}

TEST_F(ProgramSettingsTest, AnExistingFileIsReadNotRewritten) {
    put("[Options]\n");
    const LoadedSettings loaded = loadSettingsAtStartup(path(), "pomiary.csv");
    EXPECT_EQ(contents(), "[Options]\n");
    // Every key missing: the read defaults.
    EXPECT_EQ(loaded.mathName[0], "...");
    EXPECT_EQ(loaded.encUnit[1], "");
    for (bool ticked : loaded.save) {
        EXPECT_TRUE(ticked);
    }
    for (bool shown : loaded.chart) {
        EXPECT_TRUE(shown);
    }
    EXPECT_EQ(loaded.fileName, "pomiary.csv");
    EXPECT_EQ(loaded.point, 2);
    EXPECT_EQ(loaded.mod, 1);
    EXPECT_EQ(loaded.chartTime, 1);
    EXPECT_FALSE(loaded.loggingOn);
}

TEST_F(ProgramSettingsTest, FirstStartThatCannotWriteFailsWithThePathAndReadsNothing) {
    QFile blocker(dir_.filePath("blocker"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const QString blocked = settingsFilePathIn(dir_.filePath("blocker"));
    try {
        loadSettingsAtStartup(blocked, "pomiary.csv");
        FAIL() << "the load succeeded";
    } catch (const SettingsError& error) {
        EXPECT_EQ(error.message(), "Unable to write to " + blocked);
    }
}

TEST_F(ProgramSettingsTest, LoggingStartsOnlyWhenTheStoredKeyAsksAndAFileIsNamed) {
    struct Case {
        const char* file;
        bool checkBox;
        bool loggingOn;
    };
    const Case cases[] = {
        {"[Options]\nFileName=a.csv\n", true, false},
        {"[Options]\nFileName=\nSaveAuto=1\n", true, false},
        {"[Options]\nFileName=a.csv\nSaveAuto=1\n", true, true},
        {"[Options]\nSaveAuto=1\n", true, true},  // the default name
        {"[Options]\nFileName=a.csv\nSaveAuto=0\n", false, false},
        {"[Options]\nFileName=a.csv\nSaveAuto=yes\n", true, false},
        {"[Options]\nFileName=a.csv\nSaveAuto=-3\n", true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const LoadedSettings loaded = load(c.file);
        EXPECT_EQ(loaded.save[settings_key::kSaveAutoIndex], c.checkBox);
        EXPECT_EQ(loaded.loggingOn, c.loggingOn);
    }
}

TEST_F(ProgramSettingsTest, EmptyFileNameStaysEmpty) {
    EXPECT_EQ(load("[Options]\nFileName=\n").fileName, "");
}

TEST_F(ProgramSettingsTest, ModIsLoadedAsStored) {
    struct Case {
        const char* stored;
        std::int32_t mod;
        std::uint32_t divisor;
    };
    const Case cases[] = {
        {"0", 0, 0u},     {"-5", -5, 0xFFFFFFFBu},
        {"$10", 16, 16u}, {"200000000", 200000000, 200000000u},
        {"many", 1, 1u},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        const LoadedSettings loaded = load(QByteArray("[Options]\nMod=") + c.stored + "\n");
        EXPECT_EQ(loaded.mod, c.mod);
        EXPECT_EQ(loaded.modDivisor(), c.divisor);
    }
}

TEST_F(ProgramSettingsTest, ChartTimeThatIsNoNumberIsAnError) {
    struct Case {
        const char* line;
        const char* error;  // nullptr: converts to `value`
        int value;
    };
    const Case cases[] = {
        {"ChartTime=abc", "'abc' is not a valid integer value", 0},
        {"ChartTime=", "'' is not a valid integer value", 0},
        {"ChartTime=1.5", "'1.5' is not a valid integer value", 0},
        {"ChartTime=0x10", nullptr, 16},
        {"ChartTime= 700 ", nullptr, 700},
        {"", nullptr, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        const LoadedSettings loaded = load(QByteArray("[Options]\n") + c.line + "\n");
        if (c.error == nullptr) {
            EXPECT_EQ(loaded.checkedChartTime(), c.value);
            continue;
        }
        EXPECT_FALSE(loaded.chartTime.has_value());
        try {
            loaded.checkedChartTime();
            ADD_FAILURE() << "no error";
        } catch (const SettingsError& error) {
            EXPECT_EQ(error.message(), c.error);
        }
    }
}

TEST_F(ProgramSettingsTest, StoredValuesReachTheirFields) {
    const LoadedSettings loaded = load(
        "[Options]\n"
        "MathName1=Ciśnienie\nMathName2=Przepływ\nMathUnit1=bar\nMathUnit2=m³/h\n"
        "AdcUnit1=°C\nAdcUnit4=V\nEncUnit1=mm\nEncUnit2=obr/min\n"
        "ScreenTop=-20\nScreenLeft=1300\nPoint=4\nFileName=/home/łukasz/żółć.csv\n"
        "SaveTime=0\nSaveOutput=0\nChart3=0\nChart14=0\nLanguage=1\n");
    EXPECT_EQ(loaded.mathName[0], QString::fromUtf8("Ciśnienie"));
    EXPECT_EQ(loaded.mathName[1], QString::fromUtf8("Przepływ"));
    EXPECT_EQ(loaded.mathUnit[0], "bar");
    EXPECT_EQ(loaded.mathUnit[1], QString::fromUtf8("m³/h"));
    EXPECT_EQ(loaded.adcUnit[0], QString::fromUtf8("°C"));
    EXPECT_EQ(loaded.adcUnit[1], "");
    EXPECT_EQ(loaded.adcUnit[3], "V");
    EXPECT_EQ(loaded.encUnit[0], "mm");
    EXPECT_EQ(loaded.encUnit[1], "obr/min");
    EXPECT_EQ(loaded.screenTop, -20);
    EXPECT_EQ(loaded.screenLeft, 1300);
    EXPECT_EQ(loaded.point, 4);
    EXPECT_EQ(loaded.fileName, QString::fromUtf8("/home/łukasz/żółć.csv"));
    std::array<bool, kSaveKeyCount> save;
    save.fill(true);
    save[2] = false;
    save[19] = false;
    EXPECT_EQ(loaded.save, save);
    std::array<bool, kChartSeriesCount> chart;
    chart.fill(true);
    chart[2] = false;
    chart[13] = false;
    EXPECT_EQ(loaded.chart, chart);
    EXPECT_EQ(loaded.language, 1);
}

ShutdownSettings distinctShutdownValues() {
    ShutdownSettings settings;
    settings.screenTop = 15;
    settings.screenLeft = -8;
    settings.point = 3;
    settings.save.fill(true);
    settings.save[0] = false;
    settings.save[18] = false;
    settings.chart.fill(true);
    settings.chart[0] = false;
    settings.chart[9] = false;
    settings.language = 1;
    settings.chartTime = 600;
    return settings;
}

TEST_F(ProgramSettingsTest, ShutdownWritesItsKeysInOrderAndNothingElse) {
    saveShutdownSettings(path(), distinctShutdownValues());
    EXPECT_EQ(contents(),
              "[Options]\r\n"
              "ScreenTop=15\r\nScreenLeft=-8\r\nPoint=3\r\n"
              "SaveAuto=0\r\nSaveDate=1\r\nSaveTime=1\r\nSaveCnt=1\r\nSaveCntMod=1\r\n"
              "SaveAdc1=1\r\nSaveAdc2=1\r\nSaveAdc3=1\r\nSaveAdc4=1\r\n"
              "SaveAdc1avg=1\r\nSaveAdc2avg=1\r\nSaveAdc3avg=1\r\nSaveAdc4avg=1\r\n"
              "SaveEnc1p=1\r\nSaveEnc2p=1\r\nSaveEnc1v=1\r\nSaveEnc2v=1\r\n"
              "SaveMath1=1\r\nSaveMath2=0\r\nSaveOutput=1\r\n"
              "Chart1=0\r\nChart2=1\r\nChart3=1\r\nChart4=1\r\nChart5=1\r\nChart6=1\r\n"
              "Chart7=1\r\nChart8=1\r\nChart9=1\r\nChart10=0\r\nChart11=1\r\nChart12=1\r\n"
              "Chart13=1\r\nChart14=1\r\n"
              "Language=1\r\nChartTime=600\r\n");
}

TEST_F(ProgramSettingsTest, ShutdownReplacesValuesWhereTheyStand) {
    put(kNewFile);
    saveShutdownSettings(path(), distinctShutdownValues());
    QByteArray expected = kNewFile;
    for (const char* change : {"ScreenTop=15", "ScreenLeft=-8", "Point=3", "SaveMath2=0",
                               "Chart1=0", "Chart10=0", "Language=1", "ChartTime=600"}) {
        const QByteArray line(change);
        const QByteArray key = line.left(line.indexOf('=') + 1);
        const qsizetype at = expected.indexOf("\n" + key) + 1;
        expected.replace(at, expected.indexOf('\r', at) - at, line);
    }
    EXPECT_EQ(contents(), expected);
}

TEST_F(ProgramSettingsTest, ShutdownThatCannotWriteLeavesNothingHalfWritten) {
    QFile blocker(dir_.filePath("blocker"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const QString blocked = settingsFilePathIn(dir_.filePath("blocker"));
    try {
        saveShutdownSettings(blocked, distinctShutdownValues());
        FAIL() << "the save succeeded";
    } catch (const SettingsError& error) {
        EXPECT_EQ(error.message(), "Unable to write to " + blocked);
    }
}

TEST_F(ProgramSettingsTest, SaveButtonWritesOneKeyThatTheNextStartReads) {
    put(kNewFile);
    writeSetting(path(), settings_key::kMathUnit[1], QString::fromUtf8("m³/h"));
    writeSetting(path(), settings_key::kFileName, QString::fromUtf8("/dane/żółć pomiary.csv"));
    const LoadedSettings loaded = loadSettingsAtStartup(path(), "pomiary.csv");
    EXPECT_EQ(loaded.mathUnit[1], QString::fromUtf8("m³/h"));
    EXPECT_EQ(loaded.fileName, QString::fromUtf8("/dane/żółć pomiary.csv"));
    QByteArray expected = kNewFile;
    expected.replace("MathUnit2=...", "MathUnit2=m³/h");
    expected.replace("FileName=pomiary.csv", "FileName=/dane/żółć pomiary.csv");
    EXPECT_EQ(contents(), expected);
}

TEST(SettingsFilePath, IsConfigIniInTheGivenDirectory) {
    EXPECT_EQ(settingsFilePathIn("/opt/voltrix"), "/opt/voltrix/config.ini");
    EXPECT_EQ(settingsFilePathIn("/opt/voltrix/"), "/opt/voltrix/config.ini");
}

}  // namespace
}  // namespace voltrix

namespace voltrix {
namespace {

// The line a program without the window's controls makes from the file: the
// columns follow the Save switches after the first, a Point outside the
// choices gives 2 decimals, and the divisor is the stored bit pattern.
TEST(StoredLogLineSettings, FollowTheSwitchesPointAndMod) {
    struct Case {
        int point;
        int decimals;
    };
    for (const Case c : {Case{0, 0}, Case{4, 4}, Case{5, 2}, Case{-1, 2}, Case{99, 2}}) {
        LoadedSettings loaded;
        loaded.point = c.point;
        loaded.mod = -5;
        loaded.save[0] = true;   // start at launch: no column
        loaded.save[3] = true;   // the counter
        loaded.save[19] = true;  // the outputs
        const LogLineSettings settings = storedLogLineSettings(loaded, ",");
        EXPECT_EQ(settings.decimals, c.decimals) << "Point=" << c.point;
        EXPECT_EQ(settings.columns.count(), 2u);
        EXPECT_TRUE(settings.has(LogColumn::Counter));
        EXPECT_TRUE(settings.has(LogColumn::Output));
        EXPECT_EQ(settings.modDivisor, 4294967291u);
        EXPECT_EQ(settings.decimalSeparator, ",");
    }
}

}  // namespace
}  // namespace voltrix
