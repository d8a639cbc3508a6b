// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLabel>

namespace voltrix {

// A one-line label for a text of any length, typed by the user: it shows as
// much as its width allows, cut off with an ellipsis, and the whole text in
// its tooltip. Its size hints ignore the text, so that a long one never
// widens the window; its layout gives it its room.
class ElidedLabel : public QLabel {
    Q_OBJECT

public:
    explicit ElidedLabel(QWidget* parent = nullptr);

    void setFullText(const QString& text);
    QString fullText() const { return fullText_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void elide();

    QString fullText_;
};

}  // namespace voltrix
