// The rules of the small dialogs and edit fields, free of any toolkit: the digit filter, the colour
// channels, the macro repeat count, the profile name checks, where the assignment menu opens and
// how the shortcut field turns key events into a shortcut.
#pragma once

#include <bitset>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "input/button_assignment.h"
#include "input/keyboard_layout.h"

namespace melko {

// The text with every character outside 0 to 9 removed; changed tells whether anything was.
struct FilteredText {
  std::string text;
  bool changed = false;
};
FilteredText DigitsOnly(std::string_view text);

// A colour edit's text as a channel: its leading digits with an optional sign, 0 without a number,
// limited to 0 to 255; corrected tells whether the edit must show the limited number.
struct ChannelValue {
  int value = 0;
  bool corrected = false;
};
ChannelValue ParseChannel(std::string_view text);
// 0xFFRRGGBB with one channel (0 red, 1 green, 2 blue) replaced.
std::uint32_t WithChannel(std::uint32_t argb, int channel, int value);

// The 16 swatches of the colour dialog, as 0xFFRRGGBB, in the order of its buttons 1 to 16.
const std::vector<std::uint32_t>& ColourSwatches();

// The macro choice's repeat count when its edit loses focus: 1 to 255, and the text to show.
struct RepeatCount {
  int count = 1;
  std::string shown;
};
RepeatCount ParseRepeatCount(std::string_view text);

// Why a profile name is refused: "warn_name_1_text" (empty), "warn_name_2_text" (taken, in any
// letter case), or empty when it is accepted.
std::string ProfileNameRefusal(const std::u16string& name,
                               const std::vector<std::u16string>& taken);

// The top of the assignment menu opened at y: downwards, or upwards (its bottom near the button)
// when it would reach the screen's bottom.
int AssignmentMenuTop(int y, int menu_height, int screen_bottom);

// The shortcut field's keys, one press or release at a time, taken as typed: a key pressed while
// modifiers are held becomes the key with exactly those modifiers ticked; a key pressed alone
// keeps the boxes as the user ticked them; a modifier becomes the key itself only when it is
// pressed and released with nothing else pressed meanwhile. Releases of other keys change nothing.
class ShortcutTyping {
 public:
  // The listening starts again: keys already down (the Tab that moved the focus) are let go
  // unheard.
  void Restart();
  // One key event by virtual-key code; true when fields changed.
  bool Hear(const KeyboardLayout& layout, std::uint32_t virtual_key, bool release,
            ShortcutFields& fields);

 private:
  std::bitset<256> down_;
  std::uint32_t lone_modifier_ = 0;  // 0: none that could still count alone
};

}  // namespace melko
