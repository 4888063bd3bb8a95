#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <optional>
#include <set>
#include <sstream>

#include "common/language.h"
#include "input/key_names.h"
#include "input/key_table.h"
#include "input/typed_text_layout.h"
#include "input/xkb/xkb_layout.h"
#include "support/plugin_support.h"
#include "support/test_support.h"
#include "support/x_server.h"

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
  std::vector<std::string> expected, actual;
  std::istringstream rows{std::string(kKeyRows)};
  for (std::string row; rows >> row;) expected.push_back(row);
  for (const KeyRow& row : KeyTable()) {
    char text[16];
    std::snprintf(text, sizeof text, "%02X%02X%02X", row.virtual_key, row.usage, row.scan_code);
    actual.push_back(text);
  }
  EXPECT_EQ(actual, expected);
}

TEST(KeyNames, UsagesAreNamedByWhatThePositionTypesOrByTheirTexts) {
  testing::UseEnglishTexts();
  // What the key at the position types on the layout, a to z as capitals: "&" on the French digit
  // 1, "M" at its US semicolon position, "," at its US M position.
  const std::tuple<const char*, std::uint32_t, const char*> typed[] = {
      {"us", 30, "1"},       {"fr", 30, "&"},   {"fr", 51, "M"},      {"fr", 16, ","},
      {"fr", 31, "\u00E9"},  {"de", 28, "Z"},   {"de", 45, "\u00DF"}, {"us", 0x38, "/"},
      {"fr", 0x38, "!"},     {"us", 100, "\\"}, {"fr", 0x2F, "^"},    {"de", 0x35, "^"},
      {"de", 0x2E, "\u00B4"}};  // dead keys are named by their accent
  for (const auto& [layout, usage, name] : typed) {
    EXPECT_EQ(UsageToKeyName(Layout(layout), usage), name) << layout << " " << usage;
  }
  EXPECT_EQ(UsageToKeyName(Layout("fr"), 40), "Enter");  // a language text
}

// The two lists of named keys, row by row: with a language file that has no texts, a name shows
// as its language key. Every other usage outside the layout's range has no name at all.
TEST(KeyNames, NamedKeysTakeTheTextsOfTheirRows) {
  InstallLanguage(LanguageTexts::Parse(""));
  std::map<std::uint32_t, std::string> usages;
  std::istringstream named(
      "70 key_Print Scr|71 key_Scroll Lock|72 key_Pause|73 key_Insert|74 key_Home|75 key_Page Up|"
      "76 key_Delete|77 key_End|78 key_Page Down|79 key_Right|80 key_Left|81 key_Down|82 key_Up|"
      "83 key_Num Lock|84 key_Num_/|85 key_Num_*|86 key_Num_-|87 key_Num_+|88 key_Num_Enter|"
      "98 key_Num_0|99 key_Num_.|100 key_\\|101 key_APP|130 Sleep|136 Kana/Roma|221 `|"
      "224 key_LCtrl|225 key_LShift|226 key_LAlt|227 key_LWin|228 key_RCtrl|229 key_RShift|"
      "230 key_RAlt|231 key_RWin|241 L_Button|242 R_Button|243 M_Button|244 Backward_Button|"
      "245 Forward_Button");
  for (std::string row; std::getline(named, row, '|');)
    usages[std::uint32_t(std::stoi(row))] = row.substr(row.find(' ') + 1);
  for (int n = 1; n <= 12; ++n) usages[57 + std::uint32_t(n)] = "key_F" + std::to_string(n);
  for (int n = 1; n <= 9; ++n) usages[88 + std::uint32_t(n)] = "key_Num_" + std::to_string(n);
  for (std::uint32_t usage = 0; usage < 256; ++usage) {
    if (usage >= 4 && usage <= 57) continue;  // named by the layout
    EXPECT_EQ(UsageToKeyName(Layout("us"), usage), usages[usage]) << usage;
  }
  std::map<std::uint32_t, std::string> virtual_keys = {
      {8, "key_BackSpace"},     {9, "key_Tab"},      {13, "key_Enter"},     {16, "key_LShift"},
      {17, "key_LCtrl"},        {18, "key_LAlt"},    {19, "key_Pause"},     {20, "key_Caplk"},
      {27, "key_Esc"},          {32, "key_Space"},   {33, "key_Page Up"},   {34, "key_Page Down"},
      {35, "key_End"},          {36, "key_Home"},    {37, "key_Left"},      {38, "key_Up"},
      {39, "key_Right"},        {40, "key_Down"},    {42, "key_Print Scr"}, {44, "key_Print Scr"},
      {45, "key_Insert"},       {46, "key_Delete"},  {91, "key_LWin"},      {92, "key_RWin"},
      {93, "key_APP"},          {106, "key_Num_*"},  {107, "key_Num_+"},    {108, "key_Num_Enter"},
      {109, "key_Num_-"},       {110, "key_Num_."},  {111, "key_Num_/"},    {144, "key_Num Lock"},
      {145, "key_Scroll Lock"}, {160, "key_LShift"}, {161, "key_RShift"},   {162, "key_LCtrl"},
      {163, "key_RCtrl"},       {164, "key_LAlt"},   {165, "key_RAlt"},     {240, "key_Caplk"}};
  for (int n = 0; n <= 9; ++n) virtual_keys[96 + std::uint32_t(n)] = "key_Num_" + std::to_string(n);
  for (int n = 1; n <= 12; ++n) virtual_keys[111 + std::uint32_t(n)] = "key_F" + std::to_string(n);
  for (const auto& [code, key] : virtual_keys) {
    EXPECT_EQ(VirtualKeyToKeyName(Layout("us"), code), key) << code;
  }
  EXPECT_EQ(VirtualKeyToKeyName(Layout("us"), 0xF1), "");
}

TEST(KeyNames, CapturedKeysBecomeTheUsageOfTheirPosition) {
  // Keys at a position of the table are the loop's below. OEM key 8, on none of these keyboards,
  // shares the slash's usage; the program codes pass through; the generic Shift (16) has no row.
  const std::pair<std::uint32_t, std::optional<std::uint32_t>> rows[] = {
      {0xDF, 0x38}, {240, 240}, {241, 241}, {242, 242},         {243, 243},
      {244, 244},   {247, 247}, {248, 248}, {16, std::nullopt}, {0, std::nullopt}};
  for (const auto& [virtual_key, usage] : rows)
    EXPECT_EQ(VirtualKeyToUsage(Layout("us"), virtual_key), usage) << virtual_key;
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

// Every position, the arrows and the keypad too (which window captures read), has its own code on
// each layout, and the code leads back.
TEST(XkbLayout, EveryKeyHasItsOwnCodeAndTheCodeLeadsBack) {
  for (const char* name : {"us", "fr", "de"}) {
    std::set<std::uint32_t> codes;
    for (const KeyPosition& position : StandardKeyPositions()) {
      const std::uint32_t virtual_key = Layout(name).VirtualKeyOf(position.scan_code);
      EXPECT_TRUE(virtual_key != 0 && codes.insert(virtual_key).second &&
                  Layout(name).ScanCodeOf(virtual_key) == position.scan_code)
          << name << " scan code " << position.scan_code;
    }
  }
}

// Only in an X11 session does the X server (a US keymap) name the keys; else the settings do.
TEST(XkbLayout, TheSessionLayoutComesFromTheXServerOnlyInAnX11Session) {
  testing::UseEnglishTexts();
  const testing::TempDir logs;
  const testing::XServer x_server(logs / "xvfb.log");
  const testing::ScopedEnv french("XKB_DEFAULT_LAYOUT", "fr"), plain("XKB_DEFAULT_VARIANT", {});
  const auto name_of_a = [](std::optional<std::string> display,
                            std::optional<std::string> wayland) {
    const testing::ScopedEnv x("DISPLAY", display), wl("WAYLAND_DISPLAY", wayland);
    return UsageToKeyName(*LoadSessionLayout(), 4);
  };
  EXPECT_EQ(name_of_a({}, {}) + name_of_a(x_server.display(), {}) +
                name_of_a(x_server.display(), "wayland-0"),
            "QAQ");
}

TEST(XkbLayout, KeyboardDefaultsFileGivesTheNames) {
  const XkbNames names = ParseKeyboardDefaults(
      "# KEYBOARD CONFIGURATION FILE\n\nXKBMODEL=\"pc105\"\nXKBLAYOUT=\"de,us\"\n"
      "  XKBVARIANT='nodeadkeys,'\nXKBOPTIONS=\"\"\r\n#XKBLAYOUT=\"fr\"\nBACKSPACE=\"guess\"\n");
  EXPECT_EQ(names.layout + "|" + names.variant + "|" + names.model + "|" + names.options,
            "de,us|nodeadkeys,|pc105|");
  // The first layout of a list is the one keys are named by.
  const std::unique_ptr<KeyboardLayout> layout = LoadXkbLayout(names);
  ASSERT_TRUE(layout);
  EXPECT_EQ(layout->VirtualKeyOf(0x15), std::uint32_t('Z'));
  // Without names there is no layout. An unknown name's refusal is the CLI test's.
  EXPECT_EQ(LoadXkbLayout(ParseKeyboardDefaults("")), nullptr);
  // The desktop's input sources: the first keyboard layout, past input methods.
  const XkbNames gnome = ParseInputSources("[('ibus', 'anthy'), ('xkb', 'de+nodeadkeys')]\n");
  EXPECT_EQ(gnome.layout + "/" + gnome.variant + ParseInputSources("[('xkb', 'de").layout,
            "de/nodeadkeys");
}
}  // namespace
}  // namespace melko
