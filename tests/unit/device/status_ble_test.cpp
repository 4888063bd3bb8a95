// Status notifications over Bluetooth LE: parsing of the notified value and the power event that
// differs from the driver libraries' one.
#include <gtest/gtest.h>

#include <cstdio>

#include <thread>

#include "device/ble_notification.h"
#include "device/messages.h"
#include "device/status_decoder.h"
#include "support/device_fakes.h"

namespace melko {
namespace {

class StatusBleTest : public ::testing::Test {
 protected:
  void Notify(std::vector<std::uint8_t> value) { OnBleNotification(rig.ctx, value); }
  fakes::DeviceRig rig;
};

TEST_F(StatusBleTest, EmptyOrShortValuesAreOnlyLogged) {
  Notify({});
  Notify({0x10, 0x10, 0x03});  // a DPI event cut short
  const std::vector<std::string> lines = rig.log.Lines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "datasize 0");
  EXPECT_EQ(lines[1].rfind("datasize 3", 0), 0u) << lines[1];
  EXPECT_TRUE(rig.controls.Calls().empty());
  EXPECT_TRUE(rig.poster.Posted().empty());
  EXPECT_FALSE(rig.StoreSaved());
}

TEST_F(StatusBleTest, EventAndValueAreLittleEndianAndTrailingBytesIgnored) {
  Notify({0x10, 0x10, 0x03, 0x00, 0xAA, 0xBB});
  EXPECT_EQ(rig.session.CurrentSnapshot().dpi_step, 2);
  EXPECT_EQ(rig.poster.Count(kMsgDpiStageChanged), 1);
  EXPECT_TRUE(rig.StoreSaved());
  ASSERT_EQ(rig.log.Lines().size(), 1u);
  // The line ends in the local time, h:m:s.
  const std::string line = rig.log.Lines()[0];
  const std::string head = "HR dwLeft = 1010, dwRight = 0003, ";
  ASSERT_EQ(line.rfind(head, 0), 0u) << line;
  int hour = -1, minute = -1, second = -1;
  EXPECT_EQ(std::sscanf(line.c_str() + head.size(), "%d:%d:%d", &hour, &minute, &second), 3)
      << line;
}

TEST_F(StatusBleTest, PowerShowsTheBatteryButLeavesTheReceiverAlone) {
  rig.links.apply_blocked = 1;
  Notify({0x10, 0x40, 0x01, 0x39});  // level 57, on battery
  EXPECT_EQ(rig.controls.ValueHistory("ms_1_progress_power"), std::vector<int>{57});
  EXPECT_EQ(rig.controls.Text("ms_1_label_power"), "57%");
  EXPECT_EQ(rig.timers.Calls(), std::vector<std::string>{"stop 515"});
  EXPECT_EQ(rig.controls.Calls(), std::vector<std::string>{"text ms_1_label_power 57%"});
  EXPECT_EQ(rig.links.apply_blocked, 1);
  EXPECT_EQ(rig.links.wireless_online, 0);

  Notify({0x10, 0x40, 0x03, 0x20});  // charging
  EXPECT_EQ(rig.controls.Text("ms_1_label_power"), "key:charging_text");
  EXPECT_TRUE(rig.timers.Running(kTimerChargeAnimation));
  Notify({0x10, 0x40, 0x02, 0x00});  // charged
  EXPECT_FALSE(rig.timers.Running(kTimerChargeAnimation));
  EXPECT_EQ(rig.controls.Text("ms_1_label_power"), "100%");
  Notify({0x10, 0x40, 0x01, 0xC8});  // a level above 100 shows nothing
  EXPECT_EQ(rig.controls.ValueHistory("ms_1_progress_power"), (std::vector<int>{57, 100}));
}

// The notification thread and the user-interface thread change the profile at the same time;
// meant for the thread sanitizer as well.
TEST_F(StatusBleTest, NotificationsRaceSafelyWithLibraryStatusWords) {
  std::thread bluetooth([&] {
    for (int i = 0; i < 20; ++i) Notify({0x10, 0x10, std::uint8_t(1 + i % 8), 0x00});
  });
  for (int i = 0; i < 20; ++i) DecodeLinkStatus(rig.ctx, MakeStatusWord(kEventLightMode, 0x10));
  bluetooth.join();
  EXPECT_EQ(rig.session.CurrentSnapshot().dpi_step, 19 % 8);
  EXPECT_EQ(rig.session.CurrentSnapshot().light_mode, 1);
  EXPECT_EQ(rig.poster.Count(kMsgDpiStageChanged), 20);
}

}  // namespace
}  // namespace melko
