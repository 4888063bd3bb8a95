// The parts of the page that follow the links and the battery: the power bar and label, the light
// panels the current light mode uses, and the polling-rate and key-debounce sections, which only
// the cable and the receiver can take.
#pragma once

#include "device/device_context.h"

namespace melko {

// Sets the power bar to percent and the power label to "<percent>%". Any thread.
void ShowBattery(DeviceContext& ctx, int percent);

// Hides the brightness, speed and colour panels, then shows those the current light_mode uses:
// 1 brightness and colour, 2 speed and colour, 3 to 11 speed only, anything else none. Any thread.
void RefreshLightSections(DeviceContext& ctx);

// RefreshLightSections, then: with the cable up, or the receiver up and its mouse online, shows the
// polling-rate and key-debounce check boxes; otherwise, over Bluetooth LE alone, unchecks and hides
// them and hides their sections; with no link it leaves them as they are. User-interface thread.
void RefreshLinkSections(DeviceContext& ctx);

}  // namespace melko
