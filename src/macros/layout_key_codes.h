// The editor's key codes and names on the running program's keyboard layout. Header-only: it needs
// melko_input, which the core does not link; the programs that show the editor do.
#pragma once

#include "input/key_names.h"
#include "macros/macro_editor_ports.h"

namespace melko {

class LayoutKeyCodes final : public KeyCodes {
 public:
  std::uint8_t UsageOf(std::uint32_t virtual_key) const override {
    const auto usage = VirtualKeyToUsage(CurrentKeyboardLayout(), virtual_key);
    return usage && *usage <= 0xFF ? std::uint8_t(*usage) : 0;
  }
  std::string NameOf(std::uint8_t code) const override {
    return UsageToKeyName(CurrentKeyboardLayout(), code);
  }
};

}  // namespace melko
