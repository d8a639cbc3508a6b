// SPDX-License-Identifier: GPL-3.0-or-later
#include "programs/record/repeat_filter.h"

namespace voltrix {

QStringList RepeatFilter::pass(const QString& message, const QString& line) {
    if (any_ && message == last_) {
        ++repeats_;
        return {};
    }
    QStringList lines = finish();
    lines.append(line);
    last_ = message;
    lastLine_ = line;
    any_ = true;
    return lines;
}

QStringList RepeatFilter::finish() {
    if (repeats_ == 0) {
        return {};
    }
    // Other lines may have come between: the note names its message.
    const QString note = QStringLiteral("%1 more times: %2").arg(repeats_).arg(lastLine_);
    repeats_ = 0;
    return {note};
}

}  // namespace voltrix
