// SPDX-License-Identifier: GPL-3.0-or-later
// A full redraw of the chart at its usual size with fourteen series over a
// 600 s window at 10 points per second (84,000 points), timed against Qt
// Charts drawing the same data at the same size in the same run: with the
// chart's own one-pixel pens, with and without antialiasing, and with Qt
// Charts' own default pens. The reporter prints the CPU time of a redraw and
// the ratios.

#include <benchmark/benchmark.h>

#include "median_reporter.h"

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <QApplication>
#include <QImage>
#include <QPainter>

#include "engine/protocol/quantities.h"
#include "ui/chart/chart_view.h"

#ifdef VOLTRIX_HAVE_QT_CHARTS
#include <QChart>
#include <QChartView>
#include <QLineSeries>
#include <QValueAxis>
#endif

namespace {

constexpr int kWidth = 753;
constexpr int kHeight = 508;
constexpr int kWindowSeconds = 600;
constexpr int kPoints = 6000;  // 600 s at 10 points per second

// Slow waves with a little noise, each quantity in a range of its own kind.
std::vector<voltrix::Measurement> sampleMeasurements() {
    std::mt19937 random(4711);
    std::normal_distribution<float> noise(0.0f, 0.05f);
    std::vector<voltrix::Measurement> out(kPoints);
    for (int i = 0; i < kPoints; ++i) {
        const double t = i * voltrix::ChartView::kSecondsPerPoint;
        voltrix::Measurement& m = out[i];
        for (int a = 0; a < 4; ++a) {
            const float wave = 5.0f + 4.0f * static_cast<float>(std::sin(t / (7.0 + 3 * a) + a));
            m.adc[a].value = wave + noise(random);
            m.adc[a].average = wave;
        }
        for (int e = 0; e < 2; ++e) {
            m.enc[e].position = static_cast<float>(std::fmod(t * (1.5 + e), 20.0));
            m.enc[e].velocity = static_cast<float>(3.0 * std::cos(t / (11.0 + e))) + noise(random);
        }
        m.math[0] = m.adc[0].value - m.adc[1].value;
        m.math[1] = m.adc[2].value * 0.5f;
    }
    return out;
}

const std::vector<voltrix::Measurement>& measurements() {
    static const std::vector<voltrix::Measurement> data = sampleMeasurements();
    return data;
}

// The chart as the program sets it up, or with its series antialiased.
std::unique_ptr<voltrix::ChartView> filledChart(bool antialiased) {
    auto chart = std::make_unique<voltrix::ChartView>();
    chart->resize(kWidth, kHeight);
    for (const voltrix::Measurement& m : measurements()) {
        chart->takePoint(m, kWindowSeconds);
    }
    if (antialiased) {
        chart->setNotAntialiasedElements(QCP::aeNone);
        for (int i = 0; i < static_cast<int>(voltrix::kQuantityCount); ++i) {
            chart->series(i)->setAntialiased(true);
        }
    }
    chart->show();
    chart->replot(QCustomPlot::rpImmediateRefresh);
    QApplication::processEvents();
    return chart;
}

void chartRedraw(benchmark::State& state, bool antialiased) {
    auto chart = filledChart(antialiased);
    for (auto _ : state) {
        chart->replot(QCustomPlot::rpImmediateRefresh);
    }
    state.counters["points"] = static_cast<double>(chart->series(0)->dataCount() *
                                                   static_cast<int>(voltrix::kQuantityCount));
}

void BM_ChartView(benchmark::State& state) {
    chartRedraw(state, false);
}
void BM_ChartView_Antialiased(benchmark::State& state) {
    chartRedraw(state, true);
}
BENCHMARK(BM_ChartView)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ChartView_Antialiased)->Unit(benchmark::kMillisecond);

#ifdef VOLTRIX_HAVE_QT_CHARTS

// The same data in fourteen line series, the axes fitted as the chart fits them.
// With `ownPens` false the series keep the width of Qt Charts' theme and
// take only the chart's colours.
std::unique_ptr<QChartView> filledQtChart(bool antialiased, bool ownPens = true) {
    auto* chart = new QChart;
    chart->legend()->setAlignment(Qt::AlignBottom);
    auto* timeAxis = new QValueAxis;
    auto* valueAxis = new QValueAxis;
    chart->addAxis(timeAxis, Qt::AlignBottom);
    chart->addAxis(valueAxis, Qt::AlignLeft);
    double lowest = INFINITY;
    double highest = -INFINITY;
    for (std::size_t q = 0; q < voltrix::kQuantityCount; ++q) {
        QList<QPointF> points;
        points.reserve(kPoints);
        for (int i = 0; i < kPoints; ++i) {
            const double y = voltrix::quantityValue(measurements()[i], q);
            points.append({i * voltrix::ChartView::kSecondsPerPoint, y});
            lowest = std::min(lowest, y);
            highest = std::max(highest, y);
        }
        auto* series = new QLineSeries;
        series->setName(voltrix::chartSeriesTitle(static_cast<int>(q)));
        series->replace(points);
        chart->addSeries(series);  // the theme sets the pen here
        QPen pen = series->pen();
        pen.setColor(voltrix::chartSeriesColour(static_cast<int>(q)));
        if (ownPens) {
            pen.setWidthF(voltrix::ChartView::kLineWidth);
        }
        series->setPen(pen);
        series->attachAxis(timeAxis);
        series->attachAxis(valueAxis);
    }
    timeAxis->setRange(0, kWindowSeconds);
    const double margin = (highest - lowest) * 0.05;
    valueAxis->setRange(lowest - margin, highest + margin);

    auto view = std::make_unique<QChartView>(chart);
    view->setRenderHint(QPainter::Antialiasing, antialiased);
    view->resize(kWidth, kHeight);
    view->show();
    QApplication::processEvents();
    view->grab();  // lays the chart out once before the timing
    return view;
}

void qtChartsRedraw(benchmark::State& state, bool antialiased, bool ownPens = true) {
    auto view = filledQtChart(antialiased, ownPens);
    QImage image(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing, antialiased);
        view->render(&painter);
    }
    benchmark::DoNotOptimize(image.constBits());
}

void BM_QtCharts(benchmark::State& state) {
    qtChartsRedraw(state, true);
}
void BM_QtCharts_NoAntialiasing(benchmark::State& state) {
    qtChartsRedraw(state, false);
}
void BM_QtCharts_ThemePens(benchmark::State& state) {
    qtChartsRedraw(state, true, false);
}
BENCHMARK(BM_QtCharts)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QtCharts_NoAntialiasing)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QtCharts_ThemePens)->Unit(benchmark::kMillisecond);

#endif

// Prints the usual table, then each redraw time and its ratio to Qt Charts.
class RatioReporter : public MedianReporter {
public:
    RatioReporter() : MedianReporter(isatty(STDOUT_FILENO) ? OO_Defaults : OO_Tabular) {}

    void Finalize() override {
        ConsoleReporter::Finalize();
        compare("as drawn by the program, against Qt Charts with the same pens", "BM_ChartView",
                "BM_QtCharts_NoAntialiasing");
        compare("antialiased, against Qt Charts antialiased with the same pens",
                "BM_ChartView_Antialiased", "BM_QtCharts");
        compare("as drawn by the program, against Qt Charts with its theme's pens", "BM_ChartView",
                "BM_QtCharts_ThemePens");
    }

private:
    void compare(const char* what, const std::string& ours, const std::string& theirs) {
        const auto own = cpuTime(ours);  // ms per redraw
        if (!own) {
            return;
        }
        const auto other = cpuTime(theirs);
        if (!other || *other <= 0) {
            std::printf("Chart redraw, %s: QCustomPlot %.2f ms (Qt Charts not measured)\n", what,
                        *own);
            return;
        }
        std::printf("Chart redraw, %s: QCustomPlot %.2f ms, Qt Charts %.2f ms, ratio %.2f\n", what,
                    *own, *other, *own / *other);
    }
};

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
