// The macro report's chunks are the firmware model's tests (tests/unit/vmouse/reports_test.cpp).
#include <gtest/gtest.h>

#include "protocol/macro_entries.h"
#include "protocol/settings_reports.h"
#include "support/report_bytes.h"

namespace melko {
namespace {

using test::Hex;

ButtonAssignment MacroButton(MacroAction step, std::size_t count = 1) {
  ButtonAssignment button{};
  button.function = kFunctionMacro;
  for (std::size_t i = 0; i < count; ++i) button.macro_actions[i] = step;
  button.macro_action_count = std::uint16_t(count);
  return button;
}

std::vector<std::uint8_t> EntryBytes(const Report& report) {
  return std::vector<std::uint8_t>(report.begin() + 29, report.begin() + 29 + 2 * report[28]);
}

TEST(MacroReportTest, HeaderAndChecksum) {
  ButtonAssignment button = MacroButton({0x04, kMacroStepPress, 50});
  button.macro_actions[1] = {0x04, 2, 50};
  button.macro_action_count = 2;
  button.macro_mode = 2;
  button.macro_reserved = 0x5A;
  button.macro_repeat = 0x100;  // low byte 0 is sent as 1
  const Report report = BuildMacroReport(7, button);
  ASSERT_EQ(report.size(), 131u);
  EXPECT_EQ(std::vector(report.begin(), report.begin() + 8), Hex("09 83 07 02 5A 5A 5A 01"));
  EXPECT_EQ(EntryBytes(report), Hex("05 04 85 04"));  // the entry count sizes what is read
  EXPECT_TRUE(test::ChecksumHolds(report, 129));
}

TEST(MacroReportTest, DelayEncoding) {
  const std::tuple<std::uint16_t, std::uint8_t, const char*> kCases[] = {
      {1500, kMacroStepPress, "0B 04 07 03"},  // 100 ms remainder, then 7 x 200 ms
      {0, kMacroStepPress, "01 04"},           // sent as 1 ms
      {0, kMacroStepRelease, "81 04"},
      {1400, kMacroStepPress, "01 04 07 03"},  // a whole number of 200 ms: remainder 1 ms
      {1400, kMacroStepRelease, "81 04 07 03"},
      {1270, kMacroStepRelease, "FF 04"},  // the longest delay in one entry
      {1271, kMacroStepPress, "07 04 06 03"},
      {15, kMacroStepPress, "03 04"},  // 1.5 tens rounds up to 2
      {14, kMacroStepPress, "01 04"},
  };
  for (const auto& [delay, type, entries] : kCases) {
    EXPECT_EQ(EntryBytes(BuildMacroReport(1, MacroButton({0x04, type, delay}))), Hex(entries))
        << delay << " type " << int(type);
  }
}

TEST(MacroReportTest, OnlyTenLongDelaysGetAnExtraEntry) {
  const auto entries = MacroEntries(MacroButton({0x10, kMacroStepPress, 1500}, 12));
  EXPECT_EQ(std::vector(entries.begin() + 19, entries.end()),
            (std::vector<MacroEntry>{{7, 3}, {0x0B, 0x10}, {0x0B, 0x10}}));
}

TEST(MacroReportTest, OverlongMacroIsCutToWholeSteps) {
  // Four long delays, 41 short steps and a last long delay: 49 entries, then a step needing two.
  ButtonAssignment button = MacroButton({0, 1, 20}, 46);
  for (std::size_t i = 0; i < 46; ++i) button.macro_actions[i].code = std::uint8_t(i);
  for (std::size_t i : {0, 1, 2, 3, 45}) button.macro_actions[i].delay = 1500;
  const Report report = BuildMacroReport(1, button);
  EXPECT_EQ(report[28], 49);
  EXPECT_EQ(std::vector(report.begin() + 126, report.begin() + 129), Hex("2C 00 00"))
      << "step 44 is the last one written, no half of step 45";
  EXPECT_TRUE(test::ChecksumHolds(report, 129));

  // 46 long delays would need 56 entries: ten steps with extras, then thirty more fit.
  for (std::size_t i = 0; i < 46; ++i) button.macro_actions[i].delay = 1500;
  EXPECT_EQ(BuildMacroReport(1, button)[28], 50);

  // A stored step count above the 46 slots is limited to them.
  button = MacroButton({0x04, 1, 10}, 46);
  button.macro_action_count = 300;
  EXPECT_EQ(BuildMacroReport(1, button)[28], 46);
}

}  // namespace
}  // namespace melko
