// Key codes and key names on real layouts from the xkb data, and the rules of the key table.
#include <gtest/gtest.h>

#include <map>

#include "input/key_names.h"
#include "input/key_table.h"
#include "input/xkb/xkb_layout.h"
#include "support/test_support.h"

namespace melko {
namespace {

const KeyboardLayout& Layout(const std::string& name) {
  static std::map<std::string, std::unique_ptr<KeyboardLayout>> loaded;
  std::unique_ptr<KeyboardLayout>& layout = loaded[name];
  if (!layout) {
    std::string error;
    layout = LoadXkbLayout({name, "", "", ""}, &error);
    if (!layout) throw std::runtime_error(error);
  }
  return *layout;
}

// Answers every question with the scan code of the US "Q" position and counts the questions.
class CountingLayout final : public KeyboardLayout {
 public:
  std::uint32_t ScanCodeOf(std::uint32_t) const override { return ++questions, 0x10; }
  std::uint32_t VirtualKeyOf(std::uint32_t) const override { return ++questions, 0x51; }
  std::string TypedText(std::uint32_t) const override { return ++questions, "q"; }
  mutable int questions = 0;
};

class KeyNames : public ::testing::Test {
 protected:
  void SetUp() override { testing::UseEnglishTexts(); }
};

TEST_F(KeyNames, LettersAndDigitsAreNamedByWhatThePositionTypes) {
  EXPECT_EQ(UsageToKeyName(Layout("us"), 4), "A");
  EXPECT_EQ(UsageToKeyName(Layout("us"), 30), "1");
  EXPECT_EQ(UsageToKeyName(Layout("fr"), 4), "Q");
  EXPECT_EQ(UsageToKeyName(Layout("fr"), 20), "A");
  EXPECT_EQ(UsageToKeyName(Layout("fr"), 30), "&");       // not the digit, which needs Shift there
  EXPECT_EQ(UsageToKeyName(Layout("fr"), 51), "M");       // the US semicolon position
  EXPECT_EQ(UsageToKeyName(Layout("fr"), 16), ",");       // the US M position
  EXPECT_EQ(UsageToKeyName(Layout("fr"), 31), "\u00E9");  // only a to z become capitals
  EXPECT_EQ(UsageToKeyName(Layout("de"), 28), "Z");
  EXPECT_EQ(UsageToKeyName(Layout("de"), 29), "Y");
  EXPECT_EQ(UsageToKeyName(Layout("de"), 45), "\u00DF");
}

TEST_F(KeyNames, CapturedKeysBecomeTheUsageOfTheirPosition) {
  EXPECT_EQ(VirtualKeyToUsage(Layout("us"), 0x41), 0x04u);
  EXPECT_EQ(VirtualKeyToUsage(Layout("fr"), 0x41), 0x14u);  // "A" sits at the US Q position
  EXPECT_EQ(VirtualKeyToUsage(Layout("fr"), 0x51), 0x04u);
  EXPECT_EQ(VirtualKeyToUsage(Layout("fr"), 0x4D), 0x33u);
  EXPECT_EQ(VirtualKeyToUsage(Layout("us"), 0x70), 0x3Au);  // F1
  // Capturing the key at any position of the table gives the usage of that position.
  for (const char* name : {"us", "fr", "de"}) {
    for (const KeyRow& row : KeyTable()) {
      if (row.scan_code == 0) continue;
      const std::uint32_t virtual_key = Layout(name).VirtualKeyOf(row.scan_code);
      EXPECT_EQ(VirtualKeyToUsage(Layout(name), virtual_key),
                FindRowByScanCode(row.scan_code)->usage)
          << name << " scan code " << row.scan_code;
    }
  }
}

TEST_F(KeyNames, SlashAndOemKey8ShareOneUsage) {
  EXPECT_EQ(VirtualKeyToUsage(Layout("us"), 0xBF), 0x38u);
  EXPECT_EQ(VirtualKeyToUsage(Layout("us"), 0xDF), 0x38u);
  EXPECT_EQ(UsageToKeyName(Layout("us"), 0x38), "/");
  EXPECT_EQ(UsageToKeyName(Layout("fr"), 0x38), "!");
}

TEST_F(KeyNames, KeysOutsideTheTypingBlockDoNotAskTheLayout) {
  CountingLayout layout;
  EXPECT_EQ(VirtualKeyToUsage(layout, 0x2C), 0x46u);  // Print Screen
  EXPECT_EQ(VirtualKeyToUsage(layout, 0xA0), 0xE1u);  // left Shift
  EXPECT_EQ(UsageToKeyName(layout, 0x46), "Print Screen");
  EXPECT_EQ(layout.questions, 0);
  EXPECT_EQ(VirtualKeyToUsage(layout, 0x41), 0x14u);  // a letter does ask
  EXPECT_GT(layout.questions, 0);
}

TEST_F(KeyNames, ProgramCodesPassThroughAndOnlyMouseButtonsHaveNames) {
  for (std::uint32_t code : {240u, 241u, 242u, 243u, 244u, 247u, 248u}) {
    EXPECT_EQ(VirtualKeyToUsage(Layout("us"), code), code);
  }
  EXPECT_EQ(UsageToKeyName(Layout("us"), 241), "Left Button");
  EXPECT_EQ(UsageToKeyName(Layout("us"), 244), "Back Button");
  EXPECT_EQ(UsageToKeyName(Layout("us"), 245), "Forward Button");  // named, though it has no row
  for (std::uint32_t code : {240u, 246u, 247u, 248u}) {
    EXPECT_EQ(UsageToKeyName(Layout("us"), code), "") << code;
  }
  EXPECT_EQ(VirtualKeyToKeyName(Layout("us"), 240), "Caps Lock");
}

TEST_F(KeyNames, CodesWithoutRowOrNameGiveNothing) {
  EXPECT_EQ(VirtualKeyToUsage(Layout("us"), 16), std::nullopt);  // generic Shift
  EXPECT_EQ(VirtualKeyToUsage(Layout("us"), 0), std::nullopt);
  for (std::uint32_t usage : {0u, 1u, 3u, 50u, 102u, 103u, 104u, 120u, 232u, 233u, 239u, 255u}) {
    EXPECT_EQ(UsageToKeyName(Layout("us"), usage), "") << usage;
  }
  EXPECT_EQ(UsageToKeyName(Layout("us"), 100), "\\");
  EXPECT_EQ(VirtualKeyToKeyName(Layout("us"), 0), "");
  EXPECT_EQ(VirtualKeyToKeyName(Layout("us"), 0xF1), "");
  EXPECT_EQ(UsageToKeyName(NoKeyboardLayout(), 4), "");  // no layout, no letters
}

TEST_F(KeyNames, NamedKeysShowTheirTexts) {
  EXPECT_EQ(UsageToKeyName(Layout("fr"), 40), "Enter");
  EXPECT_EQ(UsageToKeyName(Layout("fr"), 57), "Caps Lock");
  EXPECT_EQ(UsageToKeyName(Layout("fr"), 58), "F1");
  EXPECT_EQ(UsageToKeyName(Layout("us"), 99), "Num .");
  EXPECT_EQ(VirtualKeyToKeyName(Layout("us"), 110), "Num .");
  EXPECT_EQ(VirtualKeyToKeyName(Layout("us"), 16), "Left Shift");
  EXPECT_EQ(VirtualKeyToKeyName(Layout("us"), 42), "Print Screen");
  EXPECT_EQ(UsageToKeyName(Layout("us"), 0xE7), "Right Super");
}

}  // namespace
}  // namespace melko
