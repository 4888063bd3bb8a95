#include "device/status_decoder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <thread>

#include "device/ble_notification.h"
#include "device/link_sections.h"
#include "device/messages.h"
#include "support/device_fakes.h"

namespace melko {
namespace {

bool SameRecord(const ProfileRecord& a, const ProfileRecord& b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

class StatusDecoderTest : public ::testing::Test {
 protected:
  void Decode(std::uint16_t event, std::uint16_t value) {
    DecodeLinkStatus(rig.ctx, MakeStatusWord(event, value));
  }
  fakes::DeviceRig rig;
};

// So do notifications too short for a status word.
TEST_F(StatusDecoderTest, WordsOutsideTheTableOrTheirValueRangeChangeNothing) {
  const ProfileRecord before = rig.session.CurrentSnapshot();
  // 0x4011: the event word's low byte is not 0x10; 0x7F00: a connection change is no status
  // event; the DPI stage (1010), the rate (2010) and 8010 out of range; 6010 is accepted, but
  // without any effect.
  const std::pair<std::uint16_t, std::uint16_t> words[] = {
      {0x4011, 0x3902}, {0x3010, 1}, {0x7F00, 1}, {0x1010, 0}, {0x1010, 9},
      {0x2010, 0},      {0x6010, 5}, {0x8010, 0}, {0x8010, 6}};
  for (const auto& [event, value] : words) Decode(event, value);
  OnBleNotification(rig.ctx, std::vector<std::uint8_t>{});
  OnBleNotification(rig.ctx, std::vector<std::uint8_t>{0x10, 0x10, 0x03});
  EXPECT_TRUE(rig.controls.Calls().empty() && rig.timers.Calls().empty() &&
              rig.poster.Posted().empty() && !rig.StoreSaved());
  EXPECT_TRUE(SameRecord(rig.session.CurrentSnapshot(), before));
  EXPECT_EQ(rig.links.apply_blocked + rig.links.wireless_online + rig.links.wireless_cancel, 0);
}

// A user's edit still waiting for its apply (a slider's delay running) when the mouse reports a
// change of its own stays pending: only the mouse's field counts as applied.
TEST_F(StatusDecoderTest, DpiStageSelectsTheStageShowsItsValueAndKeepsPendingEdits) {
  rig.session.WithCurrent([](ProfileRecord& record) { record.dpi_value[2] = 77; });
  Decode(kEventDpiStage, 3);
  const ProfileRecord current = rig.session.CurrentSnapshot();
  const ProfileRecord applied = rig.session.AppliedSnapshot();
  EXPECT_EQ(
      std::tuple(current.dpi_step, current.dpi_value[2], applied.dpi_step, applied.dpi_value[2]),
      std::tuple(2, 77, 2, 48));
  EXPECT_EQ(rig.controls.Calls(), std::vector<std::string>{"select ms_1_option_dpi_step_3 quiet"});
  EXPECT_EQ(rig.poster.Posted(),
            (std::vector<testing::PostedMessage>{{kMsgDpiStageChanged, 0, 77}}));
}

// The mouse reports its rate in the code the rate report uses; the profile keeps the position.
// The light mode is in bits 4 to 7.
TEST_F(StatusDecoderTest, RateCodesAndTheLightModeSelectTheirControls) {
  Decode(kEventLightMode, 0x0025);
  EXPECT_EQ(rig.session.CurrentSnapshot().light_mode, 2);
  EXPECT_EQ(rig.controls.Calls()[0], "select ms_1_combo_light 2 quiet");
  for (const auto& [code, prate] : {std::pair{8, 0}, {4, 1}, {2, 2}, {1, 3}}) {
    Decode(kEventPollingRate, std::uint16_t(code));
    const std::string position = std::to_string(prate + 1);
    EXPECT_EQ(std::tuple(rig.session.CurrentSnapshot().prate, rig.controls.Calls().end()[-2],
                         rig.controls.Text("ms_1_label_prate")),
              std::tuple(prate, "select ms_1_btn_prate_" + position + " quiet",
                         "key:prate_" + position + "_text"));
  }
  EXPECT_TRUE(rig.StoreSaved());  // the mouse's change counts as applied and is on disk
  EXPECT_TRUE(SameRecord(rig.session.AppliedSnapshot(), rig.session.CurrentSnapshot()));
  const auto calls = rig.controls.Calls().size();
  for (int code : {3, 5, 6, 7}) Decode(kEventPollingRate, std::uint16_t(code));
  EXPECT_EQ(rig.session.CurrentSnapshot().prate, 3);
  EXPECT_EQ(rig.controls.Calls().size(), calls);
}

// Power from the driver libraries wakes the receiver's link unless the cable is in (the mouse then
// charges), and restarts the receiver's watchdog when it is there; over Bluetooth LE it only shows
// the battery. One fresh page per row, with applies blocked and the sleep label up.
TEST(StatusPowerTest, EachSourceAndStateShowsItsBatteryAndLinkState) {
  enum Source { kReceiver, kCable, kBle };
  // The source; the power value (level high, state low: 1 battery, 2 charged, 3 charging); the
  // label, the bar (-1: never set); the animation, online, blocked, the sleep label shown.
  const std::tuple<Source, std::uint16_t, const char*, int, bool, bool, bool, bool> rows[] = {
      {kReceiver, 0x3902, "57%", 57, false, true, false, false},
      {kReceiver, 0xFF01, "100%", 100, false, true, false, false},  // level over 100: full bar
      {kReceiver, 0x2003, "key:charging_text", -1, true, true, false, false},
      {kCable, 0x5001, "key:charging_text", -1, true, false, true, true},
      {kCable, 0x6402, "100%", 100, false, false, true, true},
      {kBle, 0x3901, "57%", 57, false, false, true, true},
      {kBle, 0x2003, "key:charging_text", -1, true, false, true, true},
      {kBle, 0xC801, "", -1, false, false, true, true},  // level over 100: nothing shown
  };
  for (const auto& [source, value, label, bar, animating, online, blocked, asleep_shown] : rows) {
    SCOPED_TRACE(::testing::Message() << source << " " << std::hex << value);
    fakes::DeviceRig rig;
    rig.links.apply_blocked = 1;
    rig.controls.SetVisible("ms_1_sleep_label", true);
    if (source == kCable) {
      rig.links.wired_state = kLinkConnected;
      rig.links.wireless_online = 1;
    } else if (source == kReceiver) {
      rig.links.wireless_state = kLinkConnected;
    }
    if (source == kBle) {
      OnBleNotification(rig.ctx, std::vector<std::uint8_t>{0x10, 0x40, std::uint8_t(value),
                                                           std::uint8_t(value >> 8)});
    } else {
      DecodeLinkStatus(rig.ctx, MakeStatusWord(kEventPower, value));
    }
    EXPECT_LE(rig.controls.ValueHistory("ms_1_progress_power").size(), 1u) << "straight there";
    EXPECT_EQ(
        std::tuple(rig.controls.Text("ms_1_label_power"), rig.controls.Value("ms_1_progress_power"),
                   rig.timers.Running(kTimerChargeAnimation), rig.links.wireless_online == 1,
                   rig.links.apply_blocked == 1, rig.controls.IsVisible("ms_1_sleep_label"),
                   rig.timers.Running(kTimerReceiverWatchdog)),
        std::tuple(label, bar, animating, online, blocked, asleep_shown, source == kReceiver));
  }
}

// The bar follows the clock from its start at 0, a fifth per step, 100 and then 0, never more; a
// tick after a long gap (the window was hidden) shows where the bar would be by now. The mouse's
// repeated charging events leave the timer's ticks alone.
TEST_F(StatusDecoderTest, ChargeBarFollowsTheClockFromItsStart) {
  rig.clock.SleepFor(5000);
  rig.links.wired_state = kLinkConnected;
  ShowChargingFromZero(rig.ctx);
  const int step = kChargeAnimationMs;
  for (const int ms : {step - 1, 1, 4 * step - 1, 1, step, 3 * step}) {
    rig.clock.SleepFor(ms);
    OnChargeAnimationTimer(rig.ctx);
  }
  EXPECT_EQ(rig.controls.ValueHistory("ms_1_progress_power"),
            (std::vector{0, 0, 20, 80, 100, 0, 60}));
  Decode(kEventPower, 0x5003);
  Decode(kEventPower, 0x5003);
  EXPECT_EQ(rig.timers.Calls(),
            std::vector<std::string>{"start 515 " + std::to_string(kChargeAnimationMs)});
}

TEST_F(StatusDecoderTest, WatchdogPutsTheReceiversMouseToSleepUnlessAnotherLinkHasIt) {
  Decode(kEventPower, 0x3901);
  OnReceiverWatchdogTimer(rig.ctx);
  EXPECT_EQ(std::tuple(int(rig.links.wireless_online), rig.controls.IsVisible("ms_1_wireless"),
                       rig.timers.Running(kTimerReceiverWatchdog),
                       rig.controls.IsVisible("ms_1_sleep_label")),
            std::tuple(0, false, false, true));

  rig.controls.SetVisible("ms_1_sleep_label", false);
  rig.links.ble_present = 1;
  OnReceiverWatchdogTimer(rig.ctx);
  EXPECT_FALSE(rig.controls.IsVisible("ms_1_sleep_label"));
}

TEST_F(StatusDecoderTest, SectionsFollowTheLightModeAndTheLink) {
  const auto panels = [&](int mode) {
    rig.session.WithCurrent([&](ProfileRecord& record) { record.light_mode = mode; });
    RefreshLinkSections(rig.ctx);
    return std::string(rig.controls.IsVisible("ms_1_ver_brightness") ? "B" : "") +
           (rig.controls.IsVisible("ms_1_ver_breathspeed") ? "S" : "") +
           (rig.controls.IsVisible("ms_1_hor_light_color") ? "C" : "");
  };
  EXPECT_EQ(panels(1) + panels(2) + panels(3) + panels(11), "BCSCSS");
  EXPECT_EQ(panels(0) + panels(12), "");
  for (const std::string& call : rig.controls.Calls()) {  // no link: check boxes left alone
    EXPECT_EQ(call.find("check"), std::string::npos) << call;
  }

  rig.links.ble_present = 1;
  rig.controls.SetChecked("ms_1_check_prate", true);
  rig.controls.SetVisible("ms_1_ver_prate", true);
  RefreshLinkSections(rig.ctx);
  EXPECT_EQ(std::tuple(rig.controls.Checked("ms_1_check_prate"),
                       rig.controls.IsVisible("ms_1_check_key_debounce"),
                       rig.controls.IsVisible("ms_1_ver_prate")),
            std::tuple(false, false, false));

  rig.links.wireless_state = kLinkConnected;  // the receiver alone is not enough
  RefreshLinkSections(rig.ctx);
  EXPECT_FALSE(rig.controls.IsVisible("ms_1_check_prate"));
  rig.links.wireless_online = 1;
  RefreshLinkSections(rig.ctx);
  EXPECT_TRUE(rig.controls.IsVisible("ms_1_check_prate"));
}

// The notification thread and the user-interface thread change the profile at the same time;
// meant for the thread sanitizer as well.
TEST_F(StatusDecoderTest, NotificationsRaceSafelyWithLibraryStatusWords) {
  std::thread bluetooth([&] {
    for (int i = 0; i < 20; ++i) {
      OnBleNotification(rig.ctx, std::vector<std::uint8_t>{0x10, 0x10, std::uint8_t(1 + i % 8), 0});
    }
  });
  for (int i = 0; i < 20; ++i) Decode(kEventLightMode, 0x10);
  bluetooth.join();
  EXPECT_EQ(rig.session.CurrentSnapshot().dpi_step, 19 % 8);
  EXPECT_EQ(rig.session.CurrentSnapshot().light_mode, 1);
  EXPECT_EQ(rig.poster.Count(kMsgDpiStageChanged), 20);
}

}  // namespace
}  // namespace melko
