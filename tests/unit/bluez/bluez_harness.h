// What the BlueZ adapter's tests run around it: a private D-Bus daemon standing in for the system
// bus, the Qt event loop run until something holds, and a record of what the adapter hands its
// handlers. melko-vmouse (support/vmouse_process.h) and the misbehaving BlueZ serve on that bus.
#pragma once

#include <QCoreApplication>
#include <QDBusConnection>
#include <QEventLoop>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "bluez/bluez_ble_transport.h"
#include "support/child_process.h"
#include "support/private_bus.h"
#include "support/test_support.h"
#include "support/vmouse_process.h"

namespace melko::bluez::test {

inline constexpr int kWaitMs = 5000;

using ::melko::testing::ChildProcess;
using ::melko::testing::PrivateBus;
using ::melko::testing::VmouseProcess;

// Runs the Qt event loop until done() holds or the time is up; returns done().
inline bool SpinUntil(const std::function<bool()>& done, int timeout_ms = kWaitMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  for (auto now = std::chrono::steady_clock::now(); !done() && now < deadline;
       now = std::chrono::steady_clock::now()) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now);
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents,
                                    int(std::min<long long>(left.count() + 1, 20)));
  }
  return done();
}

// Runs the Qt event loop for a while (to see that something does not happen).
inline void SpinFor(int ms) {
  SpinUntil([] { return false; }, ms);
}

// OpenNotifications, then the event loop until a subscription is held.
inline bool OpenAndWait(BluezBleTransport& transport) {
  transport.OpenNotifications();
  return SpinUntil([&] { return transport.subscribed().size() == 1; });
}

inline std::string BinPath(const std::string& name) {
  return std::string(MELKO_BIN_DIR) + "/" + name;
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
