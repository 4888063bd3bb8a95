#include "platform/hid_presence.h"

#include <hidapi.h>

namespace melko {

bool HidapiBlePresenceProbe::MousePresent() {
  if (hid_init() != 0) return false;
  hid_device_info* list = hid_enumerate(kBleMouseVendorId, kBleMouseProductId);
  const bool present = list != nullptr;
  hid_free_enumeration(list);
  return present;
}

}  // namespace melko
