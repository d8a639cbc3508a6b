// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/viewer/viewer_window.h"

#include <gtest/gtest.h>

#if defined(__unix__) || defined(__APPLE__)
#include <sys/stat.h>
#endif

#include <algorithm>
#include <string>
#include <vector>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QStatusBar>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QImage>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>

#include "engine/logging/log_line.h"
#include "engine/recorded/line_parser.h"
#include "engine/text/language.h"
#include "engine/recorded/recorded_test_support.h"
#include "engine/recorded/stream_feeder.h"
#include "ui/chart/chart_view.h"
#include "ui/viewer/column_layout_dialog.h"
#include "ui/viewer/recorded_chart.h"
#include "language_fixture.h"
#include "wait_for.h"

namespace voltrix {
namespace {

using testing::waitFor;

constexpr std::int64_t kStart = daysFromCivil(2026, 12, 8) * kMillisecondsPerDay + 9 * 3'600'000;

LogLineSettings dateTimeAdc1AndOutputs() {
    LogLineSettings settings;
    settings.set(LogColumn::Date);
    settings.set(LogColumn::Time);
    settings.set(LogColumn::Counter);
    settings.set(LogColumn::Adc1);
    settings.set(LogColumn::Output);
    settings.decimals = 2;
    settings.decimalSeparator = ",";
    return settings;
}

// Line i: 1 ms apart, ADC1 = `adc1(i)`, output 1 HI on odd lines.
template <typename Adc1>
std::vector<std::string> linesOf(int count, Adc1 adc1, int firstIndex = 0) {
    std::vector<std::string> lines;
    for (int i = firstIndex; i < firstIndex + count; ++i) {
        Measurement m;
        m.adc[0].value = adc1(i);
        m.outputs = static_cast<std::uint8_t>(i % 2);
        std::string line;
        BuildLogLine(line, dateTimeAdc1AndOutputs(), test::clockFromMilliseconds(kStart + i),
                     static_cast<std::uint32_t>(i), m);
        lines.push_back(line);
    }
    return lines;
}

class ViewerWindowTest : public ::testing::Test {
protected:
    QString write(const std::vector<std::string>& lines, const QByteArray& tail = {}) {
        const QString path = dir_.filePath("m.csv");
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Append));
        for (const std::string& line : lines) {
            file.write(line.data(), static_cast<qint64>(line.size()));
        }
        file.write(tail);
        return path;
    }

    static QByteArray contents(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

    std::unique_ptr<ViewerWindow> open(const QString& path, const LogLineSettings& stored,
                                       bool follow = false) {
        auto window = std::make_unique<ViewerWindow>(RecordedLayout::fromSettings(stored));
        window->resize(1000, 700);
        window->show();
        window->setFollowing(follow);
        EXPECT_TRUE(window->openFile(path));
        return window;
    }

    static bool loaded(const ViewerWindow& window) {
        const RecordedLoadProgress state = window.loader()->progress();
        return state.finished || state.caughtUp;
    }

    static void moveMouse(QWidget* widget, QPoint pos) {
        QMouseEvent move(QEvent::MouseMove, pos, widget->mapToGlobal(pos), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(widget, &move);
    }

    QTemporaryDir dir_;
};

TEST_F(ViewerWindowTest, AFileIsShownWholeWithItsBadLinesCountedAndLeftAsItWas) {
    std::vector<std::string> lines = linesOf(2000, [](int i) { return i * 0.5f; });
    lines.insert(lines.begin() + 100, "garbage\r\n");
    const QString path = write(lines, "8-12-2026;9:0:0:0;2000;1,0");  // a half line at the end
    const QByteArray before = contents(path);
    const auto window = open(path, dateTimeAdc1AndOutputs());
    ASSERT_TRUE(waitFor([&] { return window->loader()->progress().finished; }));
    QCoreApplication::processEvents();

    EXPECT_EQ(window->countsText(), QStringLiteral("Linie: 2000, pominięte: 2"));
    const QCPRange x = window->chart()->xAxis->range();
    EXPECT_DOUBLE_EQ(x.lower, static_cast<double>(kStart) / 1000);
    EXPECT_DOUBLE_EQ(x.upper, static_cast<double>(kStart + 1999) / 1000);
    // The value axis fits ADC1's 0 .. 999.5 with a margin.
    const QCPRange y = window->chart()->yAxis->range();
    EXPECT_LT(y.lower, 0);
    EXPECT_GT(y.upper, 999.5);
    EXPECT_LT(y.upper, 1100);
    EXPECT_EQ(window->chart()->shownLines(), (std::pair<std::size_t, std::size_t>{0, 2000}));
    EXPECT_EQ(contents(path), before);
}

// An hour squeezed into a few hundred pixels: one line of 100,000 stands out
// and must still be drawn, and the value axis reaches it.
TEST_F(ViewerWindowTest, ASingleSpikeAmongManyLinesIsDrawn) {
    const QString path =
        write(linesOf(100000, [](int i) { return i == 61234 ? 1000.0f : 0.0f; }));
    const auto window = open(path, dateTimeAdc1AndOutputs());
    ASSERT_TRUE(waitFor([&] { return loaded(*window); }));
    QCoreApplication::processEvents();
    RecordedChart* chart = window->chart();
    EXPECT_GE(chart->yAxis->range().upper, 1000);

    chart->replot();
    const QImage image = chart->toPixmap(chart->width(), chart->height()).toImage();
    const QRect area = chart->axisRect()->rect();
    const QRgb red = chartSeriesColour(0).rgb();
    // ADC1's colour near the top of the plot: the spike.
    const int spikeRow = static_cast<int>(chart->yAxis->coordToPixel(990));
    int found = 0;
    for (int px = area.left(); px <= area.right(); ++px) {
        found += image.pixel(px, spikeRow) == red ? 1 : 0;
    }
    EXPECT_GE(found, 1);
    EXPECT_LE(found, 3);  // one column (or its neighbours), not a smear
}

TEST_F(ViewerWindowTest, TheCursorReadsEveryShownValueOfTheNearestLine) {
    const QString path = write(linesOf(11, [](int i) { return i * 1.25f; }));
    const auto window = open(path, dateTimeAdc1AndOutputs());
    ASSERT_TRUE(waitFor([&] { return loaded(*window); }));
    QCoreApplication::processEvents();
    RecordedChart* chart = window->chart();
    // Over line 7 (x of 9:00:00.007).
    const double x = static_cast<double>(kStart + 7) / 1000;
    const int px = static_cast<int>(std::lround(chart->xAxis->coordToPixel(x)));
    moveMouse(chart, {px, chart->axisRect()->rect().center().y()});
    const QString readout = window->readout();
    EXPECT_TRUE(readout.startsWith(QStringLiteral("8-12-2026 9:00:00.007"))) << readout.toStdString();
    EXPECT_TRUE(readout.contains(QStringLiteral("wartość ADC1: 8")))
        << readout.toStdString();  // 8.75 with the system's separator
    EXPECT_TRUE(readout.contains(QStringLiteral("OUT1 HI OUT2 LO"))) << readout.toStdString();
    EXPECT_FALSE(readout.contains(QStringLiteral("ADC2")));  // not in the file
    EXPECT_DOUBLE_EQ(chart->cursorX(), chart->xAxis->pixelToCoord(px));
}

TEST_F(ViewerWindowTest, TheShownRangeIsSavedAsLinesOfTheFileAndAsPictures) {
    const std::vector<std::string> lines = linesOf(1000, [](int i) { return i * 0.5f; });
    const QString path = write(lines);
    const auto window = open(path, dateTimeAdc1AndOutputs());
    ASSERT_TRUE(waitFor([&] { return loaded(*window); }));
    // Lines 200..299 in view.
    window->chart()->xAxis->setRange(static_cast<double>(kStart + 200) / 1000,
                                     static_cast<double>(kStart + 299) / 1000);
    const QString saved = dir_.filePath("range.csv");
    ASSERT_EQ(window->saveLines(saved), QString());
    std::string expected;
    for (int i = 200; i < 300; ++i) {
        expected += lines[static_cast<std::size_t>(i)];
    }
    EXPECT_EQ(contents(saved).toStdString(), expected);
    EXPECT_NE(window->saveLines(path), QString());  // never over the file it reads

    ASSERT_EQ(window->savePicture(dir_.filePath("range.png")), QString());
    EXPECT_FALSE(QImage(dir_.filePath("range.png")).isNull());
    ASSERT_EQ(window->savePicture(dir_.filePath("range.pdf")), QString());
    EXPECT_TRUE(contents(dir_.filePath("range.pdf")).startsWith("%PDF"));
}

TEST_F(ViewerWindowTest, AZoomIntoALongFileShowsEveryLineReadBackFromTheFile) {
    // Five minutes at 1 kHz, a spike at line 150,000.
    constexpr int kSpike = 150'000;
    const std::vector<std::string> lines = linesOf(300'000, [](int i) {
        return i == kSpike ? 999.0f : static_cast<float>(i % 1000) * 0.01f;
    });
    const QString path = write(lines);
    const auto window = open(path, dateTimeAdc1AndOutputs());
    ASSERT_TRUE(waitFor([&] { return loaded(*window); }));
    QCoreApplication::processEvents();
    RecordedChart* chart = window->chart();
    // The whole file, from the index: the spike sets the scale.
    EXPECT_GE(chart->axisRect()->axis(QCPAxis::atLeft)->range().upper, 999.0);

    // Ten milliseconds around the spike: its lines, read back.
    const auto xOf = [](int i) { return static_cast<double>(kStart + i) / 1000; };
    chart->xAxis->setRange(xOf(kSpike - 1), xOf(kSpike + 9));
    chart->replot();
    const auto [first, last] = chart->shownLines();
    EXPECT_EQ(first, static_cast<std::size_t>(kSpike - 1));
    EXPECT_EQ(last, static_cast<std::size_t>(kSpike + 10));
    const int px = static_cast<int>(std::lround(chart->xAxis->coordToPixel(xOf(kSpike))));
    moveMouse(chart, {px, chart->axisRect()->rect().center().y()});
    EXPECT_TRUE(window->readout().startsWith(QStringLiteral("8-12-2026 9:02:30.000")))
        << window->readout().toStdString();
    EXPECT_TRUE(window->readout().contains(QStringLiteral("wartość ADC1: 999")))
        << window->readout().toStdString();
    const QString saved = dir_.filePath("spike.csv");
    ASSERT_EQ(window->saveLines(saved), QString());
    std::string expected;
    for (int i = kSpike - 1; i < kSpike + 10; ++i) {
        expected += lines[static_cast<std::size_t>(i)];
    }
    EXPECT_EQ(contents(saved).toStdString(), expected);
}

TEST_F(ViewerWindowTest, AFolderOfASplitRecordingIsOneTimeline) {
    ASSERT_TRUE(QDir(dir_.path()).mkdir(QStringLiteral("run")));
    const auto writeTo = [&](const char* name, const std::vector<std::string>& lines) {
        QFile file(dir_.filePath(QStringLiteral("run/") + QString::fromLatin1(name)));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        for (const std::string& line : lines) {
            file.write(line.data(), static_cast<qint64>(line.size()));
        }
    };
    // A minute each, two minutes apart: enough lines that the whole is drawn
    // from the index's blocks.
    constexpr int kLines = 60'000;
    constexpr int kLateStart = 180'000;
    const auto value = [](int i) { return static_cast<float>(i % 1000); };
    const std::vector<std::string> early = linesOf(kLines, value);
    const std::vector<std::string> late = linesOf(kLines, value, kLateStart);
    // Named so that their names and their lines tell the same order.
    writeTo("m_2026-12-08_09-03-00.csv", late);
    writeTo("m_2026-12-08_09-00-00.csv", early);
    auto window = std::make_unique<ViewerWindow>(RecordedLayout::fromSettings(dateTimeAdc1AndOutputs()));
    window->resize(1000, 700);
    window->show();
    ASSERT_TRUE(window->openFiles({dir_.filePath(QStringLiteral("run"))}));
    ASSERT_TRUE(waitFor([&] { return loaded(*window); }));
    QCoreApplication::processEvents();
    ASSERT_EQ(window->files().size(), 2);
    EXPECT_TRUE(window->files().front().endsWith(QStringLiteral("09-00-00.csv")));
    EXPECT_TRUE(window->windowTitle().startsWith(QStringLiteral("m_2026-12-08_09-00-00.csv (+1)")));
    EXPECT_EQ(window->loader()->progress().lines, 2u * kLines);
    RecordedChart* chart = window->chart();
    EXPECT_EQ(chart->shownLines(), (std::pair<std::size_t, std::size_t>{0, 2 * kLines}));
    const auto xOf = [](int i) { return static_cast<double>(kStart + i) / 1000; };
    EXPECT_NEAR(chart->xAxis->range().size(), xOf(kLateStart + kLines - 1) - xOf(0), 1e-6);

    // The two minutes between the files are a gap, not a line across it;
    // the lines on either side are drawn. Drawn from the blocks (the whole)
    // and from the lines read back (three seconds each side of the break).
    // In the quantities' area, ADC1's colour; in the outputs' band, any
    // bright pixel (the outputs' colours; the band itself is dark grey).
    const auto traceIn = [&](QCPAxisRect* rect, double from, double to) {
        chart->replot(QCustomPlot::rpImmediateRefresh);
        const QImage image = chart->toPixmap().toImage();
        const QRect plot = rect->rect();
        const QRgb adc1 = chartSeriesColour(0).rgb() & 0xFFFFFF;
        int found = 0;
        for (int x = plot.left() + static_cast<int>(from * plot.width());
             x < plot.left() + static_cast<int>(to * plot.width()); ++x) {
            for (int y = plot.top(); y <= plot.bottom(); ++y) {
                const QRgb pixel = image.pixel(x, y);
                const bool bright = qRed(pixel) > 150 || qGreen(pixel) > 150 || qBlue(pixel) > 150;
                found += (rect == chart->outputsRect() ? bright : (pixel & 0xFFFFFF) == adc1) ? 1 : 0;
            }
        }
        return found;
    };
    for (const auto& [lower, upper] : {std::pair{xOf(0), xOf(kLateStart + kLines - 1)},
                                       std::pair{xOf(kLines - 3000), xOf(kLateStart + 2999)}}) {
        chart->xAxis->setRange(lower, upper);
        for (QCPAxisRect* rect : {chart->axisRect(), chart->outputsRect()}) {
            EXPECT_GT(traceIn(rect, 0, 0.02), 0) << lower;
            EXPECT_GT(traceIn(rect, 0.98, 1), 0) << lower;
            EXPECT_EQ(traceIn(rect, 0.4, 0.6), 0) << lower << (rect == chart->axisRect() ? " quantities" : " outputs");
        }
    }

    // The lines on both sides of the break, saved as one file.
    chart->xAxis->setRange(xOf(kLines - 10), xOf(kLateStart + 9));
    const QString saved = dir_.filePath("across.csv");
    ASSERT_EQ(window->saveLines(saved), QString());
    std::string expected;
    for (int i = kLines - 10; i < kLines; ++i) {
        expected += early[static_cast<std::size_t>(i)];
    }
    for (int i = 0; i < 10; ++i) {
        expected += late[static_cast<std::size_t>(i)];
    }
    EXPECT_EQ(contents(saved).toStdString(), expected);
}

TEST_F(ViewerWindowTest, AFollowedFileShowsWhatIsAppendedAndKeepsItsEndInView) {
    const QString path = write(linesOf(100, [](int i) { return static_cast<float>(i); }));
    const auto window = open(path, dateTimeAdc1AndOutputs(), true);
    ASSERT_TRUE(waitFor([&] { return window->loader()->progress().lines == 100; }));
    write(linesOf(50, [](int i) { return static_cast<float>(i); }, 100));
    ASSERT_TRUE(waitFor([&] { return window->loader()->progress().lines == 150; }));
    ASSERT_TRUE(waitFor([&] {
        return window->chart()->xAxis->range().upper == static_cast<double>(kStart + 149) / 1000;
    }));
    EXPECT_EQ(window->countsText(), QStringLiteral("Linie: 150, pominięte: 0 (śledzony)"));
}

// Stored columns that do not read the file: the dialog offers the ones under
// which its lines parse, and the file opens with the chosen ones.
TEST_F(ViewerWindowTest, ColumnsThatDoNotFitAreCorrectedInTheDialog) {
    const QString path = write(linesOf(10, [](int i) { return static_cast<float>(i); }));
    LogLineSettings stored = dateTimeAdc1AndOutputs();
    stored.set(LogColumn::Adc2);
    bool dialogSeen = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<ColumnLayoutDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        dialogSeen = true;
        EXPECT_EQ(dialog->chosenLayout(), RecordedLayout::fromSettings(dateTimeAdc1AndOutputs()));
        auto* buttons = dialog->findChild<QDialogButtonBox*>();
        // A selection that does not read the lines cannot be taken.
        dialog->findChild<QCheckBox*>(QStringLiteral("column_4"))->setChecked(false);  // ADC1
        EXPECT_FALSE(buttons->button(QDialogButtonBox::Ok)->isEnabled());
        dialog->findChild<QComboBox*>()->setCurrentIndex(0);
        dialog->chooseLayout(RecordedLayout::fromSettings(dateTimeAdc1AndOutputs()));
        ASSERT_TRUE(buttons->button(QDialogButtonBox::Ok)->isEnabled());
        buttons->button(QDialogButtonBox::Ok)->click();
    });
    const auto window = open(path, stored);
    EXPECT_TRUE(dialogSeen);
    EXPECT_EQ(window->fileLayout(), RecordedLayout::fromSettings(dateTimeAdc1AndOutputs()));
    ASSERT_TRUE(waitFor([&] { return loaded(*window); }));
    EXPECT_EQ(window->loader()->progress().lines, 10u);
}

// A note of 20 lines written ahead of the data: the columns are chosen by the
// lines that read, and the note is skipped and counted.
TEST_F(ViewerWindowTest, ANoteAheadOfTheDataIsSkippedAndCounted) {
    std::vector<std::string> lines;
    for (int i = 0; i < 20; ++i) {
        lines.push_back("Pomiar " + std::to_string(i) + " z notatki przed danymi\r\n");
    }
    const std::vector<std::string> data = linesOf(12, [](int i) { return static_cast<float>(i); });
    lines.insert(lines.end(), data.begin(), data.end());
    const QString path = write(lines);

    struct Case {
        const char* name;
        LogLineSettings stored;
    };
    LogLineSettings otherStored = dateTimeAdc1AndOutputs();
    otherStored.set(LogColumn::Adc2);
    const Case cases[] = {{"the stored columns read the data", dateTimeAdc1AndOutputs()},
                          {"the stored columns are corrected in the dialog", otherStored}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        bool dialogSeen = false;
        bool okEnabled = false;
        // Takes the dialog's first offer, if it allows it.
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<ColumnLayoutDialog*>(QApplication::activeModalWidget());
            if (dialog == nullptr) {
                return;
            }
            dialogSeen = true;
            QPushButton* ok = dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
            okEnabled = ok->isEnabled();
            okEnabled ? ok->click() : dialog->reject();
        });
        auto window = std::make_unique<ViewerWindow>(RecordedLayout::fromSettings(c.stored));
        window->show();
        ASSERT_TRUE(window->openFile(path));
        EXPECT_EQ(dialogSeen, c.stored.columns != dateTimeAdc1AndOutputs().columns);
        EXPECT_EQ(okEnabled, dialogSeen);
        EXPECT_EQ(window->fileLayout(), RecordedLayout::fromSettings(dateTimeAdc1AndOutputs()));
        ASSERT_TRUE(waitFor([&] { return window->loader()->progress().finished; }));
        EXPECT_EQ(window->countsText(), QStringLiteral("Linie: 12, pominięte: 20"));
    }
}

// Lines, but not one a selection reads: no column dialog (it would have
// nothing to offer) but a message saying so.
TEST_F(ViewerWindowTest, AFileWithoutMeasurementLinesIsRefusedWithAMessage) {
    struct Case {
        const char* name;
        QByteArray bytes;
    };
    const Case cases[] = {
        {"CR LFs", QByteArray("\r\n").repeated(40)},
        {"one CR LF", QByteArray("\r\n")},
        {"LFs", QByteArray("\n").repeated(5)},
        {"a note alone", QByteArray("Pomiar 1\r\nczujnik B\r\n\r\n")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = dir_.filePath(QString::fromLatin1(c.name) + QStringLiteral(".csv"));
        {
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(c.bytes);
        }
        QString shown;
        QTimer::singleShot(0, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                shown = box->text();
            } else if (modal != nullptr) {
                shown = QStringLiteral("<%1>").arg(QString::fromLatin1(modal->metaObject()->className()));
            }
            if (modal != nullptr) {
                modal->close();
            }
        });
        ViewerWindow window(RecordedLayout::fromSettings(dateTimeAdc1AndOutputs()));
        window.show();
        EXPECT_FALSE(window.openFile(path));
        waitFor([&] { return !shown.isEmpty(); }, 2000);
        EXPECT_EQ(shown, QStringLiteral("Na początku pliku %1 nie ma linii pomiarowych").arg(path));
    }
}

// The time axis over a second or two: each label names its own tick, to the
// millisecond shown, so no two read alike, with a date and time or a time of
// day alone.
TEST_F(ViewerWindowTest, TimeAxisLabelsNameTheirTicksOverShortSpans) {
    struct Source {
        const char* name;
        bool withDate;
    };
    for (const Source source : {Source{"date and time", true}, Source{"time of day", false}}) {
        SCOPED_TRACE(source.name);
        LogLineSettings settings;
        settings.set(LogColumn::Date, source.withDate);
        settings.set(LogColumn::Time);
        settings.set(LogColumn::Adc1);
        // Four seconds from 10:00:00, a line every 10 ms.
        const std::int64_t start = kStart + 3'600'000;
        std::vector<std::string> lines;
        for (int i = 0; i <= 400; ++i) {
            Measurement m;
            m.adc[0].value = static_cast<float>(i);
            std::string line;
            BuildLogLine(line, settings, test::clockFromMilliseconds(start + 10 * i), 0, m);
            lines.push_back(line);
        }
        QFile::remove(dir_.filePath("m.csv"));
        const auto window = open(write(lines), settings);
        ASSERT_TRUE(waitFor([&] { return loaded(*window); }));
        QCoreApplication::processEvents();
        RecordedChart* chart = window->chart();

        const double first = static_cast<double>(start % (source.withDate ? INT64_MAX : kMillisecondsPerDay)) / 1000;
        for (const double span : {0.5, 0.75, 1.0, 1.2, 1.5, 1.75, 2.0, 2.5, 3.0}) {
            SCOPED_TRACE(span);
            chart->xAxis->setRange(first + 0.237, first + 0.237 + span);
            chart->replot();
            const QVector<double> ticks = chart->xAxis->tickVector();
            const QVector<QString> labels = chart->xAxis->tickVectorLabels();
            ASSERT_GE(ticks.size(), 2);
            ASSERT_EQ(labels.size(), ticks.size());
            for (qsizetype i = 0; i < ticks.size(); ++i) {
                // "H:mm:ss" with the decimals the step needs, then the date.
                const QString time = labels[i].section(QLatin1Char('\n'), 0, 0);
                const QStringList parts = time.split(QRegularExpression(QStringLiteral("[:.]")));
                ASSERT_GE(parts.size(), 3) << labels[i].toStdString();
                std::int64_t ms = (parts[0].toLongLong() * 3600 + parts[1].toLongLong() * 60 +
                                   parts[2].toLongLong()) * 1000;
                if (parts.size() > 3) {
                    ms += parts[3].leftJustified(3, QLatin1Char('0')).toLongLong();
                }
                const std::int64_t tick = std::llround(ticks[i] * 1000) % kMillisecondsPerDay;
                EXPECT_EQ(ms, tick) << labels[i].toStdString();
                if (i > 0) {
                    EXPECT_NE(labels[i], labels[i - 1]);
                }
            }
        }
    }
}

// Two ADCs of a few volts and an encoder in the thousands, a line every ms:
// ADC1 1 .. 3.7, ADC2 4 .. 4.6, encoder 1 position 1000 + 2 i.
LogLineSettings adcsAndEncoder() {
    LogLineSettings settings = dateTimeAdc1AndOutputs();
    settings.set(LogColumn::Adc2);
    settings.set(LogColumn::Enc1Position);
    return settings;
}

constexpr std::size_t kAdc1 = 0;
constexpr std::size_t kAdc2 = 1;
constexpr std::size_t kEnc1Position = 8;

std::vector<std::string> adcAndEncoderLines(int count) {
    std::vector<std::string> lines;
    for (int i = 0; i < count; ++i) {
        Measurement m;
        m.adc[0].value = 1.0f + static_cast<float>(i % 10) * 0.3f;
        m.adc[1].value = 4.0f + static_cast<float>(i % 7) * 0.1f;
        m.enc[0].position = 1000.0f + 2.0f * static_cast<float>(i);
        std::string line;
        BuildLogLine(line, adcsAndEncoder(), test::clockFromMilliseconds(kStart + i),
                     static_cast<std::uint32_t>(i), m);
        lines.push_back(line);
    }
    return lines;
}

class ViewerLanesTest : public ViewerWindowTest {
protected:
    std::unique_ptr<ViewerWindow> openLoaded() {
        auto window = open(write(adcAndEncoderLines(1000)), adcsAndEncoder());
        EXPECT_TRUE(waitFor([&] { return window->loader()->progress().finished; }));
        QCoreApplication::processEvents();
        return window;
    }

    static void choose(ViewerWindow& window, const char* action) {
        auto* found = window.findChild<QAction*>(QString::fromLatin1(action));
        ASSERT_NE(found, nullptr) << action;
        found->trigger();
        window.chart()->replot();  // lays the lanes out
    }

    static QCPRange valueRange(RecordedChart* chart, int lane) {
        return chart->laneRect(lane)->axis(QCPAxis::atLeft)->range();
    }
};

// Each checked quantity of the file in a lane of its own, whose value axis
// fits that quantity alone: the volts are not flattened by the encoder.
TEST_F(ViewerLanesTest, EachCheckedQuantityGetsALaneWithAValueAxisOfItsOwn) {
    const auto window = openLoaded();
    RecordedChart* chart = window->chart();
    choose(*window, "viewer_layout_lanes");
    ASSERT_EQ(chart->laneCount(), 3);
    EXPECT_EQ(chart->axisRects().size(), 4);  // and the outputs' band
    EXPECT_EQ(chart->axisRects().back(), chart->outputsRect());
    struct Lane {
        std::size_t quantity;
        double low;   // the quantity's range
        double high;
    };
    const Lane lanes[] = {{kAdc1, 1.0, 3.7}, {kAdc2, 4.0, 4.6}, {kEnc1Position, 1000, 2998}};
    for (int n = 0; n < 3; ++n) {
        SCOPED_TRACE(n);
        const Lane& lane = lanes[n];
        for (std::size_t q = 0; q < kQuantityCount; ++q) {
            EXPECT_EQ(chart->laneHasQuantity(n, q), q == lane.quantity) << q;
        }
        const QCPRange range = valueRange(chart, n);
        EXPECT_LE(range.lower, lane.low);
        EXPECT_GE(range.upper, lane.high);
        // Its own range, not the others': at most a tenth more than it.
        EXPECT_LE(range.size(), (lane.high - lane.low) * 1.1 + 1e-6);
        EXPECT_EQ(chart->axisRects()[n], chart->laneRect(n));
    }
    // Each lane draws its own quantity, in its colour, within its area.
    const QImage image = chart->toPixmap(chart->width(), chart->height()).toImage();
    for (int n = 0; n < 3; ++n) {
        SCOPED_TRACE(n);
        const QRect area = chart->laneRect(n)->rect();
        for (int m = 0; m < 3; ++m) {
            const QRgb colour = chartSeriesColour(static_cast<int>(lanes[m].quantity)).rgb();
            int found = 0;
            for (int py = area.top(); py <= area.bottom(); ++py) {
                for (int px = area.left(); px <= area.right(); ++px) {
                    found += image.pixel(px, py) == colour ? 1 : 0;
                }
            }
            if (m == n) {
                EXPECT_GT(found, area.width() / 2);
            } else {
                EXPECT_EQ(found, 0) << m;
            }
        }
    }

    // An unchecked quantity leaves, and its lane with it.
    window->findChild<QCheckBox*>(QStringLiteral("viewer_quantity_2"))->setChecked(false);
    EXPECT_EQ(chart->laneCount(), 2);
    EXPECT_TRUE(chart->laneHasQuantity(1, kEnc1Position));
    EXPECT_EQ(chart->axisRects().size(), 3);
}

// The wheel over the last lane zooms the time of every lane and of the
// outputs' band alike.
TEST_F(ViewerLanesTest, ZoomingTimeInOneLaneMovesEveryLane) {
    const auto window = openLoaded();
    RecordedChart* chart = window->chart();
    choose(*window, "viewer_layout_lanes");
    ASSERT_EQ(chart->laneCount(), 3);
    const QCPRange whole = chart->xAxis->range();
    const QPoint pos = chart->laneRect(2)->rect().center();
    QWheelEvent wheel(pos, chart->mapToGlobal(pos), QPoint(), QPoint(0, 120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(chart, &wheel);
    const QCPRange zoomed = chart->laneRect(2)->axis(QCPAxis::atBottom)->range();
    EXPECT_LT(zoomed.size(), whole.size() * 0.95);
    for (QCPAxisRect* rect : chart->axisRects()) {
        EXPECT_EQ(rect->axis(QCPAxis::atBottom)->range(), zoomed);
    }
    EXPECT_EQ(chart->xAxis->range(), zoomed);
}

// One axis again is today's chart: one value axis over every quantity.
TEST_F(ViewerLanesTest, OneAxisAgainShowsEveryQuantityOnOneValueAxis) {
    const auto window = openLoaded();
    RecordedChart* chart = window->chart();
    choose(*window, "viewer_layout_lanes");
    ASSERT_EQ(chart->laneCount(), 3);
    choose(*window, "viewer_layout_one");
    EXPECT_EQ(chart->laneLayout(), LaneLayout::OneAxis);
    EXPECT_EQ(chart->laneCount(), 1);
    EXPECT_EQ(chart->axisRects().size(), 2);
    EXPECT_EQ(chart->axisRect(), chart->laneRect(0));
    EXPECT_LE(chart->yAxis->range().lower, 1.0);
    EXPECT_GE(chart->yAxis->range().upper, 2998);
    EXPECT_TRUE(chart->xAxis->tickLabels());
    EXPECT_TRUE(window->findChild<QAction*>(QStringLiteral("viewer_layout_one"))->isChecked());
}

TEST_F(ViewerLanesTest, TheCursorReadsEveryShownValueOverAnyLane) {
    const auto window = openLoaded();
    RecordedChart* chart = window->chart();
    choose(*window, "viewer_layout_lanes");
    ASSERT_EQ(chart->laneCount(), 3);
    chart->xAxis->setRange(static_cast<double>(kStart) / 1000,
                           static_cast<double>(kStart + 10) / 1000);
    chart->replot();
    // Over line 7 (ADC1 3.1, ADC2 4.0, encoder 1014), in the encoder's lane.
    const double x = static_cast<double>(kStart + 7) / 1000;
    const int px = static_cast<int>(std::lround(chart->xAxis->coordToPixel(x)));
    moveMouse(chart, {px, chart->laneRect(2)->rect().center().y()});
    const QString readout = window->readout();
    EXPECT_TRUE(readout.startsWith(QStringLiteral("8-12-2026 9:00:00.007"))) << readout.toStdString();
    EXPECT_TRUE(readout.contains(QStringLiteral("wartość ADC1: 3"))) << readout.toStdString();
    EXPECT_TRUE(readout.contains(QStringLiteral("wartość ADC2: 4"))) << readout.toStdString();
    EXPECT_TRUE(readout.contains(QStringLiteral("1014"))) << readout.toStdString();
}

// By unit, quantities of one known unit share a lane; unknown units are
// never taken for one.
TEST_F(ViewerLanesTest, LanesByUnitMergeTheQuantitiesOfOneUnit) {
    UserUnitTexts volts;
    volts.adc = {QStringLiteral("V"), QStringLiteral("V"), QString(), QString()};
    struct Case {
        const char* name;
        UserUnitTexts units;
        std::vector<std::vector<std::size_t>> lanes;
    };
    const Case cases[] = {
        {"both ADCs in volts", volts, {{kAdc1, kAdc2}, {kEnc1Position}}},
        {"no units known", UserUnitTexts{}, {{kAdc1}, {kAdc2}, {kEnc1Position}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto window = openLoaded();
        window->setUnits(c.units);
        choose(*window, "viewer_layout_units");
        RecordedChart* chart = window->chart();
        ASSERT_EQ(chart->laneCount(), static_cast<int>(c.lanes.size()));
        for (int n = 0; n < chart->laneCount(); ++n) {
            for (std::size_t q = 0; q < kQuantityCount; ++q) {
                const auto& lane = c.lanes[static_cast<std::size_t>(n)];
                EXPECT_EQ(chart->laneHasQuantity(n, q),
                          std::find(lane.begin(), lane.end(), q) != lane.end())
                    << n << " " << q;
            }
        }
        // The merged lane fits both ADCs, 1 .. 4.6, and not the encoder.
        const QCPRange first = valueRange(chart, 0);
        EXPECT_LE(first.lower, 1.0);
        EXPECT_GE(first.upper, c.lanes[0].size() == 2 ? 4.6 : 3.7);
        EXPECT_LT(first.upper, 10);
        QFile::remove(dir_.filePath("m.csv"));
    }
}

// The lanes' context menu makes one taller or shorter, or all equal again.
TEST_F(ViewerLanesTest, ALanesContextMenuChangesItsHeight) {
    const auto window = openLoaded();
    RecordedChart* chart = window->chart();
    window->resize(1000, 1400);  // room above the lanes' least heights
    QCoreApplication::processEvents();
    choose(*window, "viewer_layout_lanes");
    ASSERT_EQ(chart->laneCount(), 3);
    const auto heights = [&] {
        chart->replot();
        std::vector<int> all;
        for (int n = 0; n < chart->laneCount(); ++n) {
            all.push_back(chart->laneRect(n)->outerRect().height());
        }
        return all;
    };
    const std::vector<int> equal = heights();
    EXPECT_LE(std::abs(equal[0] - equal[1]), 3);
    EXPECT_LE(std::abs(equal[1] - equal[2]), 3);
    // Chooses `action` in the menu of the lane under `pos`.
    const auto fromMenu = [&](int lane, const char* action) {
        bool seen = false;
        QTimer::singleShot(0, [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            ASSERT_NE(menu, nullptr);
            seen = true;
            auto* item = menu->findChild<QAction*>(QString::fromLatin1(action));
            ASSERT_NE(item, nullptr) << action;
            menu->close();
            item->trigger();
        });
        const QPoint pos = chart->laneRect(lane)->rect().center();
        QContextMenuEvent event(QContextMenuEvent::Mouse, pos, chart->mapToGlobal(pos));
        QApplication::sendEvent(chart, &event);
        EXPECT_TRUE(seen) << action;
    };
    fromMenu(1, "viewer_lane_taller");
    std::vector<int> changed = heights();
    EXPECT_GT(changed[1], equal[1] + 10);
    EXPECT_GT(changed[1], changed[0] + 10);
    EXPECT_LE(std::abs(changed[0] - changed[2]), 3);
    EXPECT_DOUBLE_EQ(chart->laneStretch(1), 1.5);

    fromMenu(2, "viewer_lane_shorter");
    const std::vector<int> taller = changed;
    changed = heights();
    EXPECT_LT(changed[2], taller[2] - 10);
    EXPECT_LT(chart->laneStretch(2), 1);

    fromMenu(0, "viewer_lane_equal");
    changed = heights();
    EXPECT_LE(std::abs(changed[0] - changed[1]), 3);
    EXPECT_LE(std::abs(changed[1] - changed[2]), 3);
}

// The layout and the heights are the viewer's own, in voltrix-view.ini: a
// new window reads them back, and the window's config.ini beside it stays
// as it was, byte for byte.
TEST_F(ViewerLanesTest, TheChoiceIsRememberedInTheViewersOwnFile) {
    const QString config = dir_.filePath(QStringLiteral("config.ini"));
    {
        QFile file(config);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("[Options]\r\nAdcUnit1=V\r\nChart1=1\r\n");
    }
    const QByteArray configBefore = contents(config);
    const QString choices = dir_.filePath(QStringLiteral("voltrix-view.ini"));
    const QString path = write(adcAndEncoderLines(1000));
    struct Case {
        const char* action;
        LaneLayout layout;
    };
    const Case cases[] = {{"viewer_layout_units", LaneLayout::LanesByUnit},
                          {"viewer_layout_lanes", LaneLayout::Lanes},
                          {"viewer_layout_one", LaneLayout::OneAxis}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.action);
        std::array<int, kQuantityCount> steps{};
        {
            ViewerWindow window(RecordedLayout::fromSettings(adcsAndEncoder()), choices);
            window.show();
            ASSERT_TRUE(window.openFile(path));
            ASSERT_TRUE(waitFor([&] { return window.loader()->progress().finished; }));
            choose(window, "viewer_layout_lanes");
            // ADC2's lane, from what the last window left.
            const int before = window.chart()->heightSteps()[kAdc2];
            window.chart()->changeLaneHeight(1, 2);
            choose(window, c.action);
            steps = window.chart()->heightSteps();
            EXPECT_EQ(steps[kAdc2], std::min(before + 2, RecordedChart::kMostHeightSteps));
        }
        ViewerWindow again(RecordedLayout::fromSettings(adcsAndEncoder()), choices);
        EXPECT_EQ(again.chart()->laneLayout(), c.layout);
        EXPECT_EQ(again.chart()->heightSteps(), steps);
        for (const char* name : {"viewer_layout_one", "viewer_layout_lanes", "viewer_layout_units"}) {
            EXPECT_EQ(again.findChild<QAction*>(QString::fromLatin1(name))->isChecked(),
                      QByteArray(name) == c.action)
                << name;
        }
        EXPECT_EQ(contents(config), configBefore);
    }
    EXPECT_TRUE(contents(choices).contains("Layout=one-axis")) << contents(choices).toStdString();
}

// The causes of errors are named in the interface's language, as the rest
// of the message, not in the system's English.
class ViewerWindowLanguageTest : public testing::LanguageTest {
protected:
    QTemporaryDir dir_;
};

TEST_F(ViewerWindowLanguageTest, ErrorsNameTheirCauseInTheInterfacesLanguage) {
    const QString missing = dir_.filePath(QStringLiteral("none.csv"));
    const QString folder = dir_.filePath(QStringLiteral("folder.csv"));
    ASSERT_TRUE(QDir(dir_.path()).mkdir(QStringLiteral("folder.csv")));
    const QString source = dir_.filePath(QStringLiteral("m.csv"));
    {
        QFile file(source);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        for (const std::string& line : linesOf(10, [](int i) { return static_cast<float>(i); })) {
            file.write(line.data(), static_cast<qint64>(line.size()));
        }
    }
    const QString noFolder = dir_.filePath(QStringLiteral("no/such/folder/out.csv"));
    struct Case {
        Language language;
        QString missing;
        QString folder;
        QString saveIntoNoFolder;
        QString saveOverSource;
    };
    const Case cases[] = {
        {Language::Polish, QStringLiteral("Nie można odczytać pliku %1: plik nie istnieje").arg(missing),
         QStringLiteral("Nie można odczytać pliku %1: w folderze nie ma plików pomiarowych").arg(folder),
         QStringLiteral("Nie można zapisać linii do %1: folder nie istnieje").arg(noFolder),
         QStringLiteral("Nie można zapisać linii do %1: linii nie można zapisać w pliku, z "
                        "którego pochodzą")
             .arg(source)},
        {Language::English, QStringLiteral("Cannot read the file %1: the file does not exist").arg(missing),
         QStringLiteral("Cannot read the file %1: the folder holds no measurement files").arg(folder),
         QStringLiteral("Cannot save the lines to %1: the folder does not exist").arg(noFolder),
         QStringLiteral("Cannot save the lines to %1: the lines cannot be saved in the file "
                        "they come from")
             .arg(source)},
    };
    for (const Case& c : cases) {
        use(c.language);
        ViewerWindow window(RecordedLayout::fromSettings(dateTimeAdc1AndOutputs()));
        EXPECT_FALSE(window.openFile(missing));
        EXPECT_EQ(window.statusBar()->currentMessage(), c.missing);
        EXPECT_FALSE(window.openFile(folder));
        EXPECT_EQ(window.statusBar()->currentMessage(), c.folder);
        ASSERT_TRUE(window.openFile(source));
        ASSERT_TRUE(waitFor([&] { return window.loader()->progress().finished; }));
        EXPECT_EQ(window.saveLines(noFolder), c.saveIntoNoFolder);
        EXPECT_EQ(window.saveLines(source), c.saveOverSource);
    }
}

#ifdef VOLTRIX_HAS_STREAM_FEEDER
// `voltrix-view <(cat file)`: every line of a pipe or a FIFO is shown, the
// ones read to tell its columns too, also when the columns are asked for.
TEST_F(ViewerWindowTest, EveryLineOfAPipeOrAFifoIsShown) {
    const std::vector<std::string> lines = linesOf(2000, [](int i) { return i * 0.5f; });
    std::string text;
    for (const std::string& line : lines) {
        text += line;
    }
    LogLineSettings otherStored = dateTimeAdc1AndOutputs();
    otherStored.set(LogColumn::Adc2);
    struct Case {
        const char* name;
        test::StreamFeeder::Kind kind;
        bool follow;
        LogLineSettings stored;
    };
    const Case cases[] = {
        {"pipe", test::StreamFeeder::Kind::Pipe, false, dateTimeAdc1AndOutputs()},
        {"pipe, followed", test::StreamFeeder::Kind::Pipe, true, dateTimeAdc1AndOutputs()},
        {"FIFO", test::StreamFeeder::Kind::Fifo, false, dateTimeAdc1AndOutputs()},
        {"FIFO, columns asked for", test::StreamFeeder::Kind::Fifo, false, otherStored},
        {"pipe, followed, columns asked for", test::StreamFeeder::Kind::Pipe, true, otherStored},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::StreamFeeder feeder(c.kind, dir_.filePath(QString::fromLatin1(c.name)).toStdString());
        ASSERT_TRUE(feeder.ok());
        // Takes the column dialog's first offer whenever it shows.
        bool dialogSeen = false;
        QTimer answer;
        QObject::connect(&answer, &QTimer::timeout, [&] {
            if (auto* dialog = qobject_cast<ColumnLayoutDialog*>(QApplication::activeModalWidget())) {
                dialogSeen = true;
                dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
            }
        });
        answer.start(10);
        feeder.feed(text);  // it waits for the reader once the pipe is full
        const auto window = open(QString::fromStdString(feeder.path()), c.stored, c.follow);
        ASSERT_TRUE(waitFor([&] { return window->loader() && window->loader()->progress().lines == 2000; }, 20000))
            << (window->loader() ? window->loader()->progress().lines : 0);
        EXPECT_EQ(dialogSeen, c.stored.columns != dateTimeAdc1AndOutputs().columns);
        EXPECT_EQ(window->fileLayout(), RecordedLayout::fromSettings(dateTimeAdc1AndOutputs()));
        if (!c.follow) {
            ASSERT_TRUE(waitFor([&] { return window->loader()->progress().finished; }, 20000));
        }
        QCoreApplication::processEvents();
        EXPECT_EQ(window->countsText(), c.follow ? QStringLiteral("Linie: 2000, pominięte: 0 (śledzony)")
                                                 : QStringLiteral("Linie: 2000, pominięte: 0"));
        const QCPRange x = window->chart()->xAxis->range();
        EXPECT_DOUBLE_EQ(x.lower, static_cast<double>(kStart) / 1000);
    }
}

// Files that would hold the viewer: it shows its window, then says why it
// gave them up, and its window stays responsive meanwhile.
TEST_F(ViewerWindowTest, AFileThatIsNoFileOfLinesIsGivenUpWithAMessage) {
    const QString fifo = dir_.filePath(QStringLiteral("no-writer"));
    ASSERT_EQ(::mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), dir_.filePath(QStringLiteral("zero"))));
    struct Case {
        QString path;
        QString cause;
    };
    const Case cases[] = {
        {QStringLiteral("/dev/zero"), QStringLiteral("to nie są linie tekstu (4 MB bez końca linii)")},
        {dir_.filePath(QStringLiteral("zero")),
         QStringLiteral("to nie są linie tekstu (4 MB bez końca linii)")},
        {fifo, QStringLiteral("to kolejka FIFO, do której nikt nie pisze")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        QString shown;
        QTimer answer;
        QObject::connect(&answer, &QTimer::timeout, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                shown = box->text();
                box->close();
            }
        });
        answer.start(10);
        ViewerWindow window(RecordedLayout::fromSettings(dateTimeAdc1AndOutputs()));
        window.show();
        EXPECT_TRUE(window.openFile(c.path));
        EXPECT_TRUE(window.isVisible());
        ASSERT_TRUE(waitFor([&] { return !shown.isEmpty(); }, 20000));
        EXPECT_EQ(shown, QStringLiteral("Nie można odczytać pliku %1: %2").arg(c.path, c.cause));
        // Given up: its thread ends (after its parser threads, on a loaded
        // machine a moment after the message).
        EXPECT_TRUE(waitFor([&] { return window.loader()->progress().finished; }));
    }
}
#endif

}  // namespace
}  // namespace voltrix
