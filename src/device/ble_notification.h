// The handler of the Bluetooth LE status notifications: the adapter hands it every changed value of
// the notify characteristic, bytes unchanged.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "device/device_context.h"

namespace melko {

// A value carries the event word in bytes 0 and 1 and the value in bytes 2 and 3, each
// little-endian (the power event 0x4010 arrives as 10 40); bytes after the fourth are ignored. An
// empty value, or one shorter than 4 bytes, is only logged. Runs on a thread of the Bluetooth
// stack.
void OnBleNotification(DeviceContext& ctx, std::span<const std::uint8_t> value);

// The status word (event and value) of a notified value; nothing for one shorter than 4 bytes.
std::optional<std::uint32_t> BleStatusWord(std::span<const std::uint8_t> value);

}  // namespace melko
