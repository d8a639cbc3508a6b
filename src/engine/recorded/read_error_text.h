// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// Why a measurement file cannot be read, in the interface's language: the
// causes of reading named here, those it shares with writing by the
// measurement file's own texts, others in the operating system's words.

namespace voltrix {

// `errorCode` is the system's error number of the failed call (0 when not
// known); `systemText` its description by the system.
QString readErrorCause(int errorCode, const QString& systemText);

}  // namespace voltrix
