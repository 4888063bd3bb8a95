// The low-battery warning on the desktop: the page's warning label and one desktop notification
// at each threshold (device/low_battery.h), fed with the mouse's power events and the cable's
// arrival. User-interface thread.
#pragma once

#include <cstdint>

#include "device/link_state.h"
#include "device/low_battery.h"
#include "device/ui_ports.h"
#include "shell/shell_ports.h"

namespace melko {

namespace shell_control {
inline constexpr const char* kLowPowerLabel = "ms_1_low_power_label";
}

class BatteryAlerts {
 public:
  BatteryAlerts(Controls& controls, DesktopNotifier& notifier)
      : controls_(controls), notifier_(notifier) {}

  // A status word (or connection word) from a link, once decoded; links as they are now.
  void OnStatusWord(LinkMode link, std::uint32_t word, const LinkState& links);

 private:
  void Take(const BatteryReading& reading);

  Controls& controls_;
  DesktopNotifier& notifier_;
  LowBatteryWarning warning_;
  bool label_shown_ = false;
};

}  // namespace melko
