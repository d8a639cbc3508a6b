// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QImage>
#include <QLine>
#include <QList>
#include <QRect>

class QPainter;

// The column spans of many series painted into one image the size of the
// plot area, which is then drawn at once. A vertical span of an opaque
// series is written pixel by pixel straight into the image, where the
// painter would fill a one-pixel rectangle row by row through a call per
// row; an hour of fast-moving quantities is millions of such pixels. The
// pixels are those SpanPainter paints. For raster painters without scaling
// only (canPaintOn); pictures for PDF and scaled screens go through
// SpanPainter.

namespace voltrix {

class SpanCanvas {
public:
    static bool canPaintOn(const QPainter& painter);

    // Starts a picture of `area` (painter coordinates), all transparent.
    void begin(const QRect& area);
    // The lines of one series, over those before.
    void add(const QList<QLine>& lines, const QColor& colour);
    // Draws the picture with `painter`.
    void end(QPainter& painter);

private:
    QImage image_;
    QRect area_;
    QList<QLine> others_;  // kept for its room
};

}  // namespace voltrix
