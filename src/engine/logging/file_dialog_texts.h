// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

// Title, file types and default extension of the dialog that chooses the
// measurement file, in the active language.

namespace voltrix {

struct FileDialogTexts {
    QString title;
    // Qt name filters, text files first: each is the type's description with
    // its pattern in brackets after it, unless the description already ends
    // so.
    QStringList nameFilters;
    QString defaultSuffix;
};

FileDialogTexts measurementFileDialogTexts();

}  // namespace voltrix
