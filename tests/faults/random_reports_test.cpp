// SPDX-License-Identifier: GPL-3.0-or-later
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <random>
#include <vector>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFrame>
#include <QLineEdit>
#include <QLocale>
#include <QTabWidget>
#include <QTimer>

#include "measurement_file.h"
#include "measurement_report.h"
#include "ui/window/window_fixture.h"

namespace voltrix {
namespace {

using testing::measurementReport;
using testing::WindowTest;
using Bytes = std::vector<std::uint8_t>;

constexpr int kRandomReports = 100000;
constexpr std::size_t kLongestRandomReport = 200;

// Random input reports: any length up to kLongestRandomReport, mostly of the
// three known types with a parameter id and channel the module has, so that
// every handler sees nonsense, and now and then of an unknown type.
class RandomReports {
public:
    Bytes next() {
        Bytes report(std::uniform_int_distribution<std::size_t>(0, kLongestRandomReport)(random_));
        for (std::uint8_t& byte : report) {
            byte = static_cast<std::uint8_t>(random_());
        }
        if (report.empty()) {
            return report;
        }
        const unsigned type = std::uniform_int_distribution<unsigned>(0, 9)(random_);
        if (type < 9) {
            report[0] = static_cast<std::uint8_t>(type % 3);
            if (report.size() > 2 && report[0] != 0) {
                report[1] = static_cast<std::uint8_t>(random_() % 34);
                report[2] = static_cast<std::uint8_t>(random_() % 8);
            }
        }
        return report;
    }

private:
    std::mt19937 random_{20240611};
};

using RandomReportsTest = WindowTest;

// Nonsense from the module neither stops the window nor spoils the file: a
// good report afterwards shows as usual, and every line is whole.
TEST_F(RandomReportsTest, AGoodReportAfterAHundredThousandBadOnesIsShownAndLogged) {
    const QString path = dir_.filePath(QStringLiteral("random.csv"));
    auto window = open();
    window->show();
    find<QTabWidget>(*window, "PageControl1")->setCurrentIndex(0);
    find<QLineEdit>(*window, "file_name_edit")->setText(path);
    window->save_buttonClick();
    ASSERT_TRUE(window->loggingOn());

    RandomReports reports;
    for (int i = 0; i < kRandomReports; ++i) {
        const Bytes report = reports.next();
        window->ReportReceived(report);
        if (i % 1000 == 0) {
            QCoreApplication::processEvents();  // timers and painting, as in the program
        }
    }
    window->ReportReceived(measurementReport(1.5f, 0b101001));

    // Still responsive: a fresh timer fires, and the window's own refresh
    // timer shows the good report.
    bool fired = false;
    QTimer::singleShot(1, [&fired] { fired = true; });
    constexpr qint64 kGenerousMs = 10000;  // sanitizer builds are slow
    EXPECT_TRUE(waitFor([&] { return fired; }, kGenerousMs));
    EXPECT_TRUE(
        waitFor([&] { return text(*window, "Edit1adc1") == number(" 1.50 [V]"); }, kGenerousMs))
        << text(*window, "Edit1adc1").toStdString();
    EXPECT_EQ(text(*window, "Edit1adc4"), number(" 1.50 [V]"));
    EXPECT_EQ(text(*window, "Edit1math2"), number(" 2.50 [...]"));
    EXPECT_EQ(text(*window, "Edit1_encv2"), number(" 3.50 [obr/sek]"));
    EXPECT_THAT(lamps(*window), ::testing::ElementsAre(true, false, false, true, false, true));
    EXPECT_TRUE(errors.empty());  // no error box for anything the module sends

    window->save_buttonClick();  // closes the file
    const std::uint32_t measurements = window->session().measurementCount();
    ASSERT_GT(measurements, 1u);
    std::vector<std::int64_t> counters;
    const QByteArray contents = testing::fileContents(path);
    ASSERT_TRUE(testing::WholeLines(contents, counters));
    ASSERT_EQ(counters.size(), measurements);
    EXPECT_TRUE(testing::RiseByOne(counters, 0));
    const QByteArray last = contents.chopped(2).sliced(contents.chopped(2).lastIndexOf('\n') + 1);
    EXPECT_EQ(last.split(';')[testing::kAdc1Column], number("1.50").toLatin1());
}

}  // namespace
}  // namespace voltrix
