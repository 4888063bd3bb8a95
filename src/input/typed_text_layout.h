// A keyboard layout derived from what each key position types, so that any source of "what does
// this key type" (xkbcommon, a test) yields virtual-key codes the key table understands.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <span>
#include <string>

#include "input/keyboard_layout.h"

namespace melko {

// A key of a standard PC keyboard: its scan code (evdev code) and the virtual-key code of that
// position on the standard US layout. For typing keys (letters, digits, punctuation) the layout
// decides the code; every other key keeps the code of its position.
struct KeyPosition {
  std::uint32_t scan_code;
  std::uint32_t standard_virtual_key;
  bool typing_key;
};

std::span<const KeyPosition> StandardKeyPositions();

// Virtual-key codes are assigned so that each key has exactly one and each code one key:
//   1. a typing key that types one letter or digit gets 'A' to 'Z' or '0' to '9' (first key wins);
//   2. every other key gets the code of its position, unless step 1 gave that code away;
//   3. the keys left over take, in order, the position codes that nobody holds.
// So on a French layout the key at the US "A" position types "q" and reports 'Q', and the key at
// the US "M" position, which types ",", takes the code freed by the key that now reports 'M'.
class TypedTextLayout final : public KeyboardLayout {
 public:
  // typed_text gives, for a scan code, what that key types with no modifier held.
  explicit TypedTextLayout(const std::function<std::string(std::uint32_t scan_code)>& typed_text);

  std::uint32_t ScanCodeOf(std::uint32_t virtual_key) const override;
  std::uint32_t VirtualKeyOf(std::uint32_t scan_code) const override;
  std::string TypedText(std::uint32_t scan_code) const override;

 private:
  std::map<std::uint32_t, std::uint32_t> virtual_key_of_scan_;
  std::map<std::uint32_t, std::uint32_t> scan_of_virtual_key_;
  std::map<std::uint32_t, std::string> text_of_scan_;
};

}  // namespace melko
