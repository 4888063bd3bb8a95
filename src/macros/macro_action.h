// One step of a macro as the stores, the exchange files and the mouse's memory hold it.
#pragma once

#include <cstdint>

namespace melko {

inline constexpr int kMaxMacroSteps = 46;
inline constexpr int kMacroStepPress = 1;
inline constexpr int kMacroStepRelease = 2;

// Codes 241 to 245 stand for mouse buttons inside a macro; every other code is a keyboard usage.
enum MouseButtonCode : std::uint8_t {
  kMouseLeft = 241,
  kMouseRight = 242,
  kMouseMiddle = 243,
  kMouseBackward = 244,
  kMouseForward = 245,
};
inline bool IsMouseButtonCode(int code) {
  return code >= kMouseLeft && code <= kMouseForward;
}

struct MacroAction {
  std::uint8_t code;    // HID keyboard usage or a mouse-button code
  std::uint8_t type;    // kMacroStepPress or kMacroStepRelease
  std::uint16_t delay;  // milliseconds to wait after this step
};
static_assert(sizeof(MacroAction) == 4);

// A stored step count is never trusted: it is limited to the 46 slots there are.
inline int ClampStepCount(long long stored) {
  return stored < 0 ? 0 : stored > kMaxMacroSteps ? kMaxMacroSteps : int(stored);
}

}  // namespace melko
