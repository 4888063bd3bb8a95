#include <gtest/gtest.h>

#include "common/text.h"
#include "macros/macro_record.h"
#include "profiles/names.h"
#include "profiles/profile_store.h"

namespace melko {
namespace {

std::vector<std::unique_ptr<MacroRecord>> Macros(std::initializer_list<std::u16string> names) {
  std::vector<std::unique_ptr<MacroRecord>> list;
  for (const auto& name : names) list.push_back(MakeEmptyMacro(name));
  return list;
}

TEST(Names, ComparisonIgnoresLetterCaseBeyondAscii) {
  const auto list = Macros({u"Macro1", u"Éclair", u"Straße"});
  EXPECT_TRUE(NameExists(list, u"MACRO1"));
  EXPECT_TRUE(NameExists(list, u"éCLAIR"));
  EXPECT_FALSE(NameExists(list, u"Macro"));
  EXPECT_FALSE(NameExists(Macros({}), u"anything"));
  EXPECT_TRUE(EqualsIgnoreCase(u"ΑΒΓ", u"αβγ"));
  EXPECT_FALSE(EqualsIgnoreCase(u"ab", u"abc"));
}

TEST(Names, UniqueNameNumbersFromOne) {
  EXPECT_EQ(MakeUniqueName(Macros({u"A"}), u"B", 23), u"B");
  EXPECT_EQ(MakeUniqueName(Macros({u"A"}), u"a", 23), u"a_1");
  EXPECT_EQ(MakeUniqueName(Macros({u"A", u"a_1", u"A_2"}), u"A", 23), u"A_3");
}

TEST(Names, UniqueNameShortensTheBaseSoTheNumberFits) {
  const std::u16string full(23, u'x');
  EXPECT_EQ(MakeUniqueName(Macros({full}), full, 23), std::u16string(21, u'x') + u"_1");
  std::vector<std::unique_ptr<MacroRecord>> many = Macros({full});
  for (int n = 1; n <= 9; ++n) {
    many.push_back(MakeEmptyMacro(std::u16string(21, u'x') + u"_" + char16_t(u'0' + n)));
  }
  // "_10" takes three units: the base loses one more.
  EXPECT_EQ(MakeUniqueName(many, full, 23), std::u16string(20, u'x') + u"_10");

  ProfileStore profiles;
  const std::u16string long_name(99, u'p');
  profiles.profiles.push_back(MakeDefaultProfile(long_name));
  const std::u16string unique = MakeUniqueName(profiles.profiles, long_name, 99);
  EXPECT_EQ(unique.size(), 99u);
  EXPECT_EQ(unique.substr(97), u"_1");
}

TEST(Names, ShorteningNeverSplitsASurrogatePair) {
  // 21 units of text then an emoji (two units) fill 23 units exactly.
  const std::u16string name = std::u16string(21, u'a') + u"\U0001F600";
  const std::u16string unique = MakeUniqueName(Macros({name}), name, 23);
  EXPECT_EQ(unique, std::u16string(21, u'a') + u"_1");
  EXPECT_EQ(TruncateUnits(u"ab\U0001F600", 3), u"ab");
}

// A field without a terminator reads as the name a write of it keeps: N - 1 units, never a split
// surrogate pair.
TEST(Names, FixedFieldsWithoutTerminatorReadAsTheNameAWriteKeeps) {
  std::array<char16_t, 4> field = {u'a', u'b', u'c', u'd'};
  EXPECT_EQ(ReadFixedText(field), u"abc");
  WriteFixedText(field, u"wxyz!");
  EXPECT_EQ(ReadFixedText(field), u"wxy");
  EXPECT_EQ(field[3], u'\0');
  field = {u'a', u'b', char16_t(0xD83D), char16_t(0xDE00)};
  EXPECT_EQ(ReadFixedText(field), u"ab");
}

TEST(Text, Utf8ConversionRoundTripsAndReplacesMalformedInput) {
  const std::string text = "Profil ☃ 😀 é";
  EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16(text)), text);
  EXPECT_EQ(Utf8ToUtf16("a\xFF"
                        "b"),
            u"a\uFFFDb");
  EXPECT_EQ(Utf8ToUtf16("\xE2\x98"), u"\uFFFD");                                // cut short
  EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"), u"\uFFFD");                                // overlong
  EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80x"), u"\uFFFDx");                          // encoded surrogate
  EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");  // lone surrogate
}

}  // namespace
}  // namespace melko
