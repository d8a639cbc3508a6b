// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/viewer/span_canvas.h"

#include <gtest/gtest.h>

#include <random>

#include <QImage>
#include <QPainter>

#include "ui/chart/span_painter.h"

namespace voltrix {
namespace {

// Two series of column spans and segments, some off every edge of the area,
// painted over a background by the span painter (clipped to the area, as a
// plot's area clips its series) or through the canvas.
QImage painted(const std::vector<std::pair<QList<QLine>, QColor>>& series, const QRect& area,
               bool canvas) {
    QImage image(40, 30, QImage::Format_ARGB32_Premultiplied);
    image.fill(QColor(40, 40, 40));
    QPainter painter(&image);
    painter.setClipRect(area);
    if (canvas) {
        EXPECT_TRUE(SpanCanvas::canPaintOn(painter));
        SpanCanvas spans;
        spans.begin(area);
        for (const auto& [lines, colour] : series) {
            spans.add(lines, colour);
        }
        spans.end(painter);
    } else {
        SpanPainter spans;
        for (const auto& [lines, colour] : series) {
            spans.draw(painter, lines, QPen(colour, 1));
        }
    }
    return image;
}

TEST(SpanCanvas, PaintsTheSamePixelsAsTheSpanPainter) {
    std::mt19937 random(7);
    std::uniform_int_distribution<int> x(-5, 45);
    std::uniform_int_distribution<int> y(-5, 35);
    const auto randomLines = [&] {
        QList<QLine> lines = {QLine(4, 3, 4, 3), QLine(6, 40, 6, -10)};
        for (int i = 0; i < 40; ++i) {
            const int column = x(random);
            lines.append(QLine(column, y(random), column, y(random)));
        }
        for (int i = 0; i < 8; ++i) {
            lines.append(QLine(x(random), y(random), x(random), y(random)));
        }
        return lines;
    };
    const QList<QLine> first = randomLines();
    const QList<QLine> second = randomLines();
    for (const QColor& over : {QColor(0, 255, 0), QColor(0, 255, 255, 128)}) {
        SCOPED_TRACE(over.name(QColor::HexArgb).toStdString());
        const std::vector<std::pair<QList<QLine>, QColor>> series = {
            {first, QColor(255, 0, 0)}, {second, over}};
        for (const QRect& area : {QRect(0, 0, 40, 30), QRect(3, 2, 30, 25)}) {
            const QImage expected = painted(series, area, false);
            const QImage actual = painted(series, area, true);
            for (int py = 0; py < expected.height(); ++py) {
                for (int px = 0; px < expected.width(); ++px) {
                    ASSERT_EQ(actual.pixel(px, py), expected.pixel(px, py))
                        << "pixel (" << px << ',' << py << ')';
                }
            }
        }
    }
}

TEST(SpanCanvas, ScaledPaintersAreLeftToTheSpanPainter) {
    QImage image(10, 10, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    EXPECT_TRUE(SpanCanvas::canPaintOn(painter));
    painter.translate(2, 3);
    EXPECT_TRUE(SpanCanvas::canPaintOn(painter));
    painter.scale(2, 2);
    EXPECT_FALSE(SpanCanvas::canPaintOn(painter));
}

}  // namespace
}  // namespace voltrix
