// The vendor and product numbers of a Bluetooth device as BlueZ gives them in Device1.Modalias:
// "usb:v045Ep0040d0001" (numbers assigned by the USB-IF) or "bluetooth:v045Ep0040d0001" (by the
// Bluetooth SIG).
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace melko::bluez {

struct DeviceIds {
  std::uint16_t vendor = 0;
  std::uint16_t product = 0;
  bool operator==(const DeviceIds&) const = default;
};

// Reads "<source>:v<4 hex>p<4 hex>..." with source "usb" or "bluetooth", letters in any case;
// whatever follows the product (the version "d...") is not looked at. Nothing for any other text.
std::optional<DeviceIds> ParseModalias(std::string_view modalias);

}  // namespace melko::bluez
