#include <gtest/gtest.h>

#include "common/text.h"
#include "macros/macro_record.h"
#include "profiles/names.h"

namespace melko {
namespace {

std::vector<std::unique_ptr<MacroRecord>> Macros(const std::vector<std::u16string>& names) {
  std::vector<std::unique_ptr<MacroRecord>> list;
  for (const auto& name : names) list.push_back(MakeEmptyMacro(name));
  return list;
}

TEST(Names, ComparisonIgnoresLetterCaseBeyondAscii) {
  const auto list = Macros({u"Macro1", u"Éclair", u"Straße"});
  EXPECT_TRUE(NameExists(list, u"MACRO1") && NameExists(list, u"éCLAIR"));
  EXPECT_FALSE(NameExists(list, u"Macro"));
  EXPECT_TRUE(EqualsIgnoreCase(u"ΑΒΓ", u"αβγ"));
  EXPECT_FALSE(EqualsIgnoreCase(u"ab", u"abc") || EqualsIgnoreCase(u"@[", u"`{"));
}

// Profile names of 99 units are the file import's test.
TEST(Names, UniqueNamesNumberFromOneAndFitTheField) {
  const std::u16string full(23, u'x'), x21(21, u'x');
  const std::u16string emoji_end = std::u16string(21, u'a') + u"\U0001F600";  // 23 units
  std::vector<std::u16string> nine_taken = {full};
  for (int n = 1; n <= 9; ++n) nine_taken.push_back(x21 + u"_" + char16_t(u'0' + n));
  const struct {
    std::vector<std::u16string> taken;
    std::u16string base, unique;
  } cases[] = {
      {{u"A", u"a_1", u"A_2"}, u"A", u"A_3"},
      {nine_taken, full, std::u16string(20, u'x') + u"_10"},  // "_10" takes one unit more
      {{emoji_end}, emoji_end, std::u16string(21, u'a') + u"_1"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(MakeUniqueName(Macros(c.taken), c.base, 23), c.unique) << Utf16ToUtf8(c.unique);
  }
}

// N - 1 units, never a split surrogate pair.
TEST(Names, FixedFieldsWithoutTerminatorReadAsTheNameAWriteKeeps) {
  std::array<char16_t, 4> field{};
  WriteFixedText(field, u"wxyz!");
  EXPECT_EQ(std::u16string(field.begin(), field.end()), std::u16string(u"wxy\0", 4));
  field = {u'a', u'b', char16_t(0xD83D), char16_t(0xDE00)};
  EXPECT_EQ(ReadFixedText(field), u"ab");
}

TEST(Text, Utf8ConversionRoundTripsAndReplacesMalformedInput) {
  const std::string text = "Profil ☃ 😀 é";
  EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16(text)), text);
  // Malformed: a stray byte, cut short, overlong, an encoded surrogate.
  EXPECT_EQ(Utf8ToUtf16("a\xFF|\xE2\x98|\xC0\xAF|\xED\xA0\x80x"), u"a\uFFFD|\uFFFD|\uFFFD|\uFFFDx");
  EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");  // lone surrogate
}

}  // namespace
}  // namespace melko
