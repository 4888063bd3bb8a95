// The options of the commands that reach the mouse, and what they share whichever program runs
// them: melkoctl itself while the desktop program drives the mouse, melkoctl-mouse otherwise.
#pragma once

#include <chrono>
#include <string>
#include <vector>

namespace melko::cli {

// Options of the device commands ("--wait S", "--seconds S", "--count N", "--profile NAME",
// "--debug"), taken out of the words; what remains is in rest.
struct DeviceOptions {
  double wait_seconds = 0;
  double seconds = -1;
  long count = -1;
  std::string profile;
  bool debug = false;
  std::vector<std::string> rest;
};
DeviceOptions ParseDeviceOptions(const std::vector<std::string>& args, double default_wait);

std::chrono::milliseconds Millis(double seconds);

// Said when no link can take an apply.
inline constexpr const char* kNoLinkForApply =
    "no link to the mouse can take settings (cable, receiver with its mouse awake, or Bluetooth "
    "LE); nothing was sent";

// Whether someone watches standard error: progress lines ("sending ... report") go there.
bool Interactive();

}  // namespace melko::cli
