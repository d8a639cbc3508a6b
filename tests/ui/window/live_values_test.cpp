// SPDX-License-Identifier: GPL-3.0-or-later
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <bit>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

#include "gated_sink.h"
#include "measurement_report.h"
#include "ui/chart/chart_view.h"
#include "ui/window/edit_marking.h"
#include "ui/window/window_fixture.h"

namespace voltrix {
namespace {

using testing::measurementReport;
using testing::WindowTest;
using Bytes = std::vector<std::uint8_t>;

class LiveValuesTest : public WindowTest {
protected:
    static int listedDevices(TFMain& window) {
        return find<QListWidget>(window, "ListBox1")->count();
    }

    static QByteArray contents(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
};

TEST_F(LiveValuesTest, IndicatorsOfTheVisiblePageOnlyAreRefreshed) {
    auto window = open();
    window->ReportReceived(measurementReport(1.5f, 0b101001));

    showPage(*window, "TabSheet2");
    window->UpdateDataTimerTimer();
    EXPECT_EQ(text(*window, "Edit1adc1"), QString());
    showPage(*window, "TabSheet4");
    window->UpdateDataTimerTimer();
    EXPECT_EQ(text(*window, "Edit1adc1"), QString());

    showPage(*window, "TabSheet1");
    window->UpdateDataTimerTimer();
    EXPECT_EQ(text(*window, "Edit1adc1"), number(" 1.50 [V]"));
    EXPECT_EQ(text(*window, "Edit1math2"), number(" 2.50 [...]"));
    EXPECT_EQ(text(*window, "Edit1_encv2"), number(" 3.50 [obr/sek]"));
    EXPECT_EQ(text(*window, "Edit2adc1"), QString());
    EXPECT_THAT(lamps(*window), ::testing::ElementsAre(true, false, false, true, false, true));

    // Configuration sub-pages: each refreshes its own indicators only.
    window->ReportReceived(measurementReport(4.0f, 0));
    showPage(*window, "TabSheet3", "TabSheet6");
    window->UpdateDataTimerTimer();
    EXPECT_EQ(text(*window, "Edit2_encp2"), number(" 6.00 [obr]"));
    EXPECT_EQ(text(*window, "Edit2adc1"), QString());
    EXPECT_EQ(text(*window, "Edit1adc1"), number(" 1.50 [V]"));  // hidden: unchanged

    showPage(*window, "TabSheet3", "TabSheet5");
    window->UpdateDataTimerTimer();
    EXPECT_EQ(text(*window, "Edit2adc4"), number(" 4.00 [V]"));
    EXPECT_EQ(text(*window, "Edit2math1"), number(" 5.00 [...]"));
    EXPECT_EQ(text(*window, "Edit3math1"), QString());

    showPage(*window, "TabSheet3", "TabSheet7");
    window->UpdateDataTimerTimer();
    EXPECT_EQ(text(*window, "Edit3math1"), number(" 5.00 [...]"));

    showPage(*window, "TabSheet3", "TabSheet8");
    window->ReportReceived(measurementReport(9.0f, 0));
    window->UpdateDataTimerTimer();
    EXPECT_EQ(text(*window, "Edit3math1"), number(" 5.00 [...]"));
}

TEST_F(LiveValuesTest, TheChartTakesOnePointPerTickWhileInView) {
    auto window = open();
    ChartView* chart = window->chart();
    find<QSpinBox>(*window, "UpDown")->setValue(1);

    // No point while the chart is hidden, and none without a measurement.
    window->ReportReceived(measurementReport(1.0f, 0));
    window->ChartTimerTimer();
    EXPECT_EQ(chart->series(0)->dataCount(), 0);
    showPage(*window, "TabSheet2");
    window->ChartTimerTimer();
    window->ChartTimerTimer();
    EXPECT_EQ(chart->series(0)->dataCount(), 1);  // the due flag survived the hidden tick
    EXPECT_DOUBLE_EQ(chart->series(0)->data()->at(0)->key, 0.0);

    for (int i = 0; i < 4; ++i) {
        window->ReportReceived(measurementReport(2.0f, 0));
        window->ReportReceived(measurementReport(3.0f + i, 0));  // the latest counts
        window->ChartTimerTimer();
    }
    EXPECT_EQ(chart->series(13)->dataCount(), 5);
    EXPECT_DOUBLE_EQ(chart->series(0)->data()->at(4)->value, 6.0);
    EXPECT_DOUBLE_EQ(chart->xAxis->range().lower, 0.0);
    EXPECT_DOUBLE_EQ(chart->xAxis->range().upper, 1.0);

    for (int i = 0; i < 6; ++i) {
        window->ReportReceived(measurementReport(2.0f, 0));
        window->ChartTimerTimer();
    }
    EXPECT_NEAR(chart->clock(), 1.1, 1e-9);
    EXPECT_NEAR(chart->xAxis->range().lower, 0.1, 1e-9);
    EXPECT_NEAR(chart->xAxis->range().upper, 1.1, 1e-9);
    // The value axis fits the values of the visible window (here 2..8).
    EXPECT_LE(chart->yAxis->range().lower, 2.0);
    EXPECT_GE(chart->yAxis->range().upper, 8.0);
    EXPECT_LT(chart->yAxis->range().upper, 20.0);
}

// The read-only width box shows the up-down control's position: as stored,
// as moved by its arrows, and across a language switch.
TEST_F(LiveValuesTest, TheChartWidthBoxShowsTheUpDownPosition) {
    const std::pair<const char*, const char*> stored[] = {
        {"60", "60"}, {"600", "600"}, {"1", "1"}, {"700", "600"}};
    for (const auto& [value, shown] : stored) {
        SCOPED_TRACE(value);
        writeConfig(QStringLiteral("[Options]\nChartTime=%1\n").arg(QLatin1String(value)));
        auto window = open();
        EXPECT_EQ(text(*window, "ChartTime"), QLatin1String(shown));
    }

    writeConfig(QStringLiteral("[Options]\nChartTime=60\n"));
    auto window = open();
    auto* upDown = find<QSpinBox>(*window, "UpDown");
    upDown->setFocus();
    QTest::keyClick(upDown, Qt::Key_Up);
    EXPECT_EQ(text(*window, "ChartTime"), QStringLiteral("61"));
    upDown->stepBy(-11);
    EXPECT_EQ(text(*window, "ChartTime"), QStringLiteral("50"));
    chooseLanguage(*window, 1);
    EXPECT_EQ(text(*window, "ChartTime"), QStringLiteral("50"));
}

TEST_F(LiveValuesTest, OldChartPointsAreDropped) {
    auto window = open();
    showPage(*window, "TabSheet2");
    ChartView* chart = window->chart();
    int most = 0;
    for (int i = 0; i < 8000; ++i) {
        window->ReportReceived(measurementReport(1.0f, 0));
        window->ChartTimerTimer();
        most = std::max(most, chart->series(13)->dataCount());
    }
    // Up to a minute more than the kept 660 s, just before a trim.
    EXPECT_LE(most, ChartView::kMaxPoints);
    EXPECT_GE(most, 7100);
    // The last trim, at 7,800 points (779.9 s), kept from 119.9 s on; 200
    // points have come since.
    EXPECT_NEAR(chart->series(0)->dataCount(), 6600 + 200, 1);
    EXPECT_NEAR(chart->series(0)->data()->constBegin()->key, 119.9, 0.11);
}

TEST_F(LiveValuesTest, StartStopStartLosesNoLineAndNoFileWithoutReports) {
    const QString path = dir_.filePath(QStringLiteral("log.csv"));
    auto window = open();
    find<QLineEdit>(*window, "file_name_edit")->setText(path);
    auto* button = find<QPushButton>(*window, "save_button");

    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_TRUE(window->loggingOn());
    EXPECT_EQ(find<QLabel>(*window, "save_label")->text(), QStringLiteral("Zapis aktywny"));
    QTest::qWait(1200);  // past the periodic close: still no report, no file
    EXPECT_FALSE(QFile::exists(path));

    for (int i = 0; i < 3; ++i) {
        window->ReportReceived(measurementReport(1.0f, 0));
    }
    QTest::mouseClick(button, Qt::LeftButton);  // stop: the file is closed
    EXPECT_FALSE(window->session().loggingOn());
    window->ReportReceived(measurementReport(1.0f, 0));  // not logged
    QTest::mouseClick(button, Qt::LeftButton);
    for (int i = 0; i < 3; ++i) {
        window->ReportReceived(measurementReport(1.0f, 0));
    }
    QTest::mouseClick(button, Qt::LeftButton);

    const QList<QByteArray> lines = contents(path).split('\n');
    ASSERT_EQ(lines.size(), 7);  // six lines and what follows the last break
    QStringList counters;
    for (int i = 0; i < 6; ++i) {
        EXPECT_TRUE(lines[i].endsWith('\r'));
        counters << QString::fromLatin1(lines[i].split(';')[2]);
    }
    EXPECT_EQ(counters, (QStringList{"0", "1", "2", "4", "5", "6"}));
}

TEST_F(LiveValuesTest, AnUnwritableFileIsReportedAndLoggingRecovers) {
    const QString folder = dir_.filePath(QStringLiteral("later"));
    const QString path = folder + QStringLiteral("/log.csv");
    auto window = open();
    find<QLineEdit>(*window, "file_name_edit")->setText(path);
    window->save_buttonClick();

    window->ReportReceived(measurementReport(1.0f, 0));
    settle(*window);
    EXPECT_TRUE(window->statusPanels()
                    .text(StatusPanel::Message)
                    .startsWith(QString::fromUtf8("Nie można zapisać pliku pomiarowego: ")));
    EXPECT_EQ(window->session().measurementCount(), 1u);

    ASSERT_TRUE(QDir().mkpath(folder));
    window->ReportReceived(measurementReport(1.0f, 0));
    settle(*window);
    EXPECT_TRUE(window->statusPanels().text(StatusPanel::Message).isEmpty());
    EXPECT_TRUE(contents(path).startsWith(QByteArray()));
    EXPECT_EQ(contents(path).count('\n'), 1);
}

// For as long as lines fail, panel 0 says so: other messages, a language
// switch, and stopping and starting the logging do not hide it.
TEST_F(LiveValuesTest, TheWriteErrorStaysInViewWhileWritingFails) {
    const QString folder = dir_.filePath(QStringLiteral("later"));
    auto window = open();
    find<QLineEdit>(*window, "file_name_edit")->setText(folder + QStringLiteral("/log.csv"));
    const auto message = [&] { return window->statusPanels().text(StatusPanel::Message); };
    const QString polish =
        QString::fromUtf8("Nie można zapisać pliku pomiarowego: folder nie istnieje");
    const QString english =
        QStringLiteral("The measurement file cannot be written: the folder does not exist");

    window->save_buttonClick();
    window->ReportReceived(measurementReport(1.0f, 0));
    settle(*window);
    EXPECT_EQ(message(), polish);

    bus.plugMouse();  // the device list is rebuilt, which sets its own message
    ASSERT_TRUE(waitFor([&] { return listedDevices(*window) == 1; }));
    window->ReportReceived(measurementReport(1.0f, 0));
    settle(*window);
    EXPECT_EQ(message(), polish);

    chooseLanguage(*window, 1);
    EXPECT_EQ(message(), english);
    window->ReportReceived(measurementReport(1.0f, 0));
    settle(*window);
    EXPECT_EQ(message(), english);

    window->save_buttonClick();  // off: nothing is written, nothing fails
    EXPECT_TRUE(message().isEmpty());
    window->save_buttonClick();
    window->ReportReceived(measurementReport(1.0f, 0));
    settle(*window);
    EXPECT_EQ(message(), english);

    ASSERT_TRUE(QDir().mkpath(folder));
    window->ReportReceived(measurementReport(1.0f, 0));
    settle(*window);
    EXPECT_TRUE(message().isEmpty());
}

// The disk blocks and the writer's buffer fills: the lines beyond it are
// dropped whole, counted, and the count shows beside the logging state.
TEST_F(LiveValuesTest, LinesLostAtAFullBufferAreCountedInTheLoggingPanel) {
    const QString path = dir_.filePath(QStringLiteral("lost.csv"));
    auto gate = std::make_shared<testing::GatedSink::Gate>();
    gate->close();
    sessionOptions.makeSink = [gate] { return std::make_unique<testing::GatedSink>(gate); };
    sessionOptions.logBufferBytes = 1000;  // a few lines
    auto window = open();
    find<QLineEdit>(*window, "file_name_edit")->setText(path);
    window->save_buttonClick();
    const auto panel = [&] { return window->statusPanels().text(StatusPanel::Logging); };

    window->ReportReceived(measurementReport(1.0f, 0));
    ASSERT_TRUE(waitFor([&] { return gate->waiting.load(); }));
    window->FreqTimerTimer();
    EXPECT_EQ(panel(), QStringLiteral("Zapis: aktywny"));  // nothing lost yet

    constexpr int kReports = 100;
    for (int i = 0; i < kReports; ++i) {
        window->ReportReceived(measurementReport(1.0f, 0));
    }
    const std::uint64_t lost = window->session().droppedReports();
    ASSERT_GT(lost, 0u);
    ASSERT_LT(lost, static_cast<std::uint64_t>(kReports));
    window->FreqTimerTimer();
    EXPECT_EQ(panel(), QStringLiteral("Zapis: aktywny, utracone raporty: %1").arg(lost));
    chooseLanguage(*window, 1);
    window->FreqTimerTimer();
    EXPECT_TRUE(panel().endsWith(QStringLiteral(", reports lost: %1").arg(lost))) << panel().toStdString();

    gate->open();
    window->save_buttonClick();
    const QList<QByteArray> lines = contents(path).split('\n');
    // Every line the buffer took is there, whole; the lost ones are not.
    EXPECT_EQ(static_cast<std::uint64_t>(lines.size() - 1), kReports + 1 - lost);
    for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
        EXPECT_TRUE(lines[i].endsWith(";\r")) << i;
    }
}

TEST_F(LiveValuesTest, TheDivisorIsLimitedMarkedAndStored) {
    auto window = open();
    auto* edit = find<QLineEdit>(*window, "edit_mod");
    struct Case {
        const char* text;
        const char* shown;
        std::uint32_t divisor;
        EditMark mark;
    };
    const Case cases[] = {
        {"0", "1", 1, EditMark::Clamp},
        {"-7", "1", 1, EditMark::Clamp},
        {"99999999", "99999999", 99999999, EditMark::Normal},  // the edit holds 8 characters
        {"250", "250", 250, EditMark::Normal},
        {"12a", "12a", 250, EditMark::Error},  // the divisor keeps its value
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        edit->setText(QString::fromLatin1(c.text));
        QTest::mouseClick(find<QPushButton>(*window, "BitBtn5"), Qt::LeftButton);
        EXPECT_EQ(edit->text(), QString::fromLatin1(c.shown));
        EXPECT_EQ(window->modDivisor(), c.divisor);
        EXPECT_EQ(editMark(edit), c.mark);
        EXPECT_EQ(storedValue(QStringLiteral("Mod")), QString::number(c.divisor));
    }
}

// The edit shows what the program stores and logs with, however long; only
// typing is held to eight characters.
TEST_F(LiveValuesTest, TheDivisorBoxShowsTheWholeStoredValue) {
    for (const char* stored : {"2147483647", "-2147483648", "123456789", "77"}) {
        SCOPED_TRACE(stored);
        writeConfig(QStringLiteral("[Options]\nMod=%1\n").arg(QLatin1String(stored)));
        auto window = open();
        EXPECT_EQ(text(*window, "edit_mod"), QLatin1String(stored));
    }

    writeConfig(QStringLiteral("[Options]\nMod=2147483647\n"));
    auto window = open();
    auto* edit = find<QLineEdit>(*window, "edit_mod");
    edit->setFocus();
    edit->setCursorPosition(10);
    QTest::keyClicks(edit, "5");  // longer than the limit and than before: refused
    EXPECT_EQ(edit->text(), QStringLiteral("2147483647"));
    QTest::keyClick(edit, Qt::Key_Backspace);  // shorter is always fine
    EXPECT_EQ(edit->text(), QStringLiteral("214748364"));
    edit->clear();
    QTest::keyClicks(edit, "1234567890");
    EXPECT_EQ(edit->text(), QStringLiteral("12345678"));
}

TEST_F(LiveValuesTest, TheChosenFileIsShownAndStored) {
    QStringList asked;
    WindowEnvironment environment;
    environment.settingsDirectory = dir_.path();
    environment.hidBackend = &bus;
    environment.chooseMeasurementFile = [&](const FileDialogTexts& texts) {
        asked = QStringList{texts.title} + texts.nameFilters + QStringList{texts.defaultSuffix};
        return QStringLiteral("/data/run1.csv");
    };
    TFMain window(environment);

    QTest::mouseClick(find<QPushButton>(window, "file_name_button"), Qt::LeftButton);

    EXPECT_EQ(
        asked,
        (QStringList{"Plik pomiarowy", "Plik tekstowy (*.txt)",
                     QString::fromUtf8("Plik z danymi oddzielonymi średnikami (*.csv)"), "csv"}));
    EXPECT_EQ(find<QLineEdit>(window, "file_name_edit")->text(), QStringLiteral("/data/run1.csv"));
    EXPECT_EQ(storedValue(QStringLiteral("FileName")), QStringLiteral("/data/run1.csv"));
}

// The module streams at 1 kHz for a few seconds with every column logged:
// every line is whole, and none is missing.
TEST_F(LiveValuesTest, EndToEndEveryReportIsLogged) {
    const QString path = dir_.filePath(QStringLiteral("run.csv"));
    bus.plugModule();
    auto window = open();
    find<QLineEdit>(*window, "file_name_edit")->setText(path);
    find<QComboBox>(*window, "DivBox")->setCurrentIndex(3);
    QElapsedTimer timer;
    timer.start();
    while (!window->connected() && timer.elapsed() < 5000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    ASSERT_TRUE(window->connected());
    window->save_buttonClick();
    timer.restart();
    while (timer.elapsed() < 3000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    window->save_buttonClick();

    const QList<QByteArray> lines = contents(path).split('\n');
    ASSERT_GT(lines.size(), 1000);
    ASSERT_TRUE(lines.back().isEmpty());
    long long previousCounter = -1;
    double previousPosition = 0;
    const QChar separator = QLocale::system().decimalPoint().at(0);
    for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
        const QByteArray& line = lines[i];
        ASSERT_TRUE(line.endsWith(";\r")) << i;
        const QList<QByteArray> columns = line.chopped(2).split(';');
        ASSERT_EQ(columns.size(), 24) << i;
        const long long counter = columns[2].toLongLong();
        const double position =
            QString::fromLatin1(columns[12]).replace(separator, QLatin1Char('.')).toDouble();
        if (previousCounter >= 0) {
            ASSERT_EQ(counter, previousCounter + 1) << "line " << i;
            ASSERT_DOUBLE_EQ(position, previousPosition + 1.0) << "line " << i;
        }
        previousCounter = counter;
        previousPosition = position;
    }
}

}  // namespace
}  // namespace voltrix
