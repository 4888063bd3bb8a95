// The fixed key table: which virtual-key code, HID keyboard usage and scan code belong together.
//
// Virtual-key codes are what key capture (the hook library, the shortcut dialog) delivers; HID
// usages are what macros and shortcut assignments store; scan codes (PC set 1) name a physical key
// position and let the keyboard layout decide what a stored usage is called. Codes 240 to 248 are
// the program's own: 241 to 245 the mouse buttons inside macros.
#pragma once

#include <cstdint>
#include <span>

namespace melko {

struct KeyRow {
  std::uint32_t virtual_key;
  std::uint32_t usage;
  std::uint32_t scan_code;  // 0: the row has none
};

inline constexpr std::size_t kKeyTableRows = 112;

// The rows in their fixed order. Every search takes the first match, which decides between rows
// that share a value (the slash key and OEM key 8 share usage 0x38 and scan code 0x35).
std::span<const KeyRow> KeyTable();

// The first row with this value, or null.
const KeyRow* FindRowByVirtualKey(std::uint32_t virtual_key);
const KeyRow* FindRowByUsage(std::uint32_t usage);
const KeyRow* FindRowByScanCode(std::uint32_t scan_code);  // 0 matches no row

}  // namespace melko
