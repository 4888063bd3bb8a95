// What the BlueZ adapter's tests run around it: child processes (a private D-Bus daemon standing in
// for the system bus, melko-vmouse and its mock BlueZ, a misbehaving BlueZ, melkoctl,
// dbus-monitor) with a timeout on every wait, and the Qt event loop run until something holds.
#pragma once

#include <sys/types.h>

#include <QDBusConnection>
#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "bluez/bluez_ble_transport.h"
#include "support/child_process.h"
#include "support/test_support.h"

namespace melko::bluez::test {

inline constexpr int kWaitMs = 5000;

// Runs the Qt event loop until done() holds or the time is up; returns done().
bool SpinUntil(const std::function<bool()>& done, int timeout_ms = kWaitMs);
// Runs the Qt event loop for a while (to see that something does not happen).
void SpinFor(int ms);

using ::melko::testing::ChildProcess;
using ::melko::testing::LineReader;

// A D-Bus daemon of our own, standing in for the system bus, and a client connection to it.
class PrivateBus {
 public:
  explicit PrivateBus(const std::filesystem::path& folder);
  ~PrivateBus();
  const std::string& address() const { return address_; }
  // A connection of this process, made on first use.
  QDBusConnection connection();
  // Ends the daemon: every connection to it is lost.
  void Kill() { daemon_.Stop(); }

 private:
  ChildProcess daemon_;
  std::string address_;
  QString connection_name_;
};

// melko-vmouse with its mock BlueZ on `bus`, in `folder`; commands on its standard input.
class Vmouse {
 public:
  Vmouse(const std::filesystem::path& folder, const std::string& bus,
         const std::vector<std::string>& options);
  ~Vmouse();
  bool started() const { return started_; }
  std::string Command(std::string_view line) { return process_->Ask(line); }
  std::string socket_path() const { return (folder_ / "mouse").string(); }
  // The "hex" of each logged write over the link "ble", in order.
  std::vector<std::string> BleWrites() const;
  std::vector<std::string> LogLines() const;
  int Stop() { return process_->Stop(); }

 private:
  std::filesystem::path folder_;
  std::unique_ptr<ChildProcess> process_;
  bool started_ = false;
};

// What the adapter handed its handlers, on the test's (the event loop's) thread.
struct Recorder {
  std::vector<std::vector<std::uint8_t>> values;
  int arrived = 0;
  int gone = 0;
  BluezHandlers Handlers();
  // The values that are not the power event the mouse repeats every 2 s on its own.
  std::vector<std::string> EventValues() const;
};

// OpenNotifications, then the event loop until `count` subscriptions are held.
bool OpenAndWait(BluezBleTransport& transport, int count = 1);

std::string BinPath(const std::string& name);
std::string Hex(const std::vector<std::uint8_t>& bytes);

}  // namespace melko::bluez::test
