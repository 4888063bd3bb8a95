#include "device/presence.h"

#include "device/control_names.h"
#include "device/link_sections.h"
#include "device/messages.h"
#include "device/status_decoder.h"

namespace melko {
namespace {

// The device needs a moment after its arrival before it can be opened.
constexpr std::int64_t kArrivalSettleMs = 1000;

// Upper halves of the words that are status events.
constexpr std::uint16_t kFirstStatusEvent = 0x1000;
constexpr std::uint16_t kLastStatusEvent = 0x9000;

void SetConnected(DeviceContext& ctx, bool connected) {
  ctx.links.any_connected = connected ? 1 : 0;
  ctx.poster.Post(kMsgConnectedChanged, 0, 0);
}

void ReceiverArrived(DeviceContext& ctx) {
  LinkState& links = ctx.links;
  if (links.wireless_state == kLinkConnected) return;
  ctx.clock.SleepFor(kArrivalSettleMs);
  links.wireless_state = kLinkConnected;
  ctx.controls.SetVisible(control::kWirelessIcon, true);
  RefreshLinkSections(ctx);
  // A failed open still leaves the link up; sends fail until the next removal and arrival.
  ctx.drivers.receiver.OpenFeatureDevice();
  ctx.timers.Start(kTimerReceiverWatchdog, kReceiverWatchdogMs);
  if (links.wired_state != kLinkConnected && links.ble_present == 0) SetConnected(ctx, true);
}

void ReceiverRemoved(DeviceContext& ctx) {
  LinkState& links = ctx.links;
  if (links.wireless_state == kLinkRemoved) return;
  links.wireless_state = kLinkRemoved;
  // With the receiver gone its mouse is unreachable too; left set, a returning receiver would be
  // written to before its mouse reported, and the sleep label would not come back.
  links.wireless_online = 0;
  ctx.controls.SetVisible(control::kWirelessIcon, false);
  ctx.drivers.receiver.CloseFeatureDevice();
  RefreshLinkSections(ctx);
  ctx.timers.Stop(kTimerReceiverWatchdog);
  if (links.wired_state != kLinkConnected && links.ble_present == 0) SetConnected(ctx, false);
}

void CableArrived(DeviceContext& ctx) {
  LinkState& links = ctx.links;
  if (links.wired_state == kLinkConnected) return;
  ctx.clock.SleepFor(kArrivalSettleMs);
  links.wired_state = kLinkConnected;
  ctx.drivers.wired.OpenFeatureDevice();
  links.apply_blocked = 0;
  ctx.controls.SetVisible(control::kSleepLabel, false);
  ctx.controls.SetVisible(control::kWiredIcon, true);
  RefreshLinkSections(ctx);
  // The mouse charges on the cable.
  ShowChargingFromZero(ctx);
  if (links.wireless_state != kLinkConnected && links.ble_present == 0) SetConnected(ctx, true);
}

void CableRemoved(DeviceContext& ctx) {
  LinkState& links = ctx.links;
  if (links.wired_state == kLinkRemoved) return;
  links.wired_state = kLinkRemoved;
  ctx.drivers.wired.CloseFeatureDevice();
  // Bluetooth LE, when up, still takes settings: blocking here would hold back every later edit
  // until it reconnected, since nothing on that link clears the block.
  if (links.ble_present == 0) {
    links.apply_blocked = 1;
    ctx.controls.SetVisible(control::kSleepLabel, true);
  }
  ctx.controls.SetVisible(control::kWiredIcon, false);
  RefreshLinkSections(ctx);
  ctx.controls.SetText(control::kPowerLabel, "");
  ctx.timers.Stop(kTimerChargeAnimation);
  if (links.wireless_state != kLinkConnected && links.ble_present == 0) SetConnected(ctx, false);
}

}  // namespace

void OnLinkConnection(DeviceContext& ctx, LinkMode link, std::uint32_t status_word) {
  if (link == LinkMode::kBle) return;
  const std::uint16_t event = EventOf(status_word);
  // 0x7F00 lies inside the range of status events, so it is taken out first.
  if (event != kConnectionEvent) {
    if (event >= kFirstStatusEvent && event <= kLastStatusEvent) DecodeLinkStatus(ctx, status_word);
    return;
  }
  const std::uint16_t change = ValueOf(status_word);
  const bool wired = link == LinkMode::kWired;
  if (change == kConnectionArrived) {
    if (wired) {
      CableArrived(ctx);
    } else {
      ReceiverArrived(ctx);
    }
  } else if (change == kConnectionRemoved) {
    if (wired) {
      CableRemoved(ctx);
    } else {
      ReceiverRemoved(ctx);
    }
  }  // a lower half of 0 (or anything else) is no change
}

void AttachBle(DeviceContext& ctx) {
  LinkState& links = ctx.links;
  links.ble_present = 1;
  ctx.ble.SetMatch(kBleVendorMatch, kBleProductMatch);
  // The platform needs a moment to finish the connection before notifications can be opened.
  ctx.timers.Start(kTimerOpenBleNotifications, kOpenBleNotificationsMs);
  ctx.controls.SetVisible(control::kSleepLabel, false);
  links.apply_blocked = 0;
  ctx.controls.SetVisible(control::kBleIcon, true);
  RefreshLinkSections(ctx);
  if (links.wired_state == kLinkConnected || links.wireless_state == kLinkConnected) return;
  SetConnected(ctx, true);
}

void DetachBle(DeviceContext& ctx) {
  LinkState& links = ctx.links;
  links.ble_present = 0;
  ctx.ble.SetMatch("", "");
  ctx.ble.CloseNotifications();
  ctx.controls.SetVisible(control::kBleIcon, false);
  if (links.wireless_online == 0 && links.wired_state != kLinkConnected) {
    ctx.controls.SetVisible(control::kSleepLabel, true);
  }
  if (links.wired_state == kLinkConnected || links.wireless_state == kLinkConnected) return;
  SetConnected(ctx, false);
}

void OnBleNotificationsTimer(DeviceContext& ctx) {
  ctx.timers.Stop(kTimerOpenBleNotifications);
  ctx.ble.OpenNotifications();
}

}  // namespace melko
