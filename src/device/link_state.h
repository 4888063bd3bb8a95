// The state of the three links to the mouse. The user-interface thread, the apply thread and the
// driver libraries' monitor threads all read and write it, so every field is one atomic 32-bit
// value, read and written whole.
#pragma once

#include <atomic>
#include <cstdint>

namespace melko {

// The links, in the order reports are offered to them.
enum class LinkMode { kWired, kWireless, kBle };

// Values of wired_state and wireless_state; only kLinkConnected counts as up.
inline constexpr std::int32_t kLinkNeverSeen = 0;
inline constexpr std::int32_t kLinkConnected = 1;
inline constexpr std::int32_t kLinkRemoved = 2;

struct LinkState {
  std::atomic<std::int32_t> wired_state{kLinkNeverSeen};     // the cable
  std::atomic<std::int32_t> wireless_state{kLinkNeverSeen};  // the receiver, plugged in and opened
  // 1 while the mouse behind the receiver has reported within the last 6 seconds; reports go over
  // the receiver only then.
  std::atomic<std::int32_t> wireless_online{0};
  std::atomic<std::int32_t> ble_present{0};    // 1: the mouse is known over Bluetooth LE
  std::atomic<std::int32_t> any_connected{0};  // 1: at least one link is up
  std::atomic<std::int32_t> apply_blocked{0};  // 1: no link can take settings, applies do nothing
  // Cleared before each report sent over the receiver, set by the mouse's acknowledgement: stops
  // the repeated sending.
  std::atomic<std::int32_t> wireless_cancel{0};
};

// Whether a link can take settings now: the cable, the receiver once its mouse has reported, or
// Bluetooth LE, unless applies are blocked.
inline bool CanTakeSettings(const LinkState& links) {
  if (links.apply_blocked.load() != 0) return false;
  return links.wired_state.load() == kLinkConnected ||
         (links.wireless_state.load() == kLinkConnected && links.wireless_online.load() == 1) ||
         links.ble_present.load() == 1;
}

}  // namespace melko
