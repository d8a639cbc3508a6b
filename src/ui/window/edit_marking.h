// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

class QLineEdit;

// Background marks of the edits: the error colour when a text could not be
// parsed (nothing was sent), the clamp colour when a number was replaced by the
// nearest bound, the normal window colour otherwise.

namespace voltrix {

enum class EditMark { Normal, Error, Clamp };

void markEdit(QLineEdit* edit, EditMark mark);
EditMark editMark(const QLineEdit* edit);

// Gives an edit back the normal colour whenever its text changes and, with
// `onClick`, whenever it is clicked.
void clearMarkOnChange(QLineEdit* edit, bool onClick);

}  // namespace voltrix
