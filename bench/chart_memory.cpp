// SPDX-License-Identifier: GPL-3.0-or-later
// An hour of streaming with the chart page in view, fast-forwarded: every
// simulated tenth of a second one measurement report goes through the window's
// report path and the chart takes its point; the chart redraws once per
// simulated minute (a redraw of the full window costs far more than a point,
// and drawing allocates nothing that stays). Prints the resident memory every simulated five
// minutes and what a point and a redraw cost. voltrix-chart-memory [minutes]

#include <bit>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include <QApplication>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>

#include "device/virtual/virtual_hid_backend.h"
#include "ui/chart/chart_view.h"
#include "proc_status.h"
#include "ui/window/tfmain.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kPointsPerSecond = 10;
constexpr int kPointsPerRedraw = 60 * kPointsPerSecond;
constexpr int kPointsPerMark = 5 * 60 * kPointsPerSecond;

// A measurement report (without its report ID) with slowly varying values.
std::vector<std::uint8_t> measurementReport(int index) {
    std::vector<std::uint8_t> r(64, 0);
    auto put = [&r](std::size_t offset, float value) {
        const auto bits = std::bit_cast<std::uint32_t>(value);
        for (int b = 0; b < 4; ++b) {
            r[offset + b] = static_cast<std::uint8_t>(bits >> (8 * b));
        }
    };
    const double t = index / static_cast<double>(kPointsPerSecond);
    for (std::size_t e = 0; e < 2; ++e) {
        const std::size_t enc = e == 0 ? 1 : 10;
        put(enc + 1, static_cast<float>(3.0 * std::cos(t / (11.0 + e))));
        put(enc + 5, static_cast<float>(std::fmod(t * (1.5 + e), 20.0)));
    }
    int a = 0;
    for (std::size_t adc : {19u, 28u, 37u, 46u}) {
        const float wave = 5.0f + 4.0f * static_cast<float>(std::sin(t / (7.0 + 3 * a) + a));
        put(adc + 1, wave + 0.05f * static_cast<float>(std::sin(index * 1.7)));
        put(adc + 5, wave);
        ++a;
    }
    put(55, static_cast<float>(std::sin(t / 5.0)));
    put(59, static_cast<float>(std::cos(t / 5.0)));
    return r;
}

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    const int minutes = argc > 1 ? std::atoi(argv[1]) : 60;
    const int points = minutes * 60 * kPointsPerSecond;

    // No module is plugged in: the reports come from here alone.
    QTemporaryDir scratch;
    voltrix::VirtualHidBackend bus;
    voltrix::WindowEnvironment environment;
    environment.settingsDirectory = scratch.path();
    environment.hidBackend = &bus;
    voltrix::TFMain window(environment);
    window.findChild<QSpinBox*>(QStringLiteral("UpDown"))->setValue(600);
    window.show();
    auto* pages = window.findChild<QTabWidget*>(QStringLiteral("PageControl1"));
    pages->setCurrentWidget(window.findChild<QWidget*>(QStringLiteral("TabSheet2")));
    QApplication::processEvents();

    // A varied cycle of reports, built before the timing.
    std::vector<std::vector<std::uint8_t>> reports;
    for (int i = 0; i < 997; ++i) {
        reports.push_back(measurementReport(i));
    }

    std::printf("chart %dx%d, window 600 s\n", window.chart()->width(), window.chart()->height());
    std::printf("%8s %10s %8s\n", "minute", "RSS KiB", "points");
    std::printf("%8d %10ld %8d\n", 0, voltrix::bench::residentKilobytes(), 0);
    double pointMs = 0;
    double redrawMs = 0;
    int redraws = 0;
    for (int i = 1; i <= points; ++i) {
        const auto start = Clock::now();
        window.ReportReceived(reports[static_cast<std::size_t>(i) % reports.size()]);
        window.ChartTimerTimer();
        pointMs += msSince(start);
        if (i % kPointsPerRedraw == 0) {
            const auto redrawStart = Clock::now();
            QApplication::processEvents();  // the queued redraw
            redrawMs += msSince(redrawStart);
            ++redraws;
        }
        if (i % kPointsPerMark == 0) {
            std::printf("%8d %10ld %8d\n", i / (60 * kPointsPerSecond), voltrix::bench::residentKilobytes(),
                        window.chart()->series(0)->dataCount());
            std::fflush(stdout);
        }
    }
    std::printf("per point (report path and chart point): %.1f us\n", 1e3 * pointMs / points);
    std::printf("per redraw (once per simulated minute): %.2f ms over %d redraws\n",
                redraws > 0 ? redrawMs / redraws : 0.0, redraws);
    return 0;
}
