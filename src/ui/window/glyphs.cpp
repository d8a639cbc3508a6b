// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/window/glyphs.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace voltrix {
namespace {

// Draws at twice the size so that the icon stays sharp on high-density screens.
template <typename Paint>
QIcon drawn(int width, int height, Paint paint) {
    QPixmap pixmap(width * 2, height * 2);
    pixmap.fill(Qt::transparent);
    {
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(2, 2);
        paint(painter);
    }
    return QIcon(pixmap);
}

void roundButton(QPainter& p) {
    p.setPen(QPen(QColor(96, 96, 96), 1));
    p.setBrush(Qt::white);
    p.drawEllipse(QRectF(0.5, 0.5, 15, 15));
}

}  // namespace

QIcon runGlyph() {
    return drawn(16, 16, [](QPainter& p) {
        roundButton(p);
        QPainterPath triangle;
        triangle.moveTo(6, 4);
        triangle.lineTo(12, 8);
        triangle.lineTo(6, 12);
        triangle.closeSubpath();
        p.fillPath(triangle, QColor(0, 160, 0));
    });
}

QIcon stopGlyph() {
    return drawn(16, 16, [](QPainter& p) {
        roundButton(p);
        p.fillRect(QRectF(5, 5, 6, 6), QColor(200, 0, 0));
    });
}

QIcon polishFlag() {
    return drawn(16, 11, [](QPainter& p) {
        p.fillRect(QRectF(0, 0, 16, 5.5), Qt::white);
        p.fillRect(QRectF(0, 5.5, 16, 5.5), QColor(220, 20, 60));
        p.setPen(QColor(160, 160, 160));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(0, 0, 16, 11));
    });
}

QIcon englishFlag() {
    return drawn(16, 11, [](QPainter& p) {
        p.fillRect(QRectF(0, 0, 16, 11), QColor(1, 33, 105));
        p.setPen(QPen(Qt::white, 2.2));
        p.drawLine(QPointF(0, 0), QPointF(16, 11));
        p.drawLine(QPointF(16, 0), QPointF(0, 11));
        p.setPen(QPen(QColor(200, 16, 46), 0.8));
        p.drawLine(QPointF(0, 0), QPointF(16, 11));
        p.drawLine(QPointF(16, 0), QPointF(0, 11));
        p.fillRect(QRectF(6, 0, 4, 11), Qt::white);
        p.fillRect(QRectF(0, 3.5, 16, 4), Qt::white);
        p.fillRect(QRectF(6.8, 0, 2.4, 11), QColor(200, 16, 46));
        p.fillRect(QRectF(0, 4.3, 16, 2.4), QColor(200, 16, 46));
    });
}

}  // namespace voltrix
