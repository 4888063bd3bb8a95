#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "common/language.h"
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
  // Trailing blanks are part of the text.
  EXPECT_EQ(texts.Text("plain") + "|" + texts.Text("single") + "|" + texts.Text("spaced") + "|",
            "Hello|Fish & Chips <3 é☺|Sleep after: |");
  EXPECT_TRUE(texts.Has("empty") && texts.Text("empty").empty());
  for (const char* key : {"other", "commented", "nested", "unfinished"})
    EXPECT_FALSE(texts.Has(key)) << key;
  EXPECT_EQ(texts.Text("missing_text"), "missing_text");  // a missing key shows itself
  EXPECT_EQ(texts.Text("broken"), "&bogus; &#xZZ; &#0; &#1114112; & alone");  // as written
}

TEST(Language, ArgumentsFillTheirPlaceholdersOnly) {
  EXPECT_EQ(FillArguments("“%1” could not be written: %2.", {"a.pro", "No space left"}),
            "“a.pro” could not be written: No space left.");
  // A name holding a placeholder stays as typed; numbers without an argument, and %, stay too.
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

// Every language file of the skin is read whole and has exactly the English keys, with the same
// placeholders in each text.
TEST(Language, ShippedFilesAreWholeAndMatchTheEnglishKeys) {
  const std::filesystem::path skin = std::filesystem::path(MELKO_SOURCE_DIR) / "res";
  const LanguageTexts english = LanguageTexts::Load(skin / "lan.xml");
  ASSERT_GT(english.size(), 300u);
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
    for (const std::string& key : english.Keys()) {
      EXPECT_TRUE(texts.Has(key)) << "lacks " << key;
      if (texts.Has(key)) {
        EXPECT_EQ(Placeholders(texts.Text(key)), Placeholders(english.Text(key))) << key;
      }
    }
    for (const std::string& key : texts.Keys()) EXPECT_TRUE(english.Has(key)) << "has " << key;
  }
  EXPECT_EQ(translations, 3);
}

}  // namespace
}  // namespace melko
