#include "common/locale_language.h"

#include <cstdlib>
#include <optional>

#include "common/text.h"

namespace melko {
namespace {

std::string Variable(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

// "de_AT.UTF-8@euro" without its codeset and modifier: "de_AT".
std::string_view WithoutCodeset(std::string_view locale) {
  return locale.substr(0, locale.find_first_of(".@"));
}

// The translation of a locale name when its language is one we know ("" for English), nothing
// when it is not, so that a list of languages can move on to its next entry.
std::optional<std::string> KnownTranslation(std::string_view locale) {
  const std::string_view name = WithoutCodeset(locale);
  const std::size_t separator = name.find_first_of("_-");
  const std::string_view language = name.substr(0, separator);
  const std::string_view region =
      separator == std::string_view::npos ? std::string_view() : name.substr(separator + 1);
  if (EqualsIgnoringAsciiCase(language, "en")) return "";
  if (EqualsIgnoringAsciiCase(language, "de")) return "de";
  if (EqualsIgnoringAsciiCase(language, "fr")) return "fr";
  if (EqualsIgnoringAsciiCase(language, "zh")) {
    // Simplified characters are written in the mainland and Singapore; Taiwan, Hong Kong and Macao
    // write Traditional ones, which we have no translation for. A script subtag says it outright.
    const std::string_view first = region.substr(0, region.find_first_of("_-"));
    if (first.empty() || EqualsIgnoringAsciiCase(first, "CN") ||
        EqualsIgnoringAsciiCase(first, "SG") || EqualsIgnoringAsciiCase(first, "Hans")) {
      return "zh_CN";
    }
    return "";
  }
  return std::nullopt;
}

}  // namespace

LocaleVariables LocaleVariables::FromEnvironment() {
  return {Variable("LC_ALL"), Variable("LC_MESSAGES"), Variable("LANG"), Variable("LANGUAGE")};
}

std::string ChosenTranslation(const LocaleVariables& locale) {
  const std::string* chosen = nullptr;
  for (const std::string* variable : {&locale.lc_all, &locale.lc_messages, &locale.lang}) {
    if (!variable->empty()) {
      chosen = variable;
      break;
    }
  }
  if (!chosen) return "";
  const std::string_view name = WithoutCodeset(*chosen);
  if (name == "C" || name == "POSIX") return "";
  std::string_view list = locale.language;
  while (!list.empty()) {
    const std::size_t colon = list.find(':');
    const std::string_view entry = list.substr(0, colon);
    list = colon == std::string_view::npos ? std::string_view() : list.substr(colon + 1);
    if (entry.empty()) continue;
    if (auto translation = KnownTranslation(entry)) return *translation;
  }
  return KnownTranslation(*chosen).value_or("");
}

LanguageTexts LoadLanguageFor(const LocaleVariables& locale,
                              const std::filesystem::path& skin_folder, std::string* complaint) {
  complaint->clear();
  bool loaded = false;
  const std::filesystem::path english_file = skin_folder / "lan.xml";
  LanguageTexts texts = LanguageTexts::Load(english_file, &loaded);
  if (!loaded) *complaint = "cannot read the language file " + english_file.string();
  const std::string translation = ChosenTranslation(locale);
  if (translation.empty()) return texts;
  const std::filesystem::path file = skin_folder / ("lan." + translation + ".xml");
  LanguageTexts translated = LanguageTexts::Load(file, &loaded);
  if (!loaded) {
    if (!complaint->empty()) *complaint += "; ";
    *complaint += "cannot read the language file " + file.string() + "; texts stay in English";
    return texts;
  }
  texts.Overlay(std::move(translated));
  return texts;
}

}  // namespace melko
