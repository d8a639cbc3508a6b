// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

#include <QString>
#include <QStringList>

// Messages said once, and again only when they change: a cause that comes
// back with every measurement line, a thousand times a second, must not
// flood the journal. Repeats are counted and the count is told when the
// message changes or at the end.

namespace voltrix {

class RepeatFilter {
public:
    // The lines to print for `message`: none when it repeats the last one;
    // else how often the last one was repeated (when it was), then `line`,
    // the message as it is to be printed.
    QStringList pass(const QString& message, const QString& line);
    // How often the last message was repeated, when that is not told yet.
    QStringList finish();

private:
    QString last_;
    QString lastLine_;
    bool any_ = false;
    std::uint64_t repeats_ = 0;
};

}  // namespace voltrix
