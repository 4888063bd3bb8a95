// The dialogs' rules, row by row: the digit filter, colour channels, the repeat count, profile
// name refusals and where the assignment menu opens.
#include "shell/dialog_logic.h"

#include <gtest/gtest.h>

namespace melko {
namespace {

TEST(DialogLogic, DigitsOnlyKeepsTheDigitsInOrder) {
  const struct {
    const char* typed;
    const char* kept;
    bool changed;
  } cases[] = {
      {"1234", "1234", false}, {"", "", false},   {"12ab3", "123", true},
      {"-5", "5", true},       {"é7", "7", true},
  };
  for (const auto& c : cases) {
    const FilteredText filtered = DigitsOnly(c.typed);
    EXPECT_EQ(filtered.text, c.kept) << c.typed;
    EXPECT_EQ(filtered.changed, c.changed) << c.typed;
  }
}

TEST(DialogLogic, ChannelsReadLeadingNumbersAndClampToAByte) {
  const struct {
    const char* typed;
    int value;
    bool corrected;
  } cases[] = {
      {"128", 128, false}, {"300", 255, true},  {"-5", 0, true},
      {"", 0, false},      {"abc", 0, false},   {"12abc", 12, false},
      {"+7", 7, false},    {"255", 255, false}, {"99999999999999999999", 255, true},
  };
  for (const auto& c : cases) {
    const ChannelValue channel = ParseChannel(c.typed);
    EXPECT_EQ(channel.value, c.value) << c.typed;
    EXPECT_EQ(channel.corrected, c.corrected) << c.typed;
  }
  EXPECT_EQ(WithChannel(0x00112233, 0, 0xAA), 0xFFAA2233u);
  EXPECT_EQ(WithChannel(0xFF112233, 1, 255), 0xFF11FF33u);
  EXPECT_EQ(WithChannel(0xFF112233, 2, 0), 0xFF112200u);
}

TEST(DialogLogic, RepeatCountsStayWithinOneTo255) {
  const struct {
    const char* typed;
    int count;
    const char* shown;
  } cases[] = {
      {"", 1, "1"}, {"0", 1, "1"}, {"17", 17, "17"}, {"255", 255, "255"}, {"256", 255, "255"},
  };
  for (const auto& c : cases) {
    const RepeatCount count = ParseRepeatCount(c.typed);
    EXPECT_EQ(count.count, c.count) << c.typed;
    EXPECT_EQ(count.shown, c.shown) << c.typed;
  }
}

TEST(DialogLogic, ProfileNamesMustBeNewAndNotEmpty) {
  const std::vector<std::u16string> taken = {u"Profile1", u"Gaming"};
  const struct {
    std::u16string name;
    const char* refusal;
  } cases[] = {
      {u"", "warn_name_1_text"}, {u"gaming", "warn_name_2_text"}, {u"Profile2", ""}, {u"   ", ""},
      {u"Gaming ", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(ProfileNameRefusal(c.name, taken), c.refusal);
}

TEST(DialogLogic, TheAssignmentMenuOpensUpwardsWhenItWouldReachTheBottom) {
  const int screen_bottom = 1000;
  const int y = screen_bottom - 150;  // a button 150 px above the screen's bottom
  EXPECT_EQ(AssignmentMenuTop(y, 20 * 22, screen_bottom), y + 21 - 440);
  EXPECT_EQ(AssignmentMenuTop(y, 100, screen_bottom), y);
}

}  // namespace
}  // namespace melko
