#pragma once
// Qt's own texts (the file dialogs and their questions, the standard context menus, the
// buttons of message and input boxes) in the program's language.
#include <QString>

namespace platform {

// German loads Qt's German translation and makes German the default locale; English removes
// the translation again. Calling it again with the same language changes nothing.
void applyQtLanguage(bool german);

// Where Qt's German translation is looked for; empty when the translations are not installed.
QString qtGermanTranslationFile();

} // namespace platform
