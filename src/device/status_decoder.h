// Decoding of the mouse's status events: DPI stage, polling rate and light mode changed on the
// mouse, battery and charging state, and the acknowledgement of reports sent over the receiver.
// They arrive as status words from the driver libraries and as notifications over Bluetooth LE;
// both share one decoding and differ only in the power event. Also the two timers that the power
// events drive: the charging animation and the receiver watchdog.
#pragma once

#include <cstdint>

#include "device/device_context.h"

namespace melko {

// Event words. The low byte of every status event is 0x10, the high byte its type; any other event
// word is not a status event and is ignored.
enum StatusEvent : std::uint16_t {
  kEventDpiStage = 0x1010,     // value 1 to 8: the stage now in use
  kEventPollingRate = 0x2010,  // value 1 to 8, stored as received
  kEventPower = 0x4010,        // value: level byte high, state byte low
  kEventAck = 0x5010,          // state byte 0: the last report sent over the receiver arrived
  kEvent6010 = 0x6010,         // value 1 to 10: accepted, no effect (meaning unknown)
  kEventLightMode = 0x7010,    // light mode in bits 4 to 7 of the value
  kEvent8010 = 0x8010,         // value 1 to 5: only synchronises the profile (meaning unknown)
};

// State byte of a power event.
inline constexpr std::uint8_t kPowerCharged = 2;
inline constexpr std::uint8_t kPowerCharging = 3;

// A status word from either driver library (event word in the upper half, value in the lower).
// Every change to the profile is synchronised: marked as applied, so it is not sent back, and
// saved. A word that is not a known event with a valid value changes nothing. User-interface
// thread.
void DecodeLinkStatus(DeviceContext& ctx, std::uint32_t status_word);

// The same events from a Bluetooth LE notification. The power event here only updates the battery
// display: it leaves the receiver watchdog, wireless_online, the link icons and apply_blocked
// alone. Runs on a thread of the Bluetooth stack; touches only the thread-safe ports, the atomics
// of LinkState and the locked ProfileSession, never charge_started_ms.
void DecodeBleStatus(DeviceContext& ctx, std::uint16_t event_word, std::uint16_t value);

// The mouse charges: the power label says so and the charging animation (timer 515) runs on,
// without a restart. Any thread.
void ShowCharging(DeviceContext& ctx);
// The same, with the bar starting again from 0 (the cable arrived). User-interface thread.
void ShowChargingFromZero(DeviceContext& ctx);

// The charging bar's value this long after it started from 0: 0, 20, ... 100, one step per
// kChargeAnimationMs, and again from 0.
int ChargeBarAt(std::int64_t elapsed_ms);

// Timer 515, while the mouse charges and someone can see the bar: shows the bar's value for the
// time since it started. User-interface thread.
void OnChargeAnimationTimer(DeviceContext& ctx);

// Timer 512, 6000 ms without a power event from the driver libraries: the mouse behind the
// receiver is asleep. Clears wireless_online and shows the sleep label unless another link carries
// the mouse. User-interface thread.
void OnReceiverWatchdogTimer(DeviceContext& ctx);

// (Re)starts timer 512, only while the receiver is there: without it there is no mouse to watch,
// and a watchdog left running would put a mouse on another link to sleep. User-interface thread.
void RestartReceiverWatchdog(DeviceContext& ctx);

}  // namespace melko
