#include "device/device_hub.h"

#include "device/driver_links.h"
#include "device/messages.h"
#include "device/presence.h"
#include "device/status_decoder.h"

namespace melko {

bool DeviceHub::OnMessage(std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam) {
  switch (message) {
    case kMsgReceiverData:
      OnLinkConnection(ctx_, LinkMode::kWireless, DecodeDataMessage(wparam, lparam));
      return true;
    case kMsgReceiverConnect:
      OnLinkConnection(ctx_, LinkMode::kWireless, DecodeConnectMessage(wparam));
      return true;
    case kMsgWiredData:
      OnLinkConnection(ctx_, LinkMode::kWired, DecodeDataMessage(wparam, lparam));
      return true;
    case kMsgWiredConnect:
      OnLinkConnection(ctx_, LinkMode::kWired, DecodeConnectMessage(wparam));
      return true;
    case kMsgRequestApply:
      engine_.RequestApply();
      return true;
    default:
      return false;
  }
}

bool DeviceHub::OnTimer(int timer_id) {
  switch (timer_id) {
    case kTimerReceiverWatchdog:
      OnReceiverWatchdogTimer(ctx_);
      return true;
    case kTimerChargeAnimation:
      OnChargeAnimationTimer(ctx_);
      return true;
    case kTimerOpenBleNotifications:
      OnBleNotificationsTimer(ctx_);
      return true;
    default:
      return false;
  }
}

}  // namespace melko
