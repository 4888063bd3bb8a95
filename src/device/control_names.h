// Names of the page's controls in the skin that the device logic shows, hides and fills.
#pragma once

namespace melko::control {

inline constexpr const char* kApplyRing = "apply_ring";
inline constexpr const char* kPowerBar = "ms_1_progress_power";
inline constexpr const char* kPowerLabel = "ms_1_label_power";
inline constexpr const char* kWiredIcon = "ms_1_wired";
inline constexpr const char* kWirelessIcon = "ms_1_wireless";
inline constexpr const char* kBleIcon = "ms_1_BLE";
inline constexpr const char* kSleepLabel = "ms_1_sleep_label";
inline constexpr const char* kLightList = "ms_1_combo_light";
inline constexpr const char* kBrightnessSection = "ms_1_ver_brightness";
inline constexpr const char* kSpeedSection = "ms_1_ver_breathspeed";
inline constexpr const char* kLightColourSection = "ms_1_hor_light_color";
inline constexpr const char* kRateCheck = "ms_1_check_prate";
inline constexpr const char* kDebounceCheck = "ms_1_check_key_debounce";
inline constexpr const char* kRateSection = "ms_1_ver_prate";
inline constexpr const char* kDebounceSection = "ms_1_hor_key_debounce";
inline constexpr const char* kDpiStageOptionFormat = "ms_1_option_dpi_step_%d";
inline constexpr const char* kRateOptionFormat = "ms_1_btn_prate_%d";
inline constexpr const char* kRateLabel = "ms_1_label_prate";

}  // namespace melko::control

// Language keys of texts the device logic shows.
namespace melko::text_key {

inline constexpr const char* kCharging = "charging_text";
inline constexpr const char* kRateFormat = "prate_%d_text";  // 1 to 4

}  // namespace melko::text_key
