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
#include "support/test_support.h"

namespace melko::bluez::test {

inline constexpr int kWaitMs = 5000;

// Runs the Qt event loop until done() holds or the time is up; returns done().
bool SpinUntil(const std::function<bool()>& done, int timeout_ms = kWaitMs);
// Runs the Qt event loop for a while (to see that something does not happen).
void SpinFor(int ms);

// Lines from a file descriptor, each read bounded by a timeout.
class LineReader {
 public:
  explicit LineReader(int fd = -1) : fd_(fd) {}
  // The next line without its newline; nothing on timeout or end of input.
  std::optional<std::string> ReadLine(int timeout_ms = kWaitMs);
  int fd() const { return fd_; }

 private:
  bool Fill(std::chrono::steady_clock::time_point deadline);
  int fd_;
  std::string buffer_;
  bool ended_ = false;
};

// A child process with standard input and output on pipes and its errors in a file; `env` is
// added to this process's environment (an empty value removes the variable).
class ChildProcess {
 public:
  ChildProcess(const std::vector<std::string>& argv, const std::filesystem::path& error_file,
               const std::map<std::string, std::string>& env = {});
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  void WriteLine(std::string_view line);
  // A line on standard input and the next line of standard output.
  std::string Ask(std::string_view line);
  LineReader& output() { return output_; }
  // The exit status when the child ends in time (-1 when a signal ended it).
  std::optional<int> WaitExit(int timeout_ms = kWaitMs);
  // SIGTERM, then SIGKILL when it does not end in time; the exit status.
  int Stop(int timeout_ms = kWaitMs);
  bool running() const { return pid_ > 0 && !status_; }

 private:
  pid_t pid_ = -1;
  int pidfd_ = -1;
  int input_ = -1;
  LineReader output_;
  std::optional<int> status_;
};

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
