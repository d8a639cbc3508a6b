// SPDX-License-Identifier: GPL-3.0-or-later
#include "view_window_bench.h"

#include <algorithm>
#include <atomic>
#include <chrono>

#include <QApplication>
#include <QPixmap>

#include "engine/recorded/recorded_file_loader.h"
#include "ui/viewer/recorded_chart.h"
#include "ui/viewer/viewer_window.h"

namespace voltrix {
namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

}  // namespace

ViewerWindowFigures measureViewerWindow(const std::filesystem::path& path,
                                        const RecordedLayout& layout) {
    ViewerWindowFigures figures;
    RecordedChart chart;
    chart.resize(1920, 1080);
    chart.show();
    QApplication::processEvents();

    // The window's way: the loader's first chunk arrives through the event
    // loop, and the chart draws what is there.
    std::atomic<bool> firstChunk{false};
    const auto start = Clock::now();
    RecordedFileLoader::Options options;
    options.parserThreads = ChunkParserPool::defaultThreads();
    RecordedFileLoader loader(path, layout, options, [&](const RecordedLoadProgress& progress) {
        if (progress.lines > 0) {
            firstChunk = true;
        }
    });
    while (!firstChunk) {
        QApplication::processEvents(QEventLoop::AllEvents, 1);
    }
    chart.setLoader(&loader);
    chart.replot(QCustomPlot::rpImmediateRefresh);
    figures.firstPictureMs = msSince(start);

    loader.waitFor([](const RecordedLoadProgress& p) { return p.finished; }, std::chrono::hours(1));
    figures.loadedMs = msSince(start);
    chart.dataGrew();
    chart.showWholeFile();
    chart.replot(QCustomPlot::rpImmediateRefresh);  // warm
    constexpr int kRedraws = 20;
    double total = 0;
    figures.redrawMs = 1e9;
    for (int i = 0; i < kRedraws; ++i) {
        const auto redraw = Clock::now();
        chart.replot(QCustomPlot::rpImmediateRefresh);
        const double ms = msSince(redraw);
        total += ms;
        figures.redrawMs = std::min(figures.redrawMs, ms);
    }
    figures.meanRedrawMs = total / kRedraws;

    // Ten seconds at places spread over the file, none read before.
    const QCPRange whole = chart.xAxis->range();
    constexpr int kZooms = 25;
    double zoomTotal = 0;
    for (int i = 0; i < kZooms; ++i) {
        const double at = whole.lower + (whole.size() - 10) * (0.02 + 0.96 * i / (kZooms - 1));
        const auto zoom = Clock::now();
        chart.xAxis->setRange(at, at + 10);
        chart.replot(QCustomPlot::rpImmediateRefresh);
        const double ms = msSince(zoom);
        zoomTotal += ms;
        figures.slowestZoomMs = std::max(figures.slowestZoomMs, ms);
    }
    figures.meanZoomMs = zoomTotal / kZooms;
    figures.zooms = kZooms;
    chart.setLoader(nullptr);
    return figures;
}

bool saveViewerPicture(const std::filesystem::path& path, const RecordedLayout& layout,
                       const char* picture) {
    ViewerWindow window(layout);
    window.resize(1500, 950);
    window.show();
    window.setLaneLayout(LaneLayout::LanesByUnit);
    if (!window.openFile(QString::fromStdString(path.string()), layout)) {
        return false;
    }
    window.loader()->waitFor([](const RecordedLoadProgress& p) { return p.finished; },
                             std::chrono::hours(1));
    for (int i = 0; i < 20; ++i) {
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    window.chart()->replot(QCustomPlot::rpImmediateRefresh);
    // The cursor at two thirds of the hour, so the readout shows.
    const double x = window.chart()->xAxis->range().lower +
                     window.chart()->xAxis->range().size() * 2 / 3;
    window.chart()->setCursorX(x);
    emit window.chart()->cursorMoved(x);
    QApplication::processEvents();
    return window.grab().save(QString::fromUtf8(picture));
}

}  // namespace voltrix
