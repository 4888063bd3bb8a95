#include "platform/hid_access.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>

namespace melko {
namespace {

// HID_ID of the node's HID device, upper-case: "0003:00001D57:00003005".
std::string HidId(const std::filesystem::path& uevent) {
  std::ifstream in(uevent);
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("HID_ID=", 0) == 0) {
      std::string id = line.substr(7);
      for (char& c : id) c = char(std::toupper(static_cast<unsigned char>(c)));
      return id;
    }
  }
  return {};
}

bool IsMouse(const std::string& hid_id) {
  static constexpr const char* kIds[] = {"0003:00001D57:00003005", "0003:00001D57:00003006",
                                         "0005:0000045E:00000040"};
  for (const char* id : kIds) {
    if (hid_id == id) return true;
  }
  return false;
}

}  // namespace

std::vector<BlockedNode> FindBlockedMouseNodes(const std::filesystem::path& sysfs_hidraw,
                                               const std::filesystem::path& dev_root) {
  std::vector<BlockedNode> blocked;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(sysfs_hidraw, error)) {
    if (!IsMouse(HidId(entry.path() / "device" / "uevent"))) continue;
    const std::filesystem::path node = dev_root / entry.path().filename();
    const int fd = ::open(node.c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK);
    if (fd >= 0) {
      ::close(fd);
      continue;
    }
    if (errno == ENOENT) continue;  // gone meanwhile
    blocked.push_back({node.string(), std::strerror(errno)});
  }
  return blocked;
}

}  // namespace melko
