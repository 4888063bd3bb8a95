// The device side's wiring: the driver libraries' links opened and closed at start and end, and
// the hub between their messages, the device logic and the apply thread. The mouse's status
// events reaching the page and the popup are run end to end by the desktop test.
#include "device/device_hub.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "device/driver_links.h"
#include "device/messages.h"
#include "protocol/report_sender.h"
#include "support/device_fakes.h"
#include "vmouse/firmware.h"

namespace melko {
namespace {

class DeviceHubTest : public ::testing::Test {
 protected:
  DeviceHubTest() {
    // The receiver library posts the mouse's events as its data message.
    firmware.SetEventSink([this](std::uint16_t event, std::uint16_t value) {
      hub.OnMessage(kMsgReceiverData, event, value);
    });
  }

  fakes::DeviceRig rig;
  DriverReportLinks report_links{rig.drivers, rig.ble};
  ReportSender sender{rig.links, report_links, rig.clock, rig.log};
  ApplyEngine engine{rig.session, rig.links, sender, rig.controls, rig.timers};
  DeviceHub hub{rig.ctx, engine};
  vmouse::Firmware firmware{[this] { return rig.clock.Now(); }};
};

TEST_F(DeviceHubTest, MessagesAndTimersReachTheirHandlers) {
  EXPECT_TRUE(hub.OnMessage(kMsgWiredConnect, 1, 0));
  EXPECT_EQ(rig.links.wired_state, kLinkConnected);
  EXPECT_TRUE(hub.OnMessage(kMsgWiredData, 0x1010, 0x7FFF0004));  // DPI stage 4
  EXPECT_EQ(rig.session.CurrentSnapshot().dpi_step, 3);
  EXPECT_TRUE(hub.OnTimer(kTimerChargeAnimation));
  EXPECT_EQ(rig.controls.Value("ms_1_progress_power"), 0);
  EXPECT_TRUE(hub.OnTimer(kTimerOpenBleNotifications));
  EXPECT_EQ(rig.ble.opened(), 1);
  EXPECT_TRUE(hub.OnMessage(kMsgReceiverConnect, 1, 0));
  EXPECT_TRUE(rig.timers.Running(kTimerReceiverWatchdog));
  EXPECT_TRUE(hub.OnTimer(kTimerReceiverWatchdog));
  EXPECT_FALSE(rig.timers.Running(kTimerReceiverWatchdog));
  EXPECT_TRUE(hub.OnMessage(kMsgWiredConnect, 0, 0));
  EXPECT_EQ(rig.links.wired_state, kLinkRemoved);
  // The window's own messages and timers are left to it.
  EXPECT_FALSE(hub.OnTimer(kTimerDpiPopup));
  EXPECT_FALSE(hub.OnMessage(kMsgConnectedChanged, 0, 0));
  EXPECT_FALSE(hub.OnMessage(kMsgDpiStageChanged, 0, 0));
}

// An edit made while the receiver's mouse cannot be reached (the receiver was pulled and put back,
// and its mouse has not spoken since) is not recorded as sent: it goes out once the mouse reports.
TEST_F(DeviceHubTest, AnEditNoLinkCouldTakeIsSentOnceTheMouseReports) {
  std::atomic<int> runs{0};
  engine.SetRunObserver([&](bool) { ++runs; });
  auto wait_for_runs = [&](int count) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (runs < count && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return runs >= count;
  };
  auto receiver_writes = [] {
    std::lock_guard lock(fakes::FakeDriver(1).mutex);
    return fakes::FakeDriver(1).writes;
  };
  engine.StartApplyThread();
  hub.OnMessage(kMsgReceiverConnect, 1, 0);
  firmware.SetPower(57, vmouse::PowerSource::kBattery);
  ASSERT_EQ(rig.links.wireless_online, 1);
  hub.OnMessage(kMsgReceiverConnect, 0, 0);
  hub.OnMessage(kMsgReceiverConnect, 1, 0);
  rig.session.WithCurrent([](ProfileRecord& record) { record.dpi_value[0] = 10; });
  hub.OnMessage(kMsgRequestApply, 0, 0);
  ASSERT_TRUE(wait_for_runs(1));
  EXPECT_TRUE(receiver_writes().empty());
  EXPECT_NE(rig.session.AppliedSnapshot().dpi_value[0], 10);

  firmware.SetPower(57, vmouse::PowerSource::kBattery);
  ASSERT_TRUE(wait_for_runs(2));
  engine.StopApplyThread();
  ASSERT_FALSE(receiver_writes().empty());
  EXPECT_EQ(receiver_writes().front()[0], 0x04);
  EXPECT_EQ(rig.session.AppliedSnapshot().dpi_value[0], 10);
}

using fakes::FakeDriver;
using Names = std::vector<std::string>;

// Hands out the fake libraries by file name; a name in `missing` loads as nothing.
class FakeLoader : public DriverLoader {
 public:
  DriverLibrary Load(std::string_view file_name) override {
    for (const auto& name : missing) {
      if (name == file_name) return {};
    }
    return fakes::FakeDriverLibrary(file_name == kWiredDriverFile ? 0 : 1);
  }
  void Unload(DriverLibrary& library) override {
    const bool wired = library.set_feature == fakes::FakeDriverLibrary(0).set_feature;
    unloaded.push_back(library.usable() ? (wired ? "wired" : "receiver") : "nothing");
  }
  Names missing, unloaded;
};

struct Probe : BlePresenceProbe {
  bool MousePresent() override { return present; }
  bool present = false;
};

class DriverLinksTest : public ::testing::Test {
 protected:
  void Open() { OpenDriverLinks(rig.ctx, loader, &target, probe); }
  fakes::DeviceRig rig;
  FakeLoader loader;
  Probe probe;
  MessageTarget target{};
};

TEST_F(DriverLinksTest, BothDevicesFoundOpenBothLinksEachWithItsIdsAndMessages) {
  Open();
  EXPECT_EQ(rig.links.wired_state, kLinkConnected);
  EXPECT_EQ(rig.links.wireless_state, kLinkConnected);
  EXPECT_EQ(rig.links.apply_blocked, 0);
  EXPECT_EQ(rig.links.any_connected, 1);
  const struct {
    std::uint32_t pid, data_message, connect_message;
  } expected[] = {{0x3005, 1539, 1540}, {0x3006, 1537, 1538}};
  for (int slot : {0, 1}) {
    SCOPED_TRACE(slot);
    EXPECT_EQ(FakeDriver(slot).vid, 0x1D57u);
    EXPECT_EQ(FakeDriver(slot).pid, expected[slot].pid);
    EXPECT_EQ(FakeDriver(slot).data_message, expected[slot].data_message);
    EXPECT_EQ(FakeDriver(slot).connect_message, expected[slot].connect_message);
    EXPECT_EQ(FakeDriver(slot).target, &target);
    EXPECT_EQ(FakeDriver(slot).calls,
              (Names{"Set_VIDPID", "Open_DevMonitor", "Open_FeatureDevice"}));
  }
  EXPECT_TRUE(rig.timers.Running(kTimerChargeAnimation));  // the cable charges the mouse
  EXPECT_EQ(rig.timers.Period(kTimerReceiverWatchdog), 6000);
  EXPECT_EQ(rig.poster.Count(kMsgConnectedChanged), 1);

  CloseDriverLinks(rig.ctx, loader);
  EXPECT_EQ(FakeDriver(1).monitors_open, 0);
  EXPECT_EQ(FakeDriver(0).closed, 1);
  EXPECT_EQ(loader.unloaded, (Names{"wired", "receiver"}));
  EXPECT_FALSE(rig.drivers.wired.usable());
}

TEST_F(DriverLinksTest, NothingFoundBlocksApplyButStillAnnouncesAndListens) {
  FakeDriver(0).device_present = false;
  FakeDriver(1).device_present = false;
  Open();
  EXPECT_EQ(rig.links.wired_state, kLinkNeverSeen);
  EXPECT_EQ(rig.links.wireless_state, kLinkNeverSeen);
  EXPECT_EQ(rig.links.apply_blocked, 1);
  EXPECT_EQ(rig.links.any_connected, 0);
  EXPECT_TRUE(rig.controls.IsVisible("ms_1_sleep_label"));
  EXPECT_FALSE(rig.timers.Running(kTimerReceiverWatchdog));
  EXPECT_EQ(rig.poster.Count(kMsgConnectedChanged), 1);
  // The monitors still run, so a later arrival is heard.
  EXPECT_EQ(FakeDriver(0).monitors_open, 1);
}

TEST_F(DriverLinksTest, MissingLibraryLeavesItsLinkDownAndBluetoothCounts) {
  loader.missing = {kWiredDriverFile};
  probe.present = true;
  FakeDriver(1).device_present = false;
  Open();
  EXPECT_EQ(rig.links.wired_state, kLinkNeverSeen);
  EXPECT_EQ(rig.links.ble_present, 1);
  EXPECT_EQ(rig.links.any_connected, 1);
  EXPECT_TRUE(FakeDriver(0).calls.empty());
  EXPECT_EQ(rig.drivers.wired.SetFeature(nullptr, 0), 0);  // a missing library writes nothing
  CloseDriverLinks(rig.ctx, loader);
  EXPECT_EQ(loader.unloaded, (Names{"nothing", "receiver"}));
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
