#include "device/driver_links.h"

#include <gtest/gtest.h>

#include "device/messages.h"
#include "support/device_fakes.h"
#include "support/test_support.h"

namespace melko {
namespace {

using fakes::FakeDriver;

// Hands out the fake libraries by file name; a name in `missing` loads as nothing.
class FakeLoader : public DriverLoader {
 public:
  DriverLibrary Load(std::string_view file_name) override {
    loaded.emplace_back(file_name);
    for (const auto& name : missing) {
      if (name == file_name) return {};
    }
    return fakes::FakeDriverLibrary(file_name == kWiredDriverFile ? 0 : 1);
  }
  void Unload(DriverLibrary& library) override {
    unloaded.push_back(library.usable()
                           ? (library.set_feature == fakes::FakeDriverLibrary(0).set_feature
                                  ? "wired"
                                  : "receiver")
                           : "nothing");
  }
  std::vector<std::string> missing, loaded, unloaded;
};

struct Probe : BlePresenceProbe {
  bool MousePresent() override { return present; }
  bool present = false;
};

class DriverLinksTest : public ::testing::Test {
 protected:
  DriverLinksTest() : session(dir.path()) { fakes::ResetFakeDrivers(); }
  DeviceContext Context() {
    return {links, session, drivers, ble, controls, timers, poster, clock, log};
  }
  testing::TempDir dir;
  ProfileSession session;
  LinkState links;
  DriverLinks drivers;
  fakes::FakeBle ble;
  fakes::FakeControls controls;
  fakes::FakeTimers timers;
  fakes::FakePoster poster;
  fakes::VirtualClock clock;
  fakes::RecordingLog log;
  FakeLoader loader;
  Probe probe;
  MessageTarget target{};
};

TEST_F(DriverLinksTest, BothDevicesFoundOpenBothLinks) {
  DeviceContext ctx = Context();
  OpenDriverLinks(ctx, loader, &target, probe);
  EXPECT_EQ(links.wired_state, kLinkConnected);
  EXPECT_EQ(links.wireless_state, kLinkConnected);
  EXPECT_EQ(links.apply_blocked, 0);
  EXPECT_EQ(links.any_connected, 1);
  EXPECT_EQ(FakeDriver(0).vid, 0x1D57u);
  EXPECT_EQ(FakeDriver(0).pid, 0x3005u);
  EXPECT_EQ(FakeDriver(1).pid, 0x3006u);
  EXPECT_EQ(FakeDriver(0).data_message, 1539u);
  EXPECT_EQ(FakeDriver(0).connect_message, 1540u);
  EXPECT_EQ(FakeDriver(1).data_message, 1537u);
  EXPECT_EQ(FakeDriver(1).target, &target);
  EXPECT_EQ(FakeDriver(0).calls,
            (std::vector<std::string>{"Set_VIDPID", "Open_DevMonitor", "Open_FeatureDevice"}));
  EXPECT_TRUE(timers.Running(kTimerChargeAnimation));
  EXPECT_EQ(timers.Period(kTimerChargeAnimation), 30);
  EXPECT_EQ(timers.Period(kTimerReceiverWatchdog), 6000);
  EXPECT_EQ(controls.Text("ms_1_label_power"), "key:charging_text");
  EXPECT_TRUE(controls.IsVisible("ms_1_wired"));
  EXPECT_TRUE(controls.IsVisible("ms_1_wireless"));
  EXPECT_FALSE(controls.IsVisible("ms_1_sleep_label"));
  EXPECT_EQ(poster.Count(kMsgConnectedChanged), 1);

  CloseDriverLinks(ctx, loader);
  EXPECT_EQ(FakeDriver(1).monitors_open, 0);
  EXPECT_EQ(FakeDriver(0).closed, 1);
  EXPECT_EQ(loader.unloaded, (std::vector<std::string>{"wired", "receiver"}));
  EXPECT_FALSE(drivers.wired.usable());
}

TEST_F(DriverLinksTest, NothingFoundBlocksApplyButStillAnnounces) {
  FakeDriver(0).device_present = false;
  FakeDriver(1).device_present = false;
  DeviceContext ctx = Context();
  OpenDriverLinks(ctx, loader, &target, probe);
  EXPECT_EQ(links.wired_state, kLinkNeverSeen);
  EXPECT_EQ(links.wireless_state, kLinkNeverSeen);
  EXPECT_EQ(links.apply_blocked, 1);
  EXPECT_EQ(links.any_connected, 0);
  EXPECT_TRUE(controls.IsVisible("ms_1_sleep_label"));
  EXPECT_FALSE(timers.Running(kTimerReceiverWatchdog));
  EXPECT_EQ(poster.Count(kMsgConnectedChanged), 1);
  // The monitors still run, so a later arrival is heard.
  EXPECT_EQ(FakeDriver(0).monitors_open, 1);
}

TEST_F(DriverLinksTest, MissingLibraryLeavesItsLinkDownAndBluetoothCounts) {
  loader.missing = {kWiredDriverFile};
  probe.present = true;
  DeviceContext ctx = Context();
  FakeDriver(1).device_present = false;
  OpenDriverLinks(ctx, loader, &target, probe);
  EXPECT_EQ(links.wired_state, kLinkNeverSeen);
  EXPECT_EQ(links.ble_present, 1);
  EXPECT_EQ(links.any_connected, 1);
  EXPECT_TRUE(FakeDriver(0).calls.empty());
  EXPECT_EQ(drivers.wired.SetFeature(nullptr, 0), 0);  // a missing library writes nothing
  CloseDriverLinks(ctx, loader);
  EXPECT_EQ(loader.unloaded, (std::vector<std::string>{"nothing", "receiver"}));
}

TEST(DriverMessages, StatusWordsFromDataAndConnectMessages) {
  EXPECT_EQ(DecodeDataMessage(0x4010, 0x7FFF5602), 0x40105602u);
  EXPECT_EQ(DecodeDataMessage(0x4010, -1), 0x4010FFFFu);
  EXPECT_EQ(DecodeConnectMessage(1), 0x7F000001u);
  EXPECT_EQ(DecodeConnectMessage(0), 0x7F000002u);
  EXPECT_EQ(DecodeConnectMessage(2), 0x7F000000u);
}

}  // namespace
}  // namespace melko
