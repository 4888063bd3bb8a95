#include "device/link_sections.h"

#include <string>

#include "device/control_names.h"

namespace melko {

void ShowBattery(DeviceContext& ctx, int percent) {
  ctx.controls.SetValue(control::kPowerBar, percent);
  ctx.controls.SetText(control::kPowerLabel, std::to_string(percent) + "%");
}

void RefreshLightSections(DeviceContext& ctx) {
  const std::int32_t mode =
      ctx.profiles.WithCurrent([](const ProfileRecord& record) { return record.light_mode; });
  ctx.controls.SetVisible(control::kBrightnessSection, false);
  ctx.controls.SetVisible(control::kSpeedSection, false);
  ctx.controls.SetVisible(control::kLightColourSection, false);
  if (mode == 1) {
    ctx.controls.SetVisible(control::kBrightnessSection, true);
    ctx.controls.SetVisible(control::kLightColourSection, true);
  } else if (mode == 2) {
    ctx.controls.SetVisible(control::kSpeedSection, true);
    ctx.controls.SetVisible(control::kLightColourSection, true);
  } else if (mode >= 3 && mode <= 11) {
    ctx.controls.SetVisible(control::kSpeedSection, true);
  }
}

void RefreshLinkSections(DeviceContext& ctx) {
  RefreshLightSections(ctx);
  const LinkState& links = ctx.links;
  const bool settings_link = links.wired_state == kLinkConnected ||
                             (links.wireless_state == kLinkConnected && links.wireless_online == 1);
  if (settings_link) {
    ctx.controls.SetVisible(control::kRateCheck, true);
    ctx.controls.SetVisible(control::kDebounceCheck, true);
  } else if (links.ble_present == 1) {
    // Bluetooth LE takes no polling rate, so neither section is offered.
    ctx.controls.SetChecked(control::kRateCheck, false);
    ctx.controls.SetVisible(control::kRateCheck, false);
    ctx.controls.SetChecked(control::kDebounceCheck, false);
    ctx.controls.SetVisible(control::kDebounceCheck, false);
    if (ctx.controls.IsVisible(control::kRateSection)) {
      ctx.controls.SetVisible(control::kRateSection, false);
    }
    if (ctx.controls.IsVisible(control::kDebounceSection)) {
      ctx.controls.SetVisible(control::kDebounceSection, false);
    }
  }
}

}  // namespace melko
