#include <gtest/gtest.h>

#include "vmouse/status_events.h"

namespace melko::vmouse {
namespace {

// What the host shows for a power value: the charging animation, or a battery percentage.
struct Shown {
  bool charging = false;
  int percent = -1;  // -1: left as it was
  bool operator==(const Shown&) const = default;
};

// The host's three readings of a power value: the state byte is the low byte, the level byte the
// high byte.
Shown OverReceiver(std::uint16_t v) {
  const int state = v & 0xFF, level = v >> 8;
  if (state == 3) return {true, -1};
  return {false, level <= 100 ? level : 100};
}
Shown OverBle(std::uint16_t v) {
  const int state = v & 0xFF, level = v >> 8;
  if (state == 2) return {false, 100};
  if (state == 3) return {true, -1};
  return {false, level <= 100 ? level : -1};
}
Shown OverCable(std::uint16_t v) {
  return (v & 0xFF) == 2 ? Shown{false, 100} : Shown{true, -1};
}

TEST(StatusEventsTest, PowerValuesReadTheSameOverEveryLink) {
  for (int level : {0, 1, 57, 100}) {
    const std::uint16_t battery = PowerValue(level, PowerSource::kBattery);
    EXPECT_EQ(OverReceiver(battery), (Shown{false, level})) << level;
    EXPECT_EQ(OverBle(battery), (Shown{false, level})) << level;

    const std::uint16_t charging = PowerValue(level, PowerSource::kCharging);
    EXPECT_EQ(OverReceiver(charging), (Shown{true, -1}));
    EXPECT_EQ(OverBle(charging), (Shown{true, -1}));
    EXPECT_EQ(OverCable(charging), (Shown{true, -1}));

    const std::uint16_t charged = PowerValue(level, PowerSource::kCharged);
    EXPECT_EQ(OverReceiver(charged), (Shown{false, 100}));
    EXPECT_EQ(OverBle(charged), (Shown{false, 100}));
    EXPECT_EQ(OverCable(charged), (Shown{false, 100}));
  }
  EXPECT_EQ(PowerValue(57, PowerSource::kBattery), 0x3901);
  EXPECT_EQ(PowerValue(250, PowerSource::kBattery) >> 8, 100);
}

TEST(StatusEventsTest, WordsAndNotificationsCarryEventThenValue) {
  EXPECT_EQ(StatusWord(kEventPower, 0x3901), 0x40103901u);
  EXPECT_EQ(BleNotification(kEventPower, 0x3901),
            (std::array<std::uint8_t, 4>{0x10, 0x40, 0x01, 0x39}));
  for (std::uint16_t event :
       {kEventDpiStage, kEventPollingRate, kEventPower, kEventAck, kEventLightMode}) {
    EXPECT_EQ(event & 0xFF, 0x10);
  }
  EXPECT_EQ(AckValue(0x05, kAckReceived) & 0xFF, 0);  // low byte 0 ends the host's repetition
  EXPECT_NE(AckValue(0x05, kAckRejected) & 0xFF, 0);
  for (int mode = 0; mode < 16; ++mode) EXPECT_EQ((LightModeValue(mode) >> 4) & 0x0F, mode);
}

}  // namespace
}  // namespace melko::vmouse
