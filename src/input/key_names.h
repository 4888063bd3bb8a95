// Conversions between captured keys, stored usages and the names shown for them. Letters, digits
// and punctuation are named by what the key at that position types on the given layout; other
// keys by a language key of res/lan.xml. None of them keeps state.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "input/keyboard_layout.h"

namespace melko {

// The usage to store for a captured virtual-key code; nothing when the code has no row. For the
// typing keys and F1 to F12 the usage is that of the key's physical position on the layout.
std::optional<std::uint32_t> VirtualKeyToUsage(const KeyboardLayout& layout,
                                               std::uint32_t virtual_key);

// The name shown for a stored usage or program code (UTF-8); empty for a code without a name.
std::string UsageToKeyName(const KeyboardLayout& layout, std::uint32_t usage);

// The name shown for a virtual-key code: its language text, or what the key types on the layout
// with letters a to z as capitals; empty when neither gives anything.
std::string VirtualKeyToKeyName(const KeyboardLayout& layout, std::uint32_t virtual_key);

// The language keys of the usage name list and of the virtual-key name list; nothing when the
// code is not listed. Usages 102 to 104 are listed with the empty key.
std::optional<std::string_view> UsageNameKey(std::uint32_t usage);
std::optional<std::string_view> VirtualKeyNameKey(std::uint32_t virtual_key);

}  // namespace melko
