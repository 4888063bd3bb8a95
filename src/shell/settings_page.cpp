#include "shell/settings_page.h"

#include <cstdio>
#include <functional>
#include <utility>

#include "common/language.h"
#include "common/text.h"
#include "device/link_sections.h"
#include "device/messages.h"
#include "input/button_functions.h"
#include "profiles/names.h"
#include "profiles/profile_files.h"
#include "profiles/store_merge.h"
#include "shell/dialog_logic.h"
#include "shell/page_controls.h"

namespace melko {
namespace {

using namespace page_control;

constexpr int kListApplyDelayMs = 200;
constexpr int kSliderApplyDelayMs = 500;
constexpr int kSectionFollowUpMs = 10;
constexpr int kAssignableButtons = 12;

// Options that stand for 0 and 1: the option ending in 1 for 0, in 2 for anything else.
void SelectPair(Controls& controls, const char* format, int value) {
  controls.SelectOption(Numbered(format, value == 0 ? 1 : 2), false);
}

// The option numbered value + 1 of a group of count; a stored value outside the group (a file
// written by another program) selects none, and is counted wide so that no value overflows.
void SelectNumbered(Controls& controls, const char* format, std::int32_t value, int count) {
  const std::int64_t number = std::int64_t(value) + 1;
  for (int n = 1; n <= count; ++n) {
    if (n == number) {
      controls.SelectOption(Numbered(format, n), false);
    } else {
      controls.SetChecked(Numbered(format, n), false);
    }
  }
}

// The section each check box shows, whether opening it brings it into view, and the bar of
// buttons kept below the scrolled column that shows and hides with it.
struct Section {
  const char* check;
  const char* section;
  bool follow_up;
  const char* pinned_buttons = nullptr;
};
constexpr Section kSections[] = {
    {"ms_1_check_button", "ms_1_hor_button", false},
    {"ms_1_check_profile", "ms_1_ver_profile", false},
    {"ms_1_check_power", "ms_1_ver_power", false},
    {"ms_1_check_dpi", "ms_1_ver_dpi", false, "ms_1_hor_dpi_buttons"},
    {"ms_1_check_light", "ms_1_ver_light", false},
    {"ms_1_check_prate", "ms_1_ver_prate", false},
    {"ms_1_check_mouse_attribute", "ms_1_ver_mouse_attribute", false},
    {"ms_1_check_power_setting", "ms_1_ver_power_setting", true},
    {"ms_1_check_lift_of_distance", "ms_1_hor_lift_of_distance", true},
    {"ms_1_check_key_debounce", "ms_1_hor_key_debounce", true},
    {"ms_1_check_ripple_control", "ms_1_hor_ripple_control", true},
    {"ms_1_check_angle_snap", "ms_1_hor_angle_snap", true},
};

// A field of the record that a slider edits, with the label it updates.
struct SliderField {
  const char* slider;
  std::int32_t ProfileRecord::*field;
  const char* label;
  std::string (*label_text)(int);
};
const SliderField kSliderFields[] = {
    {kBrightnessSlider, &ProfileRecord::brightness, kBrightnessLabel, BrightnessText},
    {kSpeedSlider, &ProfileRecord::breathspeed, kSpeedLabel, SpeedText},
    {kSleepSlider, &ProfileRecord::sleep_timer, kSleepLabel, SleepText},
    {kLightOffSlider, &ProfileRecord::light_off, kLightOffLabel, LightOffText},
    {kDebounceSlider, &ProfileRecord::key_debounce, kDebounceLabel, DebounceText},
};

// Options whose number, minus one, is a field's value.
struct OptionField {
  const char* prefix;
  std::int32_t ProfileRecord::*field;
};
constexpr OptionField kOptionFields[] = {
    {"ms_1_option_dpi_step_", &ProfileRecord::dpi_step},
    {"ms_1_btn_prate_", &ProfileRecord::prate},
    {"ms_1_option_lift_of_distance_", &ProfileRecord::lift_of_distance},
    {"ms_1_option_ripple_control_", &ProfileRecord::ripple_control},
    {"ms_1_option_angle_snap_", &ProfileRecord::angle_snap},
};

// A warning for the assignment, through the page's message box.
struct BoxWarning final : WarningMessage {
  explicit BoxWarning(MessageBoxes& boxes) : boxes(boxes) {}
  void Show(std::string_view title_key, std::string_view text_key) override {
    boxes.Tell(title_key, text_key);
  }
  MessageBoxes& boxes;
};

struct PageApply final : ApplyRequester {
  explicit PageApply(std::function<void()> request) : request(std::move(request)) {}
  void RequestApply() override { request(); }
  std::function<void()> request;
};

}  // namespace

std::string Numbered(const char* format, int number) {
  char name[64];
  std::snprintf(name, sizeof name, format, number);
  return name;
}

int NumberAfter(std::string_view name, std::string_view prefix) {
  if (name.size() <= prefix.size() || name.substr(0, prefix.size()) != prefix) return 0;
  int number = 0;
  for (const char c : name.substr(prefix.size())) {
    if (c < '0' || c > '9' || number > 100) return 0;
    number = number * 10 + (c - '0');
  }
  return number;
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

std::string BrightnessText(int brightness) {
  // The slider's steps 0 to 15 as the share of full brightness a player is used to.
  const int percent =
      (std::clamp(brightness, 0, kMaxBrightness) * 100 + kMaxBrightness / 2) / kMaxBrightness;
  return text("brightness_value_text", {std::to_string(percent)});
}

std::string SpeedText(int breathspeed) {
  // Levels counted from 1, as the slider's ten steps read to a player.
  return std::to_string(std::clamp(breathspeed, 0, kMaxSpeed) + 1);
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
  ShowProfiles();
  ctx_.profiles.SetApplied(ctx_.profiles.CurrentSnapshot());
  RefreshAll();
}

void SettingsPage::RefreshAll() {
  Controls& controls = ctx_.controls;
  const ProfileRecord record = ctx_.profiles.CurrentSnapshot();
  RefreshLinkSections(ctx_);
  SelectNumbered(controls, kDpiStageOptionFormat, record.dpi_step, kDpiStageCount);
  RefreshStageRows();
  controls.SelectItem(kLightList, record.light_mode, false);
  controls.SelectItem(kBleLightList, record.light_mode_ble, false);
  controls.SetValue(kBrightnessSlider, record.brightness);
  controls.SetValue(kSpeedSlider, record.breathspeed);
  controls.SetColour(kLightColour, ColourToArgb(record.light_color));
  SelectNumbered(controls, kRateOptionFormat, record.prate, kRateOptionCount);
  if (const std::string key = RateTextKey(record.prate); !key.empty()) {
    controls.SetTextKey(kRateLabel, key);
  }
  SelectPair(controls, kLiftOffOptionFormat, record.lift_of_distance);
  SelectPair(controls, kRippleOptionFormat, record.ripple_control);
  SelectPair(controls, kAngleSnapOptionFormat, record.angle_snap);
  for (const SliderField& slider : kSliderFields) {
    const int value = record.*slider.field;
    controls.SetValue(slider.slider, value);
    if (slider.label) controls.SetText(slider.label, slider.label_text(value));
  }
  RefreshButtonLabels();
}

void SettingsPage::RefreshStageRows() {
  const ProfileRecord record = ctx_.profiles.CurrentSnapshot();
  for (int stage = 1; stage <= kDpiStageCount; ++stage) RefreshStageRow(record, stage);
}

void SettingsPage::RefreshStageRow(const ProfileRecord& record, int stage) {
  Controls& controls = ctx_.controls;
  const std::size_t i = std::size_t(stage - 1);
  // A stage that is off is not in the mouse's cycle: it cannot be the current one, and its row
  // shows neither a value nor a colour. The current stage's switch is held on.
  const bool on = StageIsOn(record, stage - 1);
  const std::string dpi = on ? std::to_string(StageValueToDpi(record.dpi_value[i])) : "";
  controls.SetChecked(Numbered(kDpiSwitchFormat, stage), on);
  controls.SetEnabled(Numbered(kDpiSwitchFormat, stage),
                      !on || !StageOffRefusal(record, stage - 1));
  controls.SetValue(Numbered(kDpiSliderFormat, stage), record.dpi_value[i]);
  controls.SetText(Numbered(kDpiLabelFormat, stage), dpi);
  controls.SetText(Numbered(kDpiEditFormat, stage), dpi);
  controls.SetColour(Numbered(kDpiColourFormat, stage), on ? ColourToArgb(record.dpi_color[i]) : 0);
  for (const char* format : {kDpiStageOptionFormat, kDpiSliderFormat, kDpiLabelFormat,
                             kDpiEditFormat, kDpiColourFormat}) {
    controls.SetEnabled(Numbered(format, stage), on);
  }
}

void SettingsPage::SwitchStage(int stage, bool on) {
  bool switched = false;
  EditCurrent([&](ProfileRecord& record) { switched = melko::SwitchStage(record, stage - 1, on); });
  // Every row: whether the others' switches may go off depends on how many are on.
  RefreshStageRows();
  if (switched) RequestApply();
}

void SettingsPage::RefreshButtonLabels() {
  const ProfileRecord record = ctx_.profiles.CurrentSnapshot();
  for (int button = 1; button <= kMouseButtonCount; ++button) {
    const ButtonLabel label =
        ButtonLabelText(CurrentKeyboardLayout(), record.buttons[std::size_t(button - 1)]);
    ctx_.controls.SetText(Numbered(kButtonLabelFormat, button), LabelDisplayText(label));
  }
}

void SettingsPage::RequestApply() {
  ctx_.poster.Post(kMsgRequestApply, 0, 0);
}

void SettingsPage::OnApplyFinished(bool sent) {
  const char* key = sent                            ? "apply_saved_text"
                    : ctx_.links.any_connected == 1 ? "apply_waiting_asleep_text"
                                                    : "apply_waiting_offline_text";
  ctx_.controls.SetTextKey(kApplyStateLabel, key);
  ctx_.controls.SetVisible(kApplyStateLabel, true);
}

void SettingsPage::ShowUnsent() {
  ctx_.controls.SetTextKey(kApplyStateLabel, "apply_unsent_text");
  ctx_.controls.SetVisible(kApplyStateLabel, true);
}

void SettingsPage::RestartApplyDelay(int ms) {
  ctx_.timers.Stop(kTimerApplyDelay);
  ctx_.timers.Start(kTimerApplyDelay, ms);
}

void SettingsPage::EditCurrent(const std::function<void(ProfileRecord&)>& change) {
  ctx_.profiles.WithCurrent(change);
}

void SettingsPage::OnClick(const std::string& control) {
  if (control == "ms_1_apply_btn" || control == "ms_1_btn_apply_dpi") {
    RequestApply();
  } else if (control == "ms_1_btn_reset_dpi") {
    EditCurrent([](ProfileRecord& record) { ResetDpiDefaults(record); });
    RefreshAll();
    RequestApply();
  } else if (control == "ms_1_btn_mouse_attribute") {
    ports_.dialogs.OpenSystemMouseSettings();
  } else if (control == kLightColour) {
    ChooseColour(control, 0);
  } else if (const int stage = NumberAfter(control, "ms_1_btn_dpi_color_");
             stage >= 1 && stage <= kDpiStageCount) {
    ChooseColour(control, stage);
  } else if (const int button = NumberAfter(control, "ms_1_btn_key_");
             button >= 1 && button <= kAssignableButtons) {
    open_menu_button_ = button - 1;
    const ProfileRecord record = ctx_.profiles.CurrentSnapshot();
    ports_.dialogs.OpenAssignmentMenu(
        button, CurrentMenuItem(record.buttons[std::size_t(open_menu_button_)]));
  } else if (control == "ms_1_btn_macro") {
    ports_.dialogs.RunMacroEditor();
    RefreshMacroAssignments();
  } else if (control == "ms_1_profile_add_btn") {
    AddProfile();
  } else if (control == "ms_1_profile_delete_btn") {
    DeleteProfile();
  } else if (control == "ms_1_profile_rename_btn") {
    RenameProfile();
  } else if (control == "ms_1_profile_reset_btn" || control == "ms_1_btn_reset") {
    ResetProfile();
  } else if (control == "ms_1_profile_import_btn") {
    ImportProfile();
  } else if (control == "ms_1_profile_export_btn") {
    ExportProfile();
  }
}

void SettingsPage::ChooseColour(const std::string& control, int stage) {
  const ProfileRecord record = ctx_.profiles.CurrentSnapshot();
  std::uint32_t argb =
      ColourToArgb(stage == 0 ? record.light_color : record.dpi_color[std::size_t(stage - 1)]);
  if (!ports_.dialogs.ChooseColour(control, argb)) return;
  const Colour colour = ArgbToColour(argb);
  EditCurrent([&](ProfileRecord& current) {
    if (stage == 0) {
      current.light_color = colour;
    } else {
      current.dpi_color[std::size_t(stage - 1)] = colour;
    }
  });
  ctx_.controls.SetColour(control, ColourToArgb(colour));
  RequestApply();
}

void SettingsPage::OnSelectChanged(const std::string& option) {
  if (const int stage = NumberAfter(option, "ms_1_option_dpi_step_");
      stage >= 1 && stage <= kDpiStageCount &&
      !StageIsOn(ctx_.profiles.CurrentSnapshot(), stage - 1)) {
    // Refused: the current stage stays selected.
    SelectNumbered(ctx_.controls, kDpiStageOptionFormat, ctx_.profiles.CurrentSnapshot().dpi_step,
                   kDpiStageCount);
    return;
  }
  for (const OptionField& option_field : kOptionFields) {
    const int number = NumberAfter(option, option_field.prefix);
    if (number < 1) continue;
    EditCurrent([&](ProfileRecord& record) { record.*option_field.field = number - 1; });
    if (option_field.field == &ProfileRecord::prate) {
      ctx_.controls.SetTextKey(kRateLabel, RateTextKey(number - 1));
    } else if (option_field.field == &ProfileRecord::dpi_step) {
      RefreshStageRows();
    }
    RequestApply();
    return;
  }
}

void SettingsPage::OnItemSelect(const std::string& control, int index) {
  if (control == kProfileList) {
    SelectProfile(index);
  } else if (control == kLightList) {
    EditCurrent([&](ProfileRecord& record) { record.light_mode = index; });
    RefreshLightSections(ctx_);
    RestartApplyDelay(kListApplyDelayMs);
  } else if (control == kBleLightList) {
    EditCurrent([&](ProfileRecord& record) { record.light_mode_ble = index; });
    RestartApplyDelay(kListApplyDelayMs);
  }
}

void SettingsPage::OnValueChanged(const std::string& slider, int value) {
  if (const int stage = NumberAfter(slider, "ms_1_slider_dpi_");
      stage >= 1 && stage <= kDpiStageCount) {
    // The stage values move with the slider; they reach the mouse with the next apply.
    EditCurrent([&](ProfileRecord& record) { record.dpi_value[std::size_t(stage - 1)] = value; });
    const std::string dpi = std::to_string(StageValueToDpi(value));
    ctx_.controls.SetText(Numbered(kDpiLabelFormat, stage), dpi);
    ctx_.controls.SetText(Numbered(kDpiEditFormat, stage), dpi);
    ShowUnsent();
    return;
  }
  for (const SliderField& field : kSliderFields) {
    if (slider != field.slider) continue;
    EditCurrent([&](ProfileRecord& record) { record.*field.field = value; });
    if (field.label) ctx_.controls.SetText(field.label, field.label_text(value));
    RestartApplyDelay(kSliderApplyDelayMs);
    return;
  }
}

std::optional<std::string> SettingsPage::OnDpiEditChanged(const std::string&,
                                                          const std::string& text) {
  FilteredText filtered = DigitsOnly(text);
  if (!filtered.changed) return std::nullopt;
  return std::move(filtered.text);
}

void SettingsPage::OnDpiEditDone(const std::string& edit, const std::string& text) {
  const int stage = NumberAfter(edit, "ms_1_edit_dpi_");
  if (stage < 1 || stage > kDpiStageCount) return;
  // The field holds digits only; a number past any DPI reads as the largest.
  const int typed = int(std::clamp<long long>(ReadLeadingInteger(text), 0, 1'000'000));
  const int value = DpiToStageValue(typed);
  bool changed = false;
  EditCurrent([&](ProfileRecord& record) {
    changed = std::exchange(record.dpi_value[std::size_t(stage - 1)], value) != value;
  });
  // The stage's label follows at once, as it does for the slider.
  const std::string dpi = std::to_string(StageValueToDpi(value));
  ctx_.controls.SetValue(Numbered(kDpiSliderFormat, stage), value);
  ctx_.controls.SetText(edit, dpi);
  ctx_.controls.SetText(Numbered(kDpiLabelFormat, stage), dpi);
  if (changed) ShowUnsent();  // leaving the field untouched is no edit
}

void SettingsPage::OnCheckClick(const std::string& check, bool checked) {
  if (const int stage = NumberAfter(check, "ms_1_check_dpi_on_");
      stage >= 1 && stage <= kDpiStageCount) {
    SwitchStage(stage, checked);
    return;
  }
  if (check == kMoveModeCheck) {
    EditCurrent([&](ProfileRecord& record) { record.move_mode = checked ? 1 : 0; });
    RequestApply();
    return;
  }
  for (const Section& section : kSections) {
    if (check != section.check) continue;
    ctx_.controls.SetVisible(section.section, checked);
    if (section.pinned_buttons) ctx_.controls.SetVisible(section.pinned_buttons, checked);
    if (checked && section.follow_up) {
      opened_section_ = section.section;
      ctx_.timers.Start(kTimerSectionFollowUp, kSectionFollowUpMs);
    }
    return;
  }
}

void SettingsPage::OnSectionTimer() {
  ctx_.timers.Stop(kTimerSectionFollowUp);
  if (!opened_section_.empty()) ports_.dialogs.FollowOpenedSection(opened_section_);
}

void SettingsPage::AssignButtonFunction(const std::string& menu_item) {
  // The macro choice lists the macros as they are now, another program's new ones included.
  if (const SyncResult synced = ctx_.profiles.Sync(); !synced.outcome.ok) {
    ctx_.log.Write("Sync failed: " + synced.outcome.error);
  }
  // The dialogs of the assignment run on copies, without holding the session's lock.
  ProfileRecord record = ctx_.profiles.CurrentSnapshot();
  const MacroStore macros = ctx_.profiles.WithStores(
      [](const ProfileStore&, const MacroStore& store) { return CopyMacroStore(store); });
  BoxWarning warning(ports_.boxes);
  PageApply apply([this] { RequestApply(); });
  const AssignmentOutcome outcome =
      melko::AssignButtonFunction(record, open_menu_button_, menu_item, macros,
                                  {ports_.shortcut, ports_.macro_choice, warning, apply});
  if (outcome != AssignmentOutcome::kAssigned) return;
  const int button = open_menu_button_;
  EditCurrent([&](ProfileRecord& current) {
    current.buttons[std::size_t(button)] = record.buttons[std::size_t(button)];
  });
  RefreshButtonLabels();
}

}  // namespace melko
