// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/text/string_table.h"

#include <QCoreApplication>

namespace voltrix {
namespace {

// Polish source texts; English comes from the "StringTable" context of the
// translation catalogue.
const char* sourceText(Ids id) {
    switch (id) {
        case Ids::IDS_2:
            return QT_TRANSLATE_NOOP("StringTable", "Zaktualizowane parametr: [");
        case Ids::IDS_7:
            return QT_TRANSLATE_NOOP("StringTable", "Połączony");
        case Ids::IDS_8:
            return QT_TRANSLATE_NOOP("StringTable", "Rozłączony");
        case Ids::IDS_10:
            return QT_TRANSLATE_NOOP("StringTable", "Odświeżam listę urządzeń");
        case Ids::IDS_42:
            return QT_TRANSLATE_NOOP("StringTable", "pomiary.csv");
        case Ids::IDS_317:
            return QT_TRANSLATE_NOOP("StringTable", "Zapis aktywny");
        case Ids::IDS_319:
            return QT_TRANSLATE_NOOP("StringTable", "Zapis: aktywny");
        case Ids::IDS_320:
            return QT_TRANSLATE_NOOP("StringTable", "Zapis nieaktywny");
        case Ids::IDS_322:
            return QT_TRANSLATE_NOOP("StringTable", "Zapis: niektywny");
        case Ids::IDS_354:
            return QT_TRANSLATE_NOOP("StringTable", "Czas [s]");
        case Ids::IDS_355:
            return QT_TRANSLATE_NOOP("StringTable", "Wartość");
    }
    return "";
}

}  // namespace

QString lookup(Ids id) {
    return QCoreApplication::translate("StringTable", sourceText(id));
}

}  // namespace voltrix
