// The built libraries as files and the loader that finds them, the hidraw backend where no mouse
// can be met (these machines have no hidraw nodes and no udevd), and the check for the mouse's
// hidraw nodes that cannot be opened.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "driver_test_support.h"
#include "platform/hid_access.h"
#include "platform/hid_presence.h"

namespace melko::testing {
namespace {

TEST(DriverLibraryFiles, EachExportsExactlyTheSevenEntryPoints) {
  const std::set<std::string> entry_points = {
      "Set_VIDPID",          "Open_DevMonitor", "Close_DevMonitor", "Open_FeatureDevice",
      "Close_FeatureDevice", "SetFeature",      "GetFeature"};
  for (const char* file : {kReceiverDriverFile, kWiredDriverFile}) {
    EXPECT_EQ(ExportedNames(std::string(MELKO_BIN_DIR) + "/" + file), entry_points) << file;
  }
}

// Both libraries loaded at once keep apart: each says its own link, and closing one leaves the
// other's device open.
TEST(DriverLibraryFiles, TheTwoLibrariesKeepSeparateState) {
  FakeMouseServer wired_mouse, receiver_mouse;
  LoadedDriver wired(kWiredDriverFile), receiver(kReceiverDriverFile);
  {
    ScopedEnv socket("MELKO_VMOUSE", wired_mouse.path());
    ASSERT_EQ(wired->open_feature_device(), 1);
  }
  {
    ScopedEnv socket("MELKO_VMOUSE", receiver_mouse.path());
    ASSERT_EQ(receiver->open_feature_device(), 1);
  }
  receiver->close_feature_device();
  const std::uint8_t report[] = {0x0C, 0x0A, 0x01};
  EXPECT_EQ(wired->set_feature(report, sizeof report), 1);
  EXPECT_EQ(receiver->set_feature(report, sizeof report), 0);
  EXPECT_EQ(wired_mouse.lines().front(), "hello wired");
  EXPECT_EQ(receiver_mouse.lines().front(), "hello receiver");
}

TEST(DlDriverLoader, TakesTheFirstFolderWhoseFileIsAWholeLibrary) {
  TempDir folder;
  std::ofstream(folder / kWiredDriverFile) << "not a library";
  DlDriverLoader loader({folder.path().string(), MELKO_BIN_DIR});
  DriverLibrary library = loader.Load(kWiredDriverFile);
  EXPECT_TRUE(library.usable());
  loader.Unload(library);
  EXPECT_FALSE(library.usable());
  EXPECT_EQ(library.module, nullptr);

  // A missing file, or a library lacking one name, is not used at all.
  DriverLibrary missing = loader.Load("hiddriver_9.so");
  EXPECT_FALSE(missing.usable());
  EXPECT_EQ(missing.module, nullptr);
  EXPECT_EQ(missing.OpenFeatureDevice(), 0);
  loader.Unload(missing);  // harmless on nothing
  DriverLibrary partial = DlDriverLoader({MELKO_TEST_FIXTURE_DIR}).Load("partial_driver.so");
  EXPECT_EQ(partial.module, nullptr);
  EXPECT_EQ(partial.set_vid_pid, nullptr);

  // By default: beside the program first, then the installed folder.
  const DlDriverLoader installed;
  ASSERT_EQ(installed.folders().size(), 2u);
  EXPECT_TRUE(std::filesystem::exists(installed.folders().front() + "/melko_driver_tests"));
  EXPECT_TRUE(installed.folders().back().ends_with("/melko"));
}

// The real backend finds nothing and fails every call harmlessly; its monitor starts (or declines
// without udevd) and stops at once.
TEST(HidrawBackend, WithoutAMouseEveryCallFailsAtOnce) {
  const ScopedEnv no_vmouse("MELKO_VMOUSE", std::nullopt);
  MessageRecorder recorder;
  LoadedDriver driver(kReceiverDriverFile);
  ASSERT_TRUE(driver->usable());
  const std::uint8_t report[] = {0x0C, 0x0A, 0x01, 0xFE, 0x01, 0xFE, 0x00, 0x00, 0x00, 0x00};
  // Closing what was never opened, and writing with nothing open, do nothing.
  driver->close_feature_device();
  driver->close_dev_monitor();
  EXPECT_EQ(driver->set_feature(report, sizeof report), 0);
  // Vendor and product 0 must not mean "any HID device".
  for (const auto& [vendor, product] : {std::pair{kMouseVendorId, kWiredProductId},
                                        {0u, 0u},
                                        {0x11D57u, 0x3005u},
                                        {kMouseVendorId, kReceiverProductId}}) {
    const auto start = std::chrono::steady_clock::now();
    driver->set_vid_pid(vendor, product);
    driver->open_dev_monitor(recorder.target(), kDataMessage, kConnectMessage);
    EXPECT_EQ(driver->open_feature_device(), 0) << vendor << ":" << product;
    EXPECT_EQ(driver->set_feature(report, sizeof report), 0);
    driver->close_feature_device();
    driver->close_dev_monitor();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
  }
  std::uint8_t buffer[16] = {};
  EXPECT_EQ(driver->get_feature(buffer, sizeof buffer), 0);
  EXPECT_FALSE(HidapiBlePresenceProbe().MousePresent());
  EXPECT_EQ(recorder.size(), 0u);
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
}  // namespace melko::testing
