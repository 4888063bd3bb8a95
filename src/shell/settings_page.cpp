#include "shell/settings_page.h"

#include <cstdio>

#include "common/language.h"
#include "common/text.h"
#include "device/link_sections.h"
#include "input/button_functions.h"
#include "shell/page_controls.h"

namespace melko {
namespace {

using namespace page_control;

// Options that stand for 0 and 1: the option ending in 1 for 0, in 2 for anything else.
void SelectPair(Controls& controls, const char* format, int value) {
  controls.SelectOption(Numbered(format, value == 0 ? 1 : 2), false);
}

}  // namespace

std::string Numbered(const char* format, int number) {
  char name[64];
  std::snprintf(name, sizeof name, format, number);
  return name;
}

std::string LightOffText(int light_off) {
  char value[32];
  std::snprintf(value, sizeof value, "%.1f", double(light_off) * 0.5);
  return text("sleep_timer_1_text") + value + " " + text("sleep_timer_2_text");
}

std::string SleepText(int sleep_timer) {
  return text("sleep_timer_3_text") + std::to_string(sleep_timer) + " " +
         text("sleep_timer_2_text");
}

std::string DebounceText(int key_debounce) {
  return std::to_string(static_cast<long long>(key_debounce) * 2) + " MS";
}

std::string RateTextKey(int prate) {
  return prate >= 0 && prate <= 3 ? Numbered("prate_%d_text", prate + 1) : std::string();
}

void SettingsPage::Init() {
  ctx_.controls.SetVisible(kLiftOffCheck, false);
  ctx_.controls.SetVisible(kLightSection, false);
}

void SettingsPage::LoadDeviceState() {
  const auto [names, selected] =
      ctx_.profiles.WithStores([](const ProfileStore& profiles, const MacroStore&) {
        std::vector<std::string> list;
        for (const auto& record : profiles.profiles) {
          list.push_back(Utf16ToUtf8(ProfileName(*record)));
        }
        return std::make_pair(list, int(profiles.SelectedPosition()));
      });
  ctx_.controls.SetItems(kProfileList, names);
  ctx_.controls.SelectItem(kProfileList, selected, false);
  ctx_.profiles.SetApplied(ctx_.profiles.CurrentSnapshot());
  RefreshAll();
}

void SettingsPage::RefreshAll() {
  Controls& controls = ctx_.controls;
  const ProfileRecord record = ctx_.profiles.CurrentSnapshot();
  RefreshLinkSections(ctx_);
  controls.SelectOption(Numbered(kDpiStageOptionFormat, record.dpi_step + 1), false);
  for (int stage = 1; stage <= kDpiStageCount; ++stage) {
    const std::size_t i = std::size_t(stage - 1);
    const std::string dpi = std::to_string(StageValueToDpi(record.dpi_value[i]));
    controls.SetValue(Numbered(kDpiSliderFormat, stage), record.dpi_value[i]);
    controls.SetText(Numbered(kDpiLabelFormat, stage), dpi);
    controls.SetText(Numbered(kDpiEditFormat, stage), dpi);
    controls.SetColour(Numbered(kDpiColourFormat, stage), ColourToArgb(record.dpi_color[i]));
  }
  controls.SelectItem(kLightList, record.light_mode, false);
  controls.SelectItem(kBleLightList, record.light_mode_ble, false);
  controls.SetValue(kBrightnessSlider, record.brightness);
  controls.SetValue(kSpeedSlider, record.breathspeed);
  controls.SetColour(kLightColour, ColourToArgb(record.light_color));
  controls.SelectOption(Numbered(kRateOptionFormat, record.prate + 1), false);
  if (const std::string key = RateTextKey(record.prate); !key.empty()) {
    controls.SetTextKey(kRateLabel, key);
  }
  SelectPair(controls, kLiftOffOptionFormat, record.lift_of_distance);
  SelectPair(controls, kRippleOptionFormat, record.ripple_control);
  SelectPair(controls, kAngleSnapOptionFormat, record.angle_snap);
  controls.SetValue(kLightOffSlider, record.light_off);
  controls.SetText(kLightOffLabel, LightOffText(record.light_off));
  controls.SetValue(kSleepSlider, record.sleep_timer);
  controls.SetText(kSleepLabel, SleepText(record.sleep_timer));
  controls.SetValue(kDebounceSlider, record.key_debounce);
  controls.SetText(kDebounceLabel, DebounceText(record.key_debounce));
  RefreshButtonLabels();
}

void SettingsPage::RefreshButtonLabels() {
  const ProfileRecord record = ctx_.profiles.CurrentSnapshot();
  for (int button = 1; button <= kMouseButtonCount; ++button) {
    const ButtonLabel label =
        ButtonLabelText(CurrentKeyboardLayout(), record.buttons[std::size_t(button - 1)]);
    ctx_.controls.SetText(Numbered(kButtonLabelFormat, button), LabelDisplayText(label));
  }
}

}  // namespace melko
