// Messages to the main window and the apply thread, and the main window's timers. They keep their
// numbers so that a flow can be followed from one end of the program to the other.
#pragma once

#include <cstdint>

namespace melko {

enum Message : std::uint32_t {
  kMsgConnectedChanged = 1128,  // any_connected may have changed
  kMsgDpiStageChanged = 1129,   // the mouse changed its DPI stage; lparam = stage value
  kMsgApply = 1536,             // thread message: run an apply
  kMsgReceiverData = 1537,      // receiver library: status event
  kMsgReceiverConnect = 1538,   // receiver library: arrival or removal
  kMsgWiredData = 1539,         // cable library: status event
  kMsgWiredConnect = 1540,      // cable library: arrival or removal
  kMsgRequestApply = 1541,      // forwarded to the apply thread as kMsgApply
  // From the apply thread: a run starts, and a run has written the mouse. The receiver's watchdog
  // is stopped and restarted on the user-interface thread, where the receiver's presence is known.
  kMsgApplyRunStarted = 1560,
  kMsgApplyRunEnded = 1561,
};

enum TimerId : int {
  kTimerDpiPopup = 52,              // 2000 ms: closes the DPI popup
  kTimerTrayGrace = 53,             // 5000 ms without a tray host: a hidden window comes back
  kTimerReceiverWatchdog = 512,     // 6000 ms without a power event: the receiver's mouse sleeps
  kTimerApplyDelay = 513,           // 200 / 500 ms after a list or slider change: request an apply
  kTimerSectionFollowUp = 514,      // 10 ms after a settings section opened
  kTimerChargeAnimation = 515,      // steps of the charging bar
  kTimerOpenBleNotifications = 516  // 2000 ms after Bluetooth LE attached
};

inline constexpr int kReceiverWatchdogMs = 6000;
// The charging bar fills a fifth a second, 0 to 100 and again, as a battery's segments light up
// one by one: enough to say "charging", and few enough frames that an open window costs next to
// nothing. Its frame follows the clock, so a bar that was out of sight comes back where it would
// have been.
inline constexpr int kChargeAnimationMs = 1000;
inline constexpr int kChargeAnimationStep = 20;
inline constexpr int kOpenBleNotificationsMs = 2000;

// A status word: event word in the upper half, value in the lower half.
inline constexpr std::uint32_t MakeStatusWord(std::uint16_t event, std::uint16_t value) {
  return std::uint32_t(event) << 16 | value;
}
inline constexpr std::uint16_t EventOf(std::uint32_t word) {
  return std::uint16_t(word >> 16);
}
inline constexpr std::uint16_t ValueOf(std::uint32_t word) {
  return std::uint16_t(word);
}
inline constexpr std::uint16_t kConnectionEvent = 0x7F00;

}  // namespace melko
