#include "shell/dialog_logic.h"

#include <gtest/gtest.h>

#include <tuple>

namespace melko {
namespace {

TEST(DialogLogic, DigitsOnlyKeepsTheDigitsInOrder) {
  const std::tuple<const char*, const char*, bool> cases[] = {
      {"1234", "1234", false}, {"12ab3", "123", true}, {"é7", "7", true}};
  for (const auto& [typed, kept, changed] : cases) {
    const FilteredText digits = DigitsOnly(typed);
    EXPECT_EQ(std::tuple(digits.text, digits.changed), std::tuple(kept, changed)) << typed;
  }
}

TEST(DialogLogic, ChannelsReadLeadingNumbersAndClampToAByte) {
  const std::tuple<const char*, int, bool> cases[] = {
      {"128", 128, false}, {"300", 255, true},  {"-5", 0, true},
      {"", 0, false},      {"abc", 0, false},   {"12abc", 12, false},
      {"+7", 7, false},    {"255", 255, false}, {"99999999999999999999", 255, true},
  };
  for (const auto& [typed, value, corrected] : cases) {
    const ChannelValue channel = ParseChannel(typed);
    EXPECT_EQ(std::tuple(channel.value, channel.corrected), std::tuple(value, corrected)) << typed;
  }
  EXPECT_EQ(std::tuple(WithChannel(0x00112233, 0, 0xAA), WithChannel(0xFF112233, 2, 0)),
            std::tuple(0xFFAA2233u, 0xFF112200u));  // green: the colour dialog's window test
}

TEST(DialogLogic, RepeatCountsStayWithinOneTo255) {
  const std::tuple<const char*, int, const char*> cases[] = {
      {"", 1, "1"}, {"0", 1, "1"}, {"255", 255, "255"}, {"256", 255, "255"}};
  for (const auto& [typed, count, shown] : cases) {
    const RepeatCount repeat = ParseRepeatCount(typed);
    EXPECT_EQ(std::tuple(repeat.count, repeat.shown), std::tuple(count, shown)) << typed;
  }
}

TEST(DialogLogic, ProfileNamesMustBeNewAndNotEmpty) {
  const std::vector<std::u16string> taken = {u"Profile1", u"Gaming"};
  const std::pair<std::u16string, const char*> cases[] = {
      {u"", "warn_name_1_text"}, {u"gaming", "warn_name_2_text"}, {u"   ", ""}, {u"Gaming ", ""}};
  for (const auto& [name, refusal] : cases) EXPECT_EQ(ProfileNameRefusal(name, taken), refusal);
}

TEST(DialogLogic, TheAssignmentMenuOpensUpwardsWhenItWouldReachTheBottom) {
  const int y = 1000 - 150;  // a button 150 px above the screen's bottom
  EXPECT_EQ(AssignmentMenuTop(y, 20 * 22, 1000), y + 21 - 440);
  EXPECT_EQ(AssignmentMenuTop(y, 100, 1000), y);
}

}  // namespace
}  // namespace melko
