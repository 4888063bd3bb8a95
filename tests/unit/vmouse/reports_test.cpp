#include <gtest/gtest.h>

#include <random>

#include "unit/vmouse/vmouse_test_support.h"
#include "vmouse/dpi_code.h"

namespace melko::vmouse {
namespace {

using test::FromHex;
using test::SetChecksum;
using test::TestMouse;

// A valid DPI report unlike the defaults.
test::Frame OtherDpiReport() {
  test::Frame r = FromHex(test::kDefaultDpi);
  r[5] = 0x12;            // stages 2 and 5 on
  r[8] = 118, r[16] = 1;  // stage 1: 201 with the range flag
  r[14] = 0, r[22] = 0;   // stage 7 unset
  r[24] = 5;
  SetChecksum(r, 50);
  return r;
}

TEST(DpiCodeTest, TableMatchesTheWorkedValuesAndInvertsExactly) {
  const std::pair<int, int> worked[] = {{1, 1},     {6, 6},     {7, 8},    {16, 18},   {32, 37},
                                        {48, 56},   {64, 75},   {96, 112}, {100, 117}, {144, 169},
                                        {200, 235}, {201, 118}, {220, 141}};
  for (auto [value, code] : worked) EXPECT_EQ(DpiCode(value), code) << value;
  EXPECT_EQ(DpiCode(0), 0);
  EXPECT_EQ(DpiCode(221), 0);
  for (int v = 1; v <= 200; ++v) EXPECT_EQ(StageValueOfCode(DpiCode(v)), v);
  for (int skipped : {7, 13, 100, 233, 236, 255}) EXPECT_EQ(StageValueOfCode(skipped), 0);
}

TEST(SettingsReportsTest, DefaultReportsAreAcceptedAndDecodeToTheDefaults) {
  for (Link link : {Link::kWired, Link::kWireless, Link::kBle}) {
    TestMouse mouse;
    ASSERT_TRUE(mouse.Send(link, OtherDpiReport()).valid);
    ASSERT_TRUE(mouse.firmware.SetLightMode(5));
    ASSERT_NE(mouse.firmware.settings(), FactorySettings());

    EXPECT_TRUE(mouse.Send(link, test::kDefaultDpi).valid);
    EXPECT_TRUE(mouse.Send(link, test::kDefaultLight).valid);
    if (link != Link::kBle) {
      EXPECT_TRUE(mouse.Send(link, test::kDefaultRate).valid);
    }
    EXPECT_TRUE(mouse.Send(link, test::kDefaultButtons).valid);

    const Settings& s = mouse.firmware.settings();
    const int values[] = {16, 32, 48, 64, 96, 144, 220, 0};
    for (int i = 0; i < kStageCount; ++i) {
      EXPECT_EQ(s.stages[i].value, values[i]) << i;
      EXPECT_EQ(s.stages[i].enabled, i < 7) << i;
    }
    EXPECT_TRUE(s.stages[6].high_range);
    EXPECT_EQ(s.current_stage, 2);
    EXPECT_EQ(s.breathspeed, 6);
    EXPECT_EQ(s.sleep_timer, 10);
    EXPECT_EQ(s.buttons[17], (ButtonEntry{0x09, 0, 0}));
    // The factory state and the default reports agree.
    EXPECT_EQ(s, FactorySettings());
  }
}

TEST(SettingsReportsTest, ResetRestoresTheFactoryState) {
  TestMouse mouse;
  ASSERT_TRUE(mouse.Send(Link::kWired, OtherDpiReport()).valid);
  EXPECT_EQ(mouse.firmware.settings().stages[0].value, 201);
  EXPECT_TRUE(mouse.Send(Link::kWired, test::kReset).valid);
  EXPECT_EQ(mouse.firmware.settings(), FactorySettings());
  EXPECT_FALSE(mouse.Send(Link::kWired, "0C 0A 01 FE 01 FF 00 00 00 00").valid);
}

TEST(SettingsReportsTest, LightReportCarriesBrightnessOnlyInModesOneAndNine) {
  TestMouse mouse;
  test::Frame light = FromHex("05 0F 01 90 25 B3 10 20 30 06 02 00 00 00 00");  // mode 9
  SetChecksum(light, 11);
  ASSERT_TRUE(mouse.Send(Link::kWired, light).valid);
  const Settings& s = mouse.firmware.settings();
  EXPECT_EQ(s.light_mode, 9);
  EXPECT_EQ(s.brightness, 3);
  EXPECT_EQ(s.breathspeed, 4);
  EXPECT_EQ(s.sleep_timer, 0x2B);  // high nibble from byte 4, low nibble from byte 5
  EXPECT_EQ(s.light_color, (Rgb{0x10, 0x20, 0x30}));

  light[3] = 0x30;  // mode 3 must carry 8, not a brightness
  SetChecksum(light, 11);
  const WriteRecord rejected = mouse.Send(Link::kWired, light);
  EXPECT_FALSE(rejected.valid);
  EXPECT_NE(rejected.reason.find("expected 8"), std::string::npos) << rejected.reason;
  EXPECT_EQ(mouse.firmware.settings().light_mode, 9);
}

struct BadFrame {
  const char* name;
  test::Frame frame;
  const char* reason_part;
};

TEST(SettingsReportsTest, MalformedFramesAreRejectedWithReasonAndChangeNothing) {
  auto edit = [](std::string_view hex, auto change) {
    test::Frame f = FromHex(hex);
    change(f);
    return f;
  };
  const BadFrame cases[] = {
      {"checksum", edit(test::kDefaultDpi, [](auto& f) { f[51] ^= 1; }), "checksum"},
      {"length byte", edit(test::kDefaultLight, [](auto& f) { f[1] = 0x10; }), "length byte"},
      {"frame size", edit(test::kDefaultRate, [](auto& f) { f.push_back(0); }), "frame of 10"},
      {"unknown ID", edit(test::kDefaultRate, [](auto& f) { f[0] = 0x07; }), "unknown report ID"},
      {"byte 2", edit(test::kDefaultButtons, [](auto& f) { f[2] = 2; }), "byte 2"},
      {"complement", edit(test::kDefaultRate, [](auto& f) { f[4] = 0xFF; }), "complement"},
      {"rate code", FromHex("06 09 01 03 FC 00 00 00 00"), "rate code"},
      {"padding", edit(test::kDefaultDpi, [](auto& f) { f[53] = 1; }), "byte 53"},
      {"sensor code", edit(test::kDefaultDpi, [](auto& f) { f[8] = 7, SetChecksum(f, 50); }),
       "not a sensor code"},
      {"range", edit(test::kDefaultDpi, [](auto& f) { f[16] = 1, SetChecksum(f, 50); }),
       "outside 10,100"},
      {"stage", edit(test::kDefaultDpi, [](auto& f) { f[24] = 9, SetChecksum(f, 50); }),
       "current stage"},
      {"macro entry", edit(test::kDefaultButtons, [](auto& f) { f[3] = 0x12, SetChecksum(f, 57); }),
       "macro entry"},
      {"empty", {}, "too short"},
      {"two bytes", FromHex("04 38"), "too short"},
  };
  for (Link link : {Link::kWired, Link::kWireless, Link::kBle}) {
    TestMouse mouse;
    for (const BadFrame& c : cases) {
      // Bluetooth LE refuses any rate report before looking at it.
      const bool rate_over_ble = link == Link::kBle && !c.frame.empty() && c.frame[0] == 0x06;
      const WriteRecord r = mouse.Send(link, c.frame);
      EXPECT_FALSE(r.valid) << c.name;
      EXPECT_NE(r.reason.find(rate_over_ble ? "Bluetooth LE" : c.reason_part), std::string::npos)
          << c.name << ": " << r.reason;
    }
    EXPECT_EQ(mouse.firmware.settings(), FactorySettings());
    EXPECT_EQ(mouse.firmware.log().size(), std::size(cases));
  }
}

TEST(SettingsReportsTest, RateReportIsRefusedOverBluetoothLe) {
  TestMouse mouse;
  EXPECT_FALSE(mouse.Send(Link::kBle, "06 09 01 08 F7 00 00 00 00").valid);
  EXPECT_TRUE(mouse.Send(Link::kWired, "06 09 01 08 F7 00 00 00 00").valid);
  EXPECT_EQ(mouse.firmware.settings().rate_code, 8);
}

TEST(SettingsReportsTest, DamagedFramesNeverCrashAndAlwaysGiveAReason) {
  std::mt19937 random(7);
  const test::Frame seeds[] = {FromHex(test::kDefaultDpi), FromHex(test::kDefaultLight),
                               FromHex(test::kDefaultButtons),
                               test::MacroChunks(test::Frame(131, 0x09), true)[2]};
  TestMouse mouse;
  for (int round = 0; round < 3000; ++round) {
    test::Frame frame = seeds[round % std::size(seeds)];
    frame.resize(random() % (frame.size() + 8));
    for (int flips = int(random() % 4); flips > 0 && !frame.empty(); --flips) {
      frame[random() % frame.size()] = std::uint8_t(random());
    }
    const WriteRecord r = mouse.Send(Link(round % 3), frame);
    EXPECT_EQ(r.valid, r.reason.empty()) << r.reason;
  }
}

}  // namespace
}  // namespace melko::vmouse
