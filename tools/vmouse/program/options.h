// The command line of melko-vmouse: either the mouse itself, serving its sockets, or `ctl`, which
// sends one command to a running mouse.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "vmouse/firmware.h"

namespace melko::vmouse {

struct Options {
  enum class Mode { kServe, kCtl, kHelp };
  Mode mode = Mode::kServe;

  std::string socket_path;  // the driver-library socket; commands go to socket_path + ".ctl"
  std::string log_path;
  std::string bluez_bus;  // D-Bus address for the mock BlueZ; empty: no Bluetooth LE
  bool cable = false;
  bool receiver = false;
  bool awake = false;
  bool ble = false;
  int battery = 100;
  AckPolicy ack;

  std::string ctl_command;  // ctl: the command words, joined by single spaces
};

struct ParsedOptions {
  std::optional<Options> options;
  std::string error;
};

// The arguments after the program name.
ParsedOptions ParseOptions(const std::vector<std::string>& args);

std::string UsageText();

inline std::string ControlSocketPath(const std::string& socket_path) {
  return socket_path + ".ctl";
}

}  // namespace melko::vmouse
