// The cable's and the receiver's driver libraries: opened when the settings page starts, their
// messages turned into status words, closed at the end; and the report links that the send
// routine writes through.
#pragma once

#include <cstdint>

#include "device/device_context.h"
#include "protocol/send_ports.h"

namespace melko {

// Loads both libraries, opens both links, checks for the Bluetooth LE mouse and posts
// kMsgConnectedChanged. The monitors post their messages to target.
void OpenDriverLinks(DeviceContext& ctx, DriverLoader& loader, MessageTarget* target,
                     BlePresenceProbe& ble_probe);

// Closes both links (receiver first), stops the monitors and unloads the libraries. The caller
// stops the apply thread afterwards.
void CloseDriverLinks(DeviceContext& ctx, DriverLoader& loader);

// The status word of a data message: event in wparam, value in the low half of lparam.
inline std::uint32_t DecodeDataMessage(std::uintptr_t wparam, std::intptr_t lparam) {
  return std::uint32_t(wparam & 0xFFFF) << 16 | std::uint32_t(std::uintptr_t(lparam) & 0xFFFF);
}

// The status word of a connect message: 0x7F00 with 1 (arrived), 2 (removed) or 0 (neither).
inline std::uint32_t DecodeConnectMessage(std::uintptr_t wparam) {
  const std::uint32_t change = wparam == 1 ? 1 : wparam == 0 ? 2 : 0;
  return std::uint32_t(0x7F00) << 16 | change;
}

// The three links as the send routine sees them: the libraries' SetFeature and the Bluetooth LE
// write.
class DriverReportLinks final : public ReportLinks {
 public:
  DriverReportLinks(DriverLinks& drivers, BleTransport& ble) : drivers_(drivers), ble_(ble) {}
  std::int32_t WiredSetFeature(const std::uint8_t* bytes, std::int32_t length) override {
    return drivers_.wired.SetFeature(bytes, length);
  }
  std::int32_t ReceiverSetFeature(const std::uint8_t* bytes, std::int32_t length) override {
    return drivers_.receiver.SetFeature(bytes, length);
  }
  std::int32_t BleWrite(const std::uint8_t* bytes, std::int32_t length) override {
    return ble_.Write({bytes, std::size_t(length < 0 ? 0 : length)});
  }

 private:
  DriverLinks& drivers_;
  BleTransport& ble_;
};

}  // namespace melko
