#include <gtest/gtest.h>

#include <algorithm>
#include <array>

#include "protocol/dpi_code.h"
#include "protocol/settings_reports.h"
#include "report_bytes.h"

namespace melko {
namespace {

using test::Concat;
using test::Hex;

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

  const std::pair<int, int> kExamples[] = {{6, 6},     {7, 8},     {16, 18},   {32, 37},
                                           {48, 56},   {64, 75},   {96, 112},  {100, 117},
                                           {144, 169}, {200, 235}, {201, 118}, {220, 141}};
  for (auto [value, code] : kExamples) EXPECT_EQ(DpiCode(value), code) << value;
  EXPECT_EQ(DpiCode(0), 0);
  EXPECT_EQ(DpiCode(221), 0);
  EXPECT_EQ(DpiCode(-1), 0);
}

TEST(DpiReportTest, DefaultsGiveTheKnownReport) {
  const auto expected = Concat(
      {Hex("04 38 01 00 01 7F 00 00"), Hex("12 25 38 4B 70 A9 8D 00"),
       Hex("00 00 00 00 00 00 01 00"), Hex("02"), Hex("FF 00 00  00 FF 00  00 00 FF  00 FF FF"),
       Hex("FF FF 00  FF 00 FF  FF FF FF  FF FF FF"), Hex("01 11 D5"), Hex("00 00 00 00")});
  EXPECT_EQ(BuildDpiReport(test::DefaultRecord()), expected);
}

TEST(DpiReportTest, UnsetAndOutOfRangeStages) {
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
  EXPECT_EQ(std::vector(report.begin() + 8, report.begin() + 12), Hex("00 8D 00 EB"));
  EXPECT_EQ(std::vector(report.begin() + 16, report.begin() + 20), Hex("00 01 00 00"));
  EXPECT_EQ(std::vector(report.begin() + 25, report.begin() + 28), Hex("FF 00 00"));
  EXPECT_EQ(report[24], 8);
  EXPECT_EQ(test::StoredChecksum(report, 50), test::SumOf(report, 3, 49));
}

}  // namespace
}  // namespace melko
