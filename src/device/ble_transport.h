// The Bluetooth LE side of the mouse: reports written as single GATT values, status notifications
// subscribed, presence probed. The BlueZ adapter implements it; tests use a fake.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace melko {

// The texts a Bluetooth LE mouse's identity must carry while the link is attached.
inline constexpr const char* kBleVendorMatch = "VID&02045E";
inline constexpr const char* kBleProductMatch = "PID&0040";
inline constexpr std::uint16_t kBleMouseVendorId = 0x045E;
inline constexpr std::uint16_t kBleMouseProductId = 0x0040;

class BleTransport {
 public:
  virtual ~BleTransport() = default;
  // Attaches (the match texts above) or detaches (empty texts): while detached every write and
  // subscription does nothing.
  virtual void SetMatch(const std::string& vendor_text, const std::string& product_text) = 0;
  // Writes one report as one value; 1 when written, 0 otherwise.
  virtual std::int32_t Write(std::span<const std::uint8_t> report) = 0;
  // Subscribes to the status notifications; each changed value goes, bytes unchanged, to the
  // notification handler given to the adapter.
  virtual void OpenNotifications() = 0;
  // Drops the subscription, if one is held.
  virtual void CloseNotifications() = 0;
};

// Whether the Bluetooth LE mouse is there at start.
class BlePresenceProbe {
 public:
  virtual ~BlePresenceProbe() = default;
  virtual bool MousePresent() = 0;
};

}  // namespace melko
