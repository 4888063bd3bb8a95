// The button function table, its labels, and its agreement with the report bytes and the texts.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>

#include "common/language.h"
#include "common/text.h"
#include "input/button_functions.h"
#include "input/key_names.h"
#include "input/xkb/xkb_layout.h"
#include "protocol/button_codes.h"
#include "support/test_support.h"

namespace melko {
namespace {

ButtonAssignment Button(std::uint8_t function) {
  ButtonAssignment button{};
  button.function = function;
  return button;
}

TEST(ButtonFunctions, MenuItemsSelectTheirCodesWithoutRegardToCase) {
  int items = 0;
  for (const ButtonFunction& function : ButtonFunctionTable()) {
    if (function.menu_item.empty()) continue;
    ++items;
    std::string upper(function.menu_item);
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return char(std::toupper(c)); });
    EXPECT_EQ(FunctionCodeOfMenuItem(function.menu_item), function.code);
    EXPECT_EQ(FunctionCodeOfMenuItem(upper), function.code);
  }
  EXPECT_EQ(items, 52);
  for (const char* unknown : {"", "ms_1_", "ms_1_dpi_up ", "ms_1_dpi", "ms_1_undo", "-"}) {
    EXPECT_EQ(FunctionCodeOfMenuItem(unknown), kFunctionLeftClick) << unknown;
  }
}

TEST(ButtonFunctions, FixedCombinationsAreTheOnesTheReportSends) {
  for (const ButtonFunctionCode& sent : ButtonFunctionCodes()) {
    SCOPED_TRACE(int(sent.function));
    const ButtonFunction* function = FindButtonFunction(sent.function);
    ASSERT_NE(function, nullptr);
    const bool fixed_combination = sent.bytes[0] == 0x11 && sent.function != kFunctionShortcut;
    EXPECT_EQ(function->combination.usage != 0, fixed_combination);
    if (fixed_combination) {
      EXPECT_EQ(function->combination.modifiers, sent.bytes[1]);
      EXPECT_EQ(function->combination.usage, sent.bytes[2]);
    }
  }
}

TEST(ButtonFunctions, EveryTextKeyIsInTheLanguageFile) {
  bool loaded = false;
  const LanguageTexts texts =
      LanguageTexts::Load(std::filesystem::path(MELKO_SOURCE_DIR) / "res/lan.xml", &loaded);
  ASSERT_TRUE(loaded);
  auto known = [&](std::string_view key) { return key.empty() || texts.Has(key); };
  for (const ButtonFunction& function : ButtonFunctionTable()) {
    EXPECT_TRUE(known(function.label_key)) << function.label_key;
    EXPECT_TRUE(known(function.menu_item)) << function.menu_item;
  }
  for (std::uint32_t code = 0; code < 256; ++code) {
    EXPECT_TRUE(known(UsageNameKey(code).value_or(""))) << code;
    EXPECT_TRUE(known(VirtualKeyNameKey(code).value_or(""))) << code;
  }
  for (const char* key :
       {"keyboard_ctrl_text", "keyboard_shift_text", "keyboard_alt_text", "keyboard_win_text",
        "assign_macro_text", "warning_title_text", "one_click_text"}) {
    EXPECT_TRUE(texts.Has(key)) << key;
  }
}

TEST(ButtonFunctions, LabelsOfPlainCodesAreTheirKeysOrEmpty) {
  const NoKeyboardLayout layout;
  const ButtonLabel task_view = ButtonLabelText(layout, Button(51));
  EXPECT_EQ(task_view.text, "task_view_text");
  EXPECT_TRUE(task_view.is_language_key);
  EXPECT_EQ(ButtonLabelText(layout, Button(39)).text, "undo_text");  // a label, but no menu item
  for (std::uint8_t code : {115, 121, 19, 47, 15, 255}) {
    const ButtonLabel label = ButtonLabelText(layout, Button(code));
    EXPECT_EQ(label.text, "") << int(code);
    EXPECT_EQ(LabelDisplayText(label), "") << int(code);
  }
}

TEST(ButtonFunctions, ShortcutAndMacroLabelsAreComposed) {
  testing::UseEnglishTexts();
  const std::unique_ptr<KeyboardLayout> french = LoadXkbLayout({"fr", "", "", ""});
  ASSERT_TRUE(french);
  ButtonAssignment shortcut = Button(kFunctionShortcut);
  shortcut.shortcut_modifiers = kModifierCtrl | kModifierAlt;
  shortcut.shortcut_key = 0x3E;  // F5
  const ButtonLabel label = ButtonLabelText(*french, shortcut);
  EXPECT_EQ(label.text, "Ctrl+Alt+F5");
  EXPECT_FALSE(label.is_language_key);
  shortcut.shortcut_modifiers = 0x0F;
  shortcut.shortcut_key = 0x04;
  EXPECT_EQ(ButtonLabelText(*french, shortcut).text, "Ctrl+Shift+Alt+Super+Q");
  shortcut.shortcut_modifiers = 0xF0;  // bits above Win name nothing
  EXPECT_EQ(ButtonLabelText(*french, shortcut).text, "Q");

  ButtonAssignment macro = Button(kFunctionMacro);
  WriteFixedText(macro.macro_name, u"Burst");
  EXPECT_EQ(LabelDisplayText(ButtonLabelText(*french, macro)), "Macro: Burst");
}

}  // namespace
}  // namespace melko
