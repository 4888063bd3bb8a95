// Arrival and removal of the cable, the receiver and the Bluetooth LE mouse.
#include "device/presence.h"

#include <gtest/gtest.h>

#include "device/messages.h"
#include "device/status_decoder.h"
#include "support/device_fakes.h"

namespace melko {
namespace {

using fakes::FakeDriver;

constexpr std::uint32_t kArrived = MakeStatusWord(kConnectionEvent, kConnectionArrived);
constexpr std::uint32_t kRemoved = MakeStatusWord(kConnectionEvent, kConnectionRemoved);
constexpr int kWiredSlot = 0;
constexpr int kReceiverSlot = 1;
const std::string kMousePath = "/devices/ble/dev_VID&02045e_PID&0040_REV&0001/service0010";

class PresenceTest : public ::testing::Test {
 protected:
  void Cable(std::uint32_t word) { OnLinkConnection(rig.ctx, LinkMode::kWired, word); }
  void Receiver(std::uint32_t word) { OnLinkConnection(rig.ctx, LinkMode::kWireless, word); }
  void Change(DeviceChangeEvent::Kind kind, const std::string& path, bool is_interface = true) {
    OnDeviceChange(rig.ctx, {kind, is_interface, path});
  }
  int Posted() { return rig.poster.Count(kMsgConnectedChanged); }
  fakes::DeviceRig rig;
};

TEST_F(PresenceTest, CableArrivesOnceAfterAWaitAndStartsCharging) {
  rig.links.apply_blocked = 1;
  rig.ctx.charge_animation = 40;
  Cable(kArrived);
  EXPECT_EQ(rig.clock.Sleeps(), std::vector<std::int64_t>{1000});
  EXPECT_EQ(rig.links.wired_state, kLinkConnected);
  EXPECT_EQ(FakeDriver(kWiredSlot).opened, 1);
  EXPECT_EQ(rig.links.apply_blocked, 0);
  EXPECT_EQ(rig.ctx.charge_animation, 0);
  EXPECT_TRUE(rig.timers.Running(kTimerChargeAnimation));
  EXPECT_EQ(rig.links.any_connected, 1);
  EXPECT_EQ(Posted(), 1);

  // A second arrival without a removal changes nothing and does not wait.
  const auto calls = rig.controls.Calls().size();
  Cable(kArrived);
  EXPECT_EQ(rig.clock.Sleeps().size(), 1u);
  EXPECT_EQ(FakeDriver(kWiredSlot).opened, 1);
  EXPECT_EQ(rig.controls.Calls().size(), calls);
  EXPECT_EQ(Posted(), 1);
}

TEST_F(PresenceTest, CableRemovalBlocksAppliesEvenWhenNeverSeenButOnlyOnce) {
  Cable(kRemoved);
  EXPECT_EQ(rig.links.wired_state, kLinkRemoved);
  EXPECT_EQ(FakeDriver(kWiredSlot).closed, 1);
  EXPECT_EQ(rig.links.apply_blocked, 1);
  EXPECT_TRUE(rig.controls.IsVisible("ms_1_sleep_label"));
  EXPECT_FALSE(rig.timers.Running(kTimerChargeAnimation));
  EXPECT_EQ(Posted(), 1);
  Cable(kRemoved);
  EXPECT_EQ(FakeDriver(kWiredSlot).closed, 1);
  EXPECT_EQ(Posted(), 1);
}

TEST_F(PresenceTest, ReceiverComesAndGoesWithoutMarkingItsMouseOnline) {
  Receiver(kArrived);
  Receiver(kArrived);
  EXPECT_EQ(rig.clock.Sleeps(), std::vector<std::int64_t>{1000});
  EXPECT_EQ(FakeDriver(kReceiverSlot).opened, 1);
  EXPECT_EQ(rig.links.wireless_online, 0);
  EXPECT_EQ(rig.timers.Period(kTimerReceiverWatchdog), 6000);
  EXPECT_EQ(rig.links.any_connected, 1);

  Receiver(MakeStatusWord(kEventPower, 0x3901));  // its mouse reports
  EXPECT_EQ(rig.links.wireless_online, 1);
  Receiver(kRemoved);
  EXPECT_EQ(rig.links.wireless_state, kLinkRemoved);
  EXPECT_EQ(rig.links.wireless_online, 0);  // gone with the receiver
  EXPECT_EQ(FakeDriver(kReceiverSlot).closed, 1);
  EXPECT_FALSE(rig.timers.Running(kTimerReceiverWatchdog));
  EXPECT_EQ(rig.links.any_connected, 0);
  EXPECT_EQ(Posted(), 2);
}

TEST_F(PresenceTest, OtherLinksUpKeepAnyConnectedWithoutAMessage) {
  rig.links.ble_present = 1;
  rig.links.any_connected = 1;
  for (const std::uint32_t word : {kArrived, kRemoved}) {
    Receiver(word);
    Cable(word);
  }
  EXPECT_EQ(rig.links.any_connected, 1);
  EXPECT_EQ(Posted(), 0);
}

TEST_F(PresenceTest, PullingTheCableBlocksAppliesUntilTheReceiversMouseReports) {
  Receiver(kArrived);
  Receiver(MakeStatusWord(kEventPower, 0x3901));
  Cable(kArrived);
  ASSERT_EQ(rig.links.wireless_online, 1);
  Cable(kRemoved);
  EXPECT_EQ(rig.links.apply_blocked, 1);
  Receiver(MakeStatusWord(kEventPower, 0x3901));
  EXPECT_EQ(rig.links.apply_blocked, 0);
}

TEST_F(PresenceTest, OnlyStatusEventsAreHandedOnAndOtherWordsDropped) {
  Cable(MakeStatusWord(kEventDpiStage, 3));
  EXPECT_EQ(rig.session.CurrentSnapshot().dpi_step, 2);

  Cable(MakeStatusWord(kConnectionEvent, 0));  // neither arrival nor removal
  Cable(MakeStatusWord(0xA010, 1));
  Cable(MakeStatusWord(0x0F10, 1));
  OnLinkConnection(rig.ctx, LinkMode::kBle, kArrived);
  EXPECT_EQ(rig.links.wired_state, kLinkNeverSeen);
  EXPECT_TRUE(rig.timers.Calls().empty());
  EXPECT_TRUE(rig.clock.Sleeps().empty());
  EXPECT_EQ(Posted(), 0);
}

TEST_F(PresenceTest, BleAttachOpensNotificationsLaterAndDetachUndoesIt) {
  rig.links.apply_blocked = 1;
  AttachBle(rig.ctx);
  EXPECT_TRUE(rig.ble.attached());
  EXPECT_EQ(rig.timers.Period(kTimerOpenBleNotifications), 2000);
  EXPECT_EQ(rig.ble.opened(), 0);
  EXPECT_EQ(rig.links.apply_blocked, 0);
  EXPECT_FALSE(rig.controls.IsVisible("ms_1_check_prate"));
  EXPECT_EQ(rig.links.any_connected, 1);
  OnBleNotificationsTimer(rig.ctx);
  EXPECT_FALSE(rig.timers.Running(kTimerOpenBleNotifications));
  EXPECT_EQ(rig.ble.opened(), 1);

  DetachBle(rig.ctx);
  EXPECT_FALSE(rig.ble.attached());
  EXPECT_EQ(rig.ble.closed(), 1);
  EXPECT_TRUE(rig.controls.IsVisible("ms_1_sleep_label"));
  EXPECT_EQ(rig.links.any_connected, 0);
  EXPECT_EQ(Posted(), 2);
}

TEST_F(PresenceTest, OnlyTheMatchingInterfacePathCaseAsWrittenAttaches) {
  Change(DeviceChangeEvent::kArrival, "/devices/ble/dev_VID&02045E_PID&0040/service0010");
  Change(DeviceChangeEvent::kArrival, kMousePath, false);
  EXPECT_EQ(rig.links.ble_present, 0);
  Change(DeviceChangeEvent::kArrival, kMousePath);
  Change(DeviceChangeEvent::kArrival, kMousePath);
  EXPECT_EQ(rig.timers.Calls(), std::vector<std::string>{"start 516 2000"});  // attached once
  Change(DeviceChangeEvent::kOther, kMousePath);
  Change(DeviceChangeEvent::kNodesChanged, kMousePath);
  EXPECT_EQ(rig.links.ble_present, 1);
  Change(DeviceChangeEvent::kRemoval, kMousePath);
  EXPECT_EQ(rig.links.ble_present, 0);
}

TEST_F(PresenceTest, BleRemovalWhileTheCableIsUpPostsNothing) {
  Cable(kArrived);
  Change(DeviceChangeEvent::kArrival, kMousePath);
  Change(DeviceChangeEvent::kRemoval, kMousePath);
  EXPECT_EQ(rig.links.ble_present, 0);
  EXPECT_EQ(rig.links.any_connected, 1);
  EXPECT_EQ(Posted(), 1);  // the cable's arrival only
  EXPECT_FALSE(rig.controls.IsVisible("ms_1_sleep_label"));
}

}  // namespace
}  // namespace melko
