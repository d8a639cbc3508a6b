// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// What the status bar says while the measurement file cannot be written, in
// the interface's language: the common causes are named in that language,
// others in the operating system's words.

namespace voltrix {

// `errorCode` is the system's error number of the failed call (0 when not
// known); `systemText` its description by the system.
QString writeErrorCause(int errorCode, const QString& systemText);

// The whole message: "Nie można zapisać pliku pomiarowego: <cause>".
QString measurementFileErrorText(int errorCode, const QString& systemText);

}  // namespace voltrix
