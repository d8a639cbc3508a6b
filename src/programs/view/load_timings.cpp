// SPDX-License-Identifier: GPL-3.0-or-later
#include "load_timings.h"

#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>

#include <QApplication>
#include <QTimer>

#include "ui/viewer/viewer_window.h"

namespace voltrix {
namespace {

long long monotonicNanoseconds() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// The peak resident memory in kB (Linux); -1 elsewhere.
long peakResidentKilobytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) {
            return std::stol(line.substr(6));
        }
    }
    return -1;
}

}  // namespace

void reportLoadTimingsIfAsked(ViewerWindow& window) {
    if (qEnvironmentVariableIsEmpty("VOLTRIX_VIEW_TIMINGS")) {
        return;
    }
    std::fprintf(stderr, "voltrix-view timings: window-shown %lld\n", monotonicNanoseconds());
    const auto pictured = std::make_shared<bool>(false);
    QObject::connect(window.chart(), &QCustomPlot::afterReplot, &window, [&window, pictured] {
        if (!*pictured && window.loader() != nullptr && window.loader()->progress().lines > 0) {
            *pictured = true;
            std::fprintf(stderr, "voltrix-view timings: first-picture %lld\n",
                         monotonicNanoseconds());
        }
    });
    auto* poll = new QTimer(&window);
    QObject::connect(poll, &QTimer::timeout, &window, [&window, poll, pictured] {
        const RecordedFileLoader* loader = window.loader();
        // Every line read and shown: the index may still be being kept.
        if (loader == nullptr || !loader->progress().caughtUp || !*pictured) {
            return;
        }
        poll->stop();
        const RecordedLoadProgress state = loader->progress();
        std::fprintf(stderr,
                     "voltrix-view timings: loaded %lld lines %zu bytes-from-cache %llu "
                     "peak-kb %ld\n",
                     monotonicNanoseconds(), state.lines,
                     static_cast<unsigned long long>(state.bytesFromCache),
                     peakResidentKilobytes());
        QApplication::quit();
    });
    poll->start(5);
}

}  // namespace voltrix
