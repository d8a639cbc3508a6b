// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLine>
#include <QList>
#include <QPen>
#include <QRect>

class QPainter;

namespace voltrix {

// Draws the lines of a ColumnSpanBuilder with a one-pixel pen without
// antialiasing. The vertical spans, nearly all of them, are filled as
// one-pixel-wide rectangles, which the raster engine writes straight into
// memory, where a line of a few pixels costs a stroker's set-up each; the
// pixels are the same. Other lines are drawn as lines.
class SpanPainter {
public:
    void draw(QPainter& painter, const QList<QLine>& lines, const QPen& pen);

private:
    // Kept between calls for their room.
    QList<QRect> columns_;
    QList<QLine> others_;
};

}  // namespace voltrix
