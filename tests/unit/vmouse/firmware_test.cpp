// The firmware model on a clock the test moves: acknowledgements, the mouse's buttons, power and
// sleep, the write log, how status values are packed, and the JSON it is shown in.
#include <gtest/gtest.h>

#include "unit/vmouse/vmouse_test_support.h"
#include "vmouse/json.h"
#include "vmouse/status_events.h"

namespace melko::vmouse {
namespace {

using test::FromHex;
using test::TestMouse;
using Event = std::pair<std::uint16_t, std::uint16_t>;
using Events = std::vector<Event>;

// Without power or button events, every event these tests see over the receiver is an answer.
TEST(AcknowledgementTest, EveryReportOverTheReceiverOnlyIsAcknowledged) {
  TestMouse mouse;
  mouse.Send(Link::kWired, test::kDefaultLight);
  mouse.Send(Link::kBle, test::kDefaultLight);
  EXPECT_TRUE(mouse.events.empty());
  mouse.Send(Link::kWireless, test::kDefaultLight);
  mouse.Send(Link::kWireless, test::kDefaultLight);
  // A rejected frame gets an answer whose low byte is not 0, which keeps the host repeating.
  mouse.Send(Link::kWireless, "05 0F 01");
  EXPECT_EQ(mouse.events, (Events{{kEventAck, 0x0500}, {kEventAck, 0x0500}, {kEventAck, 0x0501}}));

  // A macro is acknowledged once, when its last chunk is in.
  mouse.events.clear();
  test::Frame macro(131, 0);
  macro[0] = 0x09, macro[1] = 0x83, macro[2] = 1, macro[7] = 1;
  test::SetChecksum(macro, 129);
  for (const test::Frame& chunk : test::MacroChunks(macro, true))
    mouse.Send(Link::kWireless, chunk);
  EXPECT_EQ(mouse.events, (Events{{kEventAck, 0x0900}}));
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
  auto press = [&](int times) {
    mouse.events.clear();
    std::vector<int> stages;
    for (int i = 0; i < times; ++i) {
      mouse.firmware.PressDpiButton();
      EXPECT_EQ(mouse.events.back().first, kEventDpiStage);
      stages.push_back(mouse.events.back().second);
    }
    return stages;
  };
  EXPECT_EQ(press(7), (std::vector<int>{3, 4, 5, 6, 7, 1, 2}));
  // Only stages 2 and 5 on, and stage 8 on but unset: 5, 2, 5.
  test::Frame dpi = FromHex(test::kDefaultDpi);
  dpi[5] = 0x92;
  test::SetChecksum(dpi, 50);
  ASSERT_TRUE(mouse.Send(Link::kWired, dpi).valid);
  EXPECT_EQ(press(3), (std::vector<int>{5, 2, 5}));
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
  EXPECT_EQ(mouse.events, (Events{{kEventDpiStage, 8},
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
  EXPECT_EQ(mouse.events, (Events(3, {kEventPower, 0x3901})));

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

TEST(StatusEventsTest, ValuesAndTheWaysAnEventTravels) {
  // Power: level high (limited to 0..100; always 100 when charged), state low: 1 on battery,
  // 2 charged, 3 charging.
  const std::tuple<int, PowerSource, std::uint16_t> power[] = {
      {57, PowerSource::kBattery, 0x3901},  {0, PowerSource::kBattery, 0x0001},
      {100, PowerSource::kBattery, 0x6401}, {250, PowerSource::kBattery, 0x6401},
      {-5, PowerSource::kBattery, 0x0001},  {40, PowerSource::kCharging, 0x2803},
      {57, PowerSource::kCharged, 0x6402}};
  for (const auto& [level, source, value] : power) {
    EXPECT_EQ(PowerValue(level, source), value) << level << " " << int(source);
  }
  EXPECT_EQ(AckValue(0x05, kAckReceived), 0x0500);
  EXPECT_EQ(AckValue(0x05, kAckRejected), 0x0501);
  EXPECT_EQ(LightModeValue(11), 0xB0);
  EXPECT_EQ(StatusWord(kEventPower, 0x3901), 0x40103901u);
  EXPECT_EQ(BleNotification(kEventPower, 0x3901),
            (std::array<std::uint8_t, 4>{0x10, 0x40, 0x01, 0x39}));
}

TEST(JsonTest, StringsLogLinesAndState) {
  EXPECT_EQ(JsonString("a\"b\\c"), "\"a\\\"b\\\\c\"");
  EXPECT_EQ(JsonString("\n\t\x01\x7f"), "\"\\n\\t\\u0001\\u007f\"");
  EXPECT_EQ(JsonString("d\xc3\xa9j\xc3\xa0"), "\"d\xc3\xa9j\xc3\xa0\"");  // UTF-8 kept
  EXPECT_EQ(JsonString(std::string_view("a\0b", 3)), "\"a\\u0000b\"");
  EXPECT_EQ(
      WriteRecordToJson({1500, Link::kWireless, {0x06, 0x09, 0xAB}, false, "say \"no\""}),
      R"({"t_ms":1500,"link":"wireless","hex":"0609ab","valid":false,"reason":"say \"no\""})");

  test::TestMouse mouse;
  test::Frame macro(131, 0);
  macro[0] = 0x09, macro[1] = 0x83, macro[2] = 18, macro[7] = 1, macro[28] = 2;
  macro[29] = 0x0B, macro[30] = 0x04, macro[31] = 0x8B, macro[32] = 0x04;
  test::SetChecksum(macro, 129);
  ASSERT_TRUE(mouse.Send(Link::kBle, macro).valid);
  mouse.firmware.SetPower(40, PowerSource::kCharging);
  const std::string json = FirmwareToJson(mouse.firmware);
  EXPECT_EQ(json.front(), '{');
  EXPECT_EQ(json.back(), '}');
  for (std::string_view part :
       {R"({"value":220,"dpi":12000,"high_range":true,"enabled":true,"color":"ffffff"})",
        R"("current_stage":2)", R"("color":"0000ff","light_off":1,"sleep_timer":10)",
        R"("rate_code":1,"buttons":["020000","030000",)",
        R"("macros":[{"button":18,"mode":0,"reserved":0,"repeat":1,)"
        R"("entries":[{"code":4,"action":"press","delay_ms":110},)"
        R"({"code":4,"action":"release","delay_ms":110}]}])",
        R"("power":{"level":40,"source":"charging"},"asleep":false})"}) {
    EXPECT_NE(json.find(part), std::string::npos) << part;
  }
}

}  // namespace
}  // namespace melko::vmouse
