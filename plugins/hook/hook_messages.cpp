#include "hook_messages.h"

#include <X11/X.h>

#include "platform/hook_abi.h"

namespace melko::hook {
namespace {

// X numbers a key by its evdev code plus 8.
constexpr unsigned kEvdevToXKeycode = 8;

struct ButtonMessages {
  unsigned x_button;
  std::uintptr_t press;
  std::uintptr_t release;
  std::intptr_t lparam;
};

// X buttons 8 and 9 are the back and forward buttons. The program reads extra button 2 as its
// "backward" code, so back must stay extra button 2 and forward extra button 1.
constexpr ButtonMessages kButtons[] = {
    {1, MELKO_HOOK_LEFT_DOWN, MELKO_HOOK_LEFT_UP, 0},
    {3, MELKO_HOOK_RIGHT_DOWN, MELKO_HOOK_RIGHT_UP, 0},
    {2, MELKO_HOOK_MIDDLE_DOWN, MELKO_HOOK_MIDDLE_UP, 0},
    {9, MELKO_HOOK_EXTRA_DOWN, MELKO_HOOK_EXTRA_UP, MELKO_HOOK_EXTRA_FORWARD},
    {8, MELKO_HOOK_EXTRA_DOWN, MELKO_HOOK_EXTRA_UP, MELKO_HOOK_EXTRA_BACK},
};

// X reports each wheel notch as a press and release of one of these buttons.
struct WheelNotch {
  unsigned x_button;
  std::uintptr_t message;
  std::intptr_t lparam;
};

constexpr WheelNotch kWheelNotches[] = {
    {4, MELKO_HOOK_WHEEL, MELKO_HOOK_WHEEL_NOTCH},    // up
    {5, MELKO_HOOK_WHEEL, -MELKO_HOOK_WHEEL_NOTCH},   // down
    {6, MELKO_HOOK_HWHEEL, -MELKO_HOOK_WHEEL_NOTCH},  // left
    {7, MELKO_HOOK_HWHEEL, MELKO_HOOK_WHEEL_NOTCH},   // right
};

std::optional<HookMessage> KeyMessage(unsigned x_keycode, bool press,
                                      const KeyboardLayout& layout) {
  if (x_keycode < kEvdevToXKeycode) return std::nullopt;
  const std::uint32_t virtual_key = layout.VirtualKeyOf(x_keycode - kEvdevToXKeycode);
  if (virtual_key == 0) return std::nullopt;
  return HookMessage{virtual_key, press ? 0 : 1};
}

std::optional<HookMessage> ButtonMessage(unsigned x_button, bool press,
                                         const DeliveryFlags& flags) {
  for (const WheelNotch& notch : kWheelNotches) {
    // One message per notch, on the press.
    if (notch.x_button == x_button) {
      if (!flags.wheel || !press) return std::nullopt;
      return HookMessage{notch.message, notch.lparam};
    }
  }
  if (!flags.mouse_buttons) return std::nullopt;
  for (const ButtonMessages& button : kButtons) {
    if (button.x_button == x_button) {
      return HookMessage{press ? button.press : button.release, button.lparam};
    }
  }
  return std::nullopt;
}

}  // namespace

std::optional<HookMessage> TranslateDeviceEvent(int x_event_type, unsigned detail,
                                                const DeliveryFlags& flags,
                                                const KeyboardLayout& layout) {
  switch (x_event_type) {
    case KeyPress:
    case KeyRelease:
      if (!flags.keys) return std::nullopt;
      return KeyMessage(detail, x_event_type == KeyPress, layout);
    case ButtonPress:
    case ButtonRelease:
      return ButtonMessage(detail, x_event_type == ButtonPress, flags);
    default:
      return std::nullopt;
  }
}

}  // namespace melko::hook
