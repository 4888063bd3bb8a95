// Whether the Bluetooth mouse is known to the system at start, asked of hidapi.
#pragma once

#include "device/ble_transport.h"

namespace melko {

class HidapiBlePresenceProbe final : public BlePresenceProbe {
 public:
  // True when hidapi lists a HID device with the Bluetooth mouse's vendor and product.
  bool MousePresent() override;
};

}  // namespace melko
