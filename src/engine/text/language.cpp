// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/text/language.h"

#include <QCoreApplication>
#include <QTranslator>

namespace voltrix {
namespace {

QTranslator& englishCatalogue() {
    static QTranslator translator;
    return translator;
}

Language& currentLanguage() {
    static Language language = Language::Polish;
    return language;
}

}  // namespace

bool setActiveLanguage(Language language) {
    QTranslator& english = englishCatalogue();
    if (language == Language::English && english.isEmpty() &&
        !english.load(QStringLiteral(":/i18n/voltrix_en.qm"))) {
        return false;
    }
    // Removed first so that switching to English twice installs it only once.
    QCoreApplication::removeTranslator(&english);
    if (language == Language::English) {
        QCoreApplication::installTranslator(&english);
    }
    currentLanguage() = language;
    return true;
}

Language activeLanguage() {
    return currentLanguage();
}

Language languageFromIndex(int index) {
    return index == static_cast<int>(Language::English) ? Language::English : Language::Polish;
}

}  // namespace voltrix
