#include "shell/battery_alerts.h"

#include <string>

#include "common/language.h"
#include "device/messages.h"
#include "device/presence.h"
#include "device/status_decoder.h"

namespace melko {

void BatteryAlerts::OnStatusWord(LinkMode link, std::uint32_t word, const LinkState& links) {
  const std::uint16_t event = EventOf(word);
  const std::uint16_t value = ValueOf(word);
  if (event == kConnectionEvent) {
    // The cable charges the mouse from the moment it is plugged in.
    if (link == LinkMode::kWired && value == kConnectionArrived) Take({false, 0});
    return;
  }
  if (event != kEventPower) return;
  const auto reading = ReadBattery(link, value, links.wired_state == kLinkConnected);
  if (reading) Take(*reading);
}

void BatteryAlerts::Take(const BatteryReading& reading) {
  const LowBatteryStep step = warning_.Update(reading);
  if (step.show_label != label_shown_) {
    controls_.SetVisible(shell_control::kLowPowerLabel, step.show_label);
    label_shown_ = step.show_label;
  }
  if (step.notify_level) {
    notifier_.Notify(text("mouse_name_text"),
                     text("low_battery_notice_text", {std::to_string(*step.notify_level)}));
  }
}

}  // namespace melko
