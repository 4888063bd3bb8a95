// The user's keyboard layout as the key names need it. Scan codes here are Linux evdev key codes,
// which equal the PC set-1 scan codes of the key table for every key that has one there.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace melko {

class KeyboardLayout {
 public:
  virtual ~KeyboardLayout() = default;
  // The scan code of the key that produces this virtual-key code; 0 when no key does.
  virtual std::uint32_t ScanCodeOf(std::uint32_t virtual_key) const = 0;
  // The virtual-key code of the key at this scan code; 0 when there is no such key.
  virtual std::uint32_t VirtualKeyOf(std::uint32_t scan_code) const = 0;
  // What the key at this scan code types with no modifier held (UTF-8); empty when nothing.
  virtual std::string TypedText(std::uint32_t scan_code) const = 0;
};

// A layout without keys: every question gets 0 or nothing. Used before a layout is installed and
// when none can be loaded; names that come from the layout are then empty.
class NoKeyboardLayout final : public KeyboardLayout {
 public:
  std::uint32_t ScanCodeOf(std::uint32_t) const override { return 0; }
  std::uint32_t VirtualKeyOf(std::uint32_t) const override { return 0; }
  std::string TypedText(std::uint32_t) const override { return {}; }
};

// The layout of the running program: set at start, read from anywhere. Installed layouts stay
// alive for the process, so a reference handed out stays valid when another is installed.
void InstallKeyboardLayout(std::unique_ptr<KeyboardLayout> layout);
const KeyboardLayout& CurrentKeyboardLayout();

}  // namespace melko
