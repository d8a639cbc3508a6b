// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QLineEdit;

namespace voltrix {

// Keeps what the operator types into `edit` to `maxLength` characters, like
// QLineEdit::setMaxLength, but leaves a longer text that the program itself
// puts into the edit whole, so that the edit shows what is really in use. A
// typed change that would make the text longer than both the limit and the
// text before it is undone.
void limitTypedLength(QLineEdit* edit, int maxLength);

}  // namespace voltrix
