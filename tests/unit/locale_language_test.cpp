#include "common/locale_language.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "support/test_support.h"

namespace melko {
namespace {

// LC_ALL, LC_MESSAGES, LANG and LANGUAGE, separated by "|".
LocaleVariables Variables(const std::string& text) {
  LocaleVariables v;
  std::istringstream in(text);
  for (std::string* field : {&v.lc_all, &v.lc_messages, &v.lang, &v.language})
    std::getline(in, *field, '|');
  return v;
}

// Rows of LC_ALL|LC_MESSAGES|LANG|LANGUAGE>translation, one word each. Traditional characters have
// none. The first variable set and not empty wins, also over a later one naming a translation.
// LANGUAGE gives its first English or translated entry, only when the locale is not C.
TEST(LocaleLanguage, TheLocaleChoosesTheTranslation) {
  std::istringstream rows(
      "||de_DE.UTF-8|>de ||de_AT|>de ||fr_CA.UTF-8|>fr ||zh_CN.UTF-8|>zh_CN ||zh_SG.GBK|>zh_CN "
      "||zh_TW.UTF-8|> ||zh_HK|> ||ja_JP.UTF-8|> ||de@euro|>de |||> "
      "fr_FR.UTF-8|de_DE.UTF-8|zh_CN.UTF-8|>fr |de_DE.UTF-8|fr_FR.UTF-8|>de "
      "en_GB.UTF-8||de_DE.UTF-8|> C||de_DE.UTF-8|> |POSIX|de_DE.UTF-8|> C.UTF-8||fr_FR|> "
      "||de_DE.UTF-8|fr_CA:de>fr ||fr_FR.UTF-8|pt_BR:zh_CN:de>zh_CN ||de_DE.UTF-8|en_US:fr> "
      "||de_DE.UTF-8|pt_BR::>de ||fr_FR.UTF-8|zh_TW:zh:de> ||C.UTF-8|de_DE> |||de_DE>");
  for (std::string row; rows >> row;) {
    const std::size_t arrow = row.find('>');
    EXPECT_EQ(ChosenTranslation(Variables(row.substr(0, arrow))), row.substr(arrow + 1)) << row;
  }
}

// A key the translation lacks shows in English; an unreadable translation leaves English, and says.
TEST(LocaleLanguage, TranslationsLieOverTheEnglishTexts) {
  const testing::TempDir skin;
  std::ofstream(skin.path() / "lan.xml")
      << R"(<text key="a">Apply</text><text key="b">Back</text>)";
  std::ofstream(skin.path() / "lan.de.xml") << R"(<text key="a">Übernehmen</text>)";
  std::string complaint;
  const LanguageTexts german = LoadLanguageFor({"", "", "de_DE", ""}, skin.path(), &complaint);
  EXPECT_EQ(german.Text("a") + german.Text("b") + complaint, "ÜbernehmenBack");
  const LanguageTexts french = LoadLanguageFor({"", "", "fr_FR", ""}, skin.path(), &complaint);
  EXPECT_EQ(french.Text("a"), "Apply");
  EXPECT_NE(complaint.find("lan.fr.xml"), std::string::npos) << complaint;
}

}  // namespace
}  // namespace melko
