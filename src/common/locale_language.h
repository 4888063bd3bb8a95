// Which language the desktop program speaks: chosen from the user's locale, as the C library
// chooses the language of its messages, among the translations that the skin carries beside the
// English texts (res/lan.xml, res/lan.de.xml, ...).
#pragma once

#include <filesystem>
#include <string>

#include "common/language.h"

namespace melko {

// The environment variables that choose the language of messages.
struct LocaleVariables {
  std::string lc_all;
  std::string lc_messages;
  std::string lang;
  // GNU's priority list ("de_AT:de:en"), read only when the locale is not C or POSIX.
  std::string language;

  static LocaleVariables FromEnvironment();
};

// The translation the variables ask for, named as the middle of its language file's name ("de",
// "fr", "zh_CN"), or "" for English: the first of LC_ALL, LC_MESSAGES and LANG that is set and
// not empty is the locale; "C", "POSIX" or none mean English. Otherwise the first entry of LANGUAGE
// that is English or has a translation wins, and without one the locale decides.
std::string ChosenTranslation(const LocaleVariables& locale);

// The English texts of skin_folder/lan.xml with the chosen translation laid over them, so that a
// key the translation lacks shows in English. complaint, when not empty afterwards, says which file
// could not be read.
LanguageTexts LoadLanguageFor(const LocaleVariables& locale,
                              const std::filesystem::path& skin_folder, std::string* complaint);

}  // namespace melko
