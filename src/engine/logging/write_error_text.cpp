// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/logging/write_error_text.h"

#include <cerrno>

#include <QCoreApplication>

namespace voltrix {
namespace {

QString text(const char* source) {
    return QCoreApplication::translate("MeasurementLog", source);
}

}  // namespace

QString writeErrorCause(int errorCode, const QString& systemText) {
    switch (errorCode) {
        case ENOSPC:
#ifdef EDQUOT
        case EDQUOT:
#endif
            return text(QT_TRANSLATE_NOOP("MeasurementLog", "brak miejsca na dysku"));
        case EACCES:
        case EPERM:
            return text(QT_TRANSLATE_NOOP("MeasurementLog", "brak uprawnień do zapisu"));
        case ENOENT:
        case ENOTDIR:
            return text(QT_TRANSLATE_NOOP("MeasurementLog", "folder nie istnieje"));
        case EROFS:
            return text(QT_TRANSLATE_NOOP("MeasurementLog", "system plików tylko do odczytu"));
        case EISDIR:
            return text(QT_TRANSLATE_NOOP("MeasurementLog", "podana nazwa jest folderem"));
        // The file is a FIFO or a pipe: its reader is what is missing.
        case EPIPE:
            return text(QT_TRANSLATE_NOOP("MeasurementLog", "odbiorca zamknął potok"));
        case ENXIO:
            return text(QT_TRANSLATE_NOOP("MeasurementLog", "nikt nie czyta kolejki FIFO"));
        case EAGAIN:
            return text(QT_TRANSLATE_NOOP("MeasurementLog", "odbiorca nie przyjmuje linii"));
        default:
            break;
    }
    return systemText.isEmpty() ? text(QT_TRANSLATE_NOOP("MeasurementLog", "nieznany błąd"))
                                : systemText;
}

QString measurementFileErrorText(int errorCode, const QString& systemText) {
    return text(QT_TRANSLATE_NOOP("MeasurementLog", "Nie można zapisać pliku pomiarowego: %1"))
        .arg(writeErrorCause(errorCode, systemText));
}

}  // namespace voltrix
