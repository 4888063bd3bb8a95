#include "device/device_hub.h"

#include "device/driver_links.h"
#include "device/messages.h"
#include "device/presence.h"
#include "device/status_decoder.h"

namespace melko {

void DeviceHub::RetryDroppedApply() {
  if (CanTakeSettings(ctx_.links) && engine_.TakeDroppedRequest()) engine_.RequestApply();
}

bool DeviceHub::OnMessage(std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam) {
  switch (message) {
    case kMsgReceiverData:
      OnLinkConnection(ctx_, LinkMode::kWireless, DecodeDataMessage(wparam, lparam));
      RetryDroppedApply();
      return true;
    case kMsgReceiverConnect:
      OnLinkConnection(ctx_, LinkMode::kWireless, DecodeConnectMessage(wparam));
      RetryDroppedApply();
      return true;
    case kMsgWiredData:
      OnLinkConnection(ctx_, LinkMode::kWired, DecodeDataMessage(wparam, lparam));
      RetryDroppedApply();
      return true;
    case kMsgWiredConnect:
      OnLinkConnection(ctx_, LinkMode::kWired, DecodeConnectMessage(wparam));
      RetryDroppedApply();
      return true;
    case kMsgRequestApply:
      engine_.RequestApply();
      return true;
    case kMsgApplyRunStarted:
      ctx_.timers.Stop(kTimerReceiverWatchdog);
      return true;
    case kMsgApplyRunEnded:
      RestartReceiverWatchdog(ctx_);
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
