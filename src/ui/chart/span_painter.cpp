// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/chart/span_painter.h"

#include <algorithm>

#include <QPainter>

namespace voltrix {

void SpanPainter::draw(QPainter& painter, const QList<QLine>& lines, const QPen& pen) {
    columns_.clear();
    others_.clear();
    for (const QLine& line : lines) {
        if (line.x1() == line.x2()) {
            const int top = std::min(line.y1(), line.y2());
            const int bottom = std::max(line.y1(), line.y2());
            columns_.append(QRect(line.x1(), top, 1, bottom - top + 1));
        } else {
            others_.append(line);
        }
    }
    painter.setPen(Qt::NoPen);
    painter.setBrush(pen.color());
    painter.drawRects(columns_);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(pen);
    painter.drawLines(others_);
}

}  // namespace voltrix
