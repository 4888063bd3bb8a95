#include "platform/hid_access.h"

#include <gtest/gtest.h>

#include <fstream>

#include "support/test_support.h"

namespace melko {
namespace {

// A sysfs and a /dev of our own: each node has a HID_ID, and its device file may be missing,
// openable, or unopenable (a folder in its place).
class HidAccessTest : public ::testing::Test {
 protected:
  void Node(const std::string& name, const std::string& hid_id, const char* device) {
    const auto device_folder = dir_.path() / "sys" / name / "device";
    std::filesystem::create_directories(device_folder);
    std::ofstream(device_folder / "uevent")
        << "DRIVER=hid-generic\nHID_ID=" << hid_id << "\nHID_NAME=x\n";
    const auto node = dir_.path() / "dev" / name;
    std::filesystem::create_directories(dir_.path() / "dev");
    if (std::string(device) == "file") std::ofstream(node) << "";
    if (std::string(device) == "folder") std::filesystem::create_directories(node);
  }
  std::vector<BlockedNode> Find() {
    return FindBlockedMouseNodes(dir_.path() / "sys", dir_.path() / "dev");
  }
  testing::TempDir dir_;
};

TEST_F(HidAccessTest, OnlyTheMousesNodesThatCannotBeOpenedAreReported) {
  Node("hidraw0", "0003:00001D57:00003005", "folder");  // the cable: blocked
  Node("hidraw1", "0003:000046D:0000C52B", "folder");   // another device: not ours
  Node("hidraw2", "0003:00001d57:00003006", "file");    // the receiver: opens
  Node("hidraw3", "0005:0000045E:00000040", "none");    // Bluetooth: node gone meanwhile
  const std::vector<BlockedNode> blocked = Find();
  ASSERT_EQ(blocked.size(), 1u);
  EXPECT_EQ(blocked[0].device, (dir_.path() / "dev" / "hidraw0").string());
  EXPECT_FALSE(blocked[0].reason.empty());
}

TEST_F(HidAccessTest, NoSysfsMeansNothingToReport) {
  EXPECT_TRUE(FindBlockedMouseNodes(dir_.path() / "absent", dir_.path()).empty());
}

}  // namespace
}  // namespace melko
