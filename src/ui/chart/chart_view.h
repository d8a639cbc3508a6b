// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>

#include <QColor>
#include <QString>

#include "engine/protocol/quantities.h"
#include "qcustomplot.h"

// The time chart of the fourteen measured quantities: one line series each,
// a legend at the bottom whose check boxes show and hide the series (in as
// many columns, up to four, as leave every title whole), a time
// axis at the bottom and a value axis on the left.

namespace voltrix {

class ChartView : public QCustomPlot {
    Q_OBJECT

public:
    explicit ChartView(QWidget* parent = nullptr);

    // Whether series `index` (0..13, in the chart's order) is shown.
    bool seriesActive(int index) const;
    void setSeriesActive(int index, bool active);

    // Sets the limits of the time axis and redraws.
    void setTimeRange(double lower, double upper);

    // Takes one point of every series from `m` at the chart clock, which
    // then grows by 0.1 s. The time axis shows the last `windowSeconds`
    // (from 0 until the clock passes them); the value axis fits the shown
    // series within that window. Points far behind the widest window are
    // dropped once a minute, so memory and drawing time stay bounded however
    // long it runs.
    void takePoint(const Measurement& m, int windowSeconds);

    // The time of the next point, in seconds.
    double clock() const { return pointsTaken_ * kSecondsPerPoint; }

    static constexpr double kSecondsPerPoint = 0.1;
    static constexpr double kKeptSeconds = 600 + 60;
    static constexpr int kPointsPerTrim = 600;
    // What a series holds at most: the kept history and a minute before the
    // trim. Each series has room for it from the start, so that the chart's
    // memory does not grow as the history fills.
    static constexpr int kMaxPoints =
        static_cast<int>(kKeptSeconds / kSecondsPerPoint) + kPointsPerTrim + 1;
    // One pixel: the raster engine draws one-pixel lines on a fast path,
    // wider ones as filled outlines at several times the cost.
    static constexpr double kLineWidth = 1;

    // A legend entry is its check box, a gap, the series' colour, a gap and
    // the title.
    static constexpr int kLegendBox = 11;
    static constexpr int kLegendSymbol = 10;
    static constexpr int kLegendGap = 4;
    static constexpr int kLegendTitleLeft = kLegendBox + kLegendGap + kLegendSymbol + kLegendGap;

    void setAxisTitles(const QString& time, const QString& value);

    // Series titles in the active language.
    void retranslate();

    QCPGraph* series(int index) const { return series_[index]; }

    // The legend's rows of long titles must not dictate the window's width.
    QSize minimumSizeHint() const override { return {320, 240}; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void fitValueAxis();
    void fitLegendColumns(int width);

    // Legend columns where the width allows.
    static constexpr int kLegendColumns = 4;
    QCPLayoutGrid* legendRow_ = nullptr;

    std::array<QCPGraph*, kQuantityCount> series_{};
    std::uint64_t pointsTaken_ = 0;
};

// Colour and Polish title of each series, in the chart's order.
QColor chartSeriesColour(int index);
QString chartSeriesTitle(int index);

}  // namespace voltrix
