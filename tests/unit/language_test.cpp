#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "common/language.h"
#include "common/locale_language.h"
#include "support/test_support.h"

namespace melko {
namespace {

TEST(Language, ParsesEntriesAndEntitiesLeavesBrokenOnesAndSkipsWhatIsNotAnEntry) {
  const LanguageTexts texts = LanguageTexts::Parse(R"(<?xml version="1.0"?>
<language name="x">
  <!-- a comment with <text key="commented">no</text> inside -->
  <text key="plain">Hello</text>
  <text key='single'>Fish &amp; Chips &lt;3 &#233;&#x263A;</text>
  <text   key="spaced"  >Sleep after: </text>
  <text key="empty"/>
  <textual key="other">not ours</textual>
  <text key="nested"><b>bold</b></text>
  <text key="">nameless</text>
  <text key="broken">&bogus; &#xZZ; &#0; &#1114112; & alone</text>
  <text key="unfinished">never closed
)");
  // Trailing blanks are part of the text; a missing key shows itself; broken entities as written.
  EXPECT_EQ(texts.Text("plain") + "|" + texts.Text("single") + "|" + texts.Text("spaced") + "|" +
                texts.Text("missing_text") + "|" + texts.Text("broken"),
            "Hello|Fish & Chips <3 é☺|Sleep after: |missing_text|&bogus; &#xZZ; &#0; &#1114112; "
            "& alone");
  EXPECT_TRUE(texts.Has("empty") && texts.Text("empty").empty());
  for (const char* key : {"other", "commented", "nested", "unfinished"})
    EXPECT_FALSE(texts.Has(key)) << key;
}

TEST(Language, ArgumentsFillTheirPlaceholdersOnly) {
  // Plain filling is the macro editor window's test, in its messages. A name holding a placeholder
  // stays as typed; numbers without an argument, and %, stay too.
  EXPECT_EQ(FillArguments("%1 %2 %3 100% %", {"%2", "b"}), "%2 b %3 100% %");
}

// The placeholders of a text, "%1" to "%9", sorted: a translation may move them, not lose them.
std::string Placeholders(const std::string& text) {
  std::string found;
  for (std::size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] == '%' && text[i + 1] >= '1' && text[i + 1] <= '9') found += text[i + 1];
  }
  std::sort(found.begin(), found.end());
  return found;
}

TEST(Language, ShippedFilesAreWholeAndMatchTheEnglishKeys) {
  const std::filesystem::path skin = std::filesystem::path(MELKO_SOURCE_DIR) / "res";
  const LanguageTexts english = LanguageTexts::Load(skin / "lan.xml");
  int translations = 0;
  for (const auto& file : std::filesystem::directory_iterator(skin)) {
    const std::string name = file.path().filename().string();
    if (name.rfind("lan.", 0) != 0 || file.path().extension() != ".xml") continue;
    SCOPED_TRACE(name);
    translations += name != "lan.xml";
    const LanguageTexts texts = LanguageTexts::Load(file.path());
    const std::string xml = testing::ReadText(file.path());
    std::size_t count = 0;  // every entry of the file was understood: count them by hand
    for (std::size_t at = 0; (at = xml.find("<text key=\"", at)) != std::string::npos; ++at)
      ++count;
    EXPECT_EQ(count, texts.size());
    for (const std::string& key : english.Keys()) {  // present, with the same placeholders
      EXPECT_TRUE(texts.Has(key) &&
                  Placeholders(texts.Text(key)) == Placeholders(english.Text(key)))
          << key;
    }
    for (const std::string& key : texts.Keys()) EXPECT_TRUE(english.Has(key)) << "has " << key;
  }
  EXPECT_EQ(translations, 3);
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
    LocaleVariables v;
    std::istringstream in(row.substr(0, arrow));
    for (std::string* field : {&v.lc_all, &v.lc_messages, &v.lang, &v.language})
      std::getline(in, *field, '|');
    EXPECT_EQ(ChosenTranslation(v), row.substr(arrow + 1)) << row;
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
