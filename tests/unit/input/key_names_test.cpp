// The key table row by row, key codes and key names on real layouts from the xkb data, and the
// xkbcommon adapter: layouts by name, the session's layout, the system's keyboard defaults.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <optional>
#include <set>
#include <sstream>

#include "input/key_names.h"
#include "input/key_table.h"
#include "input/typed_text_layout.h"
#include "input/xkb/xkb_layout.h"
#include "support/plugin_support.h"
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

// The key table in its order, each row as virtual-key code, usage and scan code (00: none).
constexpr std::string_view kKeyRows =
    "41041E 420530 43062E 440720 450812 460921 470A22 480B23 490C17 4A0D24 4B0E25 4C0F26 4D1032 "
    "4E1131 4F1218 501319 511410 521513 53161F 541714 551816 56192F 571A11 581B2D 591C15 5A1D2C "
    "311E02 321F03 332004 342105 352206 362307 372408 382509 39260A 30270B 0D281C 1B2901 082A0E "
    "092B0F 202C39 BD2D0C BB2E0D DB2F1A DD301B DC312B BA3327 DE3428 C03529 BC3633 BE3734 BF3835 "
    "DF3835 14393A 703A3B 713B3C 723C3D 733D3E 743E3F 753F40 764041 774142 784243 794344 7A4457 "
    "7B4558 2C4600 914700 134800 2D4900 244A00 214B00 2E4C00 234D00 224E00 274F00 255000 285100 "
    "265200 905300 6F5400 6A5500 6D5600 6B5700 6C5800 615900 625A00 635B00 645C00 655D00 675F00 "
    "665E00 686000 696100 606200 6E6300 5D6500 A2E000 A0E100 A4E200 5BE300 A3E400 A1E500 A5E600 "
    "5CE700 F0F000 F1F100 F2F200 F3F300 F4F400 F7F700 F8F800";

TEST(KeyTable, EveryRowInItsPlace) {
  std::vector<std::string> expected;
  std::istringstream rows{std::string(kKeyRows)};
  for (std::string row; rows >> row;) expected.push_back(row);
  ASSERT_EQ(KeyTable().size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const KeyRow& row = KeyTable()[i];
    char text[16];
    std::snprintf(text, sizeof text, "%02X%02X%02X", row.virtual_key, row.usage, row.scan_code);
    EXPECT_EQ(text, expected[i]) << "row " << i;
  }
}

class KeyNames : public ::testing::Test {
 protected:
  void SetUp() override { testing::UseEnglishTexts(); }
};

TEST_F(KeyNames, UsagesAreNamedByWhatThePositionTypesOrByTheirTexts) {
  // What the key at the position types on the layout, a to z as capitals: "&" on the French digit
  // 1, "M" at its US semicolon position, "," at its US M position.
  const std::tuple<const char*, std::uint32_t, const char*> typed[] = {
      {"us", 4, "A"},        {"us", 30, "1"},   {"fr", 4, "Q"},       {"fr", 20, "A"},
      {"fr", 30, "&"},       {"fr", 51, "M"},   {"fr", 16, ","},      {"fr", 31, "\u00E9"},
      {"de", 28, "Z"},       {"de", 29, "Y"},   {"de", 45, "\u00DF"}, {"us", 0x38, "/"},
      {"fr", 0x38, "!"},     {"us", 100, "\\"}, {"fr", 0x2F, "^"},    {"de", 0x35, "^"},
      {"de", 0x2E, "\u00B4"}};  // dead keys are named by their accent
  for (const auto& [layout, usage, name] : typed) {
    EXPECT_EQ(UsageToKeyName(Layout(layout), usage), name) << layout << " " << usage;
  }
  // Language texts and the usage name list, whatever the layout; 245 has a name but no row.
  const std::pair<std::uint32_t, const char*> named[] = {
      {40, "Enter"},         {57, "Caps Lock"},    {58, "F1"},           {99, "Num ."},
      {0xE7, "Right Super"}, {241, "Left Button"}, {244, "Back Button"}, {245, "Forward Button"}};
  for (const auto& [usage, name] : named) EXPECT_EQ(UsageToKeyName(Layout("fr"), usage), name);
  // Codes without a row or a name, and the program codes but the mouse buttons, have none.
  for (std::uint32_t usage :
       {0u, 1u, 3u, 50u, 102u, 103u, 104u, 120u, 232u, 233u, 239u, 240u, 246u, 247u, 248u, 255u}) {
    EXPECT_EQ(UsageToKeyName(Layout("us"), usage), "") << usage;
  }
  // Without a layout, letters and digits are named by their US position.
  EXPECT_EQ(UsageToKeyName(NoKeyboardLayout(), 4), "A");

  const std::pair<std::uint32_t, const char*> virtual_keys[] = {
      {110, "Num ."}, {16, "Left Shift"}, {42, "Print Screen"}, {240, "Caps Lock"},
      {0, ""},        {0xF1, ""}};
  for (const auto& [code, name] : virtual_keys) {
    EXPECT_EQ(VirtualKeyToKeyName(Layout("us"), code), name) << code;
  }
}

TEST_F(KeyNames, CapturedKeysBecomeTheUsageOfTheirPosition) {
  // On the French layout "A" sits at the US Q position; slash and OEM key 8 share one usage; the
  // program codes pass through; the generic Shift (16) has no row.
  const std::tuple<const char*, std::uint32_t, std::optional<std::uint32_t>> rows[] = {
      {"us", 0x41, 0x04}, {"fr", 0x41, 0x14}, {"fr", 0x51, 0x04},       {"fr", 0x4D, 0x33},
      {"us", 0x70, 0x3A}, {"us", 0xBF, 0x38}, {"us", 0xDF, 0x38},       {"us", 240, 240},
      {"us", 241, 241},   {"us", 242, 242},   {"us", 243, 243},         {"us", 244, 244},
      {"us", 247, 247},   {"us", 248, 248},   {"us", 16, std::nullopt}, {"us", 0, std::nullopt}};
  for (const auto& [layout, virtual_key, usage] : rows) {
    EXPECT_EQ(VirtualKeyToUsage(Layout(layout), virtual_key), usage)
        << layout << " " << virtual_key;
  }
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

TEST(XkbLayout, EveryKeyHasItsOwnCodeAndTheCodeLeadsBack) {
  for (const char* name : {"us", "fr", "de"}) {
    const KeyboardLayout* layout = &Layout(name);
    std::set<std::uint32_t> codes;
    for (const KeyPosition& position : StandardKeyPositions()) {
      SCOPED_TRACE(std::string(name) + " scan code " + std::to_string(position.scan_code));
      const std::uint32_t virtual_key = layout->VirtualKeyOf(position.scan_code);
      EXPECT_NE(virtual_key, 0u);
      EXPECT_TRUE(codes.insert(virtual_key).second);
      EXPECT_EQ(layout->ScanCodeOf(virtual_key), position.scan_code);
    }
    EXPECT_EQ(layout->ScanCodeOf(0xDF), 0u);  // OEM key 8 is on none of these keyboards
    EXPECT_EQ(layout->VirtualKeyOf(0), 0u);
  }
}

TEST(XkbLayout, WithoutDisplayTheSessionLayoutComesFromXkbDefaultLayout) {
  testing::UseEnglishTexts();
  const testing::ScopedEnv no_display("DISPLAY", std::nullopt);
  const testing::ScopedEnv french("XKB_DEFAULT_LAYOUT", "fr");
  const testing::ScopedEnv no_variant("XKB_DEFAULT_VARIANT", std::nullopt);
  std::string error;
  const std::unique_ptr<KeyboardLayout> layout = LoadSessionLayout(&error);
  ASSERT_TRUE(layout) << error;
  EXPECT_EQ(UsageToKeyName(*layout, 4), "Q");
}

TEST(XkbLayout, KeyboardDefaultsFileGivesTheNames) {
  const XkbNames names = ParseKeyboardDefaults(
      "# KEYBOARD CONFIGURATION FILE\n\nXKBMODEL=\"pc105\"\nXKBLAYOUT=\"de,us\"\n"
      "  XKBVARIANT='nodeadkeys,'\nXKBOPTIONS=\"\"\r\n#XKBLAYOUT=\"fr\"\nBACKSPACE=\"guess\"\n");
  EXPECT_EQ(names.layout, "de,us");
  EXPECT_EQ(names.variant, "nodeadkeys,");
  EXPECT_EQ(names.model, "pc105");
  EXPECT_EQ(names.options, "");
  // The first layout of a list is the one keys are named by.
  const std::unique_ptr<KeyboardLayout> layout = LoadXkbLayout(names);
  ASSERT_TRUE(layout);
  EXPECT_EQ(layout->VirtualKeyOf(0x15), std::uint32_t('Z'));
  // Without names there is no layout. An unknown name's refusal is the CLI test's.
  EXPECT_EQ(LoadXkbLayout(ParseKeyboardDefaults("")), nullptr);
}
}  // namespace
}  // namespace melko
