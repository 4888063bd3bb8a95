// The real backend where no mouse can be met: these machines have no hidraw nodes and no udevd.
// It must find nothing, say so, and start and stop its monitor cleanly.
#include <gtest/gtest.h>

#include <chrono>

#include "driver_test_support.h"
#include "platform/hid_presence.h"

namespace melko::testing {
namespace {

using Clock = std::chrono::steady_clock;

class HidrawDriverTest : public ::testing::Test {
 protected:
  ScopedEnv no_vmouse{"MELKO_VMOUSE", std::nullopt};
  MessageRecorder recorder;
  LoadedDriver driver{kReceiverDriverFile};
};

TEST_F(HidrawDriverTest, WithoutAMouseEveryCallFailsHarmlessly) {
  ASSERT_TRUE(driver->usable());
  const std::uint8_t report[] = {0x0C, 0x0A, 0x01, 0xFE, 0x01, 0xFE, 0x00, 0x00, 0x00, 0x00};
  // Closing what was never opened, and writing with nothing open, do nothing.
  driver->close_feature_device();
  driver->close_dev_monitor();
  EXPECT_EQ(driver->set_feature(report, sizeof report), 0);
  // Vendor and product 0 must not mean "any HID device".
  for (const auto& [vendor, product] : {std::pair{kMouseVendorId, kWiredProductId},
                                        {kMouseVendorId, kReceiverProductId},
                                        {0u, 0u},
                                        {0x11D57u, 0x3005u}}) {
    driver->set_vid_pid(vendor, product);
    EXPECT_EQ(driver->open_feature_device(), 0) << vendor << ":" << product;
    EXPECT_EQ(driver->set_feature(report, sizeof report), 0);
  }
  std::uint8_t buffer[16] = {};
  EXPECT_EQ(driver->get_feature(buffer, sizeof buffer), 0);
  EXPECT_FALSE(HidapiBlePresenceProbe().MousePresent());
}

// Without udevd nothing arrives; the monitor must still start (or decline) and stop at once.
TEST_F(HidrawDriverTest, TheMonitorStartsAndStopsPromptly) {
  driver->set_vid_pid(kMouseVendorId, kReceiverProductId);
  for (int round = 0; round < 5; ++round) {
    const auto start = Clock::now();
    driver->open_dev_monitor(recorder.target(), kDataMessage, kConnectMessage);
    EXPECT_EQ(driver->open_feature_device(), 0);
    driver->close_feature_device();
    driver->close_dev_monitor();
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(1)) << "round " << round;
  }
  driver->close_dev_monitor();
  EXPECT_TRUE(recorder.messages().empty());
}

}  // namespace
}  // namespace melko::testing
