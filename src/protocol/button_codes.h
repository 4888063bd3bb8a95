// The three bytes by which the buttons report tells the mouse what a button does.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "profiles/profile_record.h"

namespace melko {

using ButtonBytes = std::array<std::uint8_t, 3>;

// First bytes with a meaning of their own: a key combination carries the HID modifier byte and a
// HID usage; a macro carries the button number of its macro report.
inline constexpr std::uint8_t kButtonByteShortcut = 0x11;
inline constexpr std::uint8_t kButtonByteMacro = 0x12;

struct ButtonFunctionCode {
  std::uint8_t function;
  ButtonBytes bytes;
};

// The 63 function codes that have report bytes.
std::span<const ButtonFunctionCode> ButtonFunctionCodes();

// The entry of one mouse button (slot 0 to 17): the row of its function code, 00 00 00 for a code
// without a row, with the shortcut or the button number filled in for functions 16 and 17.
ButtonBytes ButtonReportBytes(const ButtonAssignment& button, int slot);

}  // namespace melko
