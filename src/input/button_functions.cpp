#include "input/button_functions.h"

#include <utility>

#include "common/language.h"
#include "common/text.h"
#include "input/desktop_actions.h"
#include "input/key_names.h"

namespace melko {
namespace {

constexpr std::uint8_t kCtrl = kModifierCtrl;
constexpr std::uint8_t kAlt = kModifierAlt;
constexpr std::uint8_t kWin = kModifierWin;

constexpr ButtonFunction kFunctions[] = {
    {0, "ms_1_button_off", "button_off_text", {}},
    {1, "ms_1_click", "left_click_text", {}},
    {2, "ms_1_menu", "right_click_text", {}},
    {3, "ms_1_scroll", "wheel_click_text", {}},
    {4, "ms_1_forward", "forward_text", {}},
    {5, "ms_1_backward", "backward_text", {}},
    {6, "ms_1_dpi_cycle", "dpi_cycle_text", {}},
    {7, "ms_1_dpi_up", "dpi_up_text", {}},
    {8, "ms_1_dpi_down", "dpi_down_text", {}},
    {9, "ms_1_double_click", "double_click_text", {}},
    {10, "ms_1_fire_button", "fire_button_text", {}},
    {11, "ms_1_scroll_up", "scroll_up_text", {}},
    {12, "ms_1_scroll_down", "scroll_down_text", {}},
    {13, "ms_1_titl_left", "titl_left_text", {}},
    {14, "ms_1_titl_right", "titl_right_text", {}},
    {16, "ms_1_shortcut", "", {}},
    {17, "ms_1_select_macro", "", {}},
    {19, "", "", {}},
    {21, "", "", {}},
    {22, "ms_1_easy_aim", "easy_aim_text", {}},
    {23, "ms_1_led_loop", "led_loop_text", {}},
    // Editing and desktop shortcuts; the usages are those of X, C, V, O, S, F, Y, Z, A, P, F4,
    // Tab, D, R, L, N, the = key, the - key and S.
    {32, "ms_1_cut", "cut_text", {kCtrl, 0x1B}},
    {33, "ms_1_copy", "copy_text", {kCtrl, 0x06}},
    {34, "ms_1_paste", "paste_text", {kCtrl, 0x19}},
    {35, "ms_1_open", "open_text", {kCtrl, 0x12}},
    {36, "ms_1_save", "save_text", {kCtrl, 0x16}},
    {37, "ms_1_find", "find_text", {kCtrl, 0x09}},
    {38, "ms_1_redo", "redo_text", {kCtrl, 0x1C}},
    {39, "", "undo_text", {kCtrl, 0x1D}},
    {40, "ms_1_select_all", "select_all_text", {kCtrl, 0x04}},
    {41, "ms_1_print", "print_text", {kCtrl, 0x13}},
    {42, "ms_1_close_window", "close_window_text", {kAlt, 0x3D}},
    {43, "ms_1_swap_windows", "swap_windows_text", {kAlt, 0x2B}},
    {44, "ms_1_show_desktop", "show_desktop_text", {kWin, 0x07}},
    {45, "ms_1_run_command", "run_command_text", {kWin, 0x15}},
    {46, "ms_1_lock_pc", "lock_pc_text", {kWin, 0x0F}},
    {47, "", "", {kCtrl, 0x11}},
    {48, "", "", {kCtrl, 0x2E}},
    {49, "", "", {kCtrl, 0x2D}},
    {50, "ms_1_screen_capture", "screen_capture_text", {kModifierShift | kWin, 0x16}},
    {51, "", "task_view_text", {}},
    {54, "", "profile_cycle_text", {}},
    {55, "", "profile_up_text", {}},
    {56, "", "profile_down_text", {}},
    // Media.
    {64, "ms_1_media_player", "media_player_text", {}},
    {65, "ms_1_play_pause", "play_pause_text", {}},
    {66, "ms_1_media_stop", "media_stop_text", {}},
    {67, "ms_1_pre_track", "previous_track_text", {}},
    {68, "ms_1_next_track", "next_track_text", {}},
    {69, "ms_1_volume_up", "volume_up_text", {}},
    {70, "ms_1_volume_down", "volume_down_text", {}},
    {71, "ms_1_mute", "mute_text", {}},
    // Browser and applications; bookmarks are Ctrl+Shift+O.
    {80, "ms_1_browser_home", "browser_home_text", {}},
    {81, "ms_1_browser_favorites", "browser_favorites_text", {kCtrl | kModifierShift, 0x12}},
    {82, "ms_1_browser_forward", "browser_forward_text", {}},
    {83, "ms_1_browser_backward", "browser_backward_text", {}},
    {84, "ms_1_browser_stop", "browser_stop_text", {}},
    {85, "ms_1_browser_refresh", "browser_refresh_text", {}},
    {86, "ms_1_browser_search", "browser_search_text", {}},
    {87, "ms_1_email", "email_text", {}},
    {88, "ms_1_calculator", "calculator_text", {}},
    {89, "ms_1_my_computer", "my_computer_text", {}},
    // Reached only through the defaults or a profile file; their labels are empty.
    {115, "", "", {}},
    {121, "", "", {}},
};

}  // namespace

std::span<const ButtonFunction> ButtonFunctionTable() {
  return kFunctions;
}

const ButtonFunction* FindButtonFunction(std::uint8_t code) {
  for (const ButtonFunction& function : kFunctions) {
    if (function.code == code) return &function;
  }
  return nullptr;
}

const ButtonFunction* ButtonFunctionOfMenuItem(std::string_view menu_item) {
  for (const ButtonFunction& function : kFunctions) {
    // Menu item names are ASCII, so folding ASCII letters compares them without regard to case.
    if (!function.menu_item.empty() && EqualsIgnoringAsciiCase(function.menu_item, menu_item)) {
      return &function;
    }
  }
  return nullptr;
}

std::uint8_t FunctionCodeOfMenuItem(std::string_view menu_item) {
  const ButtonFunction* function = ButtonFunctionOfMenuItem(menu_item);
  return function ? function->code : kFunctionLeftClick;
}

std::string_view CurrentMenuItem(const ButtonAssignment& button) {
  if (button.function == kFunctionShortcut) {
    if (const DesktopAction* action =
            DesktopActionOfKeys(button.shortcut_modifiers, button.shortcut_key)) {
      return action->menu_item;
    }
  }
  const ButtonFunction* function = FindButtonFunction(button.function);
  return function ? function->menu_item : std::string_view();
}

std::string KeysText(const KeyboardLayout& layout, std::uint8_t modifiers, std::uint8_t usage) {
  static constexpr std::pair<std::uint8_t, std::string_view> kModifierTexts[] = {
      {kModifierCtrl, "keyboard_ctrl_text"},
      {kModifierShift, "keyboard_shift_text"},
      {kModifierAlt, "keyboard_alt_text"},
      {kModifierWin, "keyboard_win_text"},
  };
  std::string keys;
  for (const auto& [bit, key] : kModifierTexts) {
    if (modifiers & bit) keys += text(key) + "+";
  }
  return keys + UsageToKeyName(layout, usage);
}

ButtonLabel ButtonLabelText(const KeyboardLayout& layout, const ButtonAssignment& button) {
  if (button.function == kFunctionShortcut) {
    if (const DesktopAction* action =
            DesktopActionOfKeys(button.shortcut_modifiers, button.shortcut_key)) {
      return {std::string(action->label_key), true};
    }
    return {KeysText(layout, button.shortcut_modifiers, button.shortcut_key), false};
  }
  if (button.function == kFunctionMacro) {
    return {text("assign_macro_text") + Utf16ToUtf8(ReadFixedText(button.macro_name)), false};
  }
  const ButtonFunction* function = FindButtonFunction(button.function);
  return {function ? std::string(function->label_key) : std::string(), true};
}

std::string LabelDisplayText(const ButtonLabel& label) {
  return label.is_language_key ? text(label.text) : label.text;
}

}  // namespace melko
