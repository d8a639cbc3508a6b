// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/logging/file_dialog_texts.h"

#include <QCoreApplication>

namespace voltrix {
namespace {

QString text(const char* source) {
    return QCoreApplication::translate("SaveDialog", source);
}

QString nameFilter(const QString& description, const QString& pattern) {
    const QString bracketed = QLatin1Char('(') + pattern + QLatin1Char(')');
    if (description.endsWith(bracketed)) {
        return description;
    }
    return description + QLatin1Char(' ') + bracketed;
}

}  // namespace

FileDialogTexts measurementFileDialogTexts() {
    return {
        text(QT_TRANSLATE_NOOP("SaveDialog", "Plik pomiarowy")),
        {nameFilter(text(QT_TRANSLATE_NOOP("SaveDialog", "Plik tekstowy (*.txt)")),
                    QStringLiteral("*.txt")),
         nameFilter(
             text(QT_TRANSLATE_NOOP("SaveDialog", "Plik z danymi oddzielonymi średnikami (*.csv)")),
             QStringLiteral("*.csv"))},
        QStringLiteral("csv"),
    };
}

}  // namespace voltrix
