// The low-battery warning: while the mouse runs on its battery, a warning when the level falls to
// 15 % and another at 5 %, each once per discharge. Charging, or the cable, arms both again. Plain
// logic: the front end shows the label and sends the desktop notification it asks for.
#pragma once

#include <cstdint>
#include <optional>

#include "device/link_state.h"

namespace melko {

inline constexpr int kLowBatteryFirstWarning = 15;
inline constexpr int kLowBatteryLastWarning = 5;

// What a power event says about the battery: on the cable or charging, or a level on battery.
struct BatteryReading {
  bool on_battery = false;
  int level = 0;  // 0-100, when on_battery
};

// The reading of a power event's value (level byte high, state byte low) from a link; the mouse
// on the cable (cable_present) never runs on its battery. Nothing for a level above 100.
std::optional<BatteryReading> ReadBattery(LinkMode link, std::uint16_t value, bool cable_present);

struct LowBatteryStep {
  bool show_label = false;
  std::optional<int> notify_level;  // a warning to send now, with this level
};

class LowBatteryWarning {
 public:
  LowBatteryStep Update(const BatteryReading& reading);

 private:
  bool first_armed_ = true;
  bool last_armed_ = true;
};

}  // namespace melko
