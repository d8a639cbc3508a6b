// SPDX-License-Identifier: GPL-3.0-or-later
// The window's thread under the full load of the module: the virtual module
// streams at 1 kHz, every column is logged, and the chart page is in view.
// Prints the CPU time the window's thread used per second of wall time, and
// what the periodic close of the measurement file (with its sync to disk)
// costs. voltrix-window-load [seconds] [directory for the measurement file]

#include <time.h>

#include <chrono>
#include <cstdio>

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>

#include "device/virtual/virtual_hid_backend.h"
#include "engine/logging/measurement_log.h"
#include "ui/window/tfmain.h"

namespace {

double threadCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// Runs the event loop, sleeping when there is nothing to do, as the program does.
void runFor(int milliseconds) {
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

// One second of lines at 1 kHz, then the close that syncs them to disk.
void measureClose(const QString& directory) {
    const QString path = directory + QStringLiteral("/close-cost.csv");
    const std::string line(150, 'x');
    const std::string withEnd = line + "\r\n";
    double worst = 0;
    double total = 0;
    constexpr int kRounds = 10;
    for (int round = 0; round < kRounds; ++round) {
        voltrix::MeasurementLog log;
        for (int i = 0; i < 1000; ++i) {
            log.append(path, withEnd);
        }
        log.requestClose();
        const auto start = std::chrono::steady_clock::now();
        log.append(path, withEnd);  // writes, syncs and closes
        const double ms =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count();
        worst = std::max(worst, ms);
        total += ms;
    }
    std::printf("periodic close with sync, %s: mean %.2f ms, worst %.2f ms\n",
                qPrintable(directory), total / kRounds, worst);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 10;
    QTemporaryDir scratch(
        argc > 2 ? QString::fromLocal8Bit(argv[2]) + QStringLiteral("/load-XXXXXX") : QString());
    voltrix::VirtualHidBackend bus;
    bus.plugModule();
    voltrix::WindowEnvironment environment;
    environment.settingsDirectory = scratch.path();
    environment.hidBackend = &bus;
    voltrix::TFMain window(environment);
    window.show();
    runFor(500);  // connect

    for (QCheckBox* box : window.findChildren<QCheckBox*>()) {
        if (box->objectName().startsWith(QStringLiteral("save_"))) {
            box->setChecked(true);
        }
    }
    window.findChild<QLineEdit*>(QStringLiteral("file_name_edit"))
        ->setText(scratch.filePath(QStringLiteral("load.csv")));
    window.save_buttonClick();
    auto* pages = window.findChild<QTabWidget*>(QStringLiteral("PageControl1"));
    pages->setCurrentWidget(window.findChild<QWidget*>(QStringLiteral("TabSheet2")));
    runFor(1000);

    const std::uint32_t reportsBefore = window.session().measurementCount();
    const double cpuBefore = threadCpuSeconds();
    QElapsedTimer wall;
    wall.start();
    runFor(seconds * 1000);
    const double cpu = threadCpuSeconds() - cpuBefore;
    const double elapsed = wall.elapsed() / 1000.0;
    const std::uint32_t reports = window.session().measurementCount() - reportsBefore;

    std::printf("connected: %s, %u reports in %.1f s (%.0f per second)\n",
                window.connected() ? "yes" : "no", reports, elapsed, reports / elapsed);
    std::printf("window thread CPU: %.1f%% of one core (logging all columns, chart shown)\n",
                100.0 * cpu / elapsed);
    window.save_buttonClick();
    measureClose(scratch.path());
    return 0;
}
