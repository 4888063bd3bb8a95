// Device presence: the cable and the receiver come and go as connection status words from their
// driver libraries, the Bluetooth LE mouse as the Bluetooth adapter reports it. Each change
// keeps LinkState true, updates the link icons and sections, and ends with message 1128 when
// any_connected may have changed. Everything here runs on the user-interface thread; the 1000 ms
// waits after an arrival block it on purpose (the device needs them before it can be opened).
#pragma once

#include <cstdint>

#include "device/device_context.h"
#include "device/link_state.h"

namespace melko {

// Lower half of a connection status word (upper half kConnectionEvent).
inline constexpr std::uint16_t kConnectionArrived = 1;
inline constexpr std::uint16_t kConnectionRemoved = 2;

// A word from a driver library's messages, for the cable (kWired) or the receiver (kWireless).
// Connection changes are handled here; words whose upper half lies in 0x1000 to 0x9000 go on to
// DecodeLinkStatus; all others are dropped, as is any word for kBle, which has no library.
void OnLinkConnection(DeviceContext& ctx, LinkMode link, std::uint32_t status_word);

// The Bluetooth LE mouse became available: ble_present, the GATT match texts, timer 516 (its
// notifications are opened 2000 ms later), the icon and the link sections.
void AttachBle(DeviceContext& ctx);
// The Bluetooth LE mouse went: clears the match texts, so later writes do nothing, and drops the
// notification subscription.
void DetachBle(DeviceContext& ctx);

// Timer 516: stops it and subscribes to the Bluetooth LE notifications.
void OnBleNotificationsTimer(DeviceContext& ctx);

}  // namespace melko
