#pragma once

#include <QString>
#include <QStringList>

namespace stazione::ui {

// The program speaks one language per run: Italian (the language its texts are written in) or
// English. The choice comes from "--lang it|en" on the command line, else from the last choice
// remembered in the settings folder, else from the system's locale.
inline const QString kItalian = QStringLiteral("it");
inline const QString kEnglish = QStringLiteral("en");

// "it" or "en" from a locale name ("en_GB", "it_IT.UTF-8", "C"): Italian for an Italian locale,
// English for any other.
QString languageOfLocale(const QString& localeName);

// The language asked for by "--lang X" or "--lang=X" among the arguments; empty when none.
// An unknown language is refused: `error` then names it.
QString languageFromArguments(const QStringList& arguments, QString* error = nullptr);

// The language of this run: the argument, else the remembered choice, else the locale. A choice
// given on the command line is remembered for the next run.
QString chooseLanguage(const QStringList& arguments, QString* error = nullptr);

// The file in the settings folder that remembers the choice.
QString languageFile();

// Loads Qt's own texts (buttons of the message boxes, the file dialog) and the program's
// translation for `language`, replacing those of an earlier call. False when a translation that
// the language needs could not be loaded.
bool installLanguage(const QString& language);

// The language installed last ("it" before any call).
QString currentLanguage();

} // namespace stazione::ui
