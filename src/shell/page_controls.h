// Names of the settings page's controls in the skin, and the language keys of its texts.
#pragma once

namespace melko::page_control {

inline constexpr const char* kProfileList = "ms_1_list_profile";
inline constexpr const char* kButtonLabelFormat = "ms_1_btn_key_%d";  // 1 to 18
inline constexpr const char* kDpiStageOptionFormat = "ms_1_option_dpi_step_%d";
inline constexpr const char* kDpiSliderFormat = "ms_1_slider_dpi_%d";
inline constexpr const char* kDpiLabelFormat = "ms_1_label_dpi_%d";
inline constexpr const char* kDpiEditFormat = "ms_1_edit_dpi_%d";
inline constexpr const char* kDpiColourFormat = "ms_1_btn_dpi_color_%d";
inline constexpr const char* kDpiSwitchFormat = "ms_1_check_dpi_on_%d";
inline constexpr const char* kLightList = "ms_1_combo_light";
inline constexpr const char* kBleLightList = "ms_1_combo_light_ble";
inline constexpr const char* kBrightnessSlider = "ms_1_slider_brightness";
inline constexpr const char* kBrightnessLabel = "ms_1_label_brightness";
inline constexpr const char* kSpeedSlider = "ms_1_slider_breathspeed";
inline constexpr const char* kSpeedLabel = "ms_1_label_breathspeed";
inline constexpr const char* kLightColour = "ms_1_btn_light_color";
inline constexpr const char* kRateOptionFormat = "ms_1_btn_prate_%d";  // 1 to 4
inline constexpr int kRateOptionCount = 4;
inline constexpr const char* kRateLabel = "ms_1_label_prate";
inline constexpr const char* kLightOffSlider = "ms_1_slider_light_off";
inline constexpr const char* kLightOffLabel = "ms_1_label_light_off";
inline constexpr const char* kSleepSlider = "ms_1_slider_sleep_timer";
inline constexpr const char* kSleepLabel = "ms_1_label_sleep_timer";
inline constexpr const char* kDebounceSlider = "ms_1_slider_key_debounce";
inline constexpr const char* kDebounceLabel = "ms_1_label_key_debounce";
inline constexpr const char* kLiftOffOptionFormat = "ms_1_option_lift_of_distance_%d";
inline constexpr const char* kRippleOptionFormat = "ms_1_option_ripple_control_%d";
inline constexpr const char* kAngleSnapOptionFormat = "ms_1_option_angle_snap_%d";
inline constexpr const char* kMoveModeCheck = "ms_1_check_movemode";
inline constexpr const char* kLiftOffCheck = "ms_1_check_lift_of_distance";
inline constexpr const char* kLightSection = "ms_1_ver_light";
inline constexpr const char* kApplyStateLabel = "ms_1_apply_state_label";

}  // namespace melko::page_control
