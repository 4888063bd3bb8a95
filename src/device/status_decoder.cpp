#include "device/status_decoder.h"

#include <cstdio>
#include <functional>

#include "device/control_names.h"
#include "device/link_sections.h"
#include "device/messages.h"
#include "protocol/settings_reports.h"

namespace melko {
namespace {

enum class StatusSource { kDriverLibrary, kBle };

std::uint8_t StateByte(std::uint16_t value) {
  return std::uint8_t(value);
}
std::uint8_t LevelByte(std::uint16_t value) {
  return std::uint8_t(value >> 8);
}

// The mouse changed the current profile itself: the change counts as applied and is saved. The
// change is kept until a running apply ends, on the apply thread: it owns what it uses.
void TakeOver(DeviceContext& ctx, const std::function<void(ProfileRecord&)>& change) {
  const SyncResult saved = ctx.profiles.TakeOverMouseChange(change);
  if (!saved.outcome.ok) ctx.log.Write("SaveProfiles failed: " + saved.outcome.error);
}

void OnDpiStage(DeviceContext& ctx, std::uint16_t stage) {
  if (stage < 1 || stage > kDpiStageCount) return;
  const std::size_t index = stage - 1u;
  TakeOver(ctx, [index](ProfileRecord& record) { record.dpi_step = std::int32_t(index); });
  const std::int32_t stage_value =
      ctx.profiles.WithCurrent([&](ProfileRecord& record) { return record.dpi_value[index]; });
  char option[48];
  std::snprintf(option, sizeof option, control::kDpiStageOptionFormat, int(stage));
  ctx.controls.SelectOption(option, false);
  ctx.poster.Post(kMsgDpiStageChanged, 0, stage_value);
}

void OnPollingRate(DeviceContext& ctx, std::uint16_t rate_code) {
  // The mouse reports the rate in the code the rate report sends (8, 4, 2, 1 for 125 to 1000 Hz);
  // the profile keeps the rate's position 0 to 3.
  const int prate = PrateOfRateCode(rate_code);
  if (prate < 0) {
    ctx.log.Write("Polling rate event with unknown code " + std::to_string(rate_code));
    return;
  }
  TakeOver(ctx, [prate](ProfileRecord& record) { record.prate = prate; });
  char option[48];
  std::snprintf(option, sizeof option, control::kRateOptionFormat, prate + 1);
  ctx.controls.SelectOption(option, false);
  char label_key[32];
  std::snprintf(label_key, sizeof label_key, text_key::kRateFormat, prate + 1);
  ctx.controls.SetTextKey(control::kRateLabel, label_key);
}

void OnLightMode(DeviceContext& ctx, std::uint16_t value) {
  const int mode = (value >> 4) & 0x0F;
  TakeOver(ctx, [mode](ProfileRecord& record) { record.light_mode = mode; });
  ctx.controls.SelectItem(control::kLightList, mode, false);
  RefreshLightSections(ctx);
}

// Power from the driver libraries: over the cable (which charges the mouse) or the receiver.
void OnLibraryPower(DeviceContext& ctx, std::uint16_t value) {
  LinkState& links = ctx.links;
  RestartReceiverWatchdog(ctx);
  if (links.wired_state == kLinkConnected) {
    links.wireless_online = 0;
    ctx.controls.SetVisible(control::kWirelessIcon, false);
    RefreshLinkSections(ctx);
    if (StateByte(value) == kPowerCharged) {
      ctx.timers.Stop(kTimerChargeAnimation);
      ShowBattery(ctx, 100);
      ctx.controls.SetText(control::kPowerLabel, "100%");
    } else {
      ShowCharging(ctx);
    }
    return;
  }
  if (links.wireless_online == 0) {
    links.wireless_online = 1;
    ctx.controls.SetVisible(control::kWirelessIcon, true);
    RefreshLinkSections(ctx);
  }
  if (StateByte(value) == kPowerCharging) {
    ShowCharging(ctx);
  } else {
    ctx.timers.Stop(kTimerChargeAnimation);
    // Straight to the level: the bar does not flash full on every event.
    ShowBattery(ctx, LevelByte(value) <= 100 ? LevelByte(value) : 100);
  }
  // The mouse behind the receiver is awake and can take settings.
  ctx.controls.SetVisible(control::kSleepLabel, false);
  links.apply_blocked = 0;
}

void OnBlePower(DeviceContext& ctx, std::uint16_t value) {
  if (StateByte(value) == kPowerCharged) {
    ctx.timers.Stop(kTimerChargeAnimation);
    ShowBattery(ctx, 100);
  } else if (StateByte(value) == kPowerCharging) {
    ShowCharging(ctx);
  } else {
    ctx.timers.Stop(kTimerChargeAnimation);
    if (LevelByte(value) <= 100) ShowBattery(ctx, LevelByte(value));
  }
}

void DecodeStatus(DeviceContext& ctx, std::uint16_t event, std::uint16_t value,
                  StatusSource source) {
  switch (event) {
    case kEventDpiStage:
      OnDpiStage(ctx, value);
      break;
    case kEventPollingRate:
      OnPollingRate(ctx, value);
      break;
    case kEventPower:
      if (source == StatusSource::kDriverLibrary) {
        OnLibraryPower(ctx, value);
      } else {
        OnBlePower(ctx, value);
      }
      break;
    case kEventAck:
      ctx.links.wireless_cancel = StateByte(value) == 0 ? 1 : 0;
      break;
    case kEvent6010:
      break;  // accepted with a value of 1 to 10; its meaning is unknown
    case kEventLightMode:
      OnLightMode(ctx, value);
      break;
    case kEvent8010:
      // Nothing of the profile changes; the store is saved as after every mouse event.
      if (value >= 1 && value <= 5) TakeOver(ctx, [](ProfileRecord&) {});
      break;
    default:
      break;  // not a status event (low byte not 0x10), or an event type we do not know
  }
}

}  // namespace

void DecodeLinkStatus(DeviceContext& ctx, std::uint32_t status_word) {
  DecodeStatus(ctx, EventOf(status_word), ValueOf(status_word), StatusSource::kDriverLibrary);
}

void DecodeBleStatus(DeviceContext& ctx, std::uint16_t event_word, std::uint16_t value) {
  DecodeStatus(ctx, event_word, value, StatusSource::kBle);
}

void ShowCharging(DeviceContext& ctx) {
  ctx.controls.SetTextKey(control::kPowerLabel, text_key::kCharging);
  // The mouse says it charges every few seconds: the bar keeps its pace.
  ctx.timers.KeepRunning(kTimerChargeAnimation, kChargeAnimationMs);
}

void ShowChargingFromZero(DeviceContext& ctx) {
  ctx.charge_started_ms = ctx.clock.Now();
  ctx.controls.SetValue(control::kPowerBar, 0);
  ShowCharging(ctx);
}

int ChargeBarAt(std::int64_t elapsed_ms) {
  constexpr int kFrames = 100 / kChargeAnimationStep + 1;
  if (elapsed_ms < 0) return 0;
  return int(elapsed_ms / kChargeAnimationMs % kFrames) * kChargeAnimationStep;
}

void OnChargeAnimationTimer(DeviceContext& ctx) {
  ctx.controls.SetValue(control::kPowerBar, ChargeBarAt(ctx.clock.Now() - ctx.charge_started_ms));
}

void RestartReceiverWatchdog(DeviceContext& ctx) {
  if (ctx.links.wireless_state == kLinkConnected) {
    ctx.timers.Start(kTimerReceiverWatchdog, kReceiverWatchdogMs);
  }
}

void OnReceiverWatchdogTimer(DeviceContext& ctx) {
  LinkState& links = ctx.links;
  ctx.timers.Stop(kTimerReceiverWatchdog);
  ctx.controls.SetVisible(control::kWirelessIcon, false);
  links.wireless_online = 0;
  RefreshLinkSections(ctx);
  if (links.ble_present != 1 && links.wired_state != kLinkConnected) {
    ctx.controls.SetVisible(control::kSleepLabel, true);
  }
}

}  // namespace melko
