// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The active interface language. Polish is the language of the program's own
// texts; English is a translation catalogue installed on the application, so
// that QCoreApplication::translate, tr() and retranslateUi all follow it.

namespace voltrix {

// The values are the indices of the language selector and of the stored
// `Language` setting.
enum class Language { Polish = 0, English = 1 };

// Makes `language` the active one. Needs a QCoreApplication. Returns false when
// the English catalogue could not be loaded; Polish then stays active.
bool setActiveLanguage(Language language);

Language activeLanguage();

// A stored language number outside the known ones means Polish.
Language languageFromIndex(int index);

}  // namespace voltrix
