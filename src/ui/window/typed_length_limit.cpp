// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/window/typed_length_limit.h"

#include <algorithm>
#include <memory>

#include <QLineEdit>

namespace voltrix {

void limitTypedLength(QLineEdit* edit, int maxLength) {
    // textEdited comes before textChanged, so `shown` still holds the text
    // from before the operator's change when textEdited arrives. The edit's
    // own text, not the signal's, because a change undone below is still
    // announced with its text after the undo.
    auto shown = std::make_shared<QString>(edit->text());
    QObject::connect(edit, &QLineEdit::textChanged, edit, [edit, shown] { *shown = edit->text(); });
    QObject::connect(
        edit, &QLineEdit::textEdited, edit, [edit, shown, maxLength](const QString& text) {
            if (text.size() <= maxLength || text.size() <= shown->size()) {
                return;
            }
            const int cursor =
                edit->cursorPosition() - static_cast<int>(text.size() - shown->size());
            const QString before = *shown;
            edit->setText(before);
            edit->setCursorPosition(std::clamp(cursor, 0, static_cast<int>(before.size())));
        });
}

}  // namespace voltrix
