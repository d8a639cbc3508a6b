// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/recorded/read_error_text.h"

#include <cerrno>

#include <QCoreApplication>

#include "engine/logging/write_error_text.h"

namespace voltrix {

QString readErrorCause(int errorCode, const QString& systemText) {
    switch (errorCode) {
        case ENOENT:
            return QCoreApplication::translate("RecordedFile", "plik nie istnieje");
        case EACCES:
        case EPERM:
            return QCoreApplication::translate("RecordedFile", "brak uprawnień do odczytu");
        default:
            break;
    }
    // A folder given for the file, an unknown error: as when writing.
    return writeErrorCause(errorCode, systemText);
}

}  // namespace voltrix
