// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <algorithm>
#include <cmath>

#include <QLine>
#include <QList>
#include <QPointF>

// A one-pixel line through many points per pixel column covers, in each
// column, one vertical run of pixels: from the lowest to the highest point
// it passes there. Drawing those runs instead of every segment gives the
// same picture for a fraction of the work when a long history is squeezed
// into the width of a chart.

namespace voltrix {

// Collects the lines that draw a polyline one pixel wide without
// antialiasing, point by point in pixel coordinates with x never
// decreasing. Points in the same column (pixel x from floor(x)) merge into
// a vertical span; a step to the next column splits at half height between
// the two points, so that neighbouring spans meet; a step over more than
// one column stays a segment of its own. A point with a NaN coordinate, or
// breakLine(), ends the line, as a gap in the data does.
class ColumnSpanBuilder {
public:
    void add(QPointF p) {
        // Most points fall into the column of the point before: they only
        // widen its span, kept unrounded until the column is done (the floor
        // keeps the order, so the rounded span is the same). A NaN x fails
        // the comparison.
        const double x = p.x();
        const double y = p.y();
        if (open_ && x >= columnStart_ && x < columnStart_ + 1 && std::isfinite(y)) {
            widen(y);
        } else {
            addToAnotherColumn(x, y);
        }
    }
    void breakLine();
    // Ends the line in progress and gives every line collected.
    const QList<QLine>& lines();
    // Starts afresh, keeping the room of the lines for the next polyline.
    void clear();

private:
    // Another point of the open column.
    void widen(double y) {
        low_ = std::min(low_, y);
        high_ = std::max(high_, y);
        lastY_ = y;
    }
    void addToAnotherColumn(double x, double y);
    void closeColumn();

    QList<QLine> lines_;
    bool open_ = false;  // whether the fields below belong to a line in progress
    int column_ = 0;
    double columnStart_ = 0;  // column_ as a coordinate
    double low_ = 0;          // the span of the column so far, not yet rounded
    double high_ = 0;
    double lastY_ = 0;
};

}  // namespace voltrix
