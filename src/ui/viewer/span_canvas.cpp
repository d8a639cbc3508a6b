// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/viewer/span_canvas.h"

#include <algorithm>

#include <QPaintEngine>
#include <QPainter>

namespace voltrix {

bool SpanCanvas::canPaintOn(const QPainter& painter) {
    const QPaintEngine* engine = painter.paintEngine();
    const QTransform transform = painter.deviceTransform();
    return engine != nullptr && engine->type() == QPaintEngine::Raster &&
           transform.type() <= QTransform::TxTranslate && transform.dx() == qRound(transform.dx()) &&
           transform.dy() == qRound(transform.dy());
}

void SpanCanvas::begin(const QRect& area) {
    area_ = area;
    if (image_.size() != area.size()) {
        image_ = QImage(area.size(), QImage::Format_ARGB32_Premultiplied);
    }
    image_.fill(Qt::transparent);
}

void SpanCanvas::add(const QList<QLine>& lines, const QColor& colour) {
    if (image_.isNull()) {
        return;
    }
    others_.clear();
    const bool opaque = colour.alpha() == 255;
    const QRgb pixel = colour.rgba();  // opaque: premultiplied as it stands
    const int width = image_.width();
    const int height = image_.height();
    const qsizetype stride = image_.bytesPerLine() / static_cast<qsizetype>(sizeof(QRgb));
    auto* bits = reinterpret_cast<QRgb*>(image_.bits());
    for (const QLine& line : lines) {
        if (!opaque || line.x1() != line.x2()) {
            others_.append(line);
            continue;
        }
        const int x = line.x1() - area_.left();
        if (x < 0 || x >= width) {
            continue;
        }
        const int top = std::max(std::min(line.y1(), line.y2()) - area_.top(), 0);
        const int bottom = std::min(std::max(line.y1(), line.y2()) - area_.top(), height - 1);
        QRgb* p = bits + static_cast<qsizetype>(top) * stride + x;
        for (int y = top; y <= bottom; ++y, p += stride) {
            *p = pixel;
        }
    }
    if (!others_.isEmpty()) {
        QPainter painter(&image_);
        painter.translate(-area_.topLeft());
        painter.setPen(QPen(colour, 1));
        painter.drawLines(others_);
    }
}

void SpanCanvas::end(QPainter& painter) {
    if (!image_.isNull()) {
        painter.drawImage(area_.topLeft(), image_);
    }
}

}  // namespace voltrix
