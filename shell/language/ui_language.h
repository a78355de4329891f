#pragma once

// The language the program speaks: French, as its texts are written, to
// those whose preferred language is French; English to everyone else. Chosen
// once at start from the user's locale settings (LANGUAGE, LC_ALL,
// LC_MESSAGES, LANG, as Qt reads them); nothing decides behaviour on it.

#include <QLocale>
#include <QStringList>

class QCoreApplication;

namespace klavet {

enum class UiLanguage { French, English };

// The first of `preferred` (most preferred first, as QLocale::uiLanguages
// gives them: "fr-CA", "de", "C") that the program speaks; English when none
// is French or English, or a name is not a language at all.
UiLanguage LanguageFor(const QStringList& preferred);

// The language the user's settings ask for.
UiLanguage SystemLanguage();

// Makes the running application speak `language`: English installs the
// built-in catalogue. Returns the language it now speaks: French, the texts
// as written, when the catalogue cannot be read.
UiLanguage Speak(QCoreApplication& application, UiLanguage language);

// The locale that numbers are written in: a decimal comma in French.
QLocale NumberLocale();

} // namespace klavet
