#include "node_tracker.h"

namespace melko::hiddriver {

void NodeTracker::Seed(const std::string& devnode) {
  if (!devnode.empty()) nodes_.insert(devnode);
}

std::optional<bool> NodeTracker::Added(const std::string& devnode, bool matches) {
  if (!matches || devnode.empty()) return std::nullopt;
  const bool was_present = present();
  if (!nodes_.insert(devnode).second || was_present) return std::nullopt;
  return true;
}

std::optional<bool> NodeTracker::Removed(const std::string& devnode) {
  if (nodes_.erase(devnode) == 0 || present()) return std::nullopt;
  return false;
}

}  // namespace melko::hiddriver
