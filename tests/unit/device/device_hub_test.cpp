// The hub between the driver libraries' messages and the apply thread. Which message reaches which
// handler is run end to end by the integration test's watch and the desktop test.
#include "device/device_hub.h"

#include <gtest/gtest.h>

#include <atomic>

#include "device/driver_links.h"
#include "device/messages.h"
#include "device/status_decoder.h"
#include "protocol/report_sender.h"
#include "support/child_process.h"
#include "support/device_fakes.h"

namespace melko {
namespace {

class DeviceHubTest : public ::testing::Test {
 protected:
  // The receiver's mouse reports its battery, as the receiver's library posts it.
  void ReportPower() { hub.OnMessage(kMsgReceiverData, kEventPower, 0x3901); }

  fakes::DeviceRig rig;
  DriverReportLinks report_links{rig.drivers, rig.ble};
  ReportSender sender{rig.links, report_links, rig.clock, rig.log};
  ApplyEngine engine{rig.session, rig.links, sender, rig.controls, rig.poster};
  DeviceHub hub{rig.ctx, engine};
};

// An edit made while the receiver's mouse cannot be reached (the receiver was pulled and put back,
// and its mouse has not spoken since) is not recorded as sent: it goes out once the mouse reports.
TEST_F(DeviceHubTest, AnEditNoLinkCouldTakeIsSentOnceTheMouseReports) {
  std::atomic<int> runs{0};
  engine.SetRunObserver([&](bool) { ++runs; });
  auto wait_for_runs = [&](int count) { return testing::Await([&] { return runs >= count; }); };
  auto receiver_writes = [] {
    std::lock_guard lock(fakes::FakeDriver(1).mutex);
    return fakes::FakeDriver(1).writes;
  };
  engine.StartApplyThread();
  hub.OnMessage(kMsgReceiverConnect, 1, 0);
  ReportPower();
  hub.OnMessage(kMsgReceiverConnect, 0, 0);
  hub.OnMessage(kMsgReceiverConnect, 1, 0);
  rig.session.WithCurrent([](ProfileRecord& record) { record.dpi_value[0] = 10; });
  hub.OnMessage(kMsgRequestApply, 0, 0);
  ASSERT_TRUE(wait_for_runs(1));
  EXPECT_TRUE(receiver_writes().empty());

  ReportPower();
  ASSERT_TRUE(wait_for_runs(2));
  engine.StopApplyThread();
  EXPECT_EQ(receiver_writes().at(0)[0], 0x04);
  EXPECT_EQ(rig.session.AppliedSnapshot().dpi_value[0], 10);
}

// The end of an apply run reaches the user-interface thread after what happened there meanwhile:
// a receiver pulled while the cable took the reports is not watched again.
TEST_F(DeviceHubTest, AnApplyRunRestartsTheWatchdogOnlyWhileTheReceiverIsThere) {
  for (const bool receiver_stays : {true, false}) {
    hub.OnMessage(kMsgWiredConnect, 1, 0);
    hub.OnMessage(kMsgReceiverConnect, 1, 0);
    if (!receiver_stays) hub.OnMessage(kMsgReceiverConnect, 0, 0);
    ASSERT_TRUE(engine.Apply());
    for (const auto& posted : rig.poster.Posted()) hub.OnMessage(posted.message, 0, 0);
    EXPECT_EQ(rig.timers.Running(kTimerReceiverWatchdog), receiver_stays);
  }
}
}  // namespace
}  // namespace melko
