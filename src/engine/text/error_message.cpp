// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/text/error_message.h"

namespace voltrix {

QString errorBoxText(const QString& message) {
    if (!message.isEmpty() && message.back() > QLatin1Char('.')) {
        return message + QLatin1Char('.');
    }
    return message;
}

}  // namespace voltrix
