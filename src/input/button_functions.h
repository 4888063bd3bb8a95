// The functions a mouse button can be given: each code with the assignment menu item that selects
// it, the language key of the text on the button's label and the fixed key combination the mouse
// sends for it. Codes 16 (the user's keyboard shortcut) and 17 (a macro) compose their labels.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "input/keyboard_layout.h"
#include "profiles/profile_record.h"

namespace melko {

// Bits of ButtonAssignment::shortcut_modifiers, the HID keyboard modifier byte.
inline constexpr std::uint8_t kModifierCtrl = 0x01;
inline constexpr std::uint8_t kModifierShift = 0x02;
inline constexpr std::uint8_t kModifierAlt = 0x04;
inline constexpr std::uint8_t kModifierWin = 0x08;

inline constexpr std::uint8_t kFunctionLeftClick = 1;

struct KeyCombination {
  std::uint8_t modifiers;
  std::uint8_t usage;  // 0: the code sends no fixed combination
};

struct ButtonFunction {
  std::uint8_t code;
  std::string_view menu_item;  // empty: no menu item selects the code
  std::string_view label_key;  // empty: the label is empty or, for 16 and 17, composed
  KeyCombination combination;
};

// The table in code order.
std::span<const ButtonFunction> ButtonFunctionTable();
const ButtonFunction* FindButtonFunction(std::uint8_t code);

// The function a menu item selects, comparing whole names without regard to case; none for a name
// the table does not have.
const ButtonFunction* ButtonFunctionOfMenuItem(std::string_view menu_item);
// The code a menu item selects; Left click (1) for a name the table does not have.
std::uint8_t FunctionCodeOfMenuItem(std::string_view menu_item);

// The assignment menu item that selects what the button holds now: a desktop action for a shortcut
// with exactly its keys, else the item of the function's code; empty when no item selects it.
std::string_view CurrentMenuItem(const ButtonAssignment& button);

// Keys as the user reads them: the modifier texts, each followed by "+", then the key's name.
std::string KeysText(const KeyboardLayout& layout, std::uint8_t modifiers, std::uint8_t usage);

struct ButtonLabel {
  std::string text;
  bool is_language_key;  // true: text is a key of res/lan.xml; false: text is shown as it is
};

// What a button's label shows: for a shortcut the name of the desktop action with exactly its
// keys, or else its KeysText; for a macro "assign_macro_text" followed by the macro's name;
// otherwise the label key of the code (empty for a code without one).
ButtonLabel ButtonLabelText(const KeyboardLayout& layout, const ButtonAssignment& button);

// The label as the user reads it: a language key looked up, plain text as it is.
std::string LabelDisplayText(const ButtonLabel& label);

}  // namespace melko
