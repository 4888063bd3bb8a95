// Actions that Linux desktops bind to keys of their own, offered beside the functions whose fixed
// combinations only another system understands. Each is stored as an ordinary keyboard shortcut
// (function 16 with its keys), so profiles and the mouse see nothing new; a shortcut whose keys are
// exactly an action's is shown by the action's name.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "input/button_functions.h"

namespace melko {

struct DesktopAction {
  std::string_view menu_item;  // the assignment menu item that selects it
  std::string_view label_key;  // the language key of its name, in the menu and on the label
  KeyCombination keys;
};

std::span<const DesktopAction> DesktopActions();

// The action a menu item selects, compared without regard to case; none for another item.
const DesktopAction* DesktopActionOfMenuItem(std::string_view menu_item);
// The action whose keys are exactly these; none when no action sends them.
const DesktopAction* DesktopActionOfKeys(std::uint8_t modifiers, std::uint8_t usage);

}  // namespace melko
