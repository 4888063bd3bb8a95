// The firmware model on a clock the test moves: acknowledgements, the mouse's buttons, power and
// sleep, how status values are packed, and the JSON of the write log.
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
// How often a report is repeated for want of an answer is run by the integration tests.
TEST(AcknowledgementTest, OverTheReceiverOnlyOncePerReport) {
  TestMouse mouse;
  mouse.Send(Link::kWired, test::kDefaultLight);
  mouse.Send(Link::kBle, test::kDefaultLight);
  mouse.Send(Link::kWireless, test::kDefaultLight);
  // A rejected frame gets an answer whose low byte is not 0, which keeps the host repeating.
  mouse.Send(Link::kWireless, "05 0F 01");
  // A macro is acknowledged once, when its last chunk is in.
  test::Frame macro(131, 0);
  macro[0] = 0x09, macro[1] = 0x83, macro[2] = 1, macro[7] = 1;
  test::SetChecksum(macro, 129);
  for (const test::Frame& chunk : test::MacroChunks(macro, true)) {
    mouse.Send(Link::kWireless, chunk);
  }
  EXPECT_EQ(mouse.events, (Events{{kEventAck, 0x0500}, {kEventAck, 0x0501}, {kEventAck, 0x0900}}));
}

TEST(FirmwareButtonsTest, StagesRateAndLightWithTheirEvents) {
  TestMouse mouse;  // factory: stages 1 to 7 on, stage 2 current
  auto press = [&](int times) {
    mouse.events.clear();
    for (int i = 0; i < times; ++i) mouse.firmware.PressDpiButton();
    return mouse.events;
  };
  const auto stages = [](std::initializer_list<std::uint16_t> values) {
    Events events;
    for (std::uint16_t value : values) events.emplace_back(kEventDpiStage, value);
    return events;
  };
  EXPECT_EQ(press(7), stages({3, 4, 5, 6, 7, 1, 2}));
  // Only stages 2 and 5 on, and stage 8 on but unset: 5, 2, 5.
  test::Frame dpi = FromHex(test::kDefaultDpi);
  dpi[5] = 0x92;
  test::SetChecksum(dpi, 50);
  ASSERT_TRUE(mouse.Send(Link::kWired, dpi).valid);
  EXPECT_EQ(press(3), stages({5, 2, 5}));
  EXPECT_EQ(mouse.firmware.settings().current_stage, 5);

  mouse.events.clear();
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
}

TEST(FirmwarePowerTest, PowerEveryTwoSecondsWhileAwakeAndTheReceiverOnlyWhileAwake) {
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
  // Asleep, the mouse does not hear the receiver: the write is logged as refused, not answered.
  const WriteRecord unheard = mouse.Send(Link::kWireless, "06 09 01 08 F7 00 00 00 00");
  EXPECT_FALSE(unheard.valid);
  EXPECT_NE(unheard.reason.find("asleep"), std::string::npos);
  EXPECT_EQ(mouse.events.size(), 3u);
  EXPECT_TRUE(mouse.Send(Link::kWired, "06 09 01 08 F7 00 00 00 00").valid);
  EXPECT_EQ(mouse.firmware.settings().rate_code, 8);
  EXPECT_TRUE(mouse.firmware.asleep());

  mouse.now = 10500;
  mouse.firmware.PressDpiButton();  // wakes it: power first, then the stage
  ASSERT_EQ(mouse.events.size(), 5u);
  EXPECT_EQ(mouse.events[3].first, kEventPower);
  EXPECT_EQ(mouse.events[4].first, kEventDpiStage);
  mouse.firmware.Tick(12499);
  EXPECT_EQ(mouse.events.size(), 5u);
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

// The write log's lines, which the integration tests read.
TEST(JsonTest, StringsAndLogLines) {
  EXPECT_EQ(JsonString("a\"b\\c"), "\"a\\\"b\\\\c\"");
  EXPECT_EQ(JsonString("\n\t\x01\x7f"), "\"\\n\\t\\u0001\\u007f\"");
  EXPECT_EQ(JsonString("d\xc3\xa9j\xc3\xa0"), "\"d\xc3\xa9j\xc3\xa0\"");  // UTF-8 kept
  EXPECT_EQ(JsonString(std::string_view("a\0b", 3)), "\"a\\u0000b\"");
  EXPECT_EQ(
      WriteRecordToJson({1500, Link::kWireless, {0x06, 0x09, 0xAB}, false, "say \"no\""}),
      R"({"t_ms":1500,"link":"wireless","hex":"0609ab","valid":false,"reason":"say \"no\""})");
}

}  // namespace
}  // namespace melko::vmouse
