// The main window's part of the program: whether it may be shown (only while a mouse is present;
// otherwise the no-device warning comes instead), the tray's actions, the menu commands, the
// buttons of its title area and the DPI popup. Every event reaches it on the user-interface
// thread; the window, the popup and the message box are ports.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "device/ui_ports.h"
#include "shell/shell_ports.h"

namespace melko {

// Names of the controls and items the main window handles.
namespace shell_control {
inline constexpr const char* kExitButton = "exit_btn";
inline constexpr const char* kMinimiseButton = "min_btn";
inline constexpr const char* kDeviceSwitch = "device_tab_switch";
inline constexpr const char* kMenuConfiguration = "configuration";
inline constexpr const char* kMenuExit = "exit";
inline constexpr const char* kMenuAutostart = "autostart";
}  // namespace shell_control

inline constexpr int kDpiPopupMs = 2000;
// How long a hidden window waits for a tray host (a panel still starting at log-in, or one that
// restarts) before it comes back, minimised.
inline constexpr int kTrayGraceMs = 5000;

// The popup's text for a stage value: "DPI :" and the DPI.
std::string DpiPopupText(int stage_value);

class MainWindowLogic {
 public:
  MainWindowLogic(ShellWindow& window, DpiPopup& popup, MessageBoxes& boxes, Controls& controls,
                  Timers& timers);

  // Menu items of the page's assignment menu ("ms_1..." names) go here.
  void SetAssignmentHandler(std::function<void(const std::string& item)> handler) {
    assign_ = std::move(handler);
  }

  // The tray's "Start with the desktop" item writes or removes the session's entry.
  void SetAutostart(Autostart* autostart) { autostart_ = autostart; }

  // any_connected may have changed (message 1128): the window is put away, as the hide button does,
  // while no mouse is there.
  void OnConnectedChanged(bool any_connected);
  // The mouse switched its DPI stage (message 1129).
  void OnDpiStageChanged(int stage_value);
  // Timer 52: the popup's two seconds are over.
  void OnDpiPopupTimer();
  // A menu item was chosen (message 1027): tray items and the assignment menu's items.
  void OnMenuCommand(const std::string& item);
  // Whether a check item shows a check, asked each time its menu opens.
  bool MenuItemChecked(const std::string& item);
  // The tray icon was activated (a left click).
  void OnTrayActivated() { ShowMainWindow(); }
  // A second launch asked for the window (message 1037).
  void OnSecondLaunch() { ShowMainWindow(); }
  // A click on a control of the title area; false when it is not one of the main window's. The
  // hide button hides the window to the tray, or minimises it while there is no tray host.
  bool OnClick(const std::string& control);
  // The window manager's close: the window hides to the tray; without a tray host, where nothing
  // could bring it back, the program ends.
  void OnCloseRequested();

  // Whether a tray host shows the icon, told whenever that changes. The program is never left
  // running with neither window nor icon: a window that is hidden while there is no tray host
  // comes back minimised when the grace period ends without one (timer kTimerTrayGrace).
  void OnTrayAvailabilityChanged(bool available);
  void OnTrayGraceTimer();
  // Started in the tray only (--hidden); the window stays hidden while a tray host takes the icon.
  void StartHidden();

  // Shows, restores and raises the window while a mouse is present; otherwise the warning.
  void ShowMainWindow();
  void ShowNoDeviceWarning();

  bool device_shown() const { return device_shown_; }
  bool tray_available() const { return tray_available_; }
  bool warning_open() const { return warning_open_; }

 private:
  // Hidden to the tray; without a tray host a shown window is minimised instead.
  void PutAway();
  // Turns starting with the desktop on when it is off, and off when it is on, as the session
  // finds it now; a failure is told with the file and the reason.
  void ToggleAutostart();

  ShellWindow& window_;
  DpiPopup& popup_;
  MessageBoxes& boxes_;
  Controls& controls_;
  Timers& timers_;
  Autostart* autostart_ = nullptr;
  std::function<void(const std::string&)> assign_;
  bool device_shown_ = false;
  bool warning_open_ = false;
  bool popup_open_ = false;
  bool tray_available_ = false;
};

}  // namespace melko
