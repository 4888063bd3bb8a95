#include "shell/main_window_logic.h"

#include "common/file_io.h"
#include "common/text.h"
#include "device/messages.h"
#include "profiles/profile_record.h"

namespace melko {

std::string DpiPopupText(int stage_value) {
  return "DPI :" + std::to_string(StageValueToDpi(stage_value));
}

MainWindowLogic::MainWindowLogic(ShellWindow& window, DpiPopup& popup, MessageBoxes& boxes,
                                 Controls& controls, Timers& timers)
    : window_(window), popup_(popup), boxes_(boxes), controls_(controls), timers_(timers) {}

void MainWindowLogic::OnConnectedChanged(bool any_connected) {
  device_shown_ = any_connected;
  if (any_connected) {
    controls_.SelectItem(shell_control::kDeviceSwitch, 0, false);
    return;
  }
  controls_.SelectItem(shell_control::kDeviceSwitch, -1, false);
  PutAway();
}

void MainWindowLogic::OnDpiStageChanged(int stage_value) {
  timers_.Stop(kTimerDpiPopup);
  timers_.Start(kTimerDpiPopup, kDpiPopupMs);
  popup_.ShowText(DpiPopupText(stage_value));
  popup_open_ = true;
}

void MainWindowLogic::OnDpiPopupTimer() {
  timers_.Stop(kTimerDpiPopup);
  if (!popup_open_) return;
  popup_.Close();
  popup_open_ = false;
}

void MainWindowLogic::OnMenuCommand(const std::string& item) {
  if (EqualsIgnoringAsciiCase(item, shell_control::kMenuConfiguration)) {
    ShowMainWindow();
  } else if (EqualsIgnoringAsciiCase(item, shell_control::kMenuExit)) {
    window_.Quit();
  } else if (EqualsIgnoringAsciiCase(item, shell_control::kMenuAutostart)) {
    ToggleAutostart();
  } else if (item.size() >= 4 && EqualsIgnoringAsciiCase(item.substr(0, 4), "ms_1")) {
    if (assign_) assign_(item);
  }
}

bool MainWindowLogic::MenuItemChecked(const std::string& item) {
  return EqualsIgnoringAsciiCase(item, shell_control::kMenuAutostart) && autostart_ &&
         autostart_->Enabled();
}

void MainWindowLogic::ToggleAutostart() {
  if (!autostart_) return;
  const Outcome changed = autostart_->SetEnabled(!autostart_->Enabled());
  if (changed.ok) return;
  const std::string location = autostart_->Location();
  boxes_.Tell("warning_title_text", "autostart_fail_text",
              {location, ReasonWithoutPath(changed.error, location)});
}

bool MainWindowLogic::OnClick(const std::string& control) {
  if (control == shell_control::kExitButton) {
    PutAway();
    return true;
  }
  if (control == shell_control::kMinimiseButton) {
    window_.Minimise();
    return true;
  }
  return false;
}

void MainWindowLogic::OnCloseRequested() {
  if (tray_available_) {
    window_.Hide();
  } else {
    window_.Quit();
  }
}

void MainWindowLogic::PutAway() {
  if (tray_available_) {
    window_.Hide();
  } else if (window_.IsVisible()) {
    window_.Minimise();
  }
}

void MainWindowLogic::OnTrayAvailabilityChanged(bool available) {
  if (available == tray_available_) return;
  tray_available_ = available;
  if (available) {
    timers_.Stop(kTimerTrayGrace);
  } else if (!window_.IsVisible()) {
    timers_.Start(kTimerTrayGrace, kTrayGraceMs);
  }
}

void MainWindowLogic::StartHidden() {
  if (!tray_available_) timers_.Start(kTimerTrayGrace, kTrayGraceMs);
}

void MainWindowLogic::OnTrayGraceTimer() {
  timers_.Stop(kTimerTrayGrace);
  if (!tray_available_ && !window_.IsVisible()) window_.Minimise();
}

void MainWindowLogic::ShowMainWindow() {
  if (!device_shown_) {
    ShowNoDeviceWarning();
    return;
  }
  if (!window_.IsVisible()) window_.Show();
  if (window_.IsMinimised()) window_.Restore();
  window_.BringToFront();
}

void MainWindowLogic::ShowNoDeviceWarning() {
  if (warning_open_) return;
  warning_open_ = true;
  boxes_.Tell("warning_title_text", "no_device_text");
  warning_open_ = false;
}

}  // namespace melko
