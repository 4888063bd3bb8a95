// The real backend where no mouse can be met: these machines have no hidraw nodes and no udevd.
// It must find nothing, say so, and start and stop its monitor cleanly.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>

#include "driver_test_support.h"
#include "platform/hid_presence.h"
#include "udev_monitor.h"

namespace melko::testing {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

class HidrawDriverTest : public ::testing::Test {
 protected:
  ScopedEnv no_vmouse{"MELKO_VMOUSE", std::nullopt};
  MessageRecorder recorder;
  LoadedDriver driver{kReceiverDriverFile};
};

TEST_F(HidrawDriverTest, OpenFindsNoMouseAndReportsZero) {
  ASSERT_TRUE(driver->usable());
  for (const std::uint32_t product : {kWiredProductId, kReceiverProductId}) {
    driver->set_vid_pid(kMouseVendorId, product);
    EXPECT_EQ(driver->open_feature_device(), 0) << product;
  }
}

// Vendor and product 0 must not mean "any HID device".
TEST_F(HidrawDriverTest, UnsetOrImpossibleIdsOpenNothing) {
  driver->set_vid_pid(0, 0);
  EXPECT_EQ(driver->open_feature_device(), 0);
  driver->set_vid_pid(0x11D57, 0x3005);
  EXPECT_EQ(driver->open_feature_device(), 0);
}

TEST_F(HidrawDriverTest, WritesAndReadsWithoutADeviceFail) {
  const std::uint8_t report[] = {0x0C, 0x0A, 0x01, 0xFE, 0x01, 0xFE, 0x00, 0x00, 0x00, 0x00};
  EXPECT_EQ(driver->set_feature(report, sizeof report), 0);
  driver->set_vid_pid(kMouseVendorId, kReceiverProductId);
  EXPECT_EQ(driver->open_feature_device(), 0);
  EXPECT_EQ(driver->set_feature(report, sizeof report), 0);
  std::uint8_t buffer[16] = {};
  EXPECT_EQ(driver->get_feature(buffer, sizeof buffer), 0);
}

TEST_F(HidrawDriverTest, TheMonitorStartsAndStopsPromptly) {
  driver->set_vid_pid(kMouseVendorId, kReceiverProductId);
  for (int round = 0; round < 5; ++round) {
    const auto start = Clock::now();
    driver->open_dev_monitor(recorder.target(), kDataMessage, kConnectMessage);
    EXPECT_EQ(driver->open_feature_device(), 0);
    driver->close_feature_device();
    driver->close_dev_monitor();
    EXPECT_LT(Clock::now() - start, 1s) << "round " << round;
  }
  EXPECT_TRUE(recorder.messages().empty());
}

TEST_F(HidrawDriverTest, ClosingWhatWasNeverOpenedIsHarmless) {
  driver->close_feature_device();
  driver->close_dev_monitor();
  driver->close_dev_monitor();
  EXPECT_EQ(driver->open_feature_device(), 0);
}

// Without udevd nothing arrives; the monitor must still start (or decline) and stop at once.
TEST(UdevMonitor, StartsAndStopsWithoutReportingAnything) {
  std::atomic<int> changes = 0;
  hiddriver::UdevMonitor monitor({0x1D57, 0x3006}, [&](bool) { ++changes; });
  for (int round = 0; round < 3; ++round) {
    const auto start = Clock::now();
    const bool started = monitor.Start();
    ::testing::Test::RecordProperty("started", started ? "yes" : "no");
    monitor.Stop();
    EXPECT_LT(Clock::now() - start, 1s);
  }
  EXPECT_EQ(changes.load(), 0);
}

TEST(HidapiBlePresenceProbe, FindsNoBluetoothMouseHere) {
  HidapiBlePresenceProbe probe;
  EXPECT_FALSE(probe.MousePresent());
  EXPECT_FALSE(probe.MousePresent());
}

}  // namespace
}  // namespace melko::testing
