// What the BlueZ adapter's tests run around it: a private D-Bus daemon standing in for the system
// bus and a record of what the adapter hands its handlers. melko-vmouse (support/vmouse_process.h)
// and the misbehaving BlueZ serve on that bus.
#pragma once

#include <string>
#include <vector>

#include "bluez/bluez_ble_transport.h"
#include "support/child_process.h"
#include "support/private_bus.h"
#include "support/test_support.h"
#include "support/vmouse_process.h"

namespace melko::bluez::test {

using ::melko::testing::ChildProcess;
using ::melko::testing::PrivateBus;
using ::melko::testing::SpinFor;
using ::melko::testing::SpinUntil;
using ::melko::testing::VmouseProcess;

// OpenNotifications, then the event loop until a subscription is held.
inline bool OpenAndWait(BluezBleTransport& transport) {
  transport.OpenNotifications();
  return SpinUntil([&] { return transport.subscribed().size() == 1; });
}

inline std::string Hex(const std::vector<std::uint8_t>& bytes) {
  return QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()))
      .toHex()
      .toStdString();
}

// What the adapter handed its handlers, on the test's (the event loop's) thread.
struct Recorder {
  std::vector<std::vector<std::uint8_t>> values;
  int arrived = 0;
  int gone = 0;

  BluezHandlers Handlers() {
    BluezHandlers handlers;
    handlers.on_notification = [this](std::vector<std::uint8_t> value) {
      values.push_back(std::move(value));
    };
    handlers.on_mouse_arrived = [this] { ++arrived; };
    handlers.on_mouse_gone = [this] { ++gone; };
    return handlers;
  }
  // The values that are not the power event the mouse repeats every 2 s on its own.
  std::vector<std::string> EventValues() const {
    std::vector<std::string> hex;
    for (const auto& value : values) {
      if (value.size() < 2 || value[0] != 0x10 || value[1] != 0x40) hex.push_back(Hex(value));
    }
    return hex;
  }
};

// The "hex" of each write the mouse logged over the link "ble", in order.
inline std::vector<std::string> BleWrites(const VmouseProcess& mouse) {
  std::vector<std::string> hex;
  for (const auto& write : mouse.Writes()) {
    if (write.link == "ble") hex.push_back(write.hex);
  }
  return hex;
}

}  // namespace melko::bluez::test
