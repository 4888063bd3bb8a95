#include <gtest/gtest.h>

#include <set>

#include "protocol/button_codes.h"
#include "protocol/settings_reports.h"
#include "report_bytes.h"

namespace melko {
namespace {

using test::Concat;
using test::Hex;

TEST(SettingsReportsTest, DefaultsGiveTheKnownReports) {
  const ProfileRecord record = test::DefaultRecord();
  EXPECT_EQ(BuildResetReport(), Hex("0C 0A 01 FE 01 FE 00 00 00 00"));
  EXPECT_EQ(BuildLightReport(record), Hex("05 0F 01 00 03 A8 00 00 FF 01 04 01 AF 00 00"));
  EXPECT_EQ(BuildRateReport(record), Hex("06 09 01 01 FE 00 00 00 00"));
  EXPECT_EQ(BuildButtonsReport(record),
            Concat({Hex("08 3B 01"), Hex("02 00 00 03 00 00 04 00 00 0D 00 00 3C 00 00"),
                    Hex("0D 00 00 06 00 00 05 00 00 3C 00 00"),
                    Hex("01 00 00 01 00 00 01 00 00 01 00 00 01 00 00 01 00 00 01 00 00"),
                    Hex("0A 00 00 09 00 00"), Hex("00 C0")}));
}

TEST(SettingsReportsTest, LightPacksModeTimersAndBrightness) {
  ProfileRecord record = test::DefaultRecord();
  record.light_mode = 1;  // brightness is sent only for modes 1 and 9
  record.brightness = 5;
  record.sleep_timer = 0x3C;
  record.breathspeed = 2;
  record.light_color = MakeColour(0x12, 0x34, 0x56);
  Report report = BuildLightReport(record);
  EXPECT_EQ(std::vector(report.begin() + 3, report.begin() + 9), Hex("10 37 C5 12 34 56"));
  EXPECT_EQ(test::StoredChecksum(report, 11), test::SumOf(report, 3, 10));

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
    const Report report = BuildRateReport(record);
    EXPECT_EQ(std::vector(report.begin() + 3, report.begin() + 5), Hex(bytes)) << prate;
  }
}

TEST(ButtonCodesTest, EntriesOfShortcutsMacrosAndUnknownCodes) {
  ButtonAssignment button{};
  auto bytes_for = [&](int function, int slot = 0) {
    button.function = std::uint8_t(function);
    const ButtonBytes bytes = ButtonReportBytes(button, slot);
    return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
  };
  EXPECT_EQ(bytes_for(33), Hex("11 01 06"));  // a ready-made Ctrl+C
  EXPECT_EQ(bytes_for(81), Hex("11 03 12"));
  EXPECT_EQ(bytes_for(22), Hex("10 00 03"));
  EXPECT_EQ(bytes_for(18), Hex("00 00 00"));  // no row
  EXPECT_EQ(bytes_for(255), Hex("00 00 00"));
  button.shortcut_modifiers = 0x05;
  button.shortcut_key = 0x2C;
  EXPECT_EQ(bytes_for(16), Hex("11 05 2C"));
  EXPECT_EQ(bytes_for(17, 12), Hex("12 00 0D"));  // the macro's button number, slot + 1

  std::set<int> codes;
  for (const ButtonFunctionCode& row : ButtonFunctionCodes()) codes.insert(row.function);
  EXPECT_EQ(codes.size(), 63u);
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
  EXPECT_EQ(std::vector(report.begin() + 12, report.begin() + 15), Hex("11 01 04"));
  EXPECT_EQ(std::vector(report.begin() + 54, report.begin() + 57), Hex("12 00 12"));
  EXPECT_EQ(test::StoredChecksum(report, 57), test::SumOf(report, 3, 56));
}

}  // namespace
}  // namespace melko
