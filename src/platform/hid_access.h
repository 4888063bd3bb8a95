// The mouse's hidraw nodes that exist but cannot be opened: the usual sign that the udev rules
// giving the logged-in user access are not installed.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace melko {

struct BlockedNode {
  std::string device;  // e.g. /dev/hidraw3
  std::string reason;  // why it cannot be opened
};

// Looks at every hidraw node of the cable's, the receiver's and the Bluetooth mouse's ids. The
// roots are parameters so that tests can lay out their own.
std::vector<BlockedNode> FindBlockedMouseNodes(
    const std::filesystem::path& sysfs_hidraw = "/sys/class/hidraw",
    const std::filesystem::path& dev_root = "/dev");

inline constexpr const char* kUdevRulesFile = "70-melko.rules";

}  // namespace melko
