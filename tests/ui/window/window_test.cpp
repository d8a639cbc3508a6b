// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/window/tfmain.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include "engine/text/language.h"
#include "ordinary_user.h"
#include "ui/chart/chart_view.h"
#include "ui/window/edit_marking.h"
#include "ui/window/window_fixture.h"

namespace voltrix {
namespace {

using ::testing::ElementsAre;
using testing::OrdinaryUser;
using testing::ScopedMode;
using testing::WindowTest;

TEST_F(WindowTest, FirstStartWritesTheDefaultSettingsFile) {
    auto window = open();

    EXPECT_TRUE(errors.empty());
    const QStringList keys = {
        "MathName1=...", "MathName2=...",
        "MathUnit1=...", "MathUnit2=...",
        "AdcUnit1=",     "AdcUnit2=",
        "AdcUnit3=",     "AdcUnit4=",
        "EncUnit1=",     "EncUnit2=",
        "ScreenTop=0",   "ScreenLeft=0",
        "Point=2",       "FileName=pomiary.csv",
        "Mod=1",         "SaveAuto=0",
        "SaveDate=1",    "SaveTime=1",
        "SaveCnt=1",     "SaveCntMod=1",
        "SaveAdc1=1",    "SaveAdc2=1",
        "SaveAdc3=1",    "SaveAdc4=1",
        "SaveAdc1avg=1", "SaveAdc2avg=1",
        "SaveAdc3avg=1", "SaveAdc4avg=1",
        "SaveEnc1p=1",   "SaveEnc2p=1",
        "SaveEnc1v=1",   "SaveEnc2v=1",
        "SaveMath1=1",   "SaveMath2=1",
        "SaveOutput=1",  "Chart1=1",
        "Chart2=1",      "Chart3=1",
        "Chart4=1",      "Chart5=1",
        "Chart6=1",      "Chart7=1",
        "Chart8=1",      "Chart9=1",
        "Chart10=1",     "Chart11=1",
        "Chart12=1",     "Chart13=1",
        "Chart14=1",     "ChartTime=1",
        "Language=0",
    };
    QStringList lines;
    for (const QString& line : readConfig().split(QRegularExpression(QStringLiteral("\r?\n")))) {
        if (!line.isEmpty()) {
            lines << line;
        }
    }
    EXPECT_EQ(lines, QStringList{QStringLiteral("[Options]")} + keys);
}

TEST_F(WindowTest, FirstStartOpensInPolishOnTheIndicatorsWithLoggingOff) {
    auto window = open();

    EXPECT_EQ(window->windowTitle(), QStringLiteral("VOLTRIX PC [STANDARD] - 1.03a"));
    EXPECT_EQ(window->pos(), QPoint(0, 0));
    EXPECT_EQ(find<QTabWidget>(*window, "PageControl1")->currentWidget()->objectName(),
              QStringLiteral("TabSheet1"));
    EXPECT_EQ(find<QTabWidget>(*window, "PageControl2")->currentWidget()->objectName(),
              QStringLiteral("TabSheet5"));
    EXPECT_EQ(tabText(*window, "PageControl1", 2), QString::fromUtf8("Konfiguracja urządzenia"));
    EXPECT_FALSE(window->loggingOn());
    EXPECT_EQ(find<QLabel>(*window, "save_label")->text(), QStringLiteral("Zapis nieaktywny"));
    EXPECT_EQ(window->statusPanels().text(StatusPanel::Logging),
              QStringLiteral("Zapis: niektywny"));
    EXPECT_EQ(find<QComboBox>(*window, "DivBox")->currentIndex(), 2);
    // The choices the settings file is read against, also without a window.
    EXPECT_EQ(find<QComboBox>(*window, "DivBox")->count(), kDecimalChoices);
    EXPECT_EQ(find<QSpinBox>(*window, "UpDown")->value(), 1);
    EXPECT_EQ(find<QLineEdit>(*window, "ChartTime")->text(), QStringLiteral("1"));
    EXPECT_EQ(find<QLabel>(*window, "ver_pc")->text(), QStringLiteral("1.03a"));
    EXPECT_EQ(find<QLabel>(*window, "math_name21")->text(), QStringLiteral("[...]"));
    EXPECT_EQ(window->modDivisor(), 1u);
    EXPECT_TRUE(find<QPlainTextEdit>(*window, "DebugMemo")->isHidden());
    // The module is always connected at start; the option only shows that.
    EXPECT_TRUE(find<QCheckBox>(*window, "CheckBox1")->isChecked());
    EXPECT_FALSE(find<QCheckBox>(*window, "CheckBox1")->isEnabled());
    EXPECT_EQ(find<QComboBox>(*window, "siLangCombo1")->parentWidget()->objectName(),
              QStringLiteral("StatusBar"));
    EXPECT_THAT(window->settings().mathUnits(), ElementsAre(QStringLiteral("..."), QStringLiteral("...")));
    // Every output rule row starts with only its source list enabled.
    for (int r = 0; r < 6; ++r) {
        EXPECT_TRUE(window->controlArrays().out_W[r]->isEnabled());
        EXPECT_FALSE(window->controlArrays().out_B[r]->isEnabled());
        EXPECT_FALSE(window->controlArrays().out_M[r]->isEnabled());
        EXPECT_EQ(window->controlArrays().out_W[r]->currentIndex(), 0);
    }
}

TEST_F(WindowTest, HandEditedSettingsReadAsStored) {
    writeConfig(
        QStringLiteral("[Options]\nPoint=0x3\nSaveDate=2\nSaveTime=yes\nSaveCnt=0\n"
                       "Mod=-5\nChart13=0\nChartTime=700\nScreenTop=40\nScreenLeft=30\n"
                       "AdcUnit2=bar\nMathName1=Pompa\n"));
    auto window = open();

    EXPECT_TRUE(errors.empty());
    EXPECT_EQ(find<QComboBox>(*window, "DivBox")->currentIndex(), 3);
    EXPECT_TRUE(find<QCheckBox>(*window, "save_date")->isChecked());
    EXPECT_TRUE(find<QCheckBox>(*window, "save_time")->isChecked());
    EXPECT_FALSE(find<QCheckBox>(*window, "save_cnt")->isChecked());
    EXPECT_EQ(find<QLineEdit>(*window, "edit_mod")->text(), QStringLiteral("-5"));
    EXPECT_EQ(window->modDivisor(), 4294967291u);
    EXPECT_FALSE(window->chart()->seriesActive(12));
    EXPECT_TRUE(window->chart()->seriesActive(11));
    EXPECT_EQ(find<QSpinBox>(*window, "UpDown")->value(), 600);
    EXPECT_EQ(window->pos(), QPoint(30, 40));
    EXPECT_EQ(window->settings().adcUnits()[1], QStringLiteral("bar"));
    EXPECT_EQ(find<QLabel>(*window, "math_name01")->text(), QStringLiteral("[Pompa]"));
    EXPECT_EQ(find<QLabel>(*window, "math_name12")->text(), QStringLiteral("[...]"));
    // A file without FileName gets the Polish default name.
    EXPECT_EQ(find<QLineEdit>(*window, "file_name_edit")->text(), QStringLiteral("pomiary.csv"));
}

TEST_F(WindowTest, LoggingStartsOnlyWithTheStoredSwitchAndAFileName) {
    struct Case {
        const char* file;
        bool checkBox;
        bool logging;
    };
    const Case cases[] = {
        {"[Options]\nFileName=a.csv\n", true, false},  // no SaveAuto: ticked, no start
        {"[Options]\nFileName=\nSaveAuto=1\n", true, false},
        {"[Options]\nFileName=a.csv\nSaveAuto=1\n", true, true},
        {"[Options]\nFileName=a.csv\nSaveAuto=0\n", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        writeConfig(QString::fromLatin1(c.file));
        auto window = open();
        EXPECT_EQ(find<QCheckBox>(*window, "save_auto")->isChecked(), c.checkBox);
        EXPECT_EQ(window->loggingOn(), c.logging);
        EXPECT_EQ(find<QLabel>(*window, "save_label")->text(),
                  c.logging ? QStringLiteral("Zapis aktywny") : QStringLiteral("Zapis nieaktywny"));
        EXPECT_EQ(find<QPushButton>(*window, "file_name_button")->isEnabled(), !c.logging);
    }
}

TEST_F(WindowTest, StoredOutOfRangeChoicesFallBack) {
    writeConfig(QStringLiteral("[Options]\nPoint=9\nLanguage=5\nChartTime=0\n"));
    auto window = open();

    EXPECT_EQ(find<QComboBox>(*window, "DivBox")->currentIndex(), -1);
    EXPECT_EQ(find<QComboBox>(*window, "siLangCombo1")->currentIndex(), 0);
    EXPECT_EQ(activeLanguage(), Language::Polish);
    EXPECT_EQ(find<QSpinBox>(*window, "UpDown")->value(), 1);
}

TEST_F(WindowTest, StoredEnglishOpensInEnglishAndKeepsRunTimeTexts) {
    writeConfig(QStringLiteral("[Options]\nLanguage=1\nMathName1=Pompa\n"));
    auto window = open();

    EXPECT_EQ(find<QComboBox>(*window, "siLangCombo1")->currentText(), QStringLiteral("English"));
    EXPECT_EQ(tabText(*window, "PageControl1", 0), QStringLiteral("Values"));
    EXPECT_EQ(find<QLabel>(*window, "math_name11")->text(), QStringLiteral("[Pompa]"));
    // The logging state is shown after the language is applied.
    EXPECT_EQ(find<QLabel>(*window, "save_label")->text(), QStringLiteral("Record: offline"));

    find<QLabel>(*window, "ver_firm")->setText(QStringLiteral("1.02"));
    find<QLabel>(*window, "label_temperature")->setText(QStringLiteral("23.5"));
    chooseLanguage(*window, 0);
    chooseLanguage(*window, 1);

    EXPECT_EQ(find<QLabel>(*window, "ver_firm")->text(), QStringLiteral("1.02"));
    EXPECT_EQ(find<QLabel>(*window, "label_temperature")->text(), QStringLiteral("23.5"));
    EXPECT_EQ(find<QLabel>(*window, "math_name01")->text(), QStringLiteral("[Pompa]"));
    EXPECT_EQ(find<QLabel>(*window, "ver_pc")->text(), QStringLiteral("1.03a"));
}

TEST_F(WindowTest, LanguageSwitchTranslatesAndKeepsSelections) {
    auto window = open();
    auto* trigger = find<QComboBox>(*window, "trigger_mode");
    trigger->setCurrentIndex(2);
    window->controlArrays().out_W[2]->setCurrentIndex(13);
    window->statusPanels().setText(StatusPanel::Message, QStringLiteral("komunikat"));
    window->statusPanels().setText(StatusPanel::Connection, QString::fromUtf8("Połączony"));

    chooseLanguage(*window, 1);

    EXPECT_EQ(activeLanguage(), Language::English);
    EXPECT_EQ(tabText(*window, "PageControl1", 2), QStringLiteral("Device configuration"));
    EXPECT_EQ(tabText(*window, "PageControl2", 3), QStringLiteral("NPN outpust"));
    EXPECT_EQ(find<QPushButton>(*window, "button_adcmode1")->text(), QStringLiteral("Save"));
    EXPECT_EQ(find<QPushButton>(*window, "BitBtn44")->text(), QStringLiteral("Read"));
    QStringList triggerItems;
    for (int i = 0; i < trigger->count(); ++i) {
        triggerItems << trigger->itemText(i);
    }
    EXPECT_EQ(triggerItems,
              (QStringList{QStringLiteral("Continuous transmission"),
                           QStringLiteral("Transmission, when trigger 1 is active"),
                           QStringLiteral("Single transmission to the rising edge")}));
    EXPECT_EQ(trigger->currentIndex(), 2);
    EXPECT_EQ(window->controlArrays().out_W[2]->currentText(), QStringLiteral("ENKODER [2] (velocity) "));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("VOLTRIX PC [STANDARD] - 1.03a"));
    EXPECT_TRUE(window->statusPanels().text(StatusPanel::Message).isEmpty());
    EXPECT_TRUE(window->statusPanels().text(StatusPanel::Connection).isEmpty());
    EXPECT_EQ(window->chart()->xAxis->label(), QStringLiteral("Time [s]"));
    EXPECT_EQ(window->chart()->yAxis->label(), QStringLiteral("Value"));
    EXPECT_EQ(window->chart()->series(11)->name(), QStringLiteral("velocity ENCODER 2"));

    chooseLanguage(*window, 0);
    EXPECT_EQ(find<QPushButton>(*window, "button_adcmode1")->text(), QStringLiteral("Zapisz"));
    EXPECT_EQ(trigger->itemText(0), QString::fromUtf8("Transmisja ciągła"));
    EXPECT_EQ(window->chart()->xAxis->label(), QStringLiteral("Czas [s]"));
}

TEST_F(WindowTest, ChoosingTheActiveLanguageAgainStillEmptiesThePanels) {
    auto window = open();
    window->statusPanels().setText(StatusPanel::Message, QStringLiteral("x"));
    window->statusPanels().setText(StatusPanel::Connection, QStringLiteral("y"));
    window->chart()->setAxisTitles(QString(), QString());

    chooseLanguage(*window, 0);

    EXPECT_TRUE(window->statusPanels().text(StatusPanel::Message).isEmpty());
    EXPECT_TRUE(window->statusPanels().text(StatusPanel::Connection).isEmpty());
    EXPECT_EQ(window->chart()->yAxis->label(), QString::fromUtf8("Wartość"));
}

TEST_F(WindowTest, ClosingWritesTheShutdownKeysInPlace) {
    auto window = open();
    find<QComboBox>(*window, "DivBox")->setCurrentIndex(4);
    find<QCheckBox>(*window, "save_date")->setChecked(false);
    find<QCheckBox>(*window, "save_auto")->setChecked(true);
    window->chart()->setSeriesActive(12, false);
    find<QSpinBox>(*window, "UpDown")->setValue(30);
    chooseLanguage(*window, 1);
    window->move(12, 34);
    find<QLineEdit>(*window, "math_unit_1")->setText(QStringLiteral("kPa"));  // never saved

    EXPECT_TRUE(window->close());

    EXPECT_TRUE(errors.empty());
    EXPECT_EQ(storedValue(QStringLiteral("Point")), QStringLiteral("4"));
    EXPECT_EQ(storedValue(QStringLiteral("SaveDate")), QStringLiteral("0"));
    EXPECT_EQ(storedValue(QStringLiteral("SaveAuto")), QStringLiteral("1"));
    EXPECT_EQ(storedValue(QStringLiteral("Chart13")), QStringLiteral("0"));
    EXPECT_EQ(storedValue(QStringLiteral("Chart12")), QStringLiteral("1"));
    EXPECT_EQ(storedValue(QStringLiteral("ChartTime")), QStringLiteral("30"));
    EXPECT_EQ(storedValue(QStringLiteral("Language")), QStringLiteral("1"));
    EXPECT_EQ(storedValue(QStringLiteral("ScreenLeft")), QStringLiteral("12"));
    EXPECT_EQ(storedValue(QStringLiteral("ScreenTop")), QStringLiteral("34"));
    EXPECT_EQ(storedValue(QStringLiteral("MathUnit1")), QStringLiteral("..."));
    // Keys stay where the first start wrote them.
    EXPECT_TRUE(readConfig().startsWith(QStringLiteral("[Options]")));
    EXPECT_LT(readConfig().indexOf(QStringLiteral("ScreenTop=")),
              readConfig().indexOf(QStringLiteral("Language=")));
}

TEST_F(WindowTest, SaveButtonsWriteTheirKeyAtOnce) {
    auto window = open();
    find<QLineEdit>(*window, "adc_unit_3")->setText(QStringLiteral("bar"));
    EXPECT_EQ(window->settings().adcUnits()[2], QString());  // typing alone changes nothing

    QTest::mouseClick(find<QPushButton>(*window, "button_adcunit3"), Qt::LeftButton);
    EXPECT_EQ(window->settings().adcUnits()[2], QStringLiteral("bar"));
    EXPECT_EQ(storedValue(QStringLiteral("AdcUnit3")), QStringLiteral("bar"));

    find<QLineEdit>(*window, "math_name_2")->setText(QString::fromUtf8("Różnica"));
    QTest::mouseClick(find<QPushButton>(*window, "BitBtn50"), Qt::LeftButton);
    EXPECT_EQ(find<QLabel>(*window, "math_name22")->text(), QString::fromUtf8("[Różnica]"));
    EXPECT_EQ(storedValue(QStringLiteral("MathName2")), QString::fromUtf8("Różnica"));

    find<QLineEdit>(*window, "enc_unit_2")->setText(QStringLiteral("m"));
    QTest::mouseClick(find<QPushButton>(*window, "BitBtn13"), Qt::LeftButton);
    EXPECT_EQ(window->settings().encUnits()[1], QStringLiteral("m"));
}

TEST_F(WindowTest, AnUnwritableSettingsFileIsReportedAndTheWindowStillOpens) {
    // Settings directories below a regular file can never be created.
    QFile blocker(dir_.filePath(QStringLiteral("blocker")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const QString directory = dir_.filePath(QStringLiteral("blocker/settings"));
    const QString userDirectory = dir_.filePath(QStringLiteral("blocker/user"));

    auto window = open(directory, userDirectory);

    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0], QStringLiteral("Unable to write to %1/config.ini.").arg(userDirectory));
    EXPECT_FALSE(window->loggingOn());
    EXPECT_EQ(find<QLabel>(*window, "ver_pc")->text(), QStringLiteral("..."));
    EXPECT_EQ(tabText(*window, "PageControl1", 0), QString::fromUtf8("Wskaźniki"));
}

TEST_F(WindowTest, ABadChartTimeStopsTheStartBeforeLanguageAndLogging) {
    writeConfig(
        QStringLiteral("[Options]\nFileName=a.csv\nSaveAuto=1\nLanguage=1\nChartTime=abc\n"
                       "Point=4\n"));
    auto window = open();

    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0], QStringLiteral("'abc' is not a valid integer value."));
    EXPECT_EQ(find<QComboBox>(*window, "DivBox")->currentIndex(), 4);  // read before the error
    EXPECT_FALSE(window->loggingOn());
    EXPECT_EQ(activeLanguage(), Language::Polish);
    EXPECT_EQ(find<QLabel>(*window, "ver_pc")->text(), QStringLiteral("..."));
}

TEST_F(WindowTest, AFailedShutdownSaveKeepsTheWindowOpen) {
    auto window = open();
    window->show();
    // Replace the settings file by a directory of the same name: it can no
    // longer be written.
    ASSERT_TRUE(QFile::remove(configPath()));
    ASSERT_TRUE(QDir(dir_.path()).mkdir(QStringLiteral("config.ini")));

    EXPECT_FALSE(window->close());

    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0], QStringLiteral("Unable to write to %1.").arg(configPath()));
    EXPECT_TRUE(window->isVisible());

    ASSERT_TRUE(QDir(dir_.path()).rmdir(QStringLiteral("config.ini")));
    EXPECT_TRUE(window->close());  // the user may close again
}

TEST_F(WindowTest, ALargeHandEditedFileIsReadAndKeptOnClose) {
    const QString head = QStringLiteral(
        "[Options]\nMathName1=Moc\nAdcUnit2=bar\nFileName=/dane/p.csv\nMod=7\nSaveAuto=0\n"
        "Point=3\n");
    writeConfig(head + QLatin1Char(';') + QString(2 * 1024 * 1024, QLatin1Char('z')) +
                QLatin1Char('\n'));
    auto window = open();
    EXPECT_EQ(text(*window, "math_name_1"), QStringLiteral("Moc"));
    EXPECT_EQ(text(*window, "edit_mod"), QStringLiteral("7"));
    EXPECT_EQ(text(*window, "file_name_edit"), QStringLiteral("/dane/p.csv"));
    EXPECT_EQ(find<QComboBox>(*window, "DivBox")->currentIndex(), 3);

    EXPECT_TRUE(window->close());

    EXPECT_TRUE(errors.empty());
    EXPECT_TRUE(readConfig().startsWith(head));
    EXPECT_EQ(storedValue(QStringLiteral("AdcUnit2")), QStringLiteral("bar"));
    EXPECT_EQ(storedValue(QStringLiteral("SaveAuto")), QStringLiteral("0"));
    EXPECT_GT(readConfig().size(), 2 * 1024 * 1024);
}

// A shared installation: the folder is the administrator's, the file was
// handed to the user.
TEST_F(WindowTest, SettingsInAFolderClosedToNewFilesAreSavedAndTheWindowCloses) {
    writeConfig(QStringLiteral("[Options]\r\nMathUnit1=...\r\nPoint=2\r\nLanguage=0\r\n"));
    OrdinaryUser::owns(configPath());
    const ScopedMode folder(dir_.path(), 0555);
    {
        const OrdinaryUser user;
        if (!user.active()) {
            GTEST_SKIP() << "cannot act as an ordinary user";
        }
        auto window = open();
        find<QLineEdit>(*window, "math_unit_1")->setText(QStringLiteral("kPa"));
        QTest::mouseClick(find<QPushButton>(*window, "BitBtn42"), Qt::LeftButton);
        find<QComboBox>(*window, "DivBox")->setCurrentIndex(4);

        EXPECT_TRUE(window->close());
        EXPECT_TRUE(errors.empty()) << errors.front().toStdString();
    }
    EXPECT_EQ(storedValue(QStringLiteral("MathUnit1")), QStringLiteral("kPa"));
    EXPECT_EQ(storedValue(QStringLiteral("Point")), QStringLiteral("4"));
    EXPECT_FALSE(QFileInfo::exists(userConfigPath()));
}

// The administrator set the program up for everyone: file and folder are
// read-only for users, who start from those settings.
TEST_F(WindowTest, AReadOnlyProgramFileStartsTheUsersFile) {
    const QString own = QString::fromUtf8(
        "[Options]\r\nMathName1=Moc\r\nAdcUnit1=V\r\nPoint=4\r\nLanguage=1\r\n"
        "FileName=/dane/żółć.csv\r\n");
    writeConfig(own);
    OrdinaryUser::owns(userDir_.path());
    const ScopedMode file(configPath(), 0444);
    const ScopedMode folder(dir_.path(), 0555);
    {
        const OrdinaryUser user;
        if (!user.active()) {
            GTEST_SKIP() << "cannot act as an ordinary user";
        }
        auto window = open();
        EXPECT_TRUE(errors.empty());
        EXPECT_EQ(text(*window, "math_name_1"), QStringLiteral("Moc"));
        EXPECT_EQ(text(*window, "adc_unit_1"), QStringLiteral("V"));
        EXPECT_EQ(text(*window, "file_name_edit"), QString::fromUtf8("/dane/żółć.csv"));
        EXPECT_EQ(find<QComboBox>(*window, "DivBox")->currentIndex(), 4);
        EXPECT_EQ(activeLanguage(), Language::English);

        EXPECT_TRUE(window->close());
        EXPECT_TRUE(errors.empty());
    }
    EXPECT_EQ(readConfig(), own);
    const QString users = readFile(userConfigPath());
    for (const char* kept : {"MathName1=Moc", "AdcUnit1=V", "Point=4", "Language=1"}) {
        EXPECT_TRUE(users.contains(QLatin1String(kept))) << kept;
    }
}

TEST_F(WindowTest, AFolderNamedLikeTheSettingsFileSendsThemToTheUsersFile) {
    struct Case {
        const char* userFile;  // null: none yet
        Language language;
        const char* message;
    };
    const Case cases[] = {
        {nullptr, Language::Polish, "Nie można zapisać ustawień w %1, używany jest %2"},
        {"[Options]\nLanguage=1\nMathName1=Moc\n", Language::English,
         "The settings cannot be saved in %1; %2 is used instead"},
    };
    ASSERT_TRUE(QDir(dir_.path()).mkdir(QStringLiteral("config.ini")));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        errors.clear();
        QFile::remove(userConfigPath());
        if (c.userFile != nullptr) {
            QFile file(userConfigPath());
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(c.userFile);
        }
        auto window = open();
        EXPECT_TRUE(errors.empty());
        EXPECT_EQ(activeLanguage(), c.language);
        EXPECT_EQ(window->statusPanels().text(StatusPanel::Message),
                  QString::fromUtf8(c.message).arg(configPath(), userConfigPath()));
        find<QComboBox>(*window, "DivBox")->setCurrentIndex(3);

        EXPECT_TRUE(window->close());
        EXPECT_TRUE(errors.empty());
        EXPECT_TRUE(QFileInfo(configPath()).isDir());
        EXPECT_TRUE(readFile(userConfigPath()).contains(QStringLiteral("Point=3")));
        setActiveLanguage(Language::Polish);
    }
}

TEST_F(WindowTest, ASecondCloseThatCannotSaveClosesWithoutSaving) {
    struct Case {
        const char* situation;
        std::function<void()> beforeOpening;
        std::function<void()> beforeClosing;
    };
    // A directory below a regular file can never be created.
    const auto blockUserDirectory = [this] {
        QFile blocker(userDir_.filePath(QStringLiteral("blocker")));
        ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    };
    const auto folderInPlaceOfTheFile = [this] {
        QFile::remove(configPath());
        ASSERT_TRUE(QDir(dir_.path()).mkdir(QStringLiteral("config.ini")));
    };
    const Case cases[] = {
        {"nowhere to write from the start",
         [&] {
             blockUserDirectory();
             folderInPlaceOfTheFile();
         },
         [] {}},
        {"the file turned into a folder", [] {}, folderInPlaceOfTheFile},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.situation);
        QDir(dir_.path()).rmdir(QStringLiteral("config.ini"));
        QFile::remove(configPath());
        QFile::remove(userDir_.filePath(QStringLiteral("blocker")));
        c.beforeOpening();
        auto window = open(dir_.path(), userDir_.filePath(QStringLiteral("blocker/settings")));
        window->show();
        c.beforeClosing();
        errors.clear();

        EXPECT_FALSE(window->close());
        ASSERT_EQ(errors.size(), 1u);
        EXPECT_TRUE(errors[0].startsWith(QStringLiteral("Unable to write to ")));
        EXPECT_TRUE(window->isVisible());

        EXPECT_TRUE(window->close());
        EXPECT_EQ(errors.size(), 1u);
        EXPECT_FALSE(window->isVisible());
    }
}

TEST_F(WindowTest, EditMarksClearOnChangeAndOnClick) {
    auto window = open();
    QLineEdit* filter = window->controlArrays().adc_filter1[1];
    markEdit(filter, EditMark::Error);
    QTest::keyClick(filter, Qt::Key_5);
    EXPECT_EQ(editMark(filter), EditMark::Normal);

    markEdit(filter, EditMark::Clamp);
    QTest::mouseClick(filter, Qt::LeftButton);
    EXPECT_EQ(editMark(filter), EditMark::Normal);

    // The encoder unit edits clear on change only.
    auto* unit = find<QLineEdit>(*window, "enc_unit_1");
    markEdit(unit, EditMark::Error);
    QTest::mouseClick(unit, Qt::LeftButton);
    EXPECT_EQ(editMark(unit), EditMark::Error);
    unit->setText(QStringLiteral("m"));
    EXPECT_EQ(editMark(unit), EditMark::Normal);
}

TEST_F(WindowTest, ChartLegendChecksShowAndHideSeries) {
    auto window = open();
    ChartView* chart = window->chart();
    EXPECT_TRUE(chart->seriesActive(3));
    chart->setSeriesActive(3, false);
    EXPECT_FALSE(chart->series(3)->visible());
    EXPECT_EQ(chart->series(3)->pen().color(), QColor(0, 0, 255));
}

}  // namespace
}  // namespace voltrix
