// The driver library's pieces that need no device or socket, the loader, the hidraw backend where
// no mouse can be met (no hidraw nodes, no udevd here), and the check for unopenable nodes.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include "fd_watcher.h"
#include "hidraw_format.h"
#include "node_tracker.h"
#include "platform/dl_driver_loader.h"
#include "platform/hid_access.h"
#include "platform/hid_presence.h"
#include "support/child_process.h"
#include "support/plugin_support.h"
#include "support/test_support.h"

namespace melko::hiddriver {
namespace {

TEST(HidrawFormat, HidIdsStatusReportsAndTheInterface) {
  for (const auto& [text, bus, ids] :
       {std::tuple{"0003:00001D57:00003006", 3u, DeviceIds{0x1D57, 0x3006}},
        {"0005:0000045e:00000040", 5u, DeviceIds{0x045E, 0x0040}}}) {
    const HidId id = ParseHidId(text).value_or(HidId{});
    EXPECT_EQ(std::pair(id.bus, id.ids), std::pair(bus, ids)) << text;
  }
  for (const char* text : {"0003", "0003:00001D57", "0003:00001D57:", "0003:00011D57:00003006",
                           "0003:00001D57:000030060", "0003:1D57:3006:1", "0003: 1D57:3006"}) {
    EXPECT_FALSE(ParseHidId(text)) << text;
  }

  // Event and value little-endian; padding after the five bytes is allowed.
  const std::uint8_t report[] = {kStatusReportId, 0x10, 0x40, 0x02, 0x56, 0xEE};
  const StatusEvent status = ParseStatusReport(report).value_or(StatusEvent{});
  EXPECT_EQ(std::pair(int(status.event), int(status.value)), std::pair(0x4010, 0x5602));
  EXPECT_FALSE(ParseStatusReport(std::span(report).first(4)));
  const std::uint8_t other_id[] = {0x01, 0x10, 0x40, 0x02, 0x56};
  EXPECT_FALSE(ParseStatusReport(other_id));

  EXPECT_EQ(ChooseInterface({{"/dev/hidraw0", 0x0001},
                             {"/dev/hidraw1", 0x000C},
                             {"/dev/hidraw2", 0xFF01},
                             {"/dev/hidraw3", 0xFF00}}),
            "/dev/hidraw2");
  EXPECT_EQ(ChooseInterface({{"/dev/hidraw4", 0xFEFF}, {"/dev/hidraw5", 0x0001}}), "/dev/hidraw4");
  EXPECT_FALSE(ChooseInterface({}));
}

TEST(NodeTracker, OneArrivalAndOneRemovalPerDevice) {
  NodeTracker tracker;
  EXPECT_EQ(tracker.Added("/dev/hidraw0", false), std::nullopt);  // another device
  EXPECT_EQ(tracker.Added("", true), std::nullopt);
  EXPECT_EQ(tracker.Removed("/dev/hidraw0"), std::nullopt);
  EXPECT_EQ(tracker.Added("/dev/hidraw1", true), true);
  EXPECT_EQ(tracker.Added("/dev/hidraw1", true), std::nullopt);
  EXPECT_EQ(tracker.Added("/dev/hidraw2", true), std::nullopt);
  EXPECT_EQ(tracker.Removed("/dev/hidraw9"), std::nullopt);
  EXPECT_EQ(tracker.Removed("/dev/hidraw1"), std::nullopt);
  EXPECT_EQ(tracker.Removed("/dev/hidraw2"), false);

  // Nodes there at start are the device's, and recognised when they go.
  tracker.Seed("/dev/hidraw6");
  EXPECT_EQ(tracker.Added("/dev/hidraw7", true), std::nullopt);
  EXPECT_EQ(tracker.Removed("/dev/hidraw6"), std::nullopt);
  EXPECT_EQ(tracker.Removed("/dev/hidraw7"), false);
  EXPECT_EQ(tracker.Added("/dev/hidraw1", true), true);  // and it arrives again
}

// A hidraw node that goes or a socket that closes reports a hang-up: the handler must see it
// once and the thread end, not spin.
TEST(FdWatcher, HandsOverTheEndOnceAndStops) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  std::atomic<int> calls = 0;
  FdWatcher watcher;
  ASSERT_TRUE(watcher.Start(fds[0], [&] {
    ++calls;
    char c;
    return read(fds[0], &c, 1) == 1;
  }));
  ASSERT_EQ(write(fds[1], "a", 1), 1);
  close(fds[1]);
  ::melko::testing::Await([&] { return calls >= 2; }, 1000);
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(calls.load(), 2);
  watcher.Stop();
  close(fds[0]);
}

using namespace ::melko::testing;

TEST(DlDriverLoader, TakesTheFirstFolderWhoseFileIsAWholeLibrary) {
  TempDir folder;
  std::ofstream(folder / kWiredDriverFile) << "not a library";
  DlDriverLoader loader({folder.path().string(), MELKO_BIN_DIR});
  DriverLibrary library = loader.Load(kWiredDriverFile);
  EXPECT_TRUE(library.usable());
  loader.Unload(library);
  EXPECT_FALSE(library.usable() || library.module);

  // A missing file, or a library lacking one name, is not used at all.
  DriverLibrary missing = loader.Load("hiddriver_9.so");
  EXPECT_FALSE(missing.usable() || missing.module);
  loader.Unload(missing);  // harmless on nothing
  DriverLibrary partial = DlDriverLoader({MELKO_TEST_FIXTURE_DIR}).Load("partial_driver.so");
  EXPECT_FALSE(partial.module || partial.set_vid_pid);
}

// Its monitor starts (or declines without udevd) and stops at once.
TEST(HidrawBackend, WithoutAMouseEveryCallFailsAtOnce) {
  const ScopedEnv no_vmouse("MELKO_VMOUSE", std::nullopt);
  MessageRecorder recorder;
  DlDriverLoader loader({MELKO_BIN_DIR});
  DriverLibrary driver = loader.Load(kReceiverDriverFile);
  ASSERT_TRUE(driver.usable());
  const std::uint8_t report[] = {0x0C, 0x0A, 0x01, 0xFE, 0x01, 0xFE, 0x00, 0x00, 0x00, 0x00};
  driver.close_feature_device();  // closing what was never opened does nothing
  driver.close_dev_monitor();
  const auto start = std::chrono::steady_clock::now();
  driver.set_vid_pid(kMouseVendorId, kReceiverProductId);
  driver.open_dev_monitor(recorder.target(), 1539, 1540);
  EXPECT_EQ(driver.open_feature_device(), 0);
  EXPECT_EQ(driver.set_feature(report, sizeof report), 0);
  driver.close_feature_device();
  driver.close_dev_monitor();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
  EXPECT_FALSE(HidapiBlePresenceProbe().MousePresent());
  EXPECT_EQ(recorder.size(), 0u);
  loader.Unload(driver);
}

TEST(HidAccess, OnlyTheMousesNodesThatCannotBeOpenedAreReported) {
  TempDir dir;
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
}  // namespace melko::hiddriver
