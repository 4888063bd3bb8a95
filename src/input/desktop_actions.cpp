#include "input/desktop_actions.h"

#include "common/text.h"

namespace melko {
namespace {

constexpr std::uint8_t kCtrlAlt = kModifierCtrl | kModifierAlt;

// Usages: F2, Print Screen, L, D, the left and right arrows; volume and mute as the keyboard page
// has them (0x80, 0x81, 0x7F); play, previous and next at 0xE8, 0xEA and 0xEB, which the Linux
// keyboard driver reads as those media keys.
constexpr DesktopAction kActions[] = {
    {"ms_1_desktop_run_command", "desktop_run_command_text", {kModifierAlt, 0x3B}},
    {"ms_1_desktop_screenshot", "desktop_screenshot_text", {0, 0x46}},
    {"ms_1_desktop_lock_screen", "desktop_lock_screen_text", {kModifierWin, 0x0F}},
    {"ms_1_desktop_show_desktop", "desktop_show_desktop_text", {kModifierWin, 0x07}},
    {"ms_1_desktop_workspace_left", "desktop_workspace_left_text", {kCtrlAlt, 0x50}},
    {"ms_1_desktop_workspace_right", "desktop_workspace_right_text", {kCtrlAlt, 0x4F}},
    {"ms_1_desktop_volume_up", "desktop_volume_up_text", {0, 0x80}},
    {"ms_1_desktop_volume_down", "desktop_volume_down_text", {0, 0x81}},
    {"ms_1_desktop_mute", "desktop_mute_text", {0, 0x7F}},
    {"ms_1_desktop_play_pause", "desktop_play_pause_text", {0, 0xE8}},
    {"ms_1_desktop_next_track", "desktop_next_track_text", {0, 0xEB}},
    {"ms_1_desktop_previous_track", "desktop_previous_track_text", {0, 0xEA}},
};

}  // namespace

std::span<const DesktopAction> DesktopActions() {
  return kActions;
}

const DesktopAction* DesktopActionOfMenuItem(std::string_view menu_item) {
  for (const DesktopAction& action : kActions) {
    if (EqualsIgnoringAsciiCase(action.menu_item, menu_item)) return &action;
  }
  return nullptr;
}

const DesktopAction* DesktopActionOfKeys(std::uint8_t modifiers, std::uint8_t usage) {
  for (const DesktopAction& action : kActions) {
    if (action.keys.modifiers == modifiers && action.keys.usage == usage) return &action;
  }
  return nullptr;
}

}  // namespace melko
