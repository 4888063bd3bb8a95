// What the hidraw backend reads from the system and the mouse: the HID_ID of a HID device, the
// status input report, and the choice of interface. Plain functions, testable without a device.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace melko::hiddriver {

// The USB device a library serves, as given to Set_VIDPID.
struct DeviceIds {
  std::uint16_t vendor = 0;
  std::uint16_t product = 0;
  bool operator==(const DeviceIds&) const = default;
};

// A HID device's HID_ID property: "BBBB:VVVVVVVV:PPPPPPPP", bus, vendor and product in hex.
struct HidId {
  std::uint32_t bus = 0;
  DeviceIds ids;
};
std::optional<HidId> ParseHidId(std::string_view text);

// The mouse's status input report: [report ID][event lo][event hi][value lo][value hi], the
// event word and value little-endian as in a Bluetooth LE notification. Longer reports are
// accepted; shorter ones and other report IDs are not status events.
inline constexpr std::uint8_t kStatusReportId = 0x0B;
inline constexpr std::size_t kStatusReportSize = 5;
struct StatusEvent {
  std::uint16_t event = 0;
  std::uint16_t value = 0;
};
std::optional<StatusEvent> ParseStatusReport(std::span<const std::uint8_t> report);

// One HID interface of the device as enumeration lists it.
struct HidInterface {
  std::string path;
  std::uint16_t usage_page = 0;
};
// The interface that takes the settings: the first with a vendor-defined usage page (0xFF00 and
// above), else the first listed; nothing for an empty list.
std::optional<std::string> ChooseInterface(const std::vector<HidInterface>& interfaces);

}  // namespace melko::hiddriver
