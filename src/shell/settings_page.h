// The settings page: every setting of the current profile on one page. It shows the profile the
// store selects and, through the Controls port, keeps each control in line with the record.
// User-interface thread only.
#pragma once

#include <string>

#include "device/device_context.h"

namespace melko {

// The text of a value label for a record field.
std::string LightOffText(int light_off);
std::string SleepText(int sleep_timer);
std::string DebounceText(int key_debounce);
// The rate's language key for prate 0 to 3; empty for any other value.
std::string RateTextKey(int prate);
// A name of the skin with its number: Numbered("ms_1_slider_dpi_%d", 3).
std::string Numbered(const char* format, int number);

class SettingsPage {
 public:
  explicit SettingsPage(DeviceContext& ctx) : ctx_(ctx) {}

  // Hides the lift-off section's check box and the light section, as the page starts.
  void Init();
  // Shows the stores' profiles and selects the stored selection without notification; the
  // current profile counts as applied. The stores are loaded by then.
  void LoadDeviceState();
  // Redraws every control from the current profile.
  void RefreshAll();
  // The 18 button labels.
  void RefreshButtonLabels();

 protected:
  DeviceContext& ctx_;
};

}  // namespace melko
