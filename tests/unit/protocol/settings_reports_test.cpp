// The default profile's reports are checked whole by the integration test.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <sstream>

#include "profiles/profile_store.h"
#include "protocol/button_codes.h"
#include "protocol/dpi_code.h"
#include "protocol/settings_reports.h"
#include "support/report_bytes.h"

namespace melko {
namespace {

using test::Hex;

std::vector<std::uint8_t> Bytes(const Report& report, std::size_t from, std::size_t count) {
  return std::vector<std::uint8_t>(report.begin() + from, report.begin() + from + count);
}

TEST(DpiCodeTest, FollowsTheSensorSequence) {
  // 1..235 without the codes the sensor skips; values 201..220 reuse the codes of 101..120.
  constexpr std::array kSkipped = {7,   13,  20,  26,  33,  40,  46,  53,  60,  66,  73,  80,
                                   86,  93,  100, 106, 113, 120, 126, 133, 140, 146, 153, 160,
                                   166, 173, 180, 186, 193, 200, 206, 213, 220, 226, 233};
  std::vector<int> sequence;
  for (int n = 1; n <= 235; ++n) {
    if (std::find(kSkipped.begin(), kSkipped.end(), n) == kSkipped.end()) sequence.push_back(n);
  }
  ASSERT_EQ(sequence.size(), 200u);
  for (int v = 1; v <= 200; ++v) EXPECT_EQ(DpiCode(v), sequence[std::size_t(v - 1)]) << v;
  for (int v = 201; v <= 220; ++v) EXPECT_EQ(DpiCode(v), sequence[std::size_t(v - 101)]) << v;
  for (int outside : {0, 221, -1}) EXPECT_EQ(DpiCode(outside), 0) << outside;
}

TEST(SettingsReportsTest, DpiReportWithUnsetAndOutOfRangeStages) {
  ProfileRecord record = *MakeDefaultProfile(u"P");
  record.dpi_value[0] = 0;    // unset: no code, no range flag, colour still sent
  record.dpi_value[1] = 500;  // from a damaged file: sent as 220
  record.dpi_value[2] = -7;   // from a damaged file: sent as unset
  record.dpi_value[3] = 200;  // the last value without the range flag
  record.dpi_enable[4] = 2;   // only 1 switches a stage on
  record.angle_snap = 1;
  record.dpi_step = 7;
  const Report report = BuildDpiReport(record);
  EXPECT_EQ(report[3], 1);
  EXPECT_EQ(report[5], 0x6F);
  EXPECT_EQ(Bytes(report, 8, 4), Hex("00 8D 00 EB"));
  EXPECT_EQ(Bytes(report, 16, 4), Hex("00 01 00 00"));
  EXPECT_EQ(Bytes(report, 24, 4), Hex("08 FF 00 00"));
  EXPECT_TRUE(test::ChecksumHolds(report, 50));
}

TEST(SettingsReportsTest, LightPacksModeTimersAndBrightness) {
  ProfileRecord record = *MakeDefaultProfile(u"P");
  record.light_mode = 1;  // brightness goes only with modes 1 and 9 (else 8: the default profile)
  record.brightness = 5;
  record.sleep_timer = 0x3C;
  record.breathspeed = 2;
  record.light_color = MakeColour(0x12, 0x34, 0x56);
  const Report report = BuildLightReport(record);
  EXPECT_EQ(Bytes(report, 3, 6), Hex("10 37 C5 12 34 56"));
  EXPECT_TRUE(test::ChecksumHolds(report, 11));

  record.light_mode = 9;
  EXPECT_EQ(BuildLightReport(record)[5], 0xC5);
}

TEST(SettingsReportsTest, RateCodesAndComplement) {
  ProfileRecord record = *MakeDefaultProfile(u"P");
  const std::pair<int, const char*> kRates[] = {{0, "08 F7"}, {1, "04 FB"}, {2, "02 FD"},
                                                {3, "01 FE"}, {4, "02 FD"}, {-1, "02 FD"}};
  for (auto [prate, bytes] : kRates) {
    record.prate = prate;
    EXPECT_EQ(Bytes(BuildRateReport(record), 3, 2), Hex(bytes)) << prate;
  }
}

// The mouse's button table, row by row in its order: function code, then the three bytes.
constexpr std::string_view kButtonCodeRows =
    "0:010000 1:020000 2:030000 3:040000 4:060000 5:050000 9:070000 10:080000 11:090000 "
    "12:0a0000 13:0b0000 14:0c0000 6:0d0000 7:0e0000 8:0f0000 16:110000 17:120000 19:130000 "
    "115:140000 21:2b0000 22:100003 23:290003 121:3c0000 54:340000 55:350000 56:360000 64:150000 "
    "67:160000 68:170000 65:180000 66:190000 71:1a0000 69:1b0000 70:1c0000 88:1d0000 87:1e0000 "
    "81:110312 82:200000 83:210000 84:220000 89:230000 85:240000 80:250000 86:260000 32:11011b "
    "33:110106 34:110119 35:110112 47:110111 36:110116 41:110113 37:110109 38:11011c 39:11011d "
    "48:11012e 49:11012d 40:110104 43:11042b 44:110807 42:11043d 45:110815 46:11080f 50:110a16";

TEST(ButtonCodesTest, EveryRowOfTheTable) {
  std::vector<std::string> expected, actual;
  std::istringstream rows{std::string(kButtonCodeRows)};
  for (std::string row; rows >> row;) expected.push_back(row);
  for (const ButtonFunctionCode& row : ButtonFunctionCodes()) {
    char text[16];
    std::snprintf(text, sizeof text, "%d:%02x%02x%02x", row.function, row.bytes[0], row.bytes[1],
                  row.bytes[2]);
    actual.push_back(text);
  }
  EXPECT_EQ(actual, expected);
}

// Each button's three bytes: zeros for a code without a row, the stored shortcut, its row of the
// table (a fixed combination whatever is stored), the macro's button number (slot + 1); slots past
// the 18 buttons are never sent. The default profile's rows: the integration test.
TEST(SettingsReportsTest, ButtonsReportCarriesEachButtonsBytes) {
  ProfileRecord record = *MakeDefaultProfile(u"P");
  const std::pair<std::uint8_t, const char*> slots[] = {
      {255, "00 00 00"}, {kFunctionShortcut, "11 05 2C"}, {81, "11 03 12"}};
  for (std::size_t slot = 0; slot < std::size(slots); ++slot) {
    record.buttons[slot].function = slots[slot].first;
    record.buttons[slot].shortcut_modifiers = 0x05;
    record.buttons[slot].shortcut_key = 0x2C;
  }
  record.buttons[12].function = kFunctionMacro;
  record.buttons[17].function = kFunctionMacro;
  record.buttons[18].function = 1;
  const Report report = BuildButtonsReport(record);
  ASSERT_EQ(report.size(), 59u);
  for (std::size_t slot = 0; slot < std::size(slots); ++slot) {
    EXPECT_EQ(Bytes(report, 3 + 3 * slot, 3), Hex(slots[slot].second)) << slot;
  }
  EXPECT_EQ(Bytes(report, 39, 3), Hex("12 00 0D"));
  EXPECT_EQ(Bytes(report, 54, 3), Hex("12 00 12"));
  EXPECT_TRUE(test::ChecksumHolds(report, 57));
}

}  // namespace
}  // namespace melko
