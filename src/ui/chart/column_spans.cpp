// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/chart/column_spans.h"

#include <algorithm>
#include <cmath>

namespace voltrix {
namespace {

// Pixel coordinates far outside any screen are clamped, so that the
// conversion to int stays defined; such points are off the chart anyway.
// This is the floor without a library call.
int pixel(double coordinate) {
    constexpr double kLimit = 1 << 24;
    const double c = std::clamp(coordinate, -kLimit, kLimit);
    const int truncated = static_cast<int>(c);
    return c < truncated ? truncated - 1 : truncated;
}

}  // namespace

// The first point of a column, a gap, or a point far off.
void ColumnSpanBuilder::addToAnotherColumn(double x, double y) {
    if (!std::isfinite(x) || !std::isfinite(y)) {
        breakLine();
        return;
    }
    const int column = pixel(x);
    if (open_ && column == column_) {  // clamped far off: the same column
        widen(y);
        return;
    }
    double joinY = y;  // where the new column's span starts
    if (open_ && column == column_ + 1) {
        // The segment crosses into the next column at half height.
        joinY = pixel((lastY_ + y) / 2);
        low_ = std::min(low_, joinY);
        high_ = std::max(high_, joinY);
        closeColumn();
    } else if (open_) {
        // A long step (or one backwards): the segment itself.
        closeColumn();
        lines_.append(QLine(column_, pixel(lastY_), column, pixel(y)));
    }
    column_ = column;
    columnStart_ = column;
    low_ = std::min(y, joinY);
    high_ = std::max(y, joinY);
    lastY_ = y;
    open_ = true;
}

void ColumnSpanBuilder::closeColumn() {
    lines_.append(QLine(column_, pixel(low_), column_, pixel(high_)));
}

void ColumnSpanBuilder::breakLine() {
    if (open_) {
        closeColumn();
        open_ = false;
    }
}

const QList<QLine>& ColumnSpanBuilder::lines() {
    breakLine();
    return lines_;
}

void ColumnSpanBuilder::clear() {
    lines_.clear();
    open_ = false;
}

}  // namespace voltrix
