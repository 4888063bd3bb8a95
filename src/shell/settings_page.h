// The settings page: every setting of the current profile on one page. It shows the profile the
// store selects, turns each control's notification into an edit of the current profile (and, where
// the setting is sent at once, an apply request), and manages the profile list. Edits of the
// current profile are made under the session's lock; adding, deleting, renaming, restoring and
// importing profiles are syncs, saved at once. User-interface thread only.
#pragma once

#include <string>

#include "device/device_context.h"
#include "input/button_assignment.h"
#include "profiles/names.h"
#include "shell/page_ports.h"
#include "shell/shell_ports.h"

namespace melko {

// The text of a value label for a record field.
std::string LightOffText(int light_off);
std::string SleepText(int sleep_timer);
std::string DebounceText(int key_debounce);
inline constexpr int kMaxBrightness = 15;  // the brightness slider's range is 0 to this
inline constexpr int kMaxSpeed = 9;        // the speed slider's range is 0 to this
std::string BrightnessText(int brightness);
std::string SpeedText(int breathspeed);
// The rate's language key for prate 0 to 3; empty for any other value.
std::string RateTextKey(int prate);
// A name of the skin with its number: Numbered("ms_1_slider_dpi_%d", 3).
std::string Numbered(const char* format, int number);
// The number at the end of a name of the skin ("ms_1_slider_dpi_3" gives 3) when it starts with
// prefix; 0 otherwise.
int NumberAfter(std::string_view name, std::string_view prefix);

struct PagePorts {
  MessageBoxes& boxes;
  PageDialogs& dialogs;
  ShortcutCapture& shortcut;
  MacroChoice& macro_choice;
};

class SettingsPage {
 public:
  SettingsPage(DeviceContext& ctx, const PagePorts& ports) : ctx_(ctx), ports_(ports) {}

  // Hides the lift-off section's check box and the light section, as the page starts.
  void Init();
  // Shows the stores' profiles and selects the stored selection without notification; the
  // current profile counts as applied. The stores are loaded by then.
  void LoadDeviceState();
  // Redraws every control from the current profile.
  void RefreshAll();
  // The DPI rows; the current stage's switch is held on.
  void RefreshStageRows();
  // The 18 button labels.
  void RefreshButtonLabels();

  // Notifications of the page's controls, by their skin names.
  void OnClick(const std::string& control);
  // An option (radio button) became selected.
  void OnSelectChanged(const std::string& option);
  // An item of a list or combo box became selected.
  void OnItemSelect(const std::string& control, int index);
  void OnValueChanged(const std::string& slider, int value);
  // A DPI edit changed: the text it must show instead when anything but digits was typed.
  std::optional<std::string> OnDpiEditChanged(const std::string& edit, const std::string& text);
  // A DPI edit lost the focus or took Return.
  void OnDpiEditDone(const std::string& edit, const std::string& text);
  void OnCheckClick(const std::string& check, bool checked);
  // Timer 514: the section opened last comes into view.
  void OnSectionTimer();
  // An item of the assignment menu was chosen for the button it was opened at.
  void AssignButtonFunction(const std::string& menu_item);
  // After the macro editor: the buttons' copies of the macros follow the store.
  void RefreshMacroAssignments();
  // An apply has run: the status line says whether the page's settings are on the mouse, or
  // what it waits for. A dropped apply is retried when a link can take settings.
  void OnApplyFinished(bool sent);
  // The stores changed on disk: they are synced, and the page shows what they hold.
  void OnStoresChanged();
  // Shows what syncs (of this page, an apply, a file watch) found other programs changed: the
  // profile now selected, the list, the current profile's values and the macros' names.
  void FollowStores();

  // The button (0 to 11) whose assignment menu was opened last.
  int open_menu_button() const { return open_menu_button_; }

 private:
  void RequestApply();
  // The DPI row of stage 1 to 8: its switch, value and colour, dimmed when the stage is off.
  void RefreshStageRow(const ProfileRecord& record, int stage);
  // The switch of stage 1 to 8 was clicked; a refused switch goes back to what the record says.
  void SwitchStage(int stage, bool on);
  void RestartApplyDelay(int ms);
  // A DPI value edited: it waits for the Apply button, which the status line says.
  void ShowUnsent();
  void EditCurrent(const std::function<void(ProfileRecord&)>& change);
  // A change of the user's to the stores, saved at once. A save that fails is told, with the
  // folder and the reason, and the page shows the stores as they are; false then.
  bool SyncChange(const StoreChange& change);
  // The profile list shown again with this selection, which becomes the current profile and is
  // written to the mouse in full.
  void ShowProfiles();
  void SwitchedProfile();
  void SelectProfile(int index);
  void AddProfile();
  void DeleteProfile();
  void RenameProfile();
  void ResetProfile();
  void ImportProfile();
  void ExportProfile();
  void ChooseColour(const std::string& control, int stage);
  std::vector<std::u16string> ProfileNames();

  DeviceContext& ctx_;
  PagePorts ports_;
  int open_menu_button_ = 0;
  NameKey ShownCurrent() const;
  // The profiles of the list's rows as last shown, which the user's choices refer to, and the
  // row shown as selected.
  std::vector<NameKey> shown_profiles_;
  std::size_t shown_selected_ = 0;
  std::string opened_section_;
};

}  // namespace melko
