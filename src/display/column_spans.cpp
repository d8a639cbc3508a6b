#include "display/column_spans.h"

#include <algorithm>
#include <cmath>

namespace voltrix {
namespace {

// Pixel coordinates far outside any screen are clamped, so that the
// conversion to int stays defined; such points are off the chart anyway.
// This is the floor without a library call: it runs for every point drawn.
int pixel(double coordinate) {
    constexpr double kLimit = 1 << 24;
    const double c = std::clamp(coordinate, -kLimit, kLimit);
    const int truncated = static_cast<int>(c);
    return c < truncated ? truncated - 1 : truncated;
}

}  // namespace

void ColumnSpanBuilder::add(QPointF p) {
    if (!std::isfinite(p.x()) || !std::isfinite(p.y())) {
        breakLine();
        return;
    }
    const int column = pixel(p.x());
    const int y = pixel(p.y());
    if (open_ && column == column_) {
        low_ = std::min(low_, y);
        high_ = std::max(high_, y);
    } else {
        int joinY = y;  // where the new column's span starts
        if (open_ && column == column_ + 1) {
            // The segment crosses into the next column at half height.
            joinY = pixel((lastY_ + p.y()) / 2);
            low_ = std::min(low_, joinY);
            high_ = std::max(high_, joinY);
            lines_.append(QLine(column_, low_, column_, high_));
        } else if (open_) {
            // A long step (or one backwards): the segment itself.
            lines_.append(QLine(column_, low_, column_, high_));
            lines_.append(QLine(column_, pixel(lastY_), column, y));
        }
        column_ = column;
        low_ = std::min(y, joinY);
        high_ = std::max(y, joinY);
        open_ = true;
    }
    lastY_ = p.y();
}

void ColumnSpanBuilder::breakLine() {
    if (open_) {
        lines_.append(QLine(column_, low_, column_, high_));
        open_ = false;
    }
}

const QList<QLine>& ColumnSpanBuilder::lines() {
    breakLine();
    return lines_;
}

}  // namespace voltrix
