#include "vmouse/status_events.h"

#include <algorithm>

#include "common/byte_order.h"

namespace melko::vmouse {

std::uint16_t PowerValue(int level, PowerSource source) {
  const auto clamped = std::uint16_t(std::clamp(level, 0, 100));
  switch (source) {
    case PowerSource::kCharged:
      return std::uint16_t(100 << 8 | kPowerStateCharged);
    case PowerSource::kCharging:
      return std::uint16_t(clamped << 8 | kPowerStateCharging);
    case PowerSource::kBattery:
      break;
  }
  return std::uint16_t(clamped << 8 | kPowerStateBattery);
}

std::uint16_t AckValue(std::uint8_t report_id, std::uint8_t result) {
  return std::uint16_t(report_id << 8 | result);
}

std::uint16_t LightModeValue(int mode) {
  return std::uint16_t((mode & 0x0F) << 4);
}

std::array<std::uint8_t, 4> BleNotification(std::uint16_t event_word, std::uint16_t value) {
  std::array<std::uint8_t, 4> bytes{};
  StoreLittleEndian(bytes.data(), event_word);
  StoreLittleEndian(bytes.data() + 2, value);
  return bytes;
}

}  // namespace melko::vmouse
