// The low-battery warning, row by row: each row a sequence of readings (a level on battery, or
// "C" for charging or the cable), the levels warned about, and whether the label shows at the end.
#include <gtest/gtest.h>

#include <sstream>

#include "device/low_battery.h"
#include "device/status_decoder.h"

namespace melko {
namespace {

TEST(LowBatteryWarningTest, WarnsOncePerThresholdAndDischarge) {
  const std::tuple<const char*, std::vector<int>, bool> rows[] = {
      {"16 15 14 15 12", {15}, true},         // 15 % once, however the level jitters
      {"20 9 4", {9, 4}, true},               // a threshold passed between readings
      {"14 3 2 1 0", {14, 3}, true},          // nothing after the 5 % warning
      {"10 16 17", {10}, false},              // hides the label, re-arms nothing
      {"15 5 C 15 5", {15, 5, 15, 5}, true},  // charging re-arms both
      {"15 C", {15}, false},                  // and hides the label
      {"C C 4", {4}, true},                   // 5 % at once warns once, not twice
  };
  for (const auto& [readings, expected_warned, expected_label] : rows) {
    LowBatteryWarning warning;
    std::vector<int> warned;
    bool label = false;
    std::istringstream words(readings);
    for (std::string word; words >> word;) {
      const BatteryReading reading =
          word == "C" ? BatteryReading{false, 0} : BatteryReading{true, std::stoi(word)};
      const LowBatteryStep step = warning.Update(reading);
      if (step.notify_level) warned.push_back(*step.notify_level);
      label = step.show_label;
    }
    EXPECT_EQ(std::pair(warned, label), std::pair(expected_warned, expected_label)) << readings;
  }
}

TEST(LowBatteryWarningTest, ReadsPowerEventsOfEachLink) {
  const auto reading = [](LinkMode link, std::uint16_t value, bool cable) {
    const auto read = ReadBattery(link, value, cable);
    return !read ? std::string("none") : read->on_battery ? std::to_string(read->level) : "C";
  };
  EXPECT_EQ(reading(LinkMode::kBle, 0x0500, false), "5");
  EXPECT_EQ(reading(LinkMode::kWireless, 0x0E01, true), "C");  // the cable is in
  EXPECT_EQ(reading(LinkMode::kWireless, 0x0E00 | kPowerCharging, false), "C");
  EXPECT_EQ(reading(LinkMode::kBle, 0x0000 | kPowerCharged, false), "C");
  EXPECT_EQ(reading(LinkMode::kWireless, 0x6501, false), "none");  // 101 %
}

}  // namespace
}  // namespace melko
