// The check for the mouse's hidraw nodes that exist but cannot be opened, on a sysfs and a /dev of
// our own: each node has a HID_ID, and its device file may be missing, openable, or unopenable (a
// folder in its place).
#include "platform/hid_access.h"

#include <gtest/gtest.h>

#include <fstream>

#include "support/test_support.h"

namespace melko {
namespace {

TEST(HidAccessTest, OnlyTheMousesNodesThatCannotBeOpenedAreReported) {
  testing::TempDir dir;
  auto node = [&](const std::string& name, const std::string& hid_id, const std::string& device) {
    std::filesystem::create_directories(dir / "sys" / name / "device");
    std::ofstream(dir.path() / "sys" / name / "device" / "uevent")
        << "DRIVER=hid-generic\nHID_ID=" << hid_id << "\nHID_NAME=x\n";
    std::filesystem::create_directories(dir / "dev");
    if (device == "file") std::ofstream(dir.path() / "dev" / name) << "";
    if (device == "folder") std::filesystem::create_directories(dir.path() / "dev" / name);
  };
  node("hidraw0", "0003:00001D57:00003005", "folder");  // the cable: blocked
  node("hidraw1", "0003:0000046D:0000C52B", "folder");  // another device: not ours
  node("hidraw2", "0003:00001d57:00003006", "file");    // the receiver: opens
  node("hidraw3", "0005:0000045E:00000040", "none");    // Bluetooth: node gone meanwhile
  const std::vector<BlockedNode> blocked = FindBlockedMouseNodes(dir / "sys", dir / "dev");
  ASSERT_EQ(blocked.size(), 1u);
  EXPECT_EQ(blocked[0].device, (dir / "dev" / "hidraw0").string());
  EXPECT_FALSE(blocked[0].reason.empty());

  EXPECT_TRUE(FindBlockedMouseNodes(dir / "absent", dir.path()).empty());  // no sysfs
}

}  // namespace
}  // namespace melko
