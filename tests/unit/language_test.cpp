#include <gtest/gtest.h>

#include "common/language.h"
#include "support/test_support.h"

namespace melko {
namespace {

TEST(Language, ParsesEntriesEntitiesAndSkipsWhatIsNotAnEntry) {
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
  <text key="unfinished">never closed
)");
  EXPECT_EQ(texts.Text("plain"), "Hello");
  EXPECT_EQ(texts.Text("single"), "Fish & Chips <3 é☺");
  EXPECT_EQ(texts.Text("spaced"), "Sleep after: ");  // trailing blanks are part of the text
  EXPECT_TRUE(texts.Has("empty"));
  EXPECT_EQ(texts.Text("empty"), "");
  EXPECT_FALSE(texts.Has("other"));
  EXPECT_FALSE(texts.Has("commented"));
  EXPECT_FALSE(texts.Has("nested"));
  EXPECT_FALSE(texts.Has("unfinished"));
  EXPECT_EQ(texts.Text("missing_text"), "missing_text");  // a missing key shows itself
}

TEST(Language, BrokenEntitiesStayAsWritten) {
  const LanguageTexts texts =
      LanguageTexts::Parse(R"(<text key="a">&bogus; &#xZZ; &#0; &#1114112; & alone</text>)");
  EXPECT_EQ(texts.Text("a"), "&bogus; &#xZZ; &#0; &#1114112; & alone");
}

TEST(Language, ArgumentsFillTheirPlaceholdersOnly) {
  EXPECT_EQ(FillArguments("“%1” could not be written: %2.", {"a.pro", "No space left"}),
            "“a.pro” could not be written: No space left.");
  // A name holding a placeholder stays as typed; numbers without an argument, and %, stay too.
  EXPECT_EQ(FillArguments("%1 %2 %3 100% %", {"%2", "b"}), "%2 b %3 100% %");
}

TEST(Language, ShippedFileIsReadWhole) {
  bool loaded = false;
  const LanguageTexts texts =
      LanguageTexts::Load(std::filesystem::path(MELKO_SOURCE_DIR) / "res/lan.xml", &loaded);
  ASSERT_TRUE(loaded);
  // Every entry of the file was understood: count the entries by hand.
  const std::vector<std::uint8_t> raw =
      testing::ReadAll(std::filesystem::path(MELKO_SOURCE_DIR) / "res/lan.xml");
  const std::string xml(raw.begin(), raw.end());
  std::size_t count = 0;
  for (std::size_t at = 0; (at = xml.find("<text key=\"", at)) != std::string::npos; ++at) ++count;
  EXPECT_EQ(count, texts.size());
}

}  // namespace
}  // namespace melko
