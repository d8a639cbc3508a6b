// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/window/edit_marking.h"

#include <QEvent>
#include <QLineEdit>
#include <QPalette>

namespace voltrix {
namespace {

const QColor kErrorColour(253, 124, 102);
const QColor kClampColour(192, 220, 192);

// Clears the mark of the edit it watches on a mouse press.
class ClickWatcher : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::MouseButtonPress) {
            markEdit(static_cast<QLineEdit*>(watched), EditMark::Normal);
        }
        return false;
    }
};

}  // namespace

void markEdit(QLineEdit* edit, EditMark mark) {
    QPalette palette = edit->palette();
    switch (mark) {
        case EditMark::Normal:
            edit->setPalette(QPalette());
            edit->setProperty("editMark", QVariant());
            return;
        case EditMark::Error:
            palette.setColor(QPalette::Base, kErrorColour);
            break;
        case EditMark::Clamp:
            palette.setColor(QPalette::Base, kClampColour);
            break;
    }
    edit->setPalette(palette);
    edit->setProperty("editMark", static_cast<int>(mark));
}

EditMark editMark(const QLineEdit* edit) {
    const QVariant mark = edit->property("editMark");
    return mark.isValid() ? static_cast<EditMark>(mark.toInt()) : EditMark::Normal;
}

void clearMarkOnChange(QLineEdit* edit, bool onClick) {
    QObject::connect(edit, &QLineEdit::textChanged, edit,
                     [edit] { markEdit(edit, EditMark::Normal); });
    if (onClick) {
        edit->installEventFilter(new ClickWatcher(edit));
    }
}

}  // namespace voltrix
