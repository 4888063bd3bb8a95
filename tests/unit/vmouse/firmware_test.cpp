#include <gtest/gtest.h>

#include "unit/vmouse/vmouse_test_support.h"

namespace melko::vmouse {
namespace {

using test::FromHex;
using test::TestMouse;
using Event = std::pair<std::uint16_t, std::uint16_t>;

// Without power or button events, every event these tests see over the receiver is an answer.
TEST(AcknowledgementTest, EveryReportOverTheReceiverOnlyIsAcknowledged) {
  TestMouse mouse;
  mouse.Send(Link::kWired, test::kDefaultLight);
  mouse.Send(Link::kBle, test::kDefaultLight);
  EXPECT_TRUE(mouse.events.empty());
  mouse.Send(Link::kWireless, test::kDefaultLight);
  mouse.Send(Link::kWireless, test::kDefaultLight);
  EXPECT_EQ(mouse.events, (std::vector<Event>{{kEventAck, 0x0500}, {kEventAck, 0x0500}}));

  // A rejected frame gets an answer whose low byte is not 0, which keeps the host repeating.
  mouse.events.clear();
  mouse.Send(Link::kWireless, "05 0F 01");
  ASSERT_EQ(mouse.events.size(), 1u);
  EXPECT_NE(mouse.events[0].second & 0xFF, 0);
}

TEST(AcknowledgementTest, MacroIsAcknowledgedOnceWhole) {
  TestMouse mouse;
  test::Frame macro(131, 0);
  macro[0] = 0x09, macro[1] = 0x83, macro[2] = 1, macro[7] = 1;
  test::SetChecksum(macro, 129);
  const auto chunks = test::MacroChunks(macro, true);
  mouse.Send(Link::kWireless, chunks[0]);
  mouse.Send(Link::kWireless, chunks[1]);
  EXPECT_TRUE(mouse.events.empty());
  mouse.Send(Link::kWireless, chunks[2]);
  EXPECT_EQ(mouse.events, (std::vector<Event>{{kEventAck, 0x0900}}));
}

TEST(AcknowledgementTest, NeverAndAfterCopies) {
  TestMouse silent;
  silent.firmware.SetAckPolicy({AckMode::kNever, 1});
  silent.Send(Link::kWireless, test::kDefaultRate);
  silent.Send(Link::kWireless, "FF");
  EXPECT_TRUE(silent.events.empty());
  EXPECT_TRUE(silent.firmware.log()[0].valid);

  TestMouse lossy;
  lossy.firmware.SetAckPolicy({AckMode::kAfterCopies, 3});
  lossy.Send(Link::kWireless, test::kDefaultRate);
  lossy.Send(Link::kWireless, test::kDefaultRate);
  EXPECT_TRUE(lossy.events.empty());
  lossy.Send(Link::kWireless, test::kDefaultRate);
  EXPECT_EQ(lossy.events.size(), 1u);
  // The next send needs three copies again; a different report starts the count over.
  lossy.Send(Link::kWireless, test::kDefaultRate);
  lossy.Send(Link::kWireless, test::kDefaultRate);
  lossy.Send(Link::kWireless, test::kDefaultLight);
  lossy.Send(Link::kWireless, test::kDefaultLight);
  EXPECT_EQ(lossy.events.size(), 1u);
  lossy.Send(Link::kWireless, test::kDefaultLight);
  EXPECT_EQ(lossy.events.back(), (Event{kEventAck, 0x0500}));
}

TEST(FirmwareButtonsTest, DpiButtonCyclesOverEnabledStagesWithAValue) {
  TestMouse mouse;  // factory: stages 1 to 7 on, stage 2 current
  std::vector<std::uint16_t> stages;
  for (int i = 0; i < 7; ++i) {
    mouse.firmware.PressDpiButton();
    stages.push_back(mouse.events.back().second);
    EXPECT_EQ(mouse.events.back().first, kEventDpiStage);
  }
  EXPECT_EQ(stages, (std::vector<std::uint16_t>{3, 4, 5, 6, 7, 1, 2}));

  // Only stages 2 and 5 on, and stage 8 on but unset: 5, 2, 5.
  test::Frame dpi = FromHex(test::kDefaultDpi);
  dpi[5] = 0x92;
  test::SetChecksum(dpi, 50);
  ASSERT_TRUE(mouse.Send(Link::kWired, dpi).valid);
  mouse.events.clear();
  for (int i = 0; i < 3; ++i) mouse.firmware.PressDpiButton();
  EXPECT_EQ(mouse.events,
            (std::vector<Event>{{kEventDpiStage, 5}, {kEventDpiStage, 2}, {kEventDpiStage, 5}}));
  EXPECT_EQ(mouse.firmware.settings().current_stage, 5);
}

TEST(FirmwareButtonsTest, DirectChangesEmitTheirEventsAndRefuseBadValues) {
  TestMouse mouse;
  EXPECT_TRUE(mouse.firmware.SetStage(8));
  EXPECT_FALSE(mouse.firmware.SetStage(0));
  EXPECT_FALSE(mouse.firmware.SetStage(9));
  EXPECT_TRUE(mouse.firmware.SetRateCode(4));
  EXPECT_FALSE(mouse.firmware.SetRateCode(3));
  EXPECT_TRUE(mouse.firmware.SetLightMode(11));
  mouse.firmware.PressLightButton();
  EXPECT_EQ(mouse.events, (std::vector<Event>{{kEventDpiStage, 8},
                                              {kEventPollingRate, 4},
                                              {kEventLightMode, 0xB0},
                                              {kEventLightMode, 0x00}}));
  EXPECT_EQ(mouse.firmware.settings().rate_code, 4);
  EXPECT_EQ(mouse.firmware.settings().light_mode, 0);
}

TEST(FirmwarePowerTest, TickSendsPowerEveryTwoSecondsWhileAwake) {
  TestMouse mouse;
  mouse.firmware.SetPower(57, PowerSource::kBattery);
  mouse.now = 2000;
  mouse.firmware.Tick();
  mouse.now = 3999;
  mouse.firmware.Tick();
  mouse.firmware.Tick(4000);
  EXPECT_EQ(mouse.events, (std::vector<Event>(3, {kEventPower, 0x3901})));

  mouse.firmware.Sleep();
  mouse.firmware.Tick(10000);
  EXPECT_EQ(mouse.events.size(), 3u);
  mouse.now = 10500;
  mouse.firmware.PressDpiButton();  // wakes it: power first, then the stage
  ASSERT_EQ(mouse.events.size(), 5u);
  EXPECT_EQ(mouse.events[3].first, kEventPower);
  EXPECT_EQ(mouse.events[4].first, kEventDpiStage);
  mouse.firmware.Tick(12499);
  EXPECT_EQ(mouse.events.size(), 5u);
}

TEST(FirmwarePowerTest, SleepingMouseIsUnreachableThroughTheReceiverOnly) {
  TestMouse mouse;
  mouse.firmware.Sleep();
  const WriteRecord r = mouse.Send(Link::kWireless, "06 09 01 08 F7 00 00 00 00");
  EXPECT_FALSE(r.valid);
  EXPECT_NE(r.reason.find("asleep"), std::string::npos);
  EXPECT_TRUE(mouse.events.empty());  // not acknowledged
  EXPECT_EQ(mouse.firmware.settings().rate_code, 1);
  EXPECT_TRUE(mouse.Send(Link::kWired, "06 09 01 08 F7 00 00 00 00").valid);
  EXPECT_EQ(mouse.firmware.settings().rate_code, 8);
  EXPECT_TRUE(mouse.firmware.asleep());
}

TEST(FirmwareLogTest, EveryWriteIsLoggedWithItsTimeAndLink) {
  TestMouse mouse;
  std::vector<WriteRecord> heard;
  mouse.firmware.SetWriteListener([&](const WriteRecord& r) { heard.push_back(r); });
  mouse.now = 1234;
  mouse.Send(Link::kBle, test::kDefaultLight);
  mouse.firmware.Receive(Link::kWired, FromHex(test::kDefaultRate), 99);
  ASSERT_EQ(heard.size(), 2u);
  EXPECT_EQ(heard[0].t_ms, 1234);
  EXPECT_EQ(heard[0].link, Link::kBle);
  EXPECT_EQ(heard[0].bytes, FromHex(test::kDefaultLight));
  EXPECT_EQ(heard[1].t_ms, 99);
  EXPECT_EQ(mouse.firmware.log().size(), 2u);
}

}  // namespace
}  // namespace melko::vmouse
