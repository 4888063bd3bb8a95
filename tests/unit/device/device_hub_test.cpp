// The virtual mouse's status events travelling the whole way in: posted by a driver library as
// its data message, routed by the hub, decoded into the profile and the page.
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
    rig.drivers.wired = fakes::FakeDriverLibrary(0);
    rig.drivers.receiver = fakes::FakeDriverLibrary(1);
    // The receiver library posts the mouse's events as its data message.
    firmware.SetEventSink([this](std::uint16_t event, std::uint16_t value) {
      poster.Post(kMsgReceiverData, event, value);
    });
  }
  // The user-interface thread's turn: every posted message goes through the hub.
  void Pump() {
    const auto messages = poster.Posted();
    for (std::size_t i = handled_; i < messages.size(); ++i) {
      hub.OnMessage(messages[i].message, messages[i].wparam, messages[i].lparam);
    }
    handled_ = messages.size();
  }

  fakes::DeviceRig rig;
  fakes::FakePoster poster;  // the driver libraries' messages to the main window
  fakes::RecordingLog log;
  DriverReportLinks report_links{rig.drivers, rig.ble};
  ReportSender sender{rig.links, report_links, rig.clock, log};
  ApplyEngine engine{rig.session, rig.links, sender, rig.controls, rig.timers};
  DeviceHub hub{rig.ctx, engine};
  vmouse::Firmware firmware{[this] { return rig.clock.Now(); }};
  std::size_t handled_ = 0;
};

TEST_F(DeviceHubTest, ReceiverArrivalThenTheMousesFirstPowerEventOpensTheLink) {
  hub.OnMessage(kMsgReceiverConnect, 1, 0);
  EXPECT_EQ(rig.links.wireless_state, kLinkConnected);
  EXPECT_EQ(rig.links.wireless_online, 0);
  firmware.SetPower(57, vmouse::PowerSource::kBattery);
  Pump();
  EXPECT_EQ(rig.links.wireless_online, 1);
  EXPECT_EQ(rig.links.apply_blocked, 0);
  EXPECT_EQ(rig.controls.Text("ms_1_label_power"), "57%");
}

TEST_F(DeviceHubTest, ADpiButtonPressOnTheMouseReachesTheProfileAndThePopup) {
  hub.OnMessage(kMsgReceiverConnect, 1, 0);
  firmware.PressDpiButton();  // from stage 2 to stage 3
  Pump();
  EXPECT_EQ(rig.session.CurrentSnapshot().dpi_step, 2);
  EXPECT_EQ(rig.session.AppliedSnapshot().dpi_step, 2);
  EXPECT_EQ(rig.poster.Count(kMsgDpiStageChanged), 1);
  EXPECT_TRUE(rig.StoreSaved());
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
  Pump();
  hub.OnMessage(kMsgReceiverConnect, 0, 0);
  hub.OnMessage(kMsgReceiverConnect, 1, 0);
  rig.session.WithCurrent([](ProfileRecord& record) { record.dpi_value[0] = 10; });
  hub.OnMessage(kMsgRequestApply, 0, 0);
  ASSERT_TRUE(wait_for_runs(1));
  EXPECT_TRUE(receiver_writes().empty());
  EXPECT_NE(rig.session.AppliedSnapshot().dpi_value[0], 10);

  firmware.SetPower(57, vmouse::PowerSource::kBattery);
  Pump();
  ASSERT_TRUE(wait_for_runs(2));
  engine.StopApplyThread();
  ASSERT_FALSE(receiver_writes().empty());
  EXPECT_EQ(receiver_writes().front()[0], 0x04);
  EXPECT_EQ(rig.session.AppliedSnapshot().dpi_value[0], 10);
}

TEST_F(DeviceHubTest, CableMessagesAndTimersAreRouted) {
  hub.OnMessage(kMsgWiredConnect, 1, 0);
  EXPECT_EQ(rig.links.wired_state, kLinkConnected);
  EXPECT_TRUE(hub.OnTimer(kTimerChargeAnimation));
  EXPECT_EQ(rig.controls.Value("ms_1_progress_power"), 0);
  EXPECT_TRUE(hub.OnTimer(kTimerOpenBleNotifications));
  EXPECT_EQ(rig.ble.opened(), 1);
  hub.OnMessage(kMsgWiredConnect, 0, 0);
  EXPECT_EQ(rig.links.wired_state, kLinkRemoved);
  EXPECT_FALSE(hub.OnTimer(kTimerDpiPopup));
  EXPECT_FALSE(hub.OnMessage(kMsgConnectedChanged, 0, 0));
}

}  // namespace
}  // namespace melko
