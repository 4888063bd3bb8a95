// The settings reports byte for byte: the default profile's reports, the sensor codes, the button
// codes, and how each field is packed, edge values included.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <sstream>

#include "protocol/button_codes.h"
#include "protocol/dpi_code.h"
#include "protocol/settings_reports.h"
#include "report_bytes.h"

namespace melko {
namespace {

using test::Hex;

std::vector<std::uint8_t> Bytes(const Report& report, std::size_t from, std::size_t count) {
  return std::vector<std::uint8_t>(report.begin() + from, report.begin() + from + count);
}

TEST(SettingsReportsTest, DefaultsGiveTheKnownReports) {
  const ProfileRecord record = test::DefaultRecord();
  const std::pair<Report, std::string_view> reports[] = {
      {BuildResetReport(), "0C 0A 01 FE 01 FE 00 00 00 00"},
      {BuildDpiReport(record),
       "04 38 01 00 01 7F 00 00 12 25 38 4B 70 A9 8D 00 00 00 00 00 00 00 01 00 02 FF 00 00 00 FF "
       "00 00 00 FF 00 FF FF FF FF 00 FF 00 FF FF FF FF FF FF FF 01 11 D5 00 00 00 00"},
      {BuildLightReport(record), "05 0F 01 00 03 A8 00 00 FF 01 04 01 AF 00 00"},
      {BuildRateReport(record), "06 09 01 01 FE 00 00 00 00"},
      {BuildButtonsReport(record),
       "08 3B 01 02 00 00 03 00 00 04 00 00 0D 00 00 3C 00 00 0D 00 00 06 00 00 05 00 00 3C 00 00 "
       "01 00 00 01 00 00 01 00 00 01 00 00 01 00 00 01 00 00 01 00 00 0A 00 00 09 00 00 00 C0"},
  };
  for (const auto& [report, expected] : reports) EXPECT_EQ(report, Hex(expected)) << expected;
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

  const std::pair<int, int> kExamples[] = {
      {6, 6},     {7, 8},     {16, 18},   {32, 37},   {48, 56}, {64, 75}, {96, 112}, {100, 117},
      {144, 169}, {200, 235}, {201, 118}, {220, 141}, {0, 0},   {221, 0}, {-1, 0}};
  for (auto [value, code] : kExamples) EXPECT_EQ(DpiCode(value), code) << value;
}

TEST(SettingsReportsTest, DpiReportWithUnsetAndOutOfRangeStages) {
  ProfileRecord record = test::DefaultRecord();
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
  EXPECT_EQ(Bytes(report, 25, 3), Hex("FF 00 00"));
  EXPECT_EQ(report[24], 8);
  EXPECT_TRUE(test::ChecksumHolds(report, 50));
}

TEST(SettingsReportsTest, LightPacksModeTimersAndBrightness) {
  ProfileRecord record = test::DefaultRecord();
  record.light_mode = 1;  // brightness is sent only for modes 1 and 9
  record.brightness = 5;
  record.sleep_timer = 0x3C;
  record.breathspeed = 2;
  record.light_color = MakeColour(0x12, 0x34, 0x56);
  const Report report = BuildLightReport(record);
  EXPECT_EQ(Bytes(report, 3, 6), Hex("10 37 C5 12 34 56"));
  EXPECT_TRUE(test::ChecksumHolds(report, 11));

  record.light_mode = 9;
  EXPECT_EQ(BuildLightReport(record)[5], 0xC5);
  record.light_mode = 2;
  EXPECT_EQ(BuildLightReport(record)[5], 0xC8);
}

TEST(SettingsReportsTest, RateCodesAndComplement) {
  ProfileRecord record = test::DefaultRecord();
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
  ASSERT_EQ(actual.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i)
    EXPECT_EQ(actual[i], expected[i]) << "row " << i;
}

TEST(ButtonCodesTest, ShortcutsMacrosAndCodesWithoutARow) {
  ButtonAssignment button{};
  auto bytes_for = [&](int function, int slot = 0) {
    button.function = std::uint8_t(function);
    const ButtonBytes bytes = ButtonReportBytes(button, slot);
    return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
  };
  EXPECT_EQ(bytes_for(33), Hex("11 01 06"));  // a ready-made Ctrl+C
  EXPECT_EQ(bytes_for(18), Hex("00 00 00"));  // no row
  EXPECT_EQ(bytes_for(255), Hex("00 00 00"));
  button.shortcut_modifiers = 0x05;
  button.shortcut_key = 0x2C;
  EXPECT_EQ(bytes_for(16), Hex("11 05 2C"));
  EXPECT_EQ(bytes_for(17, 12), Hex("12 00 0D"));  // the macro's button number, slot + 1
  EXPECT_EQ(bytes_for(81), Hex("11 03 12"));      // a fixed combination ignores the stored one
}

TEST(SettingsReportsTest, ButtonsReportCarriesShortcutAndMacroSlots) {
  ProfileRecord record = test::DefaultRecord();
  record.buttons[3].function = kFunctionShortcut;
  record.buttons[3].shortcut_modifiers = 0x01;
  record.buttons[3].shortcut_key = 0x04;
  record.buttons[17].function = kFunctionMacro;
  record.buttons[18].function = 1;  // slots past the 18 buttons are never sent
  const Report report = BuildButtonsReport(record);
  ASSERT_EQ(report.size(), 59u);
  EXPECT_EQ(Bytes(report, 12, 3), Hex("11 01 04"));
  EXPECT_EQ(Bytes(report, 54, 3), Hex("12 00 12"));
  EXPECT_TRUE(test::ChecksumHolds(report, 57));
}

}  // namespace
}  // namespace melko
