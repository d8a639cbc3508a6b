// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/chart/span_painter.h"

#include <gtest/gtest.h>

#include <random>

#include <QImage>
#include <QPainter>

namespace voltrix {
namespace {

// The lines painted into a small image, by the span painter or by plain
// drawLines with the same pen.
QImage painted(const QList<QLine>& lines, const QPen& pen, bool spans) {
    QImage image(40, 30, QImage::Format_ARGB32_Premultiplied);
    image.fill(QColor(40, 40, 40));
    QPainter painter(&image);
    if (spans) {
        SpanPainter().draw(painter, lines, pen);
    } else {
        painter.setPen(pen);
        painter.drawLines(lines);
    }
    return image;
}

// Vertical spans upwards and downwards, single pixels, segments of every
// slope, and lines running off every edge of the image: the same pixels
// either way, with an opaque and a translucent colour.
TEST(SpanPainter, PaintsTheSamePixelsAsDrawingTheLines) {
    std::mt19937 random(12);
    std::uniform_int_distribution<int> x(-5, 45);
    std::uniform_int_distribution<int> y(-5, 35);
    QList<QLine> lines = {QLine(3, 4, 3, 9), QLine(5, 9, 5, 4), QLine(7, 7, 7, 7),
                          QLine(0, -3, 0, 40), QLine(39, 29, 39, 29)};
    for (int i = 0; i < 60; ++i) {
        const int column = x(random);
        lines.append(QLine(column, y(random), column, y(random)));
        lines.append(QLine(x(random), y(random), x(random), y(random)));
    }
    // Runs of neighbouring columns, as a dense line makes them: overlapping,
    // apart, single pixels, and off the edges.
    for (int run = 0; run < 6; ++run) {
        const int first = x(random) - 20;
        for (int column = first; column < first + 30; ++column) {
            lines.append(QLine(column, y(random), column, y(random)));
        }
    }
    for (const QColor& colour : {QColor(255, 0, 0), QColor(0, 255, 255, 128)}) {
        SCOPED_TRACE(colour.name(QColor::HexArgb).toStdString());
        const QPen pen(colour, 1);
        const QImage expected = painted(lines, pen, false);
        const QImage actual = painted(lines, pen, true);
        for (int py = 0; py < expected.height(); ++py) {
            for (int px = 0; px < expected.width(); ++px) {
                ASSERT_EQ(actual.pixel(px, py), expected.pixel(px, py))
                    << "pixel (" << px << ',' << py << ')';
            }
        }
    }
}

}  // namespace
}  // namespace voltrix
