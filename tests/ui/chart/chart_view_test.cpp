// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/chart/chart_view.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include <QImage>

namespace voltrix {
namespace {

const QRgb kRed = qRgb(255, 0, 0);  // the first series

// Ten minutes of the first ADC value, 5.0 throughout, with the other
// series hidden.
class ChartDrawing : public testing::Test {
protected:
    void fill(const std::vector<float>& values) {
        chart.resize(753, 508);
        for (int i = 1; i < static_cast<int>(kQuantityCount); ++i) {
            chart.setSeriesActive(i, false);
        }
        for (float value : values) {
            Measurement m;
            m.adc[0].value = value;
            chart.takePoint(m, 600);
        }
        chart.replot(QCustomPlot::rpImmediateRefresh);
        image = chart.toPixmap(753, 508).toImage().convertToFormat(QImage::Format_RGB32);
    }

    int column(double seconds) const {
        return static_cast<int>(chart.xAxis->coordToPixel(seconds));
    }
    int row(double value) const { return static_cast<int>(chart.yAxis->coordToPixel(value)); }

    // The rows of `x` in the series' colour, top and bottom, or {-1, -1}.
    std::pair<int, int> redRows(int x) const {
        int top = -1;
        int bottom = -1;
        for (int y = 0; y < image.height(); ++y) {
            if (image.pixel(x, y) == kRed) {
                top = top < 0 ? y : top;
                bottom = y;
            }
        }
        return {top, bottom};
    }

    ChartView chart;
    QImage image;
};

TEST_F(ChartDrawing, AFlatLineCrossesTheWholeWindowAtItsValue) {
    fill(std::vector<float>(6000, 5.0f));
    // (Not at the very edges, where the axis ticks are drawn over the line.)
    for (double seconds : {10.0, 150.0, 300.0, 450.0, 590.0}) {
        SCOPED_TRACE(seconds);
        const auto [top, bottom] = redRows(column(seconds));
        EXPECT_NEAR(top, row(5.0), 1);
        EXPECT_NEAR(bottom, row(5.0), 1);
    }
}

// Among ten points per pixel column a single sample off the line, in the
// middle of its column, must still show at its full height.
TEST_F(ChartDrawing, ASingleSpikeAmongThousandsIsDrawnToItsTip) {
    fill(std::vector<float>(6000, 5.0f));  // the value axis fits 4..6
    const auto pixelOf = [&](int i) { return column(i * ChartView::kSecondsPerPoint); };
    int spike = 3000;
    while (pixelOf(spike - 1) != pixelOf(spike) || pixelOf(spike + 1) != pixelOf(spike)) {
        ++spike;
    }
    (chart.series(0)->data()->begin() + spike)->value = 5.8;
    chart.replot(QCustomPlot::rpImmediateRefresh);
    image = chart.toPixmap(753, 508).toImage().convertToFormat(QImage::Format_RGB32);

    const auto [top, bottom] = redRows(pixelOf(spike));
    EXPECT_NEAR(top, row(5.8), 1);
    EXPECT_NEAR(bottom, row(5.0), 1);
    const auto [flatTop, flatBottom] = redRows(column(200.0));
    EXPECT_EQ(flatTop, flatBottom);
}

TEST_F(ChartDrawing, ValuesThatAreNoNumbersLeaveAGap) {
    std::vector<float> values(6000, 5.0f);
    for (int i = 2000; i < 2500; ++i) {
        values[i] = std::numeric_limits<float>::infinity();
    }
    fill(values);
    EXPECT_EQ(redRows(column(225.0)).first, -1);
    EXPECT_NE(redRows(column(190.0)).first, -1);
    EXPECT_NE(redRows(column(260.0)).first, -1);
}

// Antialiased, the series is drawn by the chart library's own path: the
// line is still where the data says.
TEST_F(ChartDrawing, AnAntialiasedSeriesIsStillDrawn) {
    chart.setNotAntialiasedElements(QCP::aeNone);
    chart.series(0)->setAntialiased(true);
    std::vector<float> values(6000, 5.0f);
    values[3000] = 9.0f;  // the value axis fits 4.8..9.2
    fill(values);
    int reddish = 0;
    const int x = column(300.0);
    for (int y = row(9.0) - 1; y <= row(5.0) + 1; ++y) {
        reddish += qRed(image.pixel(x, y)) > 150 && qGreen(image.pixel(x, y)) < 100 ? 1 : 0;
    }
    EXPECT_GE(reddish, (row(5.0) - row(9.0)) / 2);
}

}  // namespace
}  // namespace voltrix
