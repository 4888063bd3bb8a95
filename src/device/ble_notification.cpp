#include "device/ble_notification.h"

#include <cstdio>
#include <ctime>
#include <string>

#include "device/messages.h"
#include "device/status_decoder.h"

namespace melko {
namespace {

constexpr std::size_t kNotificationSize = 4;

std::uint16_t LittleEndian16(std::span<const std::uint8_t> bytes, std::size_t offset) {
  return std::uint16_t(bytes[offset] | bytes[offset + 1] << 8);
}

}  // namespace

std::optional<std::uint32_t> BleStatusWord(std::span<const std::uint8_t> value) {
  if (value.size() < kNotificationSize) return std::nullopt;
  return MakeStatusWord(LittleEndian16(value, 0), LittleEndian16(value, 2));
}

void OnBleNotification(DeviceContext& ctx, std::span<const std::uint8_t> value) {
  if (value.empty()) {
    ctx.log.Write("datasize 0");
    return;
  }
  if (value.size() < kNotificationSize) {
    ctx.log.Write("datasize " + std::to_string(value.size()) + ", too short: ignored");
    return;
  }
  const std::uint16_t event_word = LittleEndian16(value, 0);
  const std::uint16_t event_value = LittleEndian16(value, 2);

  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char line[80];
  std::snprintf(line, sizeof line, "HR dwLeft = %04x, dwRight = %04x, %d:%d:%d",
                unsigned(event_word), unsigned(event_value), local.tm_hour, local.tm_min,
                local.tm_sec);
  ctx.log.Write(line);

  DecodeBleStatus(ctx, event_word, event_value);
}

}  // namespace melko
