#include "device/low_battery.h"

#include "device/status_decoder.h"

namespace melko {

std::optional<BatteryReading> ReadBattery(LinkMode link, std::uint16_t value, bool cable_present) {
  const std::uint8_t state = value & 0xFF;
  const int level = value >> 8;
  // Over the cable's own library every power event is the cable's; "charged" over any link means
  // the mouse sits on a charger.
  if (link == LinkMode::kWired || cable_present || state == kPowerCharged ||
      state == kPowerCharging) {
    return BatteryReading{false, 0};
  }
  if (level > 100) return std::nullopt;
  return BatteryReading{true, level};
}

LowBatteryStep LowBatteryWarning::Update(const BatteryReading& reading) {
  LowBatteryStep step;
  if (!reading.on_battery) {
    first_armed_ = last_armed_ = true;
    return step;
  }
  // Back above the first threshold (a reading that jitters, or a fresh battery) hides the label
  // but arms nothing: only charging does.
  if (reading.level > kLowBatteryFirstWarning) return step;
  step.show_label = true;
  if (reading.level <= kLowBatteryLastWarning && last_armed_) {
    first_armed_ = last_armed_ = false;
    step.notify_level = reading.level;
  } else if (first_armed_) {
    first_armed_ = false;
    step.notify_level = reading.level;
  }
  return step;
}

}  // namespace melko
