// The hidraw nodes of the served device that exist now. A removal event carries no attributes,
// so a node is recognised on removal only by having been seen as the device's before. The device
// counts as arrived with its first node and removed with its last, so a mouse with several HID
// interfaces gives one connect message each way.
#pragma once

#include <optional>
#include <set>
#include <string>

namespace melko::hiddriver {

class NodeTracker {
 public:
  // A node that exists when monitoring starts: no message, the device is already there.
  void Seed(const std::string& devnode);
  // An "add" event; `matches` tells whether the node's HID parent is the served device. Returns
  // true when this makes the device arrive.
  std::optional<bool> Added(const std::string& devnode, bool matches);
  // A "remove" event; returns false when this was the device's last node.
  std::optional<bool> Removed(const std::string& devnode);

  bool present() const { return !nodes_.empty(); }

 private:
  std::set<std::string> nodes_;
};

}  // namespace melko::hiddriver
