// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

// Qt's own messages on standard error, each said once and again only when
// it changes (RepeatFilter), for as long as the object lives; one per
// program. Its end tells the repeats not told yet.

namespace voltrix {

class QtMessagesSaidOnce {
public:
    QtMessagesSaidOnce();
    ~QtMessagesSaidOnce();
    QtMessagesSaidOnce(const QtMessagesSaidOnce&) = delete;
    QtMessagesSaidOnce& operator=(const QtMessagesSaidOnce&) = delete;

private:
    QtMessageHandler previous_;
};

}  // namespace voltrix
