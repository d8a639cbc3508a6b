// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/window/elided_label.h"

#include <QEvent>

namespace voltrix {

ElidedLabel::ElidedLabel(QWidget* parent) : QLabel(parent) {}

void ElidedLabel::setFullText(const QString& text) {
    fullText_ = text;
    elide();
}

QSize ElidedLabel::sizeHint() const {
    return minimumSizeHint();
}

// Room for the ellipsis alone.
QSize ElidedLabel::minimumSizeHint() const {
    const QMargins frame = contentsMargins();
    return {fontMetrics().horizontalAdvance(QChar(0x2026)) + frame.left() + frame.right(),
            QLabel::minimumSizeHint().height()};
}

void ElidedLabel::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    elide();
}

void ElidedLabel::changeEvent(QEvent* event) {
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        elide();
    }
}

void ElidedLabel::elide() {
    if (fullText_.isNull()) {
        return;  // shows the text the form gave it
    }
    const QString shown =
        fontMetrics().elidedText(fullText_, Qt::ElideRight, contentsRect().width());
    setText(shown);
    setToolTip(shown == fullText_ ? QString() : fullText_);
}

}  // namespace voltrix
