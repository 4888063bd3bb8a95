// What a recorded X device event becomes for the program: the wparam and lparam of one hook
// message, or nothing when that kind of event is switched off or has no meaning for the program.
#pragma once

#include <cstdint>
#include <optional>

#include "input/keyboard_layout.h"

namespace melko::hook {

// Which kinds of events go out; each is switched on and off by its own entry point.
struct DeliveryFlags {
  bool keys = false;
  bool mouse_buttons = false;
  bool wheel = false;
};

struct HookMessage {
  std::uintptr_t wparam;
  std::intptr_t lparam;
  bool operator==(const HookMessage&) const = default;
};

// x_event_type is the core event type (KeyPress to ButtonRelease), detail the X key code or button
// number. Keys are named by their virtual-key code on `layout`; keys without one are dropped.
std::optional<HookMessage> TranslateDeviceEvent(int x_event_type, unsigned detail,
                                                const DeliveryFlags& flags,
                                                const KeyboardLayout& layout);

}  // namespace melko::hook
