#include <gtest/gtest.h>

#include <cstring>
#include <optional>

#include "common/language.h"
#include "input/button_assignment.h"
#include "input/button_functions.h"
#include "input/desktop_actions.h"
#include "input/key_names.h"
#include "input/xkb/xkb_layout.h"
#include "support/test_support.h"

namespace melko {
namespace {

// Dialog answers set by each test (none: cancelled); the presets and warnings are recorded.
class FakeDialogs final : public ShortcutCapture,
                          public MacroChoice,
                          public WarningMessage,
                          public ApplyRequester {
 public:
  bool Capture(ShortcutFields& fields) override {
    shortcut_preset = fields;
    if (shortcut_answer) fields = *shortcut_answer;
    return shortcut_answer.has_value();
  }
  bool Choose(const MacroStore&, MacroChoiceFields& fields) override {
    macro_preset = fields;
    if (macro_answer) fields = *macro_answer;
    return macro_answer.has_value();
  }
  void Show(std::string_view title_key, std::string_view text_key) override {
    warnings.push_back(std::string(title_key) + "/" + std::string(text_key));
  }
  void RequestApply() override { ++applies; }

  std::optional<ShortcutFields> shortcut_answer, shortcut_preset;
  std::optional<MacroChoiceFields> macro_answer, macro_preset;
  std::vector<std::string> warnings;
  int applies = 0;
};

class ButtonAssignmentTest : public ::testing::Test {
 protected:
  ButtonAssignmentTest() {
    SetDefaults(profile);  // button 0 is the only left click; button 6 is Forward
    for (const char16_t* name : {u"Burst", u"Volley"})
      macros.macros.push_back(MakeEmptyMacro(name));
  }

  AssignmentOutcome Assign(int button, std::string_view item) {
    return AssignButtonFunction(profile, button, item, macros,
                                {dialogs, dialogs, dialogs, dialogs});
  }
  bool Unchanged(const ProfileRecord& before) const {
    return std::memcmp(&before, &profile, sizeof profile) == 0;
  }

  ProfileRecord profile = ZeroProfileRecord();
  MacroStore macros;
  FakeDialogs dialogs;
};

TEST_F(ButtonAssignmentTest, TheLastLeftClickAmongTheFirstSixteenButtonsStays) {
  const ProfileRecord before = profile;
  // Neither dialog opens for a refused shortcut or macro.
  for (const char* item : {"ms_1_dpi_up", "ms_1_shortcut", "ms_1_select_macro"})
    EXPECT_EQ(Assign(0, item), AssignmentOutcome::kLeftClickRequired) << item;
  EXPECT_EQ(dialogs.warnings, std::vector<std::string>(3, "warning_title_text/one_click_text"));
  EXPECT_FALSE(dialogs.shortcut_preset || dialogs.macro_preset);
  EXPECT_TRUE(Unchanged(before));

  // A left click on button 17 does not count; one on button 16 of the first sixteen does.
  profile.buttons[16].function = kFunctionLeftClick;
  EXPECT_EQ(Assign(0, "ms_1_dpi_up"), AssignmentOutcome::kLeftClickRequired);
  EXPECT_EQ(Assign(15, "ms_1_click"), AssignmentOutcome::kAssigned);
  EXPECT_EQ(Assign(0, "ms_1_dpi_up"), AssignmentOutcome::kAssigned);
  EXPECT_EQ(std::tuple(profile.buttons[0].function, dialogs.applies), std::tuple(7, 2));
  // Buttons outside the rule can change freely while it holds; buttons past the last are refused.
  EXPECT_EQ(Assign(17, "ms_1_scroll_up"), AssignmentOutcome::kAssigned);
  const ProfileRecord assigned = profile;
  EXPECT_EQ(Assign(-1, "ms_1_click"), AssignmentOutcome::kNoSuchButton);
  EXPECT_EQ(Assign(kMouseButtonCount, "ms_1_click"), AssignmentOutcome::kNoSuchButton);
  EXPECT_TRUE(Unchanged(assigned));
}

TEST_F(ButtonAssignmentTest, ShortcutCaptureStoresAConfirmedShortcutOnly) {
  ButtonAssignment& button = profile.buttons[6];  // Forward
  button.shortcut_modifiers = kModifierAlt;       // left from an earlier capture
  button.shortcut_key = 0x09;
  button.gap_4 = {1, 2, 3};
  // An empty shortcut keeps the function and asks for no apply. The stored modifiers preset the
  // capture; the key does not, as the button held no shortcut.
  dialogs.shortcut_answer = ShortcutFields{{false, false, false, false}, 0};
  EXPECT_EQ(Assign(6, "ms_1_shortcut"), AssignmentOutcome::kUnchanged);
  EXPECT_EQ(std::tuple(dialogs.shortcut_preset->modifiers, dialogs.shortcut_preset->key),
            std::tuple(std::array{false, false, true, false}, 0));
  // The capture's answer is kept all the same.
  EXPECT_EQ(
      std::tuple(button.function, button.shortcut_modifiers, button.shortcut_key, dialogs.applies),
      std::tuple(4, 0, 0, 0));

  dialogs.shortcut_answer = ShortcutFields{{true, false, true, false}, 0x3E};
  // That the button then sends the shortcut is the page test's, which sees it on the mouse.
  EXPECT_EQ(Assign(6, "ms_1_shortcut"), AssignmentOutcome::kAssigned);
  EXPECT_EQ(std::tuple(button.shortcut_modifiers, button.shortcut_key, button.gap_4),
            std::tuple(kModifierCtrl | kModifierAlt, 0x3E, std::array<std::uint8_t, 3>{}));

  // Reopened on a shortcut button, the capture starts from the stored key; cancelled, it changes
  // nothing.
  const ProfileRecord before = profile;
  dialogs.shortcut_answer.reset();
  EXPECT_EQ(Assign(6, "ms_1_shortcut"), AssignmentOutcome::kUnchanged);
  EXPECT_EQ(dialogs.shortcut_preset->key, 0x3E);
  EXPECT_TRUE(Unchanged(before));
}

TEST_F(ButtonAssignmentTest, ChosenMacroIsCopiedIntoTheButton) {
  ButtonAssignment& button = profile.buttons[3];
  const auto preset = [&] {
    const MacroChoiceFields& fields = *dialogs.macro_preset;
    return std::tuple(fields.macro_index, fields.mode, fields.repeat_count);
  };
  dialogs.macro_answer = MacroChoiceFields{1, 0, 5};
  EXPECT_EQ(Assign(3, "ms_1_select_macro"), AssignmentOutcome::kAssigned);
  EXPECT_EQ(preset(), std::tuple(-1, 0, 1));
  // The macro's name on the button's label and its steps on the mouse are the page test's.
  EXPECT_EQ(std::tuple(button.macro_index, button.macro_repeat), std::tuple(1, 5));

  // Reopened on a macro button, the choice starts from the button's macro, found by its name: the
  // stored position goes stale when an earlier macro is deleted.
  button.macro_index = 0;
  const ProfileRecord before = profile;
  for (std::int32_t index : {-1, 2, 1000}) {
    dialogs.macro_answer = MacroChoiceFields{index, 1, 1};
    EXPECT_EQ(Assign(3, "ms_1_select_macro"), AssignmentOutcome::kUnchanged) << index;
    EXPECT_EQ(preset(), std::tuple(1, 0, 5));
  }
  dialogs.macro_answer.reset();
  EXPECT_EQ(Assign(3, "ms_1_select_macro"), AssignmentOutcome::kUnchanged);
  EXPECT_TRUE(Unchanged(before));
  EXPECT_EQ(dialogs.applies, 1);

  // Another function over the macro keeps the macro's fields.
  ButtonAssignment expected = button;
  expected.function = 7;
  EXPECT_EQ(Assign(3, "ms_1_dpi_up"), AssignmentOutcome::kAssigned);
  EXPECT_EQ(std::memcmp(&expected, &button, sizeof expected), 0);
  EXPECT_EQ(ButtonLabelText(NoKeyboardLayout(), button).text, "dpi_up_text");
}

TEST(ButtonFunctions, MenuItemsSelectTheirCodes) {
  int items = 0;
  for (const ButtonFunction& function : ButtonFunctionTable()) {
    if (function.menu_item.empty()) continue;
    ++items;
    EXPECT_EQ(FunctionCodeOfMenuItem(function.menu_item), function.code);
  }
  EXPECT_EQ(items, 52);
  for (const char* unknown : {"", "ms_1_", "ms_1_dpi_up ", "ms_1_dpi", "ms_1_undo", "-"}) {
    EXPECT_EQ(FunctionCodeOfMenuItem(unknown), kFunctionLeftClick) << unknown;
  }
}

TEST(ButtonFunctions, EveryTextKeyIsInTheLanguageFile) {
  // A file that failed to load would fail every row; the language test reads it whole.
  const LanguageTexts texts =
      LanguageTexts::Load(std::filesystem::path(MELKO_SOURCE_DIR) / "res/lan.xml");
  auto known = [&](std::string_view key) { return key.empty() || texts.Has(key); };
  for (const ButtonFunction& function : ButtonFunctionTable()) {
    EXPECT_TRUE(known(function.label_key)) << function.label_key;
    EXPECT_TRUE(known(function.menu_item)) << function.menu_item;
  }
  // Each desktop action's keys are its own, so a shortcut with them shows the action's name.
  for (const DesktopAction& action : DesktopActions()) {
    EXPECT_TRUE(known(action.label_key) &&
                DesktopActionOfKeys(action.keys.modifiers, action.keys.usage) == &action)
        << action.label_key;
  }
  for (std::uint32_t code = 0; code < 256; ++code) {
    EXPECT_TRUE(known(UsageNameKey(code).value_or(""))) << code;
    EXPECT_TRUE(known(VirtualKeyNameKey(code).value_or(""))) << code;
  }
  // The modifiers' texts show in the shortcut labels below, the macro's in the page test's.
  for (const char* key : {"warning_title_text", "one_click_text"}) EXPECT_TRUE(texts.Has(key));
}

TEST(ButtonFunctions, ShortcutLabelsAreComposedOnTheLayout) {
  testing::UseEnglishTexts();
  const std::unique_ptr<KeyboardLayout> french = LoadXkbLayout({"fr", "", "", ""});
  ASSERT_TRUE(french);
  // Usage 0x3E is F5, 0x04 the French Q; bits above Win name nothing.
  for (const auto& [modifiers, key, text] :
       {std::tuple(kModifierCtrl | kModifierAlt, 0x3E, "Ctrl+Alt+F5"),
        {0x0F, 0x04, "Ctrl+Shift+Alt+Super+Q"},
        {0xF0, 0x04, "Q"}}) {
    ButtonAssignment shortcut{};
    shortcut.function = kFunctionShortcut;
    shortcut.shortcut_modifiers = std::uint8_t(modifiers);
    shortcut.shortcut_key = std::uint8_t(key);
    const ButtonLabel label = ButtonLabelText(*french, shortcut);
    EXPECT_EQ(std::tuple(label.text, label.is_language_key), std::tuple(text, false));
  }
}
}  // namespace
}  // namespace melko
