// The status events the mouse produces: event words, how each value is packed, and the two ways
// an event travels (a 32-bit status word through the driver libraries, a 4-byte GATT notification
// over Bluetooth LE).
#pragma once

#include <array>
#include <cstdint>

namespace melko::vmouse {

// The low byte of every event word is 0x10; the high byte is the event type.
inline constexpr std::uint16_t kEventDpiStage = 0x1010;     // value: stage 1 to 8
inline constexpr std::uint16_t kEventPollingRate = 0x2010;  // value: rate code 1, 2, 4 or 8
inline constexpr std::uint16_t kEventPower = 0x4010;        // value: PowerValue
inline constexpr std::uint16_t kEventAck = 0x5010;          // value: AckValue
inline constexpr std::uint16_t kEventLightMode = 0x7010;    // value: LightModeValue

// What feeds the battery. The state byte of a power value tells the host which of these holds.
enum class PowerSource { kBattery, kCharging, kCharged };

inline constexpr std::uint8_t kPowerStateBattery = 1;
inline constexpr std::uint8_t kPowerStateCharged = 2;
inline constexpr std::uint8_t kPowerStateCharging = 3;

// Power value: level byte (percent) high, state byte low. Charged always reports level 100; the
// level is clamped to 0..100 so the host never sees a level it would discard.
std::uint16_t PowerValue(int level, PowerSource source);

// Acknowledgement value: the report ID high, the result low (0 received, 1 rejected).
inline constexpr std::uint8_t kAckReceived = 0;
inline constexpr std::uint8_t kAckRejected = 1;
std::uint16_t AckValue(std::uint8_t report_id, std::uint8_t result);

// Light mode value: the mode in bits 4 to 7, as in byte 3 of the light report.
std::uint16_t LightModeValue(int mode);

// Event word then value, each little-endian.
std::array<std::uint8_t, 4> BleNotification(std::uint16_t event_word, std::uint16_t value);

}  // namespace melko::vmouse
